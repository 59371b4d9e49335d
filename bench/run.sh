#!/usr/bin/env bash
# Benchmark: veldconv against a plain-iostream baseline converter and a from_chars/to_chars
# reference converter on three global grids (four with --huge).
#
#   bench/run.sh [--huge] [runs]   (default 5 runs per converter and grid; 3x as many for
#                                   the smallest grid, one for the largest)
#
# --huge adds a 17280 x 8640 grid (about 1.1 GB of text, written once; the baseline and the
# reference converter hold it in memory: several GB and a minute or two).
#
# Builds bench/ in Release in build-bench/, writes the grids once (and keeps them) under
# $VELDCONV_BENCH_DIR (default /tmp/veldconv-bench), then prints for every grid the median
# wall time (min-max), input MB/s, peak resident memory and the ratio to the baseline, and
# checks the two outputs byte for byte. Where gdal_translate is installed it is timed on
# the same grid as XYZ text (VELDCONV_BENCH_GDAL=0 skips it), and where the VELDAN driver
# plugin is built, gdal_translate -of GTiff of the VELDAN grid through it. Exits 1 if a
# target is missed: at 4320 x 2160 at most 0.25 times the reference converter's time and 5
# times faster than the baseline, peak memory at most 30 MB on every grid, time growing
# at most 4.4 times with 4 times the cells, and every output byte for byte the same.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=${VELDCONV_BENCH_DIR:-/tmp/veldconv-bench}
build=$root/build-bench
sizes=(720x360 4320x2160 8640x4320)
if [ "${1:-}" = --huge ]; then
    sizes+=(17280x8640)
    shift
fi
runs=${1:-5}
gdal_runs=3
if [ "${VELDCONV_BENCH_GDAL:-1}" = 0 ] || ! command -v gdal_translate >/dev/null; then
    gdal_runs=0
fi

cmake -S "$root/bench" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 >/dev/null

# The generator is deterministic: a grid once written is kept for later runs.
mkdir -p "$data"
for size in "${sizes[@]}"; do
    formats=(txt)
    # gdal_translate is not timed on the largest grid.
    [ "$gdal_runs" = 0 ] || [ "$size" = 17280x8640 ] || formats+=(xyz)
    for format in "${formats[@]}"; do
        file=$data/grid-$size.$format
        if [ ! -s "$file" ]; then
            echo "writing $file" >&2
            mode=$([ "$format" = xyz ] && echo xyz || true)
            "$build/bench_generate" "${size%x*}" "${size#*x}" "$file.part" $mode
            mv "$file.part" "$file"
        fi
    done
done

echo "veldconv benchmark: $(nproc) cores, $(uname -m), median of $runs runs" \
     "(min-max in brackets), grids in $data"
# The VELDAN driver plugin, where GDAL's development files let the build make it.
plugin=()
if [ -f "$build/veldconv/gdal/gdal_VELDAN.so" ] && command -v gdal_translate >/dev/null; then
    plugin=(--plugin-dir "$build/veldconv/gdal" --small-grid "$root/examples/example.txt")
fi
python3 "$root/bench/measure.py" --build "$build" --data "$data" --runs "$runs" \
    --gdal-runs "$gdal_runs" "${plugin[@]}" "${sizes[@]}"
