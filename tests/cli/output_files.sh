#!/usr/bin/env bash
# trevalin-render's output files: concurrent renders to one path, kept
# permissions, and failures that name the path and the reason.
set -u
source "$(dirname "$0")/test_setup.bash" "$@"
tool="$build/cli/trevalin-render"

cat >"$work/p.txt" <<'PRESETS'
PRESET red
  red 255
  grn 0
  blu 0
  min 0
  max 255
ENDPRESET
PRESET blue
  red 0
  grn 0
  blu 255
  min 0
  max 255
ENDPRESET
PRESET noise
  red sin(px*py)*127+128
  grn sin(px+py*py)*127+128
  blu cos(px*px-py)*127+128
  min 0
  max 255
ENDPRESET
PRESETS

# Two renders to one path: both succeed and the file is one of the two pictures, whole.
for ext in png bmp; do
    "$tool" --presets "$work/p.txt" --preset red --size 300x200 -o "$work/red.$ext" --quiet
    "$tool" --presets "$work/p.txt" --preset blue --size 300x200 -o "$work/blue.$ext" --quiet
    for round in 1 2 3 4 5 6; do
        "$tool" --presets "$work/p.txt" --preset red --size 300x200 -o "$work/both.$ext" --quiet &
        a=$!
        "$tool" --presets "$work/p.txt" --preset blue --size 300x200 -o "$work/both.$ext" --quiet &
        b=$!
        wait $a; sa=$?
        wait $b; sb=$?
        check "$ext round $round statuses" "0 0" "$sa $sb"
        if cmp -s "$work/both.$ext" "$work/red.$ext" || cmp -s "$work/both.$ext" "$work/blue.$ext"; then
            :
        else
            check "$ext round $round whole picture" "red or blue" "neither"
        fi
    done
    check "$ext no temporary files" "" "$(cd "$work" && ls -A | grep -v -e '^p.txt$' -e '\.png$' -e '\.bmp$')"
done

# A private picture stays private when it is rendered again.
for ext in png bmp; do
    chmod 600 "$work/both.$ext"
    "$tool" --presets "$work/p.txt" --preset red --size 30x20 -o "$work/both.$ext" --quiet
    check "$ext keeps 0600" 600 "$(stat -c %a "$work/both.$ext")"
done

# A private movie stays private as well.
"$tool" --presets "$work/p.txt" --size 16x16 --set framerate=2 --movie "$work/private.mov" --quiet
chmod 600 "$work/private.mov"
"$tool" --presets "$work/p.txt" --size 16x16 --set framerate=2 --movie "$work/private.mov" --quiet
check "movie keeps 0600" 600 "$(stat -c %a "$work/private.mov")"

# Failures name the path and the reason.
for ext in png bmp; do
    err=$("$tool" --presets "$work/p.txt" --size 8x8 -o "$work/missing/o.$ext" 2>&1)
    check "$ext missing folder status" 3 $?
    contains "$ext missing folder" "$work/missing/o.$ext: No such file or directory" "$err"

    err=$("$tool" --presets "$work/p.txt" --size 8x8 -o "/proc/o.$ext" 2>&1)
    check "$ext /proc status" 3 $?
    contains "$ext /proc" "/proc/o.$ext: " "$err"

    cp "$work/red.$ext" "$work/limited.$ext"
    err=$(ulimit -f 4; "$tool" --presets "$work/p.txt" --preset noise --size 300x200 \
        -o "$work/limited.$ext" 2>&1)
    check "$ext file-size limit status" 3 $?
    contains "$ext file-size limit" "$work/limited.$ext: File too large" "$err"
    cmp -s "$work/limited.$ext" "$work/red.$ext"; check "$ext limit leaves the old file" 0 $?
done
check "no temporary files after failures" "" "$(cd "$work" && ls -A | grep trevalin-tmp)"

# Movie files: a missing folder and a file-size limit name the path and the reason.
err=$("$tool" --presets "$work/p.txt" --size 16x16 --set framerate=2 --movie "$work/missing/m.mov" 2>&1)
check "movie missing folder status" 3 $? # an output failure
contains "movie missing folder" "$work/missing/m.mov: No such file or directory" "$err"
err=$(ulimit -f 1; "$tool" --presets "$work/p.txt" --size 256x256 --movie "$work/m.mov" 2>&1)
check "movie file-size limit status" 3 $? # an output failure
contains "movie file-size limit" "$work/m.mov: File too large" "$err"
check "movie leaves nothing" "" "$(cd "$work" && ls -A | grep -e trevalin-tmp -e 'm.mov')"

# FFmpeg's libraries are loaded only for movies: without them a still renders
# as ever, and a movie fails naming the library, leaving no file.
mkdir "$work/nolibs"
for lib in $(ldconfig -p | grep -o 'lib\(avutil\|swscale\|avcodec\|avformat\)\.so\.[0-9]*' | sort -u); do
    echo "not a library" >"$work/nolibs/$lib"
done
check "stand-in libraries" 4 "$(ls "$work/nolibs" | wc -l)"
LD_LIBRARY_PATH="$work/nolibs" "$tool" --presets "$work/p.txt" --preset noise --size 30x20 \
    -o "$work/nolibs.bmp" --quiet
check "still without FFmpeg status" 0 $?
"$tool" --presets "$work/p.txt" --preset noise --size 30x20 -o "$work/libs.bmp" --quiet
cmp -s "$work/nolibs.bmp" "$work/libs.bmp"; check "still without FFmpeg same picture" 0 $?
err=$(LD_LIBRARY_PATH="$work/nolibs" "$tool" --presets "$work/p.txt" --size 16x16 \
    --set framerate=2 --movie "$work/nolibs.mov" 2>&1)
check "movie without FFmpeg status" 3 $?
contains "movie without FFmpeg" "FFmpeg's libavutil.so." "$err"
check "movie without FFmpeg leaves nothing" "" "$(cd "$work" && ls -A | grep -e trevalin-tmp -e nolibs.mov)"

# Presets warnings reach the user with their line numbers.
printf 'PRESET open\n  red 1\n' >"$work/open.txt"
err=$("$tool" --presets "$work/open.txt" --size 8x8 -o "$work/w.bmp" 2>&1)
contains "presets warning" "$work/open.txt: line 2: preset \"open\" has no ENDPRESET" "$err"

# A picture too large for the memory there is is refused before the render, saying why.
# (AddressSanitizer cannot start under an address-space limit.)
if ! ldd "$tool" | grep -q libasan; then
    err=$(ulimit -v 800000; "$tool" --presets "$work/p.txt" --size 16000x16000 -o "$work/huge.bmp" 2>&1)
    check "huge picture status" 2 $?
    contains "huge picture" "16000 × 16000 needs 1.0 GB for the picture" "$err"
fi

finish_checks "output files"
