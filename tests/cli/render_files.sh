#!/usr/bin/env bash
# trevalin-render and the files it shares: the preset inside a PNG, the movie
# formats, exit statuses for outputs it cannot write, Ctrl-C, and where it
# finds presets.
set -u
source "$(dirname "$0")/test_setup.bash" "$@"
tool="$build/cli/trevalin-render"
pixels() { ffmpeg -nostdin -v error -i "$1" -f rawvideo -pix_fmt rgb24 - | md5sum | cut -d' ' -f1; }

# Every bundled preset: the PNG carries the preset, and rendering from it
# gives the same pixels.
count=0
while IFS= read -r preset; do
    (cd "$work" && "$tool" --preset "$preset" --size 20x12 --time 30 --source "$src/data/source.bmp" \
        -o "$work/a.png" --quiet 2>/dev/null)
    (cd "$work" && "$tool" --from "$work/a.png" --source "$src/data/source.bmp" -o "$work/b.png" \
        --quiet 2>/dev/null)
    check "from $preset status" 0 $?
    check "from $preset pixels" "$(pixels "$work/a.png")" "$(pixels "$work/b.png")"
    count=$((count + 1))
done < <(cd "$work" && "$tool" --list | cut -f1)
[ "$count" -ge 24 ]; check "round trips" 0 $?
check "chunk keyword" 1 "$(grep -c -a 'Trevalin preset' "$work/a.png")"

# Hostile chunks: each is refused with a message, status 2, no crash.
python3 - "$work" <<'PY'
import struct, sys, zlib
work = sys.argv[1]
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
def png(text_chunks):
    ihdr = struct.pack(">IIBBBBB", 2, 2, 8, 2, 0, 0, 0)
    idat = zlib.compress(b"\0" + b"\0" * 6 + b"\0" + b"\0" * 6)
    body = b"".join(text_chunks)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + body + chunk(b"IDAT", idat) + chunk(b"IEND", b"")
def itxt(text, compressed=False):
    payload = zlib.compress(text) if compressed else text
    return chunk(b"iTXt", b"Trevalin preset\0" + (b"\1\0" if compressed else b"\0\0") + b"\0\0" + payload)
good = b"size 4x4\ntime 0\nPRESET p\n  red x\nENDPRESET\n"
cases = {
    "none": png([]),
    "truncated": png([itxt(good[:30])]),
    "noheader": png([itxt(b"PRESET p\n  red x\nENDPRESET\n")]),
    "binary": png([itxt(b"size 4x4\ntime 0\n\0\1\2\3PRESET p\nENDPRESET\n")]),
    "huge": png([itxt(b"size 4x4\ntime 0\n" + b"# " + b"x" * 400000 + b"\n", True)]),
    "badsize": png([itxt(b"size 99999x4\ntime 0\nPRESET p\nENDPRESET\n")]),
    "badcrc": png([itxt(good)[:-1] + b"\0"]),
    "cutfile": png([itxt(good)])[:40],
}
for name, data in cases.items():
    open(f"{work}/hostile-{name}.png", "wb").write(data)
open(f"{work}/fine.png", "wb").write(png([itxt(good)]))
PY
for name in none truncated noheader binary huge badsize badcrc cutfile; do
    err=$("$tool" --from "$work/hostile-$name.png" -o "$work/h.bmp" 2>&1)
    check "hostile $name status" 2 $?
    contains "hostile $name message" "hostile-$name.png" "$err"
done
"$tool" --from "$work/fine.png" -o "$work/fine.bmp" --quiet
check "hand-made chunk renders" 0 $?

# Movie formats follow the extension; a codec for another format is refused.
"$tool" --preset "Movies/Julia Orbit" --size 32x24 --codec h264 --movie "$work/m.mp4" --quiet
check "mp4 status" 0 $?
check "mp4 stream" $'codec_name=h264\nr_frame_rate=10/1\nnb_read_frames=40' \
    "$(ffprobe -v error -count_frames -select_streams v:0 -show_entries \
        stream=codec_name,r_frame_rate,nb_read_frames -of default=nw=1 "$work/m.mp4")"
err=$("$tool" --preset "Movies/Julia Orbit" --size 32x24 --movie "$work/x.mp4" 2>&1)
check "mismatch status" 2 $?
contains "mismatch names the codec" "Motion JPEG A" "$err"
contains "mismatch names the format" ".mp4" "$err"
[ ! -e "$work/x.mp4" ]; check "mismatch writes nothing" 0 $?

# Outputs that cannot be written: status 3, the path and the reason.
err=$("$tool" --preset "Movies/Julia Orbit" --size 8x8 --movie /proc/m.mov 2>&1)
check "unwritable movie status" 3 $?
contains "unwritable movie path" "/proc/m.mov" "$err"
err=$("$tool" --preset "Movies/Julia Orbit" --size 8x8 --frames "$work/no/such/dir" 2>&1)
check "missing frames folder status" 3 $?
contains "missing frames folder reason" "No such file or directory" "$err"
[ ! -e "$work/no" ]; check "missing frames folder not created" 0 $?
"$tool" --preset "Movies/Julia Orbit" --size 8x8 --set duration=0.2 --frames "$work/no/such/dir" \
    --mkdir --quiet
check "--mkdir" "frame_00000.bmp frame_00001.bmp" "$(cd "$work/no/such/dir" && echo *)"
err=$("$tool" --preset "Movies/Julia Orbit" --size 8x8 -o /proc/x.png 2>&1)
check "unwritable picture status" 3 $?
contains "unwritable picture path" "/proc/x.png" "$err"

# Ctrl-C: the frames so far make a playable movie, and the status is 130.
"$tool" --preset "Movies/Julia Orbit" --size 64x48 --set duration=1000 --movie "$work/stop.mov" \
    --quiet 2>"$work/stop.err" &
pid=$!
for _ in $(seq 600); do # until a few frames are in the pending file
    [ -n "$(find "$work" -maxdepth 1 -name '*stop.mov?*' -size +20k)" ] && break
    sleep 0.1
done
kill -INT $pid
wait $pid
check "interrupt status" 130 $?
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of csv=p=0 "$work/stop.mov" 2>&1)
[ "${frames:-0}" -ge 1 ] 2>/dev/null && [ "$frames" -lt 10000 ]
check "interrupted movie keeps its frames ($frames)" 0 $?
contains "interrupt message" "stop.mov" "$(cat "$work/stop.err")"

# Preset names: any case; a miss suggests near names.
"$tool" --preset "movies/JULIA orbit" --size 4x4 -o "$work/c.bmp" --quiet
check "any case" 0 $?
err=$("$tool" --preset "Julia Orbt" --size 4x4 -o "$work/c.bmp" 2>&1)
check "miss status" 2 $?
contains "suggestion" 'did you mean "Julia Orbit"' "$err"

# Where presets come from: working directory, then the user's data folder,
# then the bundled file; --presets overrides.
mkdir -p "$XDG_DATA_HOME/Trevalin/Trevalin" "$work/cwd"
printf 'PRESET Mine\n  red 7\nENDPRESET\n' >"$XDG_DATA_HOME/Trevalin/Trevalin/presets.txt"
check "user presets" "Mine" "$(cd "$work/cwd" && "$tool" --list)"
printf 'PRESET Here\n  red 7\nENDPRESET\n' >"$work/cwd/presets.txt"
check "working directory first" "Here" "$(cd "$work/cwd" && "$tool" --list)"
check "--presets overrides" "Mine" \
    "$(cd "$work/cwd" && "$tool" --presets "$XDG_DATA_HOME/Trevalin/Trevalin/presets.txt" --list)"

finish_checks "render files"
