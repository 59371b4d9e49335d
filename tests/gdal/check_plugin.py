#!/usr/bin/env python3
"""The VELDAN driver plugin (gdal_VELDAN.so) as GDAL programs use it: gdalinfo -json;
gdal_translate -of GTiff bit for bit against veldconv's grid read by GDAL as Float64;
/vsigzip/, /vsizip/; rasterio; other kinds of files not taken for grids; malformed grids
giving the library's message without a crash (also under --valgrind).
Exits with --skip-status where GDAL is missing, with 1 under --require-gdal."""

import argparse
import glob
import gzip
import importlib.util
import json
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_gdal as base  # noqa: E402  (generated grids, conversion, checks)
from check_gdal import check  # noqa: E402

LOAD = " in TVELDANFileTools::LoadVELDANFile"
AXIS = "h\nlon 0.25 0.75 1.25 lat degN/degE\n"
MALFORMED = [  # (name, grid that looks right at first, the library's message)
    ("no closing line", AXIS + "r 1 2 3 5\n", "Unexpected end of file found" + LOAD),
    ("equal X coordinates", "lon 1 1 lat degN/degE\nr 1 2 5\nend degN/degE\n",
     "Resolution cannot be 0" + LOAD),
    ("short second row", AXIS + "r 1 2 3 5\nr 1 2 4\nend degN/degE\n",
     "Number of values in data line does not match the first data line" + LOAD),
    ("first row against the axis line", AXIS + "r 1 2 5\nend degN/degE\n",
     "Length of new X axis does not match the X dimension of the map"),
    ("empty data line", AXIS + "r 1 2 3 5\n\nend degN/degE\n", "Empty data line found" + LOAD),
]
OTHERS = [  # files of other kinds (and an ARC/INFO grid, added below)
    ("CSV", "x,y,value\n" + "".join("%d.5,10.25,%d\n" % (i, i) for i in range(400))),
    ("XYZ", "".join("%d.5 10.25 %d\n" % (i, i) for i in range(400))),
    ("text", "A grid has an axis line holding degN/degE,\nthen its rows.\n"),
    ("binary", bytes(range(256)) * 8),
]


def run(*command):
    return subprocess.run(list(command), capture_output=True, text=True)


def write(path, content):
    with open(path, "wb") as out:
        out.write(content.encode() if isinstance(content, str) else content)
    return path


def cells(gdal, dataset):
    """Band 1 as native Float64 bytes, row 0 at the top."""
    return dataset.GetRasterBand(1).ReadRaster(buf_type=gdal.GDT_Float64)


def header(veldconv, txt):
    """veldconv's metadata without its opening and closing line feed."""
    base.convert(veldconv, txt, txt + ".asc")
    return open(txt + ".asc.meta", newline="").read()[1:-1]


def check_gdalinfo(args, txt):
    shown = run("gdalinfo", "-json", txt)
    check(shown.returncode == 0, "gdalinfo failed: " + shown.stderr)
    info = json.loads(shown.stdout)
    xs, ys, _ = base.read_veldan(open(txt, newline="").read())
    step = abs(xs[1] - xs[0])
    check(info["driverShortName"] == "VELDAN" and info["size"] == [len(xs), len(ys)],
          "driver or size")
    base.check_geotransform(info["geoTransform"],
                            (min(xs) - step / 2, step, 0.0, max(ys) + step / 2, 0.0, -step))
    band = info["bands"][0]
    check(band["type"] == "Float64" and band["noDataValue"] == base.NO_DATA, "band " + str(band))
    srs = info["coordinateSystem"]
    check('ID["EPSG",4326]' in srs["wkt"] and srs["dataAxisToSRSAxisMapping"] == [2, 1],
          "coordinate system " + str(srs))
    check(info["metadata"][""] == {"VELDAN_HEADER": header(args.veldconv, txt)},
          "metadata " + str(info["metadata"]))


def check_translate(gdal, args, txt):
    tif, asc = txt[:-4] + ".tif", txt[:-4] + ".asc"
    translated = run("gdal_translate", "-q", "-of", "GTiff", txt, tif)
    check(translated.returncode == 0, "gdal_translate failed: " + translated.stderr)
    base.convert(args.veldconv, txt, asc)
    expected = gdal.OpenEx(asc, allowed_drivers=["AAIGrid"], open_options=["DATATYPE=Float64"])
    tiff = gdal.Open(tif)
    check(tiff.RasterXSize == expected.RasterXSize and tiff.RasterYSize == expected.RasterYSize,
          "size")
    base.check_geotransform(tiff.GetGeoTransform(), expected.GetGeoTransform())
    check(tiff.GetRasterBand(1).GetNoDataValue() == base.NO_DATA, "no-data value")
    check(cells(gdal, tiff) == cells(gdal, expected), "cells differ from veldconv's grid")
    # A window read straight from the map: columns 1 and 2 of the top row.
    plugin = gdal.Open(txt)
    window = plugin.GetRasterBand(1).ReadAsArray(1, 0, 2, 1)
    check(window.tolist() == expected.GetRasterBand(1).ReadAsArray(1, 0, 2, 1).tolist(),
          "window of columns 1 and 2: %s" % window.tolist())
    check(tiff.GetMetadataItem("VELDAN_HEADER") == header(args.veldconv, txt), "metadata")


