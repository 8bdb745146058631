#!/usr/bin/env bash
# trevalin-render end to end: pixels worked out by hand, repeatability, exit statuses.
set -u
source "$(dirname "$0")/test_setup.bash" "$@"
tool="$build/cli/trevalin-render"

cat >"$work/p.txt" <<'PRESETS'
CAT Tests
  PRESET ramps
    red px*10
    grn py*20
    blu x+y*2
    min 0
    max 255
    left 0
    top 0
    width 4
    height 4
    zoom 1
    recurse 64
    colormode 1
  ENDPRESET
  PRESET wrapped
    red x*100
    grn 
    blu 
    min 0
    max 1
    left 0
    top 0
    width 4
    height 4
    zoom 1
    recurse 64
    colormode 0
    wrap 1
  ENDPRESET
  PRESET hsv red
    red 0
    grn 255
    blu 255
    min 0
    max 255
    left 0
    top 0
    width 1
    height 1
    zoom 1
    recurse 64
    colormode 2
  ENDPRESET
  PRESET broken
    red x +
    grn 
    blu 
    min 0
    max 1
    left 0
    top 0
    width 1
    height 1
    zoom 1
    recurse 64
    colormode 0
    framerate 0
  ENDPRESET
ENDCAT
PRESETS

# Pixel (column, row) of a 24-bit BMP as "R G B": rows bottom-up, padded to 4.
bmp_pixel() { # file column row
    local width height offset rowsize at
    offset=$(od -An -tu4 -j 10 -N 4 "$1" | tr -d ' ')
    width=$(od -An -tu4 -j 18 -N 4 "$1" | tr -d ' ')
    height=$(od -An -tu4 -j 22 -N 4 "$1" | tr -d ' ')
    rowsize=$(( (width * 3 + 3) / 4 * 4 ))
    at=$(( offset + (height - 1 - $3) * rowsize + $2 * 3 ))
    od -An -tu1 -j "$at" -N 3 "$1" | awk '{print $3, $2, $1}'
}

check "list" $'Tests/ramps\nTests/wrapped\nTests/hsv red\nTests/broken' "$("$tool" --presets "$work/p.txt" --list)"

"$tool" --presets "$work/p.txt" --preset ramps --size 4x4 -o "$work/ramps.bmp" --quiet
check "ramps status" 0 $?
check "ramps size" 102 "$(stat -c %s "$work/ramps.bmp")" # 54 + 4 rows of 12 bytes
for p in "0 0" "3 0" "0 3" "2 1" "3 3"; do
    set -- $p
    # x = px, y = py on this region; the range maps values to themselves.
    check "ramps pixel $1,$2" "$(( $1 * 10 )) $(( $2 * 20 )) $(( $1 + 2 * $2 ))" \
        "$(bmp_pixel "$work/ramps.bmp" "$1" "$2")"
done

"$tool" --presets "$work/p.txt" --preset Tests/wrapped --size 4x4 -o "$work/wrapped.bmp" --quiet
for px in 0 1 2 3; do
    g=$(( px * 100 * 255 % 256 ))
    check "wrapped pixel $px" "$g $g $g" "$(bmp_pixel "$work/wrapped.bmp" "$px" 2)"
done

"$tool" --presets "$work/p.txt" --preset "hsv red" --size 3x2 -o "$work/hsv.bmp" --quiet
check "hsv red" "255 0 0" "$(bmp_pixel "$work/hsv.bmp" 2 1)"
check "odd width padded" 78 "$(stat -c %s "$work/hsv.bmp")"

# --set overrides a field after the preset is read.
"$tool" --presets "$work/p.txt" --preset ramps --size 4x4 --set "red=7" --set colormode=1 \
    -o "$work/set.bmp" --quiet
check "set red" "7 20 3" "$(bmp_pixel "$work/set.bmp" 1 1)"

# The same preset twice gives the same file, BMP and PNG alike.
"$tool" --presets "$work/p.txt" --preset ramps --size 33x17 -o "$work/a.png" --quiet
"$tool" --presets "$work/p.txt" --preset ramps --size 33x17 -o "$work/b.png" --quiet
cmp -s "$work/a.png" "$work/b.png"; check "repeatable png" 0 $?
check "png signature" "89504e47" "$(od -An -tx1 -N 4 "$work/a.png" | tr -d ' ')"

