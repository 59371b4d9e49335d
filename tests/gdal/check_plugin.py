#!/usr/bin/env python3
"""The VELDAN driver plugin for GDAL (gdal_VELDAN.so), loaded through GDAL_DRIVER_PATH.

* `gdalinfo -json` on the example grids: size, geotransform, no-data value, coordinate
  system and the header text as metadata (the metadata veldconv writes).
* `gdal_translate -of GTiff` of the examples and of generated grids (those of
  check_gdal.py: negative coordinates, no-data cells, 1/12-degree cells round the globe,
  rows south to north, columns east to west; and Windows line ends) gives, cell for cell
  and bit for bit, the grid that veldconv writes from the same source as GDAL reads it as
  Float64, on the same geotransform; the GeoTIFF carries the metadata.
* Virtual files (/vsigzip/, /vsizip/) read as the plain file; rasterio reads an example as
  GDAL does.
* Files that are no VELDAN grid are not taken for one; malformed grids give a GDAL error
  carrying the library's message, and no crash (also under valgrind with --valgrind).

Where GDAL (Debian: gdal-bin, python3-gdal, python3-rasterio) is missing, the check says so
and exits with the --skip-status without claiming a pass; with --require-gdal it fails.
"""

import argparse
import glob
import gzip
import json
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_gdal as base  # noqa: E402  (the helpers for generated grids and checks)
from check_gdal import check, Checks  # noqa: E402

LIBRARY = "TVELDANFileTools::LoadVELDANFile"
AXIS = "lon 0.25 0.75 1.25 lat degN/degE\n"

# Grids that look like VELDAN grids and fail to read, with the library's message.
MALFORMED = [
    ("no closing line", "h\n" + AXIS + "r 1 2 3 5\n",
     "Unexpected end of file found in " + LIBRARY),
    ("equal X coordinates", "h\nlon 1 1 lat degN/degE\nr 1 2 5\nend degN/degE\n",
     "Resolution cannot be 0 in " + LIBRARY),
    ("row shorter than the first",
     "h\n" + AXIS + "r 1 2 3 5\nr 1 2 4\nend degN/degE\n",
     "Number of values in data line does not match the first data line in " + LIBRARY),
    ("first row against the axis line", "h\n" + AXIS + "r 1 2 5\nend degN/degE\n",
     "Length of new X axis does not match the X dimension of the map"),
    ("empty data line", "h\n" + AXIS + "r 1 2 3 5\n\nend degN/degE\n",
     "Empty data line found in " + LIBRARY),
]

# Files of other kinds that the driver must not take for a VELDAN grid.
OTHERS = [
    ("CSV", "x,y,value\n" + "".join("%d.5,10.25,%d\n" % (i, i) for i in range(400))),
    ("XYZ", "".join("%d.5 10.25 %d\n" % (i, i) for i in range(400))),
    ("plain text", "A grid has an axis line holding degN/degE,\nthen its rows.\n"),
    ("binary", bytes(range(256)) * 8),
]


def rerun_with_system_python():
    """Runs this script again under the system interpreter when that one may have GDAL."""
    if os.environ.get("VELDGRID_GDAL_RERUN") or not os.path.exists(base.SYSTEM_PYTHON):
        return
    if os.path.realpath(sys.executable) == os.path.realpath(base.SYSTEM_PYTHON):
        return
    os.environ["VELDGRID_GDAL_RERUN"] = "1"
    os.execv(base.SYSTEM_PYTHON, [base.SYSTEM_PYTHON, os.path.abspath(__file__)] + sys.argv[1:])


def run(*command):
    return subprocess.run(list(command), capture_output=True, text=True)


def write(path, content):
    if isinstance(content, str):
        content = content.encode()
    with open(path, "wb") as out:
        out.write(content)
    return path


def raw_float64(gdal, dataset):
    """The cells of band 1, row 0 at the top, as native Float64 bytes."""
    return dataset.GetRasterBand(1).ReadRaster(0, 0, dataset.RasterXSize, dataset.RasterYSize,
                                               buf_type=gdal.GDT_Float64)


def header_of(veldconv, txt):
    """The header text: veldconv's metadata without its opening and closing line feed."""
    base.convert(veldconv, txt, txt + ".asc")
    text = open(txt + ".asc.meta", newline="").read()
    text = text[1:] if text.startswith("\n") else text
    return text[:-1] if text.endswith("\n") else text


# ---------------------------------------------------------------------------------------
# The checks