def check_virtual_files(gdal, txt):
    with open(txt, "rb") as source, gzip.open(txt + ".gz", "wb") as packed:
        shutil.copyfileobj(source, packed)
    with zipfile.ZipFile(txt + ".zip", "w", zipfile.ZIP_DEFLATED) as archive:
        archive.write(txt, "grid.txt")
    plain = gdal.Open(txt)
    for name in ("/vsigzip/" + txt + ".gz", "/vsizip/" + txt + ".zip/grid.txt"):
        virtual = gdal.Open(name)
        check(cells(gdal, virtual) == cells(gdal, plain) and
              virtual.GetMetadata() == plain.GetMetadata(), name + " differs")


def check_rasterio(gdal, txt):
    import rasterio
    with rasterio.open(txt) as grid:
        check(grid.driver == "VELDAN" and grid.crs.to_epsg() == 4326 and
              grid.nodata == base.NO_DATA, "driver, CRS or no-data value")
        check(grid.transform.to_gdal() == gdal.Open(txt).GetGeoTransform(), "transform")
        check(grid.read(1).tobytes() == cells(gdal, gdal.Open(txt)), "cells differ")


def check_malformed(path, message):
    failed = run("gdalinfo", path)
    check(failed.returncode == 1 and "ERROR 4: " + message in failed.stderr,
          "status %d: %s" % (failed.returncode, failed.stderr))


def check_valgrind(paths, good, work):
    """One GDAL process (gdalbuildvrt skips what it cannot open) opens every malformed grid."""
    checked = run("valgrind", "-q", "--error-exitcode=99", "--leak-check=full",
                  "--errors-for-leak-kinds=definite", "gdalbuildvrt", "-q",
                  os.path.join(work, "all.vrt"), good, *paths)
    check(checked.returncode == 0 and all(m in checked.stderr for _, _, m in MALFORMED),
          "status %d: %s" % (checked.returncode, checked.stderr[-3000:]))


def all_checks(gdal, args, work, checks):
    found = [(os.path.basename(path), open(path, newline="").read())
             for path in sorted(glob.glob(os.path.join(args.examples, "*.txt")))]
    examples = [write(os.path.join(work, name), text) for name, text in found]
    for txt in examples:
        checks.run("gdalinfo -json " + os.path.basename(txt), lambda: check_gdalinfo(args, txt))
    windows = (found[-1][0] + " with Windows line ends", found[-1][1].replace("\n", "\r\n"))
    for number, (name, text) in enumerate(found + base.generated_grids() + [windows]):
        txt = write(os.path.join(work, "grid%d.txt" % number), text)
        checks.run("gdal_translate -of GTiff: " + name, lambda: check_translate(gdal, args, txt))
    checks.run("/vsigzip/ and /vsizip/", lambda: check_virtual_files(gdal, examples[-1]))
    if args.require_gdal or importlib.util.find_spec("rasterio"):
        checks.run("rasterio.open", lambda: check_rasterio(gdal, examples[-1]))
    else:
        print("rasterio check NOT RUN: rasterio is not installed (Debian: python3-rasterio)")

    base.convert(args.veldconv, examples[-1], os.path.join(work, "arc.asc"))
    for name, content in OTHERS + [("ARC/INFO", open(os.path.join(work, "arc.asc")).read())]:
        path = write(os.path.join(work, "other-%s.txt" % name.replace("/", "")), content)
        checks.run("not a grid: " + name, lambda: check(
            gdal.IdentifyDriverEx(path, allowed_drivers=["VELDAN"]) is None, "taken for one"))
    paths = [write(os.path.join(work, "bad%d.txt" % n), m[1]) for n, m in enumerate(MALFORMED)]
    for path, (name, _, message) in zip(paths, MALFORMED):
        checks.run("malformed: " + name, lambda: check_malformed(path, message))
    if args.valgrind:
        checks.run("malformed under valgrind", lambda: check_valgrind(paths, examples[0], work))
    checks.run("no .aux.xml written", lambda: check(
        not glob.glob(os.path.join(work, "*.txt.aux.xml")), "GDAL wrote an .aux.xml file"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("--plugin-dir", "--veldconv", "--examples"):
        parser.add_argument(option, required=True)
    parser.add_argument("--skip-status", type=int, default=0)
    parser.add_argument("--require-gdal", action="store_true")
    parser.add_argument("--valgrind", action="store_true")
    args = parser.parse_args()
    os.environ["GDAL_DRIVER_PATH"] = os.path.abspath(args.plugin_dir)  # read on import
    gdal = base.import_gdal()
    if gdal is None or shutil.which("gdal_translate") is None:
        print("GDAL driver plugin check NOT RUN: GDAL is not installed "
              "(Debian: apt-get install gdal-bin python3-gdal python3-rasterio)")
        return 1 if args.require_gdal else args.skip_status
    gdal.UseExceptions()
    checks = base.Checks()
    with tempfile.TemporaryDirectory(prefix="veldgrid_plugin_") as work:
        all_checks(gdal, args, work, checks)
    print("%d checks passed, %d failed" % (checks.passed, checks.failed))
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