# Every bundled preset gives the same picture on one thread and on several.
"$tool" --presets "$src/data/presets.txt" --list >"$work/names.txt"
differing=""
while IFS= read -r name; do
    "$tool" --presets "$src/data/presets.txt" --preset "$name" --size 45x29 --threads 1 \
        --source "$src/data/source.bmp" -o "$work/one.bmp" --quiet 2>/dev/null
    "$tool" --presets "$src/data/presets.txt" --preset "$name" --size 45x29 --threads 3 \
        --source "$src/data/source.bmp" -o "$work/three.bmp" --quiet 2>/dev/null
    cmp -s "$work/one.bmp" "$work/three.bmp" || differing="$differing [$name]"
done <"$work/names.txt"
check "bundled presets, --threads 1 and 3" "" "$differing"
check "presets listed" 1 "$([ "$(wc -l <"$work/names.txt")" -gt 40 ] && echo 1)"
"$tool" --presets "$work/p.txt" --preset ramps --threads 0 -o "$work/x.bmp" 2>/dev/null
check "zero threads refused" 2 $?

# A formula that fails is named with its place, and nothing is rendered.
err=$("$tool" --presets "$work/p.txt" --preset broken --size 2x2 -o "$work/broken.bmp" 2>&1)
check "broken status" 2 $?
case "$err" in *"red:1:4: parse error: unexpected end of formula, expected a value"*) ;;
*) check "broken message" "red:1:4: parse error: ..." "$err" ;; esac
[ ! -e "$work/broken.bmp" ]; check "broken writes nothing" 0 $?
err=$("$tool" --presets "$work/p.txt" --preset ramps --set 'red=sin(x*3 +' -o "$work/set.bmp" 2>&1)
check "--set of a broken formula" 2 $?
case "$err" in *$'red:1:10: parse error'*$'\n    sin(x*3 +\n             ^'*) ;;
*) check "--set caret" "red:1:10 ... caret" "$err" ;; esac
# An unused formula may fail: Grayscale reads only the first.
"$tool" --presets "$work/p.txt" --preset wrapped --set 'grn=(' --size 2x2 -o "$work/gray.bmp" --quiet
check "unused formula" 0 $?
# Warnings go to stderr unless --quiet; the render goes on.
err=$("$tool" --presets "$work/p.txt" --preset ramps --set 'red=x + foo' --size 2x2 \
    -o "$work/warn.bmp" 2>&1 >/dev/null)
check "warning status" 0 $?
case "$err" in *"red:1:5: warning: unknown name 'foo' has no value"*) ;;
*) check "warning text" "red:1:5: warning: ..." "$err" ;; esac
check "--quiet hides warnings" "" "$("$tool" --presets "$work/p.txt" --preset ramps \
    --set 'red=x + foo' --size 2x2 -o "$work/warn.bmp" --quiet 2>&1)"

# Settings with a few values take them by number or name and refuse others.
"$tool" --presets "$work/p.txt" --preset ramps --size 4x4 --set colormode=rgb -o "$work/byname.bmp" --quiet
check "colormode by name" 0 $?
cmp -s "$work/byname.bmp" "$work/ramps.bmp"; check "colormode=rgb renders RGB" 0 $?
"$tool" --presets "$work/p.txt" --preset ramps --size 4x4 --set colormode=Grayscale \
    -o "$work/gray2.bmp" --quiet
check "colormode Grayscale" "0 0 0" "$(bmp_pixel "$work/gray2.bmp" 0 0)"
for bad in colormode=7 colormode=RGBA wrap=2 cycle=-1 oversample=yes codec=11 codec=x264 depth=3; do
    err=$("$tool" --presets "$work/p.txt" --preset ramps --set "$bad" -o "$work/bad.bmp" 2>&1)
    check "--set $bad refused" 2 $?
done
err=$("$tool" --presets "$work/p.txt" --preset ramps --set colormode=7 -o "$work/bad.bmp" 2>&1)
case "$err" in *"colormode takes Grayscale (0), RGB (1), HSV (2) or Triplet (3), not \"7\""*) ;;
*) check "colormode list" "colormode takes Grayscale (0), ..." "$err" ;; esac
err=$("$tool" --presets "$work/p.txt" --preset ramps --set wrap=2 -o "$work/bad.bmp" 2>&1)
case "$err" in *"wrap takes 0 to 1"*) ;; *) check "wrap range" "wrap takes 0 to 1" "$err" ;; esac
[ ! -e "$work/bad.bmp" ]; check "refused settings write nothing" 0 $?
"$tool" --presets "$work/p.txt" --preset ramps --size 2x2 --set codec=mjpa --set depth=24-bit \
    -o "$work/named.bmp" --quiet
