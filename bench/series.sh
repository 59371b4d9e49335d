#!/usr/bin/env bash
# Benchmark: the operations over map series (Average, Sum, DataCounts) on 12 maps of
# 4320 x 2160 cells, every second one listing its rows south to north (paired by place),
# against the same series all north-up (paired by row and column number).
#
#   bench/series.sh [runs]     (default 3; needs about 1.5 GB of memory)
#
# Builds bench/ in Release in build-bench/ and prints the median times and their ratio.
# Exits 1 if a ratio exceeds 1.2.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench

cmake -S "$root/bench" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target bench_series >/dev/null
echo "map series benchmark: $(nproc) cores, $(uname -m)"
"$build/bench_series" "${1:-3}"
