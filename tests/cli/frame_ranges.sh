#!/usr/bin/env bash
# A movie spread over processes: frame ranges rendered by GNU parallel and by
# the Slurm array script equal the frames of one process byte for byte, and
# --assemble joins them into a movie that ffprobe reads back whole.
set -u
source "$(dirname "$0")/test_setup.bash" "$@"
src=$(cd "$src" && pwd)
tool="$build/cli/trevalin-render"
slurm="$src/scripts/slurm-render.sh"
same_frames() { # name dir: every frame of the one-process render, the same bytes
    local n=0 f
    for f in "$work/one"/frame_*; do
        cmp -s "$f" "$2/$(basename "$f")" || check "$1: $(basename "$f")" same differs
        n=$((n + 1))
    done
    check "$1: frame files" "$n" "$(find "$2" -name 'frame_*' | wc -l)"
}
probe() { # file: codec, frames read, frame rate
    ffprobe -v error -count_frames -select_streams v:0 -show_entries \
        stream=codec_name,nb_read_frames,r_frame_rate -of csv=p=0 "$1" 2>&1
}

# Twelve frames that carry state from frame to frame: "?", gradient noise
# (whose first use reseeds the generator) and fractals, oversampled.
cat >"$work/p.txt" <<'PRESETS'
PRESET Farm
  red mandel()*8 + ?*30
  grn gnoise3d(x*3, y*3, t)*200 + 100
  blu julia()*6 + fbm(x, y, t, 1, 2, 3)*50
  left -2
  top -1.25
  width 2.5
  height 2.5
  zoom 0.9
  min 0
  max 255
  recurse 64
  p0 -0.8 + t*0.1
  q0 0.156
  colormode 1
  oversample 1
  framerate 12
  duration 1
  depth 2
  codec 6
ENDPRESET
PRESETS
check "--list marks the movie" "Farm	(movie: 12 frames, 40 x 30, 12 fps, H.264)" \
    "$("$tool" --presets "$work/p.txt" --size 40x30 --list)"
render=("$tool" --presets "$work/p.txt" --preset Farm --size 40x30 --quiet)
mkdir "$work/one" "$work/par" "$work/slurm"
"${render[@]}" --frames "$work/one"
check "one process" 12 "$(find "$work/one" -name 'frame_*.bmp' | wc -l)"

# The GNU parallel recipe: three processes, one range each.
parallel --will-cite -j3 "${render[@]}" --frames "$work/par" --range {} ::: 0..3 4..7 8..11
check "parallel status" 0 $?
same_frames "GNU parallel" "$work/par"

# The Slurm array script, three tasks, run here as Slurm would run them.
for task in 0 1 2; do
    SLURM_ARRAY_TASK_ID=$task SLURM_ARRAY_TASK_COUNT=3 TREVALIN_RENDER="$tool" \
        "$slurm" 12 --presets "$work/p.txt" --preset Farm --size 40x30 --quiet \
        --frames "$work/slurm"
    check "slurm task $task status" 0 $?
done
same_frames "Slurm array" "$work/slurm"

# PNG frames carry the movie's preset: one frame rendered again from its own
# file alone, by its place in the movie, has the same pixels.
pixels() { ffmpeg -nostdin -v error -i "$1" -f rawvideo -pix_fmt rgb24 - | md5sum | cut -d' ' -f1; }
mkdir "$work/png" "$work/again"
"${render[@]}" --codec png --frames "$work/png"
"$tool" --from "$work/png/frame_00007.png" --frames "$work/again" --range 7..7 --quiet
check "frame from its PNG status" 0 $?
check "frame from its PNG" "$(pixels "$work/png/frame_00007.png")" \
    "$(pixels "$work/again/frame_00007.png")"
check "frame from its PNG, differs from its neighbour" different \
    "$([ "$(pixels "$work/png/frame_00006.png")" != "$(pixels "$work/again/frame_00007.png")" ] &&
        echo different)"

# Joined into movies of each kind, read back whole.
"$tool" --assemble "$work/par" --presets "$work/p.txt" --preset Farm --movie "$work/farm.mp4" --quiet
check "assemble status" 0 $?
check "assembled mp4" "h264,12/1,12" "$(probe "$work/farm.mp4")"
"$tool" --assemble "$work/par" --presets "$work/p.txt" --preset Farm --codec animation \
    --movie "$work/farm.mov" --quiet
check "assembled mov" "qtrle,12/1,12" "$(probe "$work/farm.mov")"
# GIF delays count hundredths of a second, so 12 frames at 10 fps here.
"$tool" --assemble "$work/par" --presets "$work/p.txt" --preset Farm --codec gif \
    --set framerate=10 --set duration=1.2 --movie "$work/farm.gif" --quiet
check "assembled gif" "gif,10/1,12" "$(probe "$work/farm.gif")"
# Lossless frames come back as they went in.
"$tool" --assemble "$work/par" --presets "$work/p.txt" --preset Farm --codec raw \
    --movie "$work/raw.mov" --quiet
"$tool" --presets "$work/p.txt" --preset Farm --size 40x30 --codec raw --movie "$work/whole.mov" \
    --quiet
