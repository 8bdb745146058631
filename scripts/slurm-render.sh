#!/usr/bin/env bash
# Renders one range of a movie's frames as one task of a Slurm job array;
# the tasks together render every frame once, and
# `trevalin-render --assemble DIR --preset NAME --movie OUT` joins them.
#
#   sbatch --array=0-9 scripts/slurm-render.sh FRAMES --preset NAME --size WxH --frames DIR
#
# FRAMES is the movie's frame count (duration x frame rate, as --list shows).
# The frames are spread evenly over the array's tasks, or
# TREVALIN_FRAMES_PER_TASK frames go to each task. The remaining arguments go
# to trevalin-render, followed by --range A..B for this task. DIR must be a
# folder every node can write to.
#
# TREVALIN_RENDER names the program (default: trevalin-render on PATH);
# TREVALIN_DRY_RUN=1 prints the command instead of running it.
#SBATCH --job-name=trevalin
#SBATCH --cpus-per-task=4
set -eu

if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
    echo "usage: slurm-render.sh FRAMES [trevalin-render options...]" >&2
    exit 2
fi
frames=$1
shift
task=${SLURM_ARRAY_TASK_ID:?"not a Slurm array task: SLURM_ARRAY_TASK_ID is not set"}
first_task=${SLURM_ARRAY_TASK_MIN:-0}
tasks=${SLURM_ARRAY_TASK_COUNT:-1}
index=$((task - first_task))
per=${TREVALIN_FRAMES_PER_TASK:-$(((frames + tasks - 1) / tasks))}
if [ "$per" -lt 1 ]; then per=1; fi

first=$((index * per))
last=$((first + per - 1))
if [ "$last" -ge "$frames" ]; then last=$((frames - 1)); fi
if [ "$index" -lt 0 ] || [ "$first" -gt "$last" ]; then
    echo "slurm-render.sh: task $task has no frames of $frames to render" >&2
    exit 0
fi

command=("${TREVALIN_RENDER:-trevalin-render}" "$@" --range "$first..$last")
if [ "${TREVALIN_DRY_RUN:-0}" = 1 ]; then
    printf '%s\n' "${command[*]}"
    exit 0
fi
exec "${command[@]}"