check "codec and depth by name" 0 $?
sed 's/colormode 2/colormode 9/' "$work/p.txt" >"$work/p9.txt"
err=$("$tool" --presets "$work/p9.txt" --preset "hsv red" -o "$work/bad.bmp" 2>&1)
check "preset colormode out of range" 2 $?
case "$err" in *"colormode is 9; it takes Grayscale (0)"*) ;; *) check "preset range" "colormode is 9" "$err" ;; esac

# Exit statuses.
"$tool" --presets "$work/p.txt" --preset nothing -o "$work/x.bmp" 2>/dev/null; check "unknown preset" 2 $?
"$tool" --presets "$work/p.txt" --size 0x5 -o "$work/x.bmp" 2>/dev/null; check "bad size" 2 $?
"$tool" --presets "$work/p.txt" --size 16001x1 -o "$work/x.bmp" 2>/dev/null; check "too wide" 2 $?
"$tool" --presets "$work/p.txt" 2>/dev/null; check "nothing to write" 2 $?
"$tool" --presets "$work/missing.txt" -o "$work/x.bmp" 2>/dev/null; check "missing presets" 2 $?
"$tool" --presets "$work/p.txt" --preset ramps -o "$work/no/such/dir/x.bmp" 2>/dev/null
check "unwritable output" 3 $?
"$tool" --presets "$work/p.txt" --preset broken --set red=x --movie "$work/m.mov" 2>/dev/null
check "frame rate 0 refuses the movie" 2 $?
[ ! -e "$work/m.mov" ]; check "refused movie writes nothing" 0 $?
touch "$work/afile"
"$tool" --presets "$work/p.txt" --preset ramps --size 4x4 --frames "$work/afile" 2>/dev/null
check "frames into a file is an output failure" 3 $?

# Frames as images: one BMP per frame, t running from 0 to 1.
"$tool" --presets "$work/p.txt" --preset ramps --size 2x2 --set "red=t*255" --set duration=0.3 \
    --frames "$work/frames" --mkdir --quiet
check "frame files" "frame_00000.bmp frame_00001.bmp frame_00002.bmp" "$(cd "$work/frames" && echo *)"
check "last frame t=1" "255 0 0" "$(bmp_pixel "$work/frames/frame_00002.bmp" 0 0)"

# A movie: 14 frames at 7 per second, each lasting 85 units of 1/600 s.
"$tool" --presets "$work/p.txt" --preset ramps --size 32x24 --set duration=2 --set framerate=7 \
    --set codec=1 --movie "$work/m.mov" --quiet
check "movie status" 0 $?
probe=$(ffprobe -v error -select_streams v:0 -count_frames -show_entries \
    stream=codec_tag_string,time_base,duration_ts,nb_read_frames -of default=nw=1 "$work/m.mov")
check "movie stream" $'codec_tag_string=rle \ntime_base=1/600\nduration_ts=1190\nnb_read_frames=14' "$probe"
echo old >"$work/m.mov"
"$tool" --presets "$work/p.txt" --preset ramps --size 8x8 --set duration=0.2 --movie "$work/m.mov" --quiet
check "existing movie replaced" "codec_tag_string=mjpa" \
    "$(ffprobe -v error -select_streams v:0 -show_entries stream=codec_tag_string -of default=nw=1 "$work/m.mov")"

# Every bundled preset compiles and renders (the default presets when no file is given).
count=0
while IFS= read -r preset; do
    err=$(cd "$work" && "$tool" --preset "$preset" --size 24x24 --source "$src/data/source.bmp" \
        -o "$work/bundled.bmp" --quiet 2>&1)
    check "bundled preset $preset" "0:" "$?:$err"
    count=$((count + 1))
done < <(cd "$work" && "$tool" --list | cut -f1)
[ "$count" -ge 24 ]; check "at least 24 bundled presets" 0 $?

# A preset that samples a source image says so when none is given.
err=$(cd "$work" && "$tool" --preset Sampling/Kaleidoscope --size 8x8 -o "$work/k.bmp" --quiet 2>&1)
case "$err" in *"reads a source image"*) ;; *) check "source note" "reads a source image" "$err" ;; esac

# A bundled movie preset makes a movie that decodes without an error.
(cd "$work" && "$tool" --preset "Movies/Julia Orbit" --size 48x32 --movie "$work/orbit.mov" --quiet)
check "bundled movie" 0 $?
check "bundled movie decodes" "" "$(ffmpeg -v error -xerror -i "$work/orbit.mov" -f null - 2>&1)"

finish_checks "render tool"
