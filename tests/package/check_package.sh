#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and uses it as another project would:
# the installed veldconv and its man page, the CMake package (find_package(veldgrid) with
# examples/library) and the pkg-config file. Checks too that the library guide's copies of
# the example programs are the files and that the documentation's links resolve.
#
#   tests/package/check_package.sh BUILD_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/veldgrid_package.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Installed in one place and used from another: nothing installed may hold the prefix.
cmake --install "$build" --prefix "$work/staging" >/dev/null
mv "$work/staging" "$prefix"

# ---- The installed layout -----------------------------------------------------------------
for file in bin/veldconv include/veldgrid/TMap.h include/veldgrid/TMapTools.h \
    include/veldgrid/TARCGISFileTools.h share/man/man1/veldconv.1; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done
# The headers installed are the API, each usable on its own; the internal ones stay out.
for file in TNumberText.h TTextFile.h TVELDANScanner.h TARCGISFormatter.h; do
    [ ! -e "$prefix/include/veldgrid/$file" ] || fail "the internal $file is installed"
done
for header in "$prefix"/include/veldgrid/*.h; do
    printf '#include <veldgrid/%s>\n' "${header##*/}" |
        c++ -std=c++17 -fsyntax-only -I"$prefix/include" -x c++ - ||
        fail "${header##*/} does not compile on its own from the installed headers"
done
config=$(find "$prefix" -path '*/cmake/veldgrid/veldgridConfig.cmake' | head -n 1)
pc=$(find "$prefix" -path '*/pkgconfig/veldgrid.pc' | head -n 1)
[ -n "$config" ] || fail "the CMake package is not installed"
[ -n "$pc" ] || fail "veldgrid.pc is not installed"
libdir=$(dirname "$(dirname "$pc")")

# ---- The installed command, with no help from the build tree ------------------------------
version=$("$prefix/bin/veldconv" --version)
case $version in "veldconv "[0-9]*) ;; *) fail "unexpected version text: $version" ;; esac
help=$("$prefix/bin/veldconv" --help)
grep -q '^Exit status:$' <<<"$help" || fail "help without exit statuses"
"$prefix/bin/veldconv" "$source_dir/examples/example.txt" "$work/example.asc" >/dev/null
cmp "$work/example.asc" "$source_dir/examples/example.asc" || fail "installed veldconv"

grep -q "${version#veldconv }" "$prefix/share/man/man1/veldconv.1" || fail "man page version"
if command -v groff >/dev/null 2>&1; then
    warnings=$(groff -man -ww -z "$prefix/share/man/man1/veldconv.1" 2>&1)
    [ -z "$warnings" ] || fail "man page: $warnings"
fi

# ---- The documentation: the example programs as they are, links that lead somewhere -------
# The first C++ block after the link to each program is its copy.
guide=$source_dir/doc/library.md
for name in average_grids average_veldan; do
    awk -v link="examples/library/$name.cpp" 'index($0, link) { seen = 1 }
         seen && /^```cpp$/ { copy = 1; next }
         copy && /^```$/ { exit }
         copy' "$guide" |
        cmp -s - "$source_dir/examples/library/$name.cpp" ||
        fail "the copy of examples/library/$name.cpp in doc/library.md differs from the file"
done
"$source_dir/tests/package/check_links.sh" "$source_dir" >/dev/null ||
    fail "a link of README.md or doc/*.md leads nowhere"
program=$source_dir/examples/library/average_grids.cpp

# ---- A consumer project: average three grids ----------------------------------------------
grid() { # grid FILE ROW1 ROW2: a 3 by 2 grid with the edges 0, 1.5 (west, east), 9.5, 10.5
    printf 'ncols 3\nnrows 2\nxllcorner 0\nyllcorner 9.5\ncellsize 0.5\nNODATA_value -9999\n%s\n%s\n' \
        "$2" "$3" >"$1"
}
grid "$work/a.asc" "1 2 3" "4 5 -9999"
grid "$work/b.asc" "3 4 5" "6 7 8"
grid "$work/c.asc" "5 6 7" "8 9 10"
printf 'ncols 3\nnrows 2\nxllcorner        0\nyllcorner      9.5\ncellsize 0.5\nNODATA_value -9999\n3 4 5 \n6 7 -9999 \n' \
    >"$work/expected.asc"

check_average() { # check_average PROGRAM
    "$1" "$work/mean.asc" "$work/a.asc" "$work/b.asc" "$work/c.asc"
    cmp "$work/mean.asc" "$work/expected.asc" || fail "$1 averages wrongly"
    rm "$work/mean.asc"
    if "$1" "$work/mean.asc" "$work/a.asc" 2>/dev/null; then fail "$1 accepts one grid"; fi
}

cmake -S "$source_dir/examples/library" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
    >/dev/null
cmake --build "$work/consumer" -j2 >/dev/null
check_average "$work/consumer/average_grids"

if command -v pkg-config >/dev/null 2>&1; then
    export PKG_CONFIG_PATH=$libdir/pkgconfig
    [ "$(pkg-config --modversion veldgrid)" = "${version#veldconv }" ] || fail "pkg-config version"
    # shellcheck disable=SC2046 # the flags are meant to be split
    c++ -std=c++17 "$program" -o "$work/average_pc" \
        $(pkg-config --cflags --libs veldgrid)
    LD_LIBRARY_PATH=$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH} check_average "$work/average_pc"
else
    echo "pkg-config is not installed: the pkg-config file was not tried"
fi

# ---- The GDAL driver plugin, where it was built ---------------------------------------------
if [ -f "$build/gdal/gdal_VELDAN.so" ]; then
    plugin=$libdir/gdalplugins/gdal_VELDAN.so
    [ -f "$plugin" ] || fail "gdal_VELDAN.so is not installed in lib/gdalplugins/"
    if command -v gdalinfo >/dev/null 2>&1; then
        GDAL_DRIVER_PATH=$(dirname "$plugin") gdalinfo "$source_dir/examples/example.txt" |
            grep -q '^Driver: VELDAN/VELDAN text grid$' || fail "GDAL cannot use $plugin"
    fi
fi

echo "package check passed ($(basename "$(find "$libdir" -maxdepth 1 -name "libveldgrid.*" | sort | head -n 1)"))"
