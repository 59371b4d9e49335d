#!/usr/bin/env python3
"""Times veldconv against the plain-iostream baseline converter, the from_chars/to_chars
reference converter (and gdal_translate on XYZ text where it is installed) on the benchmark
grids; called by bench/run.sh. With
--plugin-dir, also `gdal_translate -of GTiff` of the VELDAN grid through the VELDAN driver
plugin, alternating with veldconv, and the memory the driver takes.

For each grid size it runs the converters alternately, takes the median wall time of each,
the peak resident memory of each run (from GNU time), and checks that veldconv's grid and
metadata files are byte for byte those of the baseline and the reference in the same run.
"""

import argparse
import filecmp
import os
import shutil
import statistics
import subprocess
import sys
import time

MB = 1_000_000


# Peak memory comes from GNU time: a process started from Python directly would be charged
# with Python's own resident memory, which it shares until its exec.
TIME = "/usr/bin/time"


def run(command):
    """Runs the command; returns (wall seconds, peak resident bytes). Fails loudly."""
    start = time.perf_counter()
    process = subprocess.run([TIME, "-f", "%M", *command], stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    errors = process.stderr.decode(errors="replace")
    if process.returncode != 0:
        sys.exit(f"{' '.join(command)} failed ({process.returncode}): {errors}")
    return wall, int(errors.strip().splitlines()[-1]) * 1024  # %M is in KiB


def measure(tools, runs, warm_up=True):
    """Runs every tool `runs` times, alternating, after one warm-up run each."""
    samples = {name: [] for name in tools}
    for name, command in tools.items():
        if warm_up:
            run(command)
    for _ in range(runs):
        for name, command in tools.items():
            samples[name].append(run(command))
    return samples


def plugin_tools(plugin_dir, gdal, source, data, size):
    """gdal_translate to GeoTIFF through the plugin. An existing output makes gdal_translate
    open its source once more (to tell the two apart), so the output is removed first."""
    os.environ["GDAL_DRIVER_PATH"] = plugin_dir
    tif = os.path.join(data, f"plugin-{size}.tif")
    return {"plugin": ["sh", "-c", 'rm -f "$1" && exec "$0" -q -of GTiff "$2" "$1"', gdal, tif,
                       source]}


def driver_memory(gdalinfo, source, small):
    """Peak memory of reading every cell through the driver (gdalinfo -checksum), less that
    of GDAL reading a 3 x 2 grid the same way: what the driver adds to a GDAL program."""
    return (run([gdalinfo, "-checksum", source])[1] - run([gdalinfo, "-checksum", small])[1])


def summary(samples):
    times = [t for t, _ in samples]
    return statistics.median(times), min(times), max(times), max(r for _, r in samples)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--gdal-runs", type=int, default=3)
    parser.add_argument("--plugin-dir", help="directory of gdal_VELDAN.so")
    parser.add_argument("--small-grid", help="a small VELDAN grid (for the plugin's memory)")
    parser.add_argument("sizes", nargs="+")
    args = parser.parse_args()
    if not os.access(TIME, os.X_OK):
        sys.exit(f"{TIME} (GNU time) is needed for the peak memory: apt-get install time")

    veldconv = os.path.join(args.build, "veldconv", "veldconv")
    baseline = os.path.join(args.build, "bench_baseline")
    reference = os.path.join(args.build, "bench_reference")
    gdal = shutil.which("gdal_translate") if args.gdal_runs > 0 else None
    print(f"{'grid':>10} {'cells':>11} {'input':>9} {'veldconv':>20} {'MB/s':>6} "
          f"{'peak RSS':>16} {'baseline':>20} {'RSS':>7} {'speed-up':>8} "
          f"{'reference':>20} {'RSS':>7} {'ratio':>6} {'same':>5}"
          + (f" {'gdal_translate':>15} {'ratio':>6}" if gdal else ""))
    results, plugin_results = {}, {}
    for size in args.sizes:
        columns, rows = (int(n) for n in size.split("x"))
        cells = columns * rows
        source = os.path.join(args.data, f"grid-{size}.txt")
        out = {name: (os.path.join(args.data, f"{name}-{size}.asc"),
                      os.path.join(args.data, f"{name}-{size}.meta"))
               for name in ("veldconv", "baseline", "reference")}
        tools = {name: [command, source, *out[name]]
                 for name, command in (("veldconv", veldconv), ("baseline", baseline),
                                       ("reference", reference))}
        # The plugin is not timed on the largest grid.
        plugin = args.plugin_dir and cells < 100_000_000
        if plugin:
            tools.update(plugin_tools(args.plugin_dir, shutil.which("gdal_translate"), source,
                                      args.data, size))
        # Small grids convert in milliseconds: more runs steady the median; the largest take
        # long enough for one (after the warm-up run, which brings the grid into the cache).
        runs = args.runs * 3 if cells < 1_000_000 else args.runs if cells < 100_000_000 else 1
        samples = measure(tools, runs)
        same = all(filecmp.cmp(a, b, shallow=False) and filecmp.cmp(a, c, shallow=False)
                   for a, b, c in zip(out["veldconv"], out["baseline"], out["reference"]))
        for name in out:
            for path in out[name]:
                os.remove(path)
        fast, fast_min, fast_max, fast_rss = summary(samples["veldconv"])
        slow, slow_min, slow_max, slow_rss = summary(samples["baseline"])
        ref, ref_min, ref_max, ref_rss = summary(samples["reference"])
        size_mb = os.path.getsize(source) / MB
        line = (f"{size:>10} {cells:>11,} {size_mb:>6.1f} MB "
                f"{fast:>6.3f} s ({fast_min:.3f}-{fast_max:.3f}) {size_mb / fast:>6.0f} "
                f"{fast_rss / MB:>6.1f} MB {fast_rss / cells:>4.1f} B/c "
                f"{slow:>6.3f} s ({slow_min:.3f}-{slow_max:.3f}) {slow_rss / MB:>4.0f} MB "
                f"{slow / fast:>7.2f}x "
                f"{ref:>6.3f} s ({ref_min:.3f}-{ref_max:.3f}) {ref_rss / MB:>4.0f} MB "
                f"{fast / ref:>5.2f}x {'yes' if same else 'NO':>5}")
        xyz = os.path.join(args.data, f"grid-{size}.xyz")
        if gdal and os.path.exists(xyz):
            result = os.path.join(args.data, f"gdal-{size}.asc")
            gdal_samples = measure({"gdal": [gdal, "-q", "-of", "AAIGrid", xyz, result]},
                                   args.gdal_runs, warm_up=False)["gdal"]
            for name in os.listdir(args.data):
                if name.startswith(f"gdal-{size}."):
                    os.remove(os.path.join(args.data, name))
            slowest = summary(gdal_samples)[0]
            line += f" {slowest:>13.3f} s {slowest / fast:>5.1f}x"
        print(line, flush=True)
        results[size] = (fast, fast_rss, cells, slow, same, ref)
        if plugin:
            translate, _, _, translate_rss = summary(samples["plugin"])
            os.remove(os.path.join(args.data, f"plugin-{size}.tif"))
            driver = driver_memory(shutil.which("gdalinfo"), source, args.small_grid)
            plugin_results[size] = (translate / fast, driver, cells)
            print(f"{'':>10} gdal_translate -of GTiff through the plugin: {translate:.3f} s "
                  f"({translate / fast:.2f}x veldconv), peak RSS {translate_rss / MB:.1f} MB; "
                  f"the driver's memory {driver / MB:.1f} MB ({driver / cells:.1f} B/c)",
                  flush=True)

    print()
    ok = True
    # veldconv streams the rows of named files: its memory does not grow with the grid.
    for size, (fast, rss, cells, slow, same, ref) in results.items():
        fits = rss <= 30 * MB
        ok = ok and fits and same
        print(f"{size}: peak RSS {rss / MB:.1f} MB, budget 30 MB whatever the size"
              f" -> {'ok' if fits else 'OVER'}; output {'identical' if same else 'DIFFERENT'}")
    if "4320x2160" in results:
        fast, _, _, slow, _, ref = results["4320x2160"]
        ok = ok and slow / fast >= 5 and fast / ref <= 0.25
        print(f"4320x2160: {slow / fast:.2f} times faster than the baseline (target 5)"
              f" -> {'ok' if slow / fast >= 5 else 'MISSED'}")
        print(f"4320x2160: {fast / ref:.2f} times the reference converter's time (target at most"
              f" 0.25) -> {'ok' if fast / ref <= 0.25 else 'MISSED'}")
    # Linear in the cells: each grid has 4 times the cells of the one before.
    for small, large in (("4320x2160", "8640x4320"), ("8640x4320", "17280x8640")):
        if small in results and large in results:
            growth = results[large][0] / results[small][0]
            ok = ok and growth <= 4.4
            print(f"{large} / {small} time: {growth:.2f} (4 times the cells, target at most"
                  f" 4.4) -> {'ok' if growth <= 4.4 else 'MISSED'}")
    for size, (ratio, driver, cells) in plugin_results.items():
        budget = 9 * cells + 30 * MB
        fits = driver <= budget and (size != "4320x2160" or ratio <= 1.5)
        ok = ok and fits
        print(f"{size}: gdal_translate through the plugin {ratio:.2f}x veldconv's time"
              f"{' (target 1.5)' if size == '4320x2160' else ''}, the driver's memory"
              f" {driver / MB:.1f} MB, budget 9 B/cell + 30 MB = {budget / MB:.1f} MB"
              f" -> {'ok' if fits else 'MISSED'}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
