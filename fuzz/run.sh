#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one of them, or all in turn, for the given
# number of seconds each.
#
#   fuzz/run.sh TARGET|all SECONDS
#
# Targets: load_veldan_file, load_arcgis_file, string_tools, arcgis_round_trip,
# veldan_round_trip. The committed seeds under fuzz/corpus/ are only read; what the fuzzer
# learns goes to $BUILD/corpus/TARGET and a crashing input to $BUILD/artifacts/ (BUILD is
# $VELDGRID_FUZZ_BUILD, by default build-fuzz). The exit status is not 0 when a target found
# a crash, a leak or a timeout.
set -euo pipefail
cd "$(dirname "$0")/.."

Targets=(load_veldan_file load_arcgis_file string_tools arcgis_round_trip veldan_round_trip)
if [ $# -ne 2 ] || ! [[ $2 =~ ^[0-9]+$ ]]; then
    echo "Usage: fuzz/run.sh TARGET|all SECONDS (targets: ${Targets[*]})" >&2
    exit 2
fi
Which=$1
Seconds=$2
Build=${VELDGRID_FUZZ_BUILD:-build-fuzz}

# Seed corpus of each target, under fuzz/corpus/; fuzz/KIND.dict is its dictionary.
Seeds() {
    case $1 in
    load_veldan_file | veldan_round_trip) echo veldan ;;
    load_arcgis_file | arcgis_round_trip) echo arcgis ;;
    string_tools) echo strings ;;
    *) return 1 ;;
    esac
}

if [ "$Which" = all ]; then
    Selected=("${Targets[@]}")
elif Seeds "$Which" >/dev/null; then
    Selected=("$Which")
else
    echo "Unknown fuzz target $Which (targets: ${Targets[*]})" >&2
    exit 2
fi

cmake -S . -B "$Build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DVELDGRID_SANITIZE=ON -DVELDGRID_FUZZ=ON -DVELDGRID_BUILD_TESTS=OFF >/dev/null
cmake --build "$Build" -j2 --target "${Selected[@]}"

for Target in "${Selected[@]}"; do
    Kind=$(Seeds "$Target")
    Work="$Build/corpus/$Target"
    mkdir -p "$Work" "$Build/artifacts"
    Dict=()
    [ ! -f "fuzz/$Kind.dict" ] || Dict=(-dict="fuzz/$Kind.dict")
    echo "== $Target: $Seconds s"
    "$Build/fuzz/$Target" "$Work" "fuzz/corpus/$Kind" "${Dict[@]}" \
        -max_total_time="$Seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
        -artifact_prefix="$Build/artifacts/$Target-" -print_final_stats=1
done
