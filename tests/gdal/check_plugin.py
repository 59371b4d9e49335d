#!/usr/bin/env python3
"""The VELDAN driver plugin (gdal_VELDAN.so) as GDAL programs use it: gdalinfo -json;
gdal_translate -of GTiff bit for bit against veldconv's grid read by GDAL as Float64;
windows and blocks against a whole read; the open options against veldconv's options;
no-data value and header through PAM; gdal_translate -of VELDAN round trips and refusals;
/vsigzip/, /vsizip/; rasterio; other kinds of files not taken for grids, reading at most
64 KB to tell; malformed grids giving the library's message without a crash (with
--valgrind, one GDAL program of each kind under valgrind).
Exits with --skip-status where GDAL is missing, with 1 under --require-gdal."""

import argparse
import glob
import gzip
import importlib.util
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_gdal as base  # noqa: E402  (generated grids, conversion, checks)
from check_gdal import check  # noqa: E402

LOAD = " in TVELDANFileTools::LoadVELDANFile"
AXIS = "h\nlon 0.25 0.75 1.25 lat degN/degE\n"
END = "end degN/degE\n"
OPENED, READ = 4, 3  # the class of GDAL error: when the dataset opens, when rows are read
MALFORMED = [  # (name, grid that looks right at first, where and the library's message,
    # error class)
    ("no closing line", AXIS + "r 1 2 3 5\n", "4:1: Unexpected end of file found" + LOAD, OPENED),
    ("cut in a row", AXIS + "r 1 2 3 5\nr 1 2", "4:6: Unexpected end of file found" + LOAD,
     OPENED),
    ("equal X coordinates", "lon 1 1 lat degN/degE\nr 1 2 5\n" + END,
     "1:7: Resolution cannot be 0" + LOAD, OPENED),
    ("short second row", AXIS + "r 1 2 3 5\nr 1 2 4\n" + END,
     "4:7: Number of values in data line does not match the first data line" + LOAD, READ),
    ("first row against the axis line", AXIS + "r 1 2 5\n" + END,
     "3:7: Length of new X axis does not match the X dimension of the map", OPENED),
    ("empty data line", AXIS + "r 1 2 3 5\n\n" + END, "4:1: Empty data line found" + LOAD,
     OPENED),
]
STRICT = (["STRICT=YES"], ["--strict"])
OPTIONS = [  # (name, grid, open options, veldconv's options meaning the same)
    ("STRICT=YES, uneven rows", AXIS + "r 1 2 3 5\nr 1 2 3 4.5\nr 1 2 3 3\n" + END, *STRICT),
    ("STRICT=YES, uneven columns", "lon 0 1 2.5 lat degN/degE\nr 1 2 3 5\n" + END, *STRICT),
    ("STRICT=YES, a word in the first row", AXIS + "r 1 abc 3 5\nr 1 2 3 4.5\n" + END, *STRICT),
    ("STRICT=YES, a word in the last row", AXIS + "r 1 2 3 5\nr 1 abc 3 4.5\n" + END, *STRICT),
    ("a word in the first row", AXIS + "r 1 abc 3 5\nr 1 2 3 4.5\n" + END, [], []),
    ("a word in the last row", AXIS + "r 1 2 3 5\nr 1 abc 3 4.5\n" + END, [], []),
    ("NODATA=2", AXIS + "r 1 2 3 5\nr 2.0 -2 2e0 4.5\n" + END, ["NODATA=2"], ["--nodata", "2"]),
    ("NODATA=nan", AXIS + "r 1 nan 3 5\nr NaN 2 -nan 4.5\n" + END, ["NODATA=nan"],
     ["--nodata", "nan"]),
    ("NODATA=-9999 and STRICT=YES", AXIS + "r -9999 2 3 5\nr 1 2 3 4.5\n" + END,
     ["NODATA=-9999", "STRICT=YES"], ["--nodata", "-9999", "--strict"]),
    ("NODATA=abc", AXIS + "r 1 2 3 5\n" + END, ["NODATA=abc"], ["--nodata", "abc"]),
]
GEOGRAPHIC = "EPSG:4326"
REFUSED = [  # (name, coordinate system, geotransform, cells, GDAL's message)
    ("projected", "EPSG:3035", (4e6, 1e3, 0.0, 3e6, 0.0, -1e3), [[1.0, 2.0]],
     "ERROR 6: VELDAN: the source's coordinate system is not geographic"),
    ("rotated", GEOGRAPHIC, (0.0, 0.5, 0.1, 10.0, 0.1, -0.5), [[1.0, 2.0]],
     "ERROR 6: VELDAN: the source is rotated"),
    ("without a coordinate system", None, (0.0, 0.5, 0.0, 10.0, 0.0, -0.5), [[1.0, 2.0]],
     "ERROR 6: VELDAN: the source has no coordinate system"),
    ("with cells that are not square", GEOGRAPHIC, (0.0, 0.5, 0.0, 10.0, 0.0, -0.25),
     [[1.0, 2.0]], "ERROR 6: VELDAN: the source's cells are not square"),
    ("with a NaN cell", GEOGRAPHIC, (0.0, 0.5, 0.0, 10.0, 0.0, -0.5), [[1.0, float("nan")]],
     "ERROR 1: Row holds a number that is not finite in TVELDANWriter::WriteRow"),
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


def check_windows(gdal, txt):
    """Reads of the four corners, of each of GDAL's blocks (a row) and resampled reads give
    what a whole read gives: every read parses only its own rows."""
    dataset = gdal.Open(txt)
    band = dataset.GetRasterBand(1)
    width, height = dataset.RasterXSize, dataset.RasterYSize
    whole, row = cells(gdal, dataset), 8 * width
    w, h = (width + 1) // 2, (height + 1) // 2
    for x, y in ((0, 0), (width - w, 0), (0, height - h), (width - w, height - h)):
        expected = b"".join(whole[i * row + 8 * x:i * row + 8 * (x + w)] for i in range(y, y + h))
        check(band.ReadRaster(x, y, w, h, buf_type=gdal.GDT_Float64) == expected,
              "window at (%d, %d)" % (x, y))
    for y in range(height):
        check(band.ReadBlock(0, y) == whole[y * row:(y + 1) * row], "block %d" % y)
    copy = gdal.GetDriverByName("MEM").Create("", width, height, 1, gdal.GDT_Float64)
    copy.GetRasterBand(1).WriteRaster(0, 0, width, height, whole)
    resampled = [b.ReadRaster(buf_xsize=w, buf_ysize=h, buf_type=gdal.GDT_Float64)
                 for b in (band, copy.GetRasterBand(1))]
    check(resampled[0] == resampled[1], "resampled read")


def check_open_options(gdal, args, txt, options, veldconv_options):
    """The driver with the open options reads the cells veldconv writes with its options, or
    refuses the grid with veldconv's message."""
    asc = txt[:-4] + ".asc"
    converted = run(args.veldconv, *veldconv_options, txt, asc, asc + ".meta")
    try:
        read = cells(gdal, gdal.OpenEx(txt, allowed_drivers=["VELDAN"], open_options=options))
    except RuntimeError as failure:
        message = converted.stderr.strip().replace("--nodata", "NODATA")
        check(converted.returncode == 1 and message in str(failure),
              "driver: %s; veldconv: %s" % (failure, message))
        return
    check(converted.returncode == 0, "the driver reads what veldconv refuses: " + converted.stderr)
    expected = gdal.OpenEx(asc, allowed_drivers=["AAIGrid"], open_options=["DATATYPE=Float64"])
    check(read == cells(gdal, expected), "cells differ from veldconv's grid")


def check_pam(gdal, txt):
    """A no-data value and a header set through GDAL are kept in the .aux.xml, and win over
    the file's when the grid opens again."""
    dataset = gdal.Open(txt)
    band = dataset.GetRasterBand(1)
    check(band.GetNoDataValue() == base.NO_DATA, "no-data value before")
    band.SetNoDataValue(5.0)
    dataset.SetMetadataItem("VELDAN_HEADER", "edited")
    check(band.GetNoDataValue() == 5.0, "no-data value not kept while open")
    dataset = band = None
    again = gdal.Open(txt)
    check(os.path.exists(txt + ".aux.xml") and again.GetRasterBand(1).GetNoDataValue() == 5.0
          and again.GetMetadataItem("VELDAN_HEADER") == "edited", "not kept in the .aux.xml")
    shown = json.loads(run("gdalinfo", "-json", txt).stdout)
    check(shown["bands"][0]["noDataValue"] == 5.0, "gdalinfo shows " + str(shown["bands"][0]))


def check_create_copy(gdal, args, tif, header):
    """gdal_translate -of VELDAN writes the raster's cells (its no-data cells as -9999) at
    its place with the header; the driver reads them back bit for bit, veldconv as it
    writes every grid (15 significant digits)."""
    txt, asc = tif[:-4] + ".txt", tif[:-4] + ".asc"
    translated = run("gdal_translate", "-of", "VELDAN", tif, txt)
    check(translated.returncode == 0 and "100 - done" in translated.stdout,
          "gdal_translate failed: " + translated.stderr)
    source = gdal.Open(tif)
    no_data = source.GetRasterBand(1).GetNoDataValue()
    width, height = source.RasterXSize, source.RasterYSize
    values = struct.unpack("=%dd" % (width * height), cells(gdal, source))
    expected = [base.NO_DATA if v == no_data else v for v in values]
    back = gdal.Open(txt)
    check(list(struct.unpack("=%dd" % (width * height), cells(gdal, back))) == expected,
          "the driver reads other cells back")
    base.check_geotransform(back.GetGeoTransform(), source.GetGeoTransform())
    base.convert(args.veldconv, txt, asc)
    rows = base.open_with_gdal(gdal, asc)[2]
    check([v for r in rows for v in r] == [float("%.15g" % v) for v in expected],
          "veldconv writes other cells")
    metadata = open(asc + ".meta", newline="").read()
    check(metadata == ("\n" + header + "\n" if header else "\n"), "metadata " + repr(metadata))


def check_refused(gdal, tif, message):
    """gdal_translate -of VELDAN refuses the raster with the message and writes no file."""
    txt = tif[:-4] + ".txt"
    refused = run("gdal_translate", "-q", "-of", "VELDAN", tif, txt)
    check(refused.returncode == 1 and message in refused.stderr and not os.path.exists(txt),
          "status %d: %s" % (refused.returncode, refused.stderr))


def check_identify_cost(gdal, path):
    """Telling a long one-line file from a grid reads none of it past 64 KB: as many bytes
    (read calls of the process) as of a file of its first 64 KB and one byte."""
    def read_so_far():
        with open("/proc/self/io") as counts:
            return int(re.search(r"rchar: (\d+)", counts.read()).group(1))
    cut = write(path + ".cut", open(path, "rb").read(64 * 1024 + 1))
    read = []
    for name in (path, cut):
        before = read_so_far()
        gdal.IdentifyDriverEx(name, allowed_drivers=["VELDAN"])
        read.append(read_so_far() - before)
    check(read[0] == read[1], "%d bytes read, %d of the first 64 KB and one byte" % tuple(read))


def check_malformed(path, message, error):
    """Reading every cell fails with the library's message, placed in the file as the
    commands place it, as a GDAL error of the class."""
    failed = run("gdal_translate", "-q", "-of", "MEM", path, "")
    check(failed.returncode == 1 and "ERROR %d: %s:%s" % (error, path, message) in failed.stderr,
          "status %d: %s" % (failed.returncode, failed.stderr))


def valgrind(*command):
    return run("valgrind", "-q", "--error-exitcode=99", "--leak-check=full",
               "--errors-for-leak-kinds=definite", *command)


def vrt_band(number, path, options, window, size):
    """A band of a VRT that reads the window (x, y, width, height) of the grid, opened with
    the options, into size (width, height)."""
    opening = "".join("<OOI key='%s'>%s</OOI>" % tuple(o.split("=", 1)) for o in options)
    return ("<VRTRasterBand dataType='Float64' band='%d'><SimpleSource>"
            "<SourceFilename relativeToVRT='0'>%s</SourceFilename>"
            "<OpenOptions>%s</OpenOptions><SourceBand>1</SourceBand>"
            "<SrcRect xOff='%d' yOff='%d' xSize='%d' ySize='%d'/>"
            "<DstRect xOff='0' yOff='0' xSize='%d' ySize='%d'/></SimpleSource></VRTRasterBand>"
            % ((number, path, opening) + tuple(window) + tuple(size)))


def check_valgrind(gdal, args, work, opened, grids, options):
    """One GDAL program of each kind under valgrind: gdalbuildvrt opens the grids that fail
    to open and the files of other kinds; gdalinfo -checksum reads bands of a VRT made of
    corner windows, resampled reads, the open options and the grids whose rows fail;
    gdal_translate -of VELDAN writes a grid and refuses a projected raster."""
    checked = valgrind("gdalbuildvrt", "-q", os.path.join(work, "all.vrt"), *opened)
    messages = [m for _, _, m, error in MALFORMED if error == OPENED]
    check(checked.returncode == 0 and all(m in checked.stderr for m in messages),
          "gdalbuildvrt: status %d: %s" % (checked.returncode, checked.stderr[-3000:]))
    bands, sizes = [], [(gdal.Open(p).RasterXSize, gdal.Open(p).RasterYSize) for p in grids]
    for path, (width, height) in zip(grids, sizes):
        w, h = (width + 1) // 2, (height + 1) // 2  # the far corner, and all read resampled
        for window in ((width - w, height - h, w, h), (0, 0, width, height)):
            bands.append(vrt_band(len(bands) + 1, path, [], window, (w, h)))
    for path, opening in options:
        bands.append(vrt_band(len(bands) + 1, path, opening, (0, 0, 3, 1), (3, 1)))
    vrt = write(os.path.join(work, "reads.vrt"), "<VRTDataset rasterXSize='%d' rasterYSize='%d'>"
                "%s</VRTDataset>" % (max(sizes)[0], max(h for _, h in sizes), "".join(bands)))
    checked = valgrind("gdalinfo", "-checksum", vrt)
    messages = [m for _, _, m, error in MALFORMED if error == READ] + ["Token is not a number"]
    check(checked.returncode == 0 and all(m in checked.stderr for m in messages),
          "gdalinfo -checksum: status %d: %s" % (checked.returncode, checked.stderr[-3000:]))
    tifs = sorted(glob.glob(os.path.join(work, "copy*.tif")))
    for tif, status in ((tifs[0], 0), (os.path.join(work, "refused0.tif"), 1)):
        checked = valgrind("gdal_translate", "-q", "-of", "VELDAN", tif,
                           os.path.join(work, "valgrind.txt"))
        check(checked.returncode == status,
              "gdal_translate: status %d: %s" % (checked.returncode, checked.stderr[-3000:]))


def wide_grid():
    """A grid whose header lines (52 KB) and axis line start within 64 KB, the axis line
    running on far beyond."""
    header = "".join("header line %d %s\n" % (i, "x" * 250) for i in range(200))
    xs = ["%.3f" % (0.005 + 0.01 * j) for j in range(10000)]
    return base.veldan_text(header[:-1], xs, ["45.005", "44.995"], [["1.5"] * 10000] * 2)


def all_checks(gdal, args, work, checks):
    found = [(os.path.basename(path), open(path, newline="").read())
             for path in sorted(glob.glob(os.path.join(args.examples, "*.txt")))]
    examples = [write(os.path.join(work, name), text) for name, text in found]
    for txt in examples:
        checks.run("gdalinfo -json " + os.path.basename(txt), lambda: check_gdalinfo(args, txt))
    windows = (found[-1][0] + " with Windows line ends", found[-1][1].replace("\n", "\r\n"))
    wide = ("header of 52 KB and an axis line beyond 64 KB", wide_grid())
    grids = []
    for number, (name, text) in enumerate(found + base.generated_grids() + [windows, wide]):
        txt = write(os.path.join(work, "grid%d.txt" % number), text)
        grids.append(txt)
        checks.run("gdal_translate -of GTiff: " + name, lambda: check_translate(gdal, args, txt))
        checks.run("windows, blocks and resampled reads: " + name,
                   lambda: check_windows(gdal, txt))
    options = []
    for number, (name, text, opening, veldconv_options) in enumerate(OPTIONS):
        txt = write(os.path.join(work, "options%d.txt" % number), text)
        options.append((txt, opening))
        checks.run("open options: " + name,
                   lambda: check_open_options(gdal, args, txt, opening, veldconv_options))
    os.makedirs(os.path.join(work, "pam"))
    pam = write(os.path.join(work, "pam", "field.txt"), found[-1][1])
    checks.run("no-data value and header through PAM", lambda: check_pam(gdal, pam))
    checks.run("/vsigzip/ and /vsizip/", lambda: check_virtual_files(gdal, examples[-1]))
    if args.require_gdal or importlib.util.find_spec("rasterio"):
        checks.run("rasterio.open", lambda: check_rasterio(gdal, examples[-1]))
    else:
        print("rasterio check NOT RUN: rasterio is not installed (Debian: python3-rasterio)")

    headers = ["A & B <c>\n\n\n  indented", None, ""]  # an empty line is two line feeds
    for number, (name, type_name, geotransform, rows, no_data, _) in enumerate(base.gdal_rasters()):
        tif, header = os.path.join(work, "copy%d.tif" % number), headers[number % len(headers)]
        base.make_raster(gdal, tif, gdal.GetDataTypeByName(type_name), geotransform, rows, no_data,
                         GEOGRAPHIC, {} if header is None else {"VELDAN_HEADER": header})
        checks.run("gdal_translate -of VELDAN: " + name,
                   lambda: check_create_copy(gdal, args, tif, header))
    for number, (name, srs, geotransform, rows, message) in enumerate(REFUSED):
        tif = os.path.join(work, "refused%d.tif" % number)
        base.make_raster(gdal, tif, gdal.GDT_Float64, geotransform, rows, None, srs)
        checks.run("gdal_translate -of VELDAN refuses a raster " + name,
                   lambda: check_refused(gdal, tif, message))

    base.convert(args.veldconv, examples[-1], os.path.join(work, "arc.asc"))
    json_text = '{"values": [%s]}' % ", ".join(str(i) for i in range(1500000))
    others = OTHERS + [("ARC/INFO", open(os.path.join(work, "arc.asc")).read()),
                       ("one-line JSON of 10 MB", json_text)]
    other_paths = []
    for name, content in others:
        path = write(os.path.join(work, "other-%s.txt" % name.replace("/", "")), content)
        other_paths.append(path)
        checks.run("not a grid: " + name, lambda: check(
            gdal.IdentifyDriverEx(path, allowed_drivers=["VELDAN"]) is None, "taken for one"))
    checks.run("Identify reads at most 64 KB", lambda: check_identify_cost(gdal, other_paths[-1]))
    paths = [write(os.path.join(work, "bad%d.txt" % n), m[1]) for n, m in enumerate(MALFORMED)]
    for path, (name, _, message, error) in zip(paths, MALFORMED):
        checks.run("malformed: " + name, lambda: check_malformed(path, message, error))
    if args.valgrind:
        opened = [p for p, m in zip(paths, MALFORMED) if m[3] == OPENED] + other_paths + [pam]
        read = [examples[0], grids[-4], grids[-3]] + [p for p, m in zip(paths, MALFORMED) if m[3] == READ]
        checks.run("GDAL programs under valgrind",
                   lambda: check_valgrind(gdal, args, work, opened, read, options))
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
