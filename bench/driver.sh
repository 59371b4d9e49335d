#!/usr/bin/env bash
# Benchmark of the GDAL driver plugin against GDAL's own ARC/INFO grid driver (AAIGrid).
#
#   bench/driver.sh [--huge] [runs]   (default 3 runs per program and grid; one on the
#                                      largest grid)
#
# On the 8640 x 4320 grid (with --huge also the 17280 x 8640 one, about 1.1 GB of text):
# gdalinfo, the 256 x 256 window at the far corner and a full gdal_translate -of GTiff
# through the plugin, and through AAIGrid on the ARC/INFO grid veldconv writes from the same
# grid; then the peak memory on a grid of 2 columns and 2,000,000 rows, and what the plugin
# adds to telling a one-line JSON, a CSV and a binary file of 10 MB apart (bench/driver.py).
# Builds bench/ in Release in build-bench/ (with the plugin: GDAL's development files are
# needed), and writes the grids once (and keeps them) under $VELDCONV_BENCH_DIR (default
# /tmp/veldconv-bench), where bench/run.sh keeps its grids too. Exits 1 if a target is
# missed: gdalinfo within AAIGrid's time plus one read of the file at 1 GB/s and under
# 100 MB; the window within half AAIGrid's time and under 100 MB; gdal_translate at most 0.5
# times AAIGrid's time; the narrow grid under 3 times its file size plus 64 MB; under 1 ms
# added to telling each other file apart.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=${VELDCONV_BENCH_DIR:-/tmp/veldconv-bench}
build=$root/build-bench
sizes=(8640x4320)
if [ "${1:-}" = --huge ]; then
    sizes+=(17280x8640)
    shift
fi
runs=${1:-3}

cmake -S "$root/bench" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 >/dev/null
plugin=$build/veldconv/gdal
[ -f "$plugin/gdal_VELDAN.so" ] || { echo "the GDAL driver plugin was not built" >&2; exit 1; }

# The generator is deterministic: a grid once written is kept for later runs, and so is
# the ARC/INFO grid veldconv writes from it.
mkdir -p "$data"
write_grid() {
    local file=$data/grid-$1x$2.txt
    if [ ! -s "$file" ]; then
        echo "writing $file" >&2
        "$build/bench_generate" "$1" "$2" "$file.part"
        mv "$file.part" "$file"
    fi
}
for size in "${sizes[@]}"; do
    write_grid "${size%x*}" "${size#*x}"
    asc=$data/grid-$size.asc
    if [ ! -s "$asc" ]; then
        echo "writing $asc" >&2
        "$build/veldconv/veldconv" "$data/grid-$size.txt" "$asc" "$data/grid-$size.meta"
    fi
done
write_grid 2 2000000

echo "GDAL driver benchmark: $(nproc) cores, $(uname -m), $(gdalinfo --version)"
/usr/bin/python3 "$root/bench/driver.py" --data "$data" --plugin-dir "$plugin" --runs "$runs" \
    --narrow "$data/grid-2x2000000.txt" "${sizes[@]}"
