#!/usr/bin/env bash
# Benchmark of veldgrid over a series of global grids: `veldgrid mean` over 120 grids of
# 720 x 360 against `veldconv --output-dir` converting the same files, `veldgrid trend`
# against `veldgrid mean`, and both again over 1,000 grids.
#
#   bench/veldgrid.sh [runs]     (default 3; the median CPU time of each is shown)
#
# Builds bench/ in Release in build-bench/ and takes the grid from $VELDCONV_BENCH_DIR
# (default /tmp/veldconv-bench; written there once, as bench/run.sh does). The files of a
# series are symbolic links to it under names of their own. CPU time is user plus system
# time and peak memory the maximum resident set size, both from GNU time (/usr/bin/time).
# Exits 1 if a target is missed: mean at most 0.5 x the CPU time of veldconv, trend at most
# 1.3 x that of mean over 120 files, and the peak memory of mean and trend at most 3 maps' worth plus
# 20 MB (25.9 MB for 720 x 360; MB here are 2^20 bytes, as GNU time counts), over 120 and
# over 1,000 files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench
data=${VELDCONV_BENCH_DIR:-/tmp/veldconv-bench}
runs=${1:-3}
columns=720
rows=360

cmake -S "$root/bench" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target veldconv veldgrid_command bench_generate >/dev/null
mkdir -p "$data"
grid=$data/grid-${columns}x$rows.txt
if [ ! -s "$grid" ]; then
    "$build/bench_generate" "$columns" "$rows" "$grid.part" && mv "$grid.part" "$grid"
fi
veldconv=$build/veldconv/veldconv
veldgrid=$build/veldconv/veldgrid

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
series() { # series COUNT: the file names of a series of COUNT links to the grid
    mkdir -p "$work/in$1"
    for i in $(seq -w 1 "$1"); do
        [ -e "$work/in$1/grid$i.txt" ] || ln -s "$grid" "$work/in$1/grid$i.txt"
        echo "$work/in$1/grid$i.txt"
    done
}

# measure NAME COMMAND...: runs it $runs times; records the median CPU seconds and the
# largest peak memory (MB).
declare -A cpu peak
measure() {
    local name=$1 samples=() rss=0
    shift
    for _ in $(seq "$runs"); do
        rm -rf "$work/out" && mkdir -p "$work/out"
        read -r user system kb < <(/usr/bin/time -f "%U %S %M" "$@" 2>&1 >/dev/null | tail -n 1)
        samples+=("$(echo "$user + $system" | bc)")
        [ "$kb" -gt "$rss" ] && rss=$kb
    done
    cpu[$name]=$(printf '%s\n' "${samples[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
    peak[$name]=$(echo "scale=1; $rss / 1024" | bc)
}

status=0
limit=$(echo "scale=1; 3 * $columns * $rows * 8 / 1048576 + 20" | bc)
echo "veldgrid benchmark: $columns x $rows grids, $(nproc) cores, median CPU time of $runs runs"
printf '%-28s %9s %9s\n' "" "CPU s" "peak MB"
for count in 120 1000; do
    mapfile -t files < <(series "$count")
    measure "veldconv $count" "$veldconv" --output-dir "$work/out" "${files[@]}"
    measure "mean $count" "$veldgrid" mean -o "$work/out/mean.asc" "${files[@]}"
    measure "trend $count" "$veldgrid" trend -o "$work/out/trend.asc" "${files[@]}"
    for name in "veldconv $count" "mean $count" "trend $count"; do
        printf '%-28s %9.2f %9.1f\n' "$name" "${cpu[$name]}" "${peak[$name]}"
    done
    check() { # check TEXT VALUE LIMIT
        local verdict=ok
        if [ "$(echo "$2 > $3" | bc)" = 1 ]; then verdict=MISSED; status=1; fi
        printf '  %-44s %8.3f (target <= %s) %s\n' "$1" "$2" "$3" "$verdict"
    }
    check "mean / veldconv CPU, $count files" \
        "$(echo "scale=3; ${cpu[mean $count]} / ${cpu[veldconv $count]}" | bc)" 0.5
    ratio=$(echo "scale=3; ${cpu[trend $count]} / ${cpu[mean $count]}" | bc)
    if [ "$count" = 120 ]; then
        check "trend / mean CPU, $count files" "$ratio" 1.3
    else
        printf '  %-44s %8.3f\n' "trend / mean CPU, $count files" "$ratio"
    fi
    check "mean peak MB, $count files" "${peak[mean $count]}" "$limit"
    check "trend peak MB, $count files" "${peak[trend $count]}" "$limit"
done
exit $status
