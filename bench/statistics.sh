#!/usr/bin/env bash
# Benchmark: the memory of a series fed one map at a time (TSeriesStatistics). 1,000 global
# maps of 720 x 360 cells, every second one listing its rows south to north, are each built,
# added and deleted; the peak resident memory after the 10th map and after the last must
# differ by less than 3 maps' worth of cells. The results of 12 maps are checked bit for bit
# against the list operations.
#
#   bench/statistics.sh [maps [columns rows]]     (default 1000 720 360; about 40 MB)
#
# Builds bench/ in Release in build-bench/ and prints the figures. Exits 1 if the target is
# missed or a result differs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench

cmake -S "$root/bench" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target bench_statistics >/dev/null
echo "series statistics benchmark: $(nproc) cores, $(uname -m)"
"$build/bench_statistics" "$@"