def check_gdalinfo(args, txt):
    """gdalinfo -json shows the grid with its georeferencing and header."""
    run_info = run("gdalinfo", "-json", txt)
    check(run_info.returncode == 0, "gdalinfo failed: " + run_info.stderr)
    info = json.loads(run_info.stdout)
    xs, ys, _ = base.read_veldan(open(txt, newline="").read())
    check(info["driverShortName"] == "VELDAN", "driver " + info["driverShortName"])
    check(info["size"] == [len(xs), len(ys)], "size %r" % info["size"])
    resolution = abs(xs[1] - xs[0])
    base.check_geotransform(info["geoTransform"], (min(xs) - resolution / 2, resolution, 0.0,
                                                   max(ys) + resolution / 2, 0.0, -resolution))
    band = info["bands"][0]
    check(band["type"] == "Float64", "band type " + band["type"])
    check(band["noDataValue"] == base.NO_DATA, "no-data %r" % band["noDataValue"])
    srs = info["coordinateSystem"]
    check('GEOGCRS["WGS 84"' in srs["wkt"] and 'ID["EPSG",4326]' in srs["wkt"],
          "coordinate system " + srs["wkt"])
    check(srs["dataAxisToSRSAxisMapping"] == [2, 1], "axis order not longitude first")
    expected = header_of(args.veldconv, txt)
    check(info["metadata"][""] == {"VELDAN_HEADER": expected},
          "metadata %r, expected %r" % (info["metadata"][""], expected))


def check_translate(gdal, args, txt):
    """gdal_translate -of GTiff gives the cells GDAL reads from veldconv's grid."""
    tif, asc = txt[:-4] + ".tif", txt[:-4] + ".asc"
    translated = run("gdal_translate", "-q", "-of", "GTiff", txt, tif)
    check(translated.returncode == 0, "gdal_translate failed: " + translated.stderr)
    base.convert(args.veldconv, txt, asc)
    converted = gdal.OpenEx(asc, gdal.OF_RASTER, allowed_drivers=["AAIGrid"],
                            open_options=["DATATYPE=Float64"])
    tiff = gdal.Open(tif)
    check((tiff.RasterXSize, tiff.RasterYSize) == (converted.RasterXSize, converted.RasterYSize),
          "size differs from veldconv's grid")
    base.check_geotransform(tiff.GetGeoTransform(), converted.GetGeoTransform())
    check(tiff.GetRasterBand(1).DataType == gdal.GDT_Float64, "GeoTIFF is not Float64")
    check(tiff.GetRasterBand(1).GetNoDataValue() == base.NO_DATA, "GeoTIFF no-data value")
    check(raw_float64(gdal, tiff) == raw_float64(gdal, converted),
          "cells differ from veldconv's grid")
    check(tiff.GetMetadataItem("VELDAN_HEADER") == header_of(args.veldconv, txt),
          "GeoTIFF metadata " + repr(tiff.GetMetadataItem("VELDAN_HEADER")))


def check_virtual_files(gdal, txt):
    """A gzipped and a zipped copy read as the plain file."""
    plain = gdal.Open(txt)
    with open(txt, "rb") as source, gzip.open(txt + ".gz", "wb") as packed:
        shutil.copyfileobj(source, packed)
    with zipfile.ZipFile(txt + ".zip", "w", zipfile.ZIP_DEFLATED) as archive:
        archive.write(txt, "grid.txt")
    for name in ("/vsigzip/" + txt + ".gz", "/vsizip/" + txt + ".zip/grid.txt"):
        virtual = gdal.Open(name)
        check(virtual.GetDriver().ShortName == "VELDAN", name + " not opened by VELDAN")
        check(raw_float64(gdal, virtual) == raw_float64(gdal, plain), name + ": cells differ")
        check(virtual.GetGeoTransform() == plain.GetGeoTransform(), name + ": geotransform")
        check(virtual.GetMetadata() == plain.GetMetadata(), name + ": metadata")


def check_rasterio(gdal, txt):
    import rasterio
    with rasterio.open(txt) as grid:
        check(grid.driver == "VELDAN", "rasterio driver " + grid.driver)
        check(grid.crs.to_epsg() == 4326, "rasterio CRS %s" % grid.crs)
        check(grid.nodata == base.NO_DATA, "rasterio no-data %r" % grid.nodata)
        check(tuple(grid.transform.to_gdal()) == gdal.Open(txt).GetGeoTransform(),
              "rasterio transform %r" % (grid.transform,))
        cells = grid.read(1)
    check(str(cells.dtype) == "float64", "rasterio type %s" % cells.dtype)
    check(cells.tobytes() == raw_float64(gdal, gdal.Open(txt)), "rasterio cells differ")


def check_malformed(path, message):
    """gdalinfo fails (not by a signal) with the library's message."""
    failed = run("gdalinfo", path)
    check(failed.returncode == 1, "gdalinfo exit status %d: %s" % (failed.returncode,
                                                                    failed.stderr))
    check("ERROR 4: " + message in failed.stderr, "message " + repr(failed.stderr))


