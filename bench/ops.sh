#!/usr/bin/env bash
# Benchmark of the grid operations: each library operation against a straightforward loop
# over the same maps, CPU time in the same run, on 2160 x 1080 and 4320 x 2160 grids.
#
#   bench/ops.sh [runs]        (default 3 runs of each on the smaller grid, 1 on the larger)
#
# Builds bench/ in Release in build-bench/ and prints a table of the least time of each, the
# ratio, the target where there is one and whether the loop gave the library's cells. The
# ARC/INFO grids read by the loading benchmark are written once under $VELDCONV_BENCH_DIR
# (default /tmp/veldconv-bench) and kept. Exits 1 when a loop's cells differ.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=${VELDCONV_BENCH_DIR:-/tmp/veldconv-bench}
build=$root/build-bench

cmake -S "$root/bench" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target bench_ops >/dev/null
mkdir -p "$data"
echo "grid operations benchmark: $(nproc) cores, $(uname -m), least CPU time of ${1:-3} runs" \
     "(1 on 4320x2160)"
"$build/bench_ops" "$data" "${1:-3}"
