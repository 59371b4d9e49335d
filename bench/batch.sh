#!/usr/bin/env bash
# Benchmark of batch conversion: `veldconv --output-dir` on a folder of grids, on two
# cores and held to one (taskset), against one veldconv process per grid.
#
#   bench/batch.sh [runs] [grids]     (default 3 runs of 6 grids of 4320 x 2160)
#
# Builds bench/ in Release in build-bench/ and takes the grid from $VELDCONV_BENCH_DIR
# (default /tmp/veldconv-bench; written there once, as bench/run.sh does). The grids of the
# batch are symbolic links to it under names of their own. Needs taskset (util-linux).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench
data=${VELDCONV_BENCH_DIR:-/tmp/veldconv-bench}
runs=${1:-3}
count=${2:-6}
size=4320x2160

cmake -S "$root/bench" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target veldconv bench_generate >/dev/null
mkdir -p "$data"
grid=$data/grid-$size.txt
if [ ! -s "$grid" ]; then
    "$build/bench_generate" "${size%x*}" "${size#*x}" "$grid.part" && mv "$grid.part" "$grid"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out"
sources=()
for i in $(seq "$count"); do
    ln -s "$grid" "$work/in/grid$i.txt"
    sources+=("$work/in/grid$i.txt")
done
veldconv=$build/veldconv/veldconv

one_process_each() {
    for source in "${sources[@]}"; do
        name=$(basename "$source" .txt)
        "$veldconv" "$source" "$work/out/$name.asc" "$work/out/$name.meta"
    done
}
batch_one_core() { taskset -c 0 "$veldconv" --output-dir "$work/out" "${sources[@]}"; }
batch_two_cores() { "$veldconv" --output-dir "$work/out" "${sources[@]}"; }

# The three alternate within each run, so that a busy spell of the machine hits all of them.
declare -A times
for run in $(seq "$runs"); do
    for form in one_process_each batch_one_core batch_two_cores; do
        start=$(date +%s.%N)
        "$form"
        end=$(date +%s.%N)
        times[$form]+="$(echo "$end - $start" | bc) "
    done
done

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "veldconv batch benchmark: $count grids of $size cells, $(nproc) cores, median of $runs runs"
base=$(echo "${times[one_process_each]}" | median)
for form in one_process_each batch_one_core batch_two_cores; do
    t=$(echo "${times[$form]}" | median)
    printf '%-18s %8.2f s  %5.2fx\n' "$form" "$t" "$(echo "$base / $t" | bc -l)"
done
