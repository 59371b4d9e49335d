#!/usr/bin/env python3
"""The VELDAN driver plugin against GDAL's own ARC/INFO grid driver (AAIGrid) on the same
grids, the ARC/INFO grid written by veldconv from the VELDAN one; called by bench/driver.sh.

For each grid size, alternating the two drivers after a warm-up run of each: `gdalinfo`,
`gdal_translate -of GTiff -srcwin` of the 256 x 256 window at the far (south-east) corner,
and a full `gdal_translate -of GTiff`, each with its median wall time and peak resident
memory (GNU time). Then the peak of `gdalinfo` and of `gdal_translate -of GTiff` on a grid
of 2 columns and 2,000,000 rows, and what the plugin adds to telling other files apart:
`gdal.IdentifyDriverEx` (and a raster `gdal.OpenEx`) of a one-line JSON, a CSV and a binary
file of 10 MB, in a process with the plugin and in one without. Exits 1 if a target is
missed.
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from measure import MB, measure, run, summary  # noqa: E402  (GNU time, alternating runs)

WINDOW = 256
IDENTIFY_CALLS, OPEN_CALLS = 200, 20


def translate(*options):
    """gdal_translate to GeoTIFF; the output is removed first (an existing output makes
    gdal_translate open its source once more)."""
    return lambda source, out: ["sh", "-c", 'rm -f "$1" && exec gdal_translate -q -of GTiff '
                                + " ".join(options) + ' "$2" "$1"', "gdal_translate", out, source]


def compare(data, size, runs):
    """The three programs on both drivers: {program: {driver: (median, min, max, peak)}}."""
    columns, rows = (int(n) for n in size.split("x"))
    sources = {"VELDAN": os.path.join(data, f"grid-{size}.txt"),
               "AAIGrid": os.path.join(data, f"grid-{size}.asc")}
    out = os.path.join(data, "driver-out.tif")
    programs = {
        "gdalinfo": lambda source, _: ["gdalinfo", source],
        "256 x 256 window": translate("-srcwin", str(columns - WINDOW), str(rows - WINDOW),
                                      str(WINDOW), str(WINDOW)),
        "gdal_translate -of GTiff": translate(),
    }
    results = {}
    for name, command in programs.items():
        samples = measure({driver: command(source, out) for driver, source in sources.items()},
                          runs)
        results[name] = {driver: summary(s) for driver, s in samples.items()}
        if os.path.exists(out):
            os.remove(out)
    return results


def identify_times(paths):
    """In this process: the least time of telling each file apart and of opening it as a
    raster, in seconds (the least, as the machine's load only adds)."""
    from osgeo import gdal
    gdal.UseExceptions()
    gdal.AllRegister()
    times = {}
    for path in paths:
        samples = {"identify": [], "open": []}
        for kind, calls in (("identify", IDENTIFY_CALLS), ("open", OPEN_CALLS)):
            for _ in range(calls):
                start = time.perf_counter()
                try:
                    if kind == "identify":
                        gdal.IdentifyDriverEx(path)
                    else:
                        gdal.OpenEx(path, gdal.OF_RASTER)
                except RuntimeError:
                    pass
                samples[kind].append(time.perf_counter() - start)
        times[os.path.basename(path)] = {k: min(v) for k, v in samples.items()}
    return times


def other_files(directory):
    """A one-line JSON, a CSV and a binary file of about 10 MB."""
    files = {
        "one-line.json": '{"values": [%s]}' % ", ".join(str(i) for i in range(1200000)),
        "table.csv": "x,y,value\n" + "".join("%d.5,%d.25,%d\n" % (i % 3600, i // 3600, i)
                                              for i in range(500000)),
        "binary.bin": bytes((i * 7919 + 13) % 251 for i in range(10 * MB)),
    }
    paths = []
    for name, content in files.items():
        path = os.path.join(directory, name)
        with open(path, "wb") as out:
            out.write(content.encode() if isinstance(content, str) else content)
        paths.append(path)
    return paths


def identify_cost(plugin_dir):
    """{file: {"identify"/"open": (seconds without the plugin, seconds with it)}}."""
    with tempfile.TemporaryDirectory(prefix="veldan-identify-") as directory:
        paths = other_files(directory)
        empty = os.path.join(directory, "no-plugins")
        os.mkdir(empty)
        measured = []
        for plugins in (empty, plugin_dir):
            child = subprocess.run(
                ["/usr/bin/python3", os.path.abspath(__file__), "--identify", *paths],
                capture_output=True, text=True, check=True,
                env=dict(os.environ, GDAL_DRIVER_PATH=plugins))
            measured.append(json.loads(child.stdout))
    return {name: {kind: (measured[0][name][kind], measured[1][name][kind])
                   for kind in ("identify", "open")} for name in measured[0]}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--data")
    parser.add_argument("--plugin-dir")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--narrow", help="the VELDAN grid of 2 columns and 2,000,000 rows")
    parser.add_argument("--identify", nargs="+", help=argparse.SUPPRESS)  # the child process
    parser.add_argument("sizes", nargs="*")
    args = parser.parse_args()
    if args.identify:
        print(json.dumps(identify_times(args.identify)))
        return 0
    os.environ["GDAL_DRIVER_PATH"] = args.plugin_dir
    ok = True

    def verdict(met, text):
        nonlocal ok
        ok = ok and met
        print(f"    {text} -> {'ok' if met else 'MISSED'}")

    for size in args.sizes:
        source = os.path.join(args.data, f"grid-{size}.txt")
        file_mb = os.path.getsize(source) / MB
        # The largest grid takes long enough for one run after the warm-up.
        runs = 1 if size == "17280x8640" else args.runs
        print(f"{size}: {file_mb:.0f} MB of VELDAN text, median of {runs} run(s)", flush=True)
        results = compare(args.data, size, runs)
        for name, by_driver in results.items():
            line = ", ".join(f"{driver} {m:.3f} s ({lo:.3f}-{hi:.3f}) {rss / MB:.0f} MB"
                             for driver, (m, lo, hi, rss) in by_driver.items())
            print(f"  {name}: {line}", flush=True)
        ours, theirs = (results["gdalinfo"][d] for d in ("VELDAN", "AAIGrid"))
        budget = theirs[0] + file_mb / 1000  # one read of the file at 1 GB/s
        verdict(ours[0] <= budget and ours[3] < 100 * MB,
                f"gdalinfo {ours[0]:.3f} s, budget {budget:.3f} s; {ours[3] / MB:.0f} MB, "
                "budget 100 MB")
        ours, theirs = (results["256 x 256 window"][d] for d in ("VELDAN", "AAIGrid"))
        verdict(ours[0] <= 0.5 * theirs[0] and ours[3] < 100 * MB,
                f"window {ours[0] / theirs[0]:.2f} x AAIGrid's time, target 0.5; "
                f"{ours[3] / MB:.0f} MB, budget 100 MB")
        ours, theirs = (results["gdal_translate -of GTiff"][d] for d in ("VELDAN", "AAIGrid"))
        verdict(ours[0] <= 0.5 * theirs[0],
                f"gdal_translate {ours[0] / theirs[0]:.2f} x AAIGrid's time, target 0.5")

    if args.narrow:
        file_size = os.path.getsize(args.narrow)
        budget = 3 * file_size + 64 * MB
        print(f"2 x 2,000,000: {file_size / MB:.0f} MB of VELDAN text", flush=True)
        for name, command in (("gdalinfo", ["gdalinfo", args.narrow]),
                              ("gdal_translate -of GTiff",
                               translate()(args.narrow, args.narrow + ".tif"))):
            wall, peak = run(command)
            verdict(peak <= budget, f"{name} {wall:.3f} s, peak {peak / MB:.0f} MB, "
                    f"budget 3 x file + 64 MB = {budget / MB:.0f} MB")
        os.remove(args.narrow + ".tif")

    # GDAL asks the driver twice when it opens a file (Identify, then Open, which tells the
    # file apart again), so what the plugin adds to an open is twice its Identify. The open
    # itself is shown too, though other drivers' work swamps a millisecond (the CSV opens
    # as an XYZ raster, which reads the whole file).
    print("Telling other files of 10 MB apart, least time per call, without and with the "
          "plugin:")
    for name, kinds in identify_cost(args.plugin_dir).items():
        (identify, identified), (opening, opened) = kinds["identify"], kinds["open"]
        added = 2 * (identified - identify) * 1000
        verdict(added < 1.0, f"{name}: IdentifyDriverEx {identify * 1000:.3f} ms, "
                f"{identified * 1000:.3f} ms; OpenEx {opening * 1000:.3f} ms, "
                f"{opened * 1000:.3f} ms; added to an open {added:.3f} ms, target under 1 ms")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