def check_valgrind(paths, good, work):
    """One GDAL process opens every malformed grid under valgrind: no memory error."""
    vrt = os.path.join(work, "all.vrt")
    checked = run("valgrind", "-q", "--error-exitcode=99", "--leak-check=full",
                  "--errors-for-leak-kinds=definite", "gdalbuildvrt", "-q", vrt, good, *paths)
    check(checked.returncode == 0, "valgrind status %d: %s" % (checked.returncode,
                                                              checked.stderr[-3000:]))
    for _, _, message in MALFORMED:
        check(message in checked.stderr, "no message %r under valgrind" % message)


# ---------------------------------------------------------------------------------------
# Running the checks

def grids(examples):
    """(name, VELDAN text) of the examples; of the generated grids and a Windows copy of the
    last example."""
    found = [(os.path.basename(path), open(path, newline="").read())
             for path in sorted(glob.glob(os.path.join(examples, "*.txt")))]
    windows = ("%s with Windows line ends" % found[-1][0], found[-1][1].replace("\n", "\r\n"))
    return found, base.generated_grids() + [windows]


def all_checks(gdal, args, work, checks):
    driver = gdal.GetDriverByName("VELDAN")
    checks.run("driver VELDAN registered from GDAL_DRIVER_PATH",
               lambda: check(driver is not None and
                             driver.LongName == "VELDAN text grid", "driver missing"))
    found, generated = grids(args.examples)
    examples = [write(os.path.join(work, name), text) for name, text in found]
    for txt in examples:
        checks.run("gdalinfo -json " + os.path.basename(txt),
                   lambda: check_gdalinfo(args, txt))
    for number, (name, text) in enumerate(found + generated):
        txt = write(os.path.join(work, "grid%d.txt" % number), text)
        checks.run("gdal_translate -of GTiff == veldconv: " + name,
                   lambda: check_translate(gdal, args, txt))
    checks.run("/vsigzip/ and /vsizip/", lambda: check_virtual_files(gdal, examples[-1]))
    if args.require_gdal or importable("rasterio"):
        checks.run("rasterio.open", lambda: check_rasterio(gdal, examples[-1]))
    else:
        print("rasterio check NOT RUN: rasterio is not installed (python3-rasterio)")

    arc = os.path.join(work, "arc.asc")
    base.convert(args.veldconv, examples[-1], arc)
    for name, content in OTHERS + [("ARC/INFO grid", open(arc).read())]:
        path = write(os.path.join(work, "other-%s.txt" % name.split()[0].replace("/", "")),
                     content)
        checks.run("not a VELDAN grid: " + name, lambda: check(
            gdal.IdentifyDriverEx(path, allowed_drivers=["VELDAN"]) is None, "taken"))
    malformed = []
    for number, (name, text, message) in enumerate(MALFORMED):
        malformed.append(write(os.path.join(work, "malformed%d.txt" % number), text))
        checks.run("malformed: " + name, lambda: check_malformed(malformed[-1], message))
    if args.valgrind:
        checks.run("malformed grids under valgrind",
                   lambda: check_valgrind(malformed, examples[0], work))
    checks.run("no .aux.xml beside the grids read", lambda: check(
        not glob.glob(os.path.join(work, "*.txt.aux.xml")), "GDAL wrote an .aux.xml file"))


def importable(module):
    try:
        __import__(module)
    except ImportError:
        return False
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--plugin-dir", required=True, help="directory of gdal_VELDAN.so")
    parser.add_argument("--veldconv", required=True)
    parser.add_argument("--examples", required=True, help="directory of the example grids")
    parser.add_argument("--skip-status", type=int, default=0,
                        help="exit status when GDAL is missing (default 0)")
    parser.add_argument("--require-gdal", action="store_true",
                        help="fail when GDAL or rasterio is missing")
    parser.add_argument("--valgrind", action="store_true",
                        help="also open the malformed grids under valgrind")
    args = parser.parse_args()

    # GDAL loads its plugins when it is imported: the path must be set before.
    os.environ["GDAL_DRIVER_PATH"] = os.path.abspath(args.plugin_dir)
    gdal = base.import_gdal()
    if gdal is None:
        rerun_with_system_python()
    if gdal is None or shutil.which("gdal_translate") is None:
        print("GDAL driver plugin check NOT RUN: GDAL is not installed "
              "(Debian: apt-get install gdal-bin python3-gdal python3-rasterio)")
        return 1 if args.require_gdal else args.skip_status
    gdal.UseExceptions()
    print("GDAL %s, plugin from %s" % (gdal.__version__, args.plugin_dir))

    checks = Checks()
    with tempfile.TemporaryDirectory(prefix="veldgrid_plugin_") as work:
        all_checks(gdal, args, work, checks)
    print("%d checks passed, %d failed" % (checks.passed, checks.failed))
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