cmp -s "$work/raw.mov" "$work/whole.mov"
check "assembled raw movie equals the one-process movie" 0 $?

# PNG frames assemble too.
mkdir "$work/png"
"${render[@]}" --codec png --frames "$work/png" --range 0..11
"$tool" --assemble "$work/png" --presets "$work/p.txt" --preset Farm --codec raw \
    --movie "$work/png.mov" --quiet
cmp -s "$work/png.mov" "$work/whole.mov"
check "PNG frames assemble to the same movie" 0 $?

# Ranges outside the movie, and options that do not fit, are refused.
while IFS='|' read -r name args expected; do
    # shellcheck disable=SC2086 # the cases are words
    err=$("${render[@]}" $args 2>&1)
    check "$name status" 2 $?
    contains "$name message" "$expected" "$err"
done <<EOF
past the end|--frames $work/par --range 10..12|the movie has 12 frames, 0..11
start after end|--frames $work/par --range 5..4|--range takes A..B
not a range|--frames $work/par --range 5|--range takes A..B
negative|--frames $work/par --range -1..3|--range takes A..B
no frames folder|--movie $work/m.mp4 --range 0..3|--range writes numbered frames
movie name against codec|--frames $work/par --range 0..1 --movie $work/m.webm|H.264
assemble without movie|--assemble $work/par|--assemble needs --movie
EOF
# The range's own movie name is checked, not written.
"${render[@]}" --frames "$work/par" --range 0..0 --movie "$work/never.mp4"
check "range with --movie status" 0 $?
[ ! -e "$work/never.mp4" ]; check "range does not write the movie" 0 $?

# Assembly needs every frame; a missing one is named before anything is written.
rm "$work/par/frame_00007.bmp"
err=$("$tool" --assemble "$work/par" --presets "$work/p.txt" --preset Farm --movie "$work/gap.mp4" 2>&1)
check "missing frame status" 2 $?
contains "missing frame named" "frame_00007.png: No such file or directory" "$err"
[ ! -e "$work/gap.mp4" ]; check "missing frame writes nothing" 0 $?
err=$("$tool" --assemble "$work/nowhere" --presets "$work/p.txt" --preset Farm \
    --movie "$work/gap.mp4" 2>&1)
check "missing folder status" 2 $?
contains "missing folder named" "$work/nowhere: No such file or directory" "$err"
printf 'BM not a picture' >"$work/par/frame_00007.bmp"
err=$("$tool" --assemble "$work/par" --presets "$work/p.txt" --preset Farm --movie "$work/bad.mp4" 2>&1)
check "damaged frame status" 2 $?
contains "damaged frame named" "frame_00007.bmp: not a readable BMP file" "$err"
cp "$work/one/frame_00007.bmp" "$work/par/"
err=$("$tool" --assemble "$work/par" --presets "$work/p.txt" --preset Farm --movie /proc/f.mp4 2>&1)
check "unwritable movie status" 3 $?
contains "unwritable movie named" "/proc/f.mp4" "$err"

# The array script's arithmetic: for many frame and task counts the tasks
# cover every frame exactly once, in order.
for frames in 1 2 7 12 100; do
    for tasks in 1 2 3 5 7 16; do
        covered=""
        for ((task = 10; task < 10 + tasks; task++)); do
            line=$(SLURM_ARRAY_TASK_ID=$task SLURM_ARRAY_TASK_MIN=10 SLURM_ARRAY_TASK_COUNT=$tasks \
                TREVALIN_DRY_RUN=1 "$slurm" "$frames" --preset X 2>/dev/null)
            case "$line" in
            "") ;;
            *"--range "*)
                range=${line##*--range }
                for ((f = ${range%..*}; f <= ${range#*..}; f++)); do covered="$covered $f"; done
                ;;
            *) check "slurm line" "... --range A..B" "$line" ;;
            esac
        done
        check "slurm covers $frames frames with $tasks tasks" "$(seq -s ' ' 0 $((frames - 1)))" \
            "${covered# }"
    done
done
line=$(SLURM_ARRAY_TASK_ID=4 TREVALIN_FRAMES_PER_TASK=5 TREVALIN_DRY_RUN=1 "$slurm" 22 --quiet)
check "slurm fixed frames per task" "trevalin-render --quiet --range 20..21" "$line"
err=$(env -u SLURM_ARRAY_TASK_ID "$slurm" 12 2>&1)
check "slurm outside an array status" 1 $?
contains "slurm outside an array" "SLURM_ARRAY_TASK_ID" "$err"

# Ctrl-C in a range keeps the frames done so far and exits 130.
mkdir "$work/stop"
"$tool" --presets "$work/p.txt" --preset Farm --size 64x48 --set duration=1000 --frames "$work/stop" \
    --range 100..11000 --quiet 2>"$work/stop.err" &
pid=$!
for _ in $(seq 600); do
    [ -e "$work/stop/frame_00102.bmp" ] && break
    sleep 0.1
done
kill -INT $pid
wait $pid
check "interrupted range status" 130 $?
[ -e "$work/stop/frame_00100.bmp" ] && [ ! -e "$work/stop/frame_00099.bmp" ]
check "interrupted range keeps its frames from its first" 0 $?

finish_checks "frame ranges"
