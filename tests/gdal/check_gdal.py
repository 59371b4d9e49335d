#!/usr/bin/env python3
"""Interoperability of veldconv and the veldgrid library with GDAL.

Both ways round:

* veldconv -> GDAL: the example grids and generated VELDAN grids (negative coordinates,
  1/12-degree cells, rows south to north, columns east to west, values with 10 significant
  digits, no-data cells) are converted with veldconv, and GDAL must read every converted
  grid with the dimensions, geotransform (to within 1e-9 degree), no-data value and cell
  values that the VELDAN source holds.
* GDAL -> veldgrid: grids written by `gdal_translate -of AAIGrid` (from the converted grids
  and from rasters made with GDAL) are read with TARCGISFileTools::LoadARCGISFile, through
  the small program veldgrid_dump_grid, and must give the cells and cell edges that GDAL
  reads from the same file.
* veldconv's sidecars: gdalinfo finds the .prj and .aux.xml (also without .asc) and shows
  WGS 84 and the header (also an awkward one); gdal_translate -of GTiff carries the header
  over, and gdalwarp -t_srs EPSG:3035 reprojects from degrees.

GDAL reads ARC/INFO ASCII grids as Float32 unless it is asked for Float64, so every grid is
opened with the open option DATATYPE=Float64.

Where GDAL (Debian: gdal-bin and python3-gdal) is missing, the check says so and exits with
the --skip-status (0 by default) without claiming a pass; with --require-gdal it fails.
"""

import argparse
import glob
import json
import math
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

TOLERANCE = 1e-9  # degrees, for every coordinate

# GDAL writes the corners and the cell size of an ARC/INFO grid with 12 decimals, and on
# reading a grid that spans 360 degrees it takes the cell size as 360 / ncols (so 1/12
# exactly where the file says 0.083333333333). LoadARCGISFile takes the numbers as they are
# written, so its k-th edge may differ from GDAL's by half a unit of the 12th decimal per
# cell, on top of the tolerance: 1.4e-9 degree at the end of a 1/12-degree row round the
# globe.
GDAL_HEADER_ROUNDING = 5e-13
NO_DATA = -9999.0  # the no-data value that veldconv writes
MARKER = "degN/degE"
SYSTEM_PYTHON = "/usr/bin/python3"  # where Debian's python3-gdal is importable


def import_gdal():
    """The osgeo.gdal module, or None when GDAL is not installed for this interpreter."""
    try:
        from osgeo import gdal
    except ImportError:
        return None
    return gdal


def rerun_with_system_python():
    """Runs this script again under the system interpreter when that one may have GDAL."""
    if os.environ.get("VELDGRID_GDAL_RERUN") or not os.path.exists(SYSTEM_PYTHON):
        return
    if os.path.realpath(sys.executable) == os.path.realpath(SYSTEM_PYTHON):
        return
    os.environ["VELDGRID_GDAL_RERUN"] = "1"
    os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON, os.path.abspath(__file__)] + sys.argv[1:])


# ---------------------------------------------------------------------------------------
# VELDAN grids: reading the expected map, and writing generated ones

NUMBER = re.compile(r"[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?")


def atof(token):
    """The value of the longest leading number of the token, 0.0 without one."""
    match = NUMBER.match(token)
    return float(match.group(0)) if match else 0.0


def tokens(line):
    """A minus sign always starts a new token; tokens are separated by spaces."""
    return [t for t in line.replace("-", " -").split(" ") if t]


def read_veldan(text):
    """The X coordinates, the Y coordinate of each row and the rows of a VELDAN grid."""
    lines = [line[:-1] if line.endswith("\r") else line for line in text.split("\n")]
    axis = next(i for i, line in enumerate(lines) if MARKER in line)
    xs = [atof(t) for t in tokens(lines[axis])[1:-2]]
    ys, rows = [], []
    for line in lines[axis + 1:]:
        if MARKER in line:
            break
        row = tokens(line)
        ys.append(atof(row[-1]))
        rows.append([atof(t) for t in row[1:-1]])
    return xs, ys, rows


def veldan_text(title, xs, ys, rows):
    """A VELDAN grid of the given coordinate and value texts."""
    lines = [title, "lon " + " ".join(xs) + " lat " + MARKER]
    lines += ["r%d %s %s" % (i, " ".join(row), y) for i, (row, y) in enumerate(zip(rows, ys))]
    lines.append("end " + MARKER)
    return "\n".join(lines) + "\n"


def centres(first_edge, step, count):
    """Texts of the cell centres first_edge + (i + 0.5) * step, as Python prints doubles."""
    return [repr(first_edge + (i + 0.5) * step) for i in range(count)]


def ten_digits(i, j):
    """A value text with 10 significant digits, in fixed notation, of varied magnitude."""
    mantissa = 1000000007 + (i * 7919 + j * 104729) * 7777 % 8999999993
    sign = "-" if (i + j) % 3 == 0 else ""
    point = (i + 2 * j) % 11  # digits before the decimal point, 0 for 0.xxx
    digits = str(mantissa)
    if point == 0:
        return sign + "0.000" + digits
    return sign + digits[:point] + ("." + digits[point:] if point < 10 else "")


def generated_grids():
    """(name, VELDAN text) of grids that exercise what GIS tools are sensitive to."""
    twelfth = 1.0 / 12.0
    grids = []

    # Negative coordinates on both axes, whole-number and no-data cells.
    xs = centres(-179.0, 0.5, 6)
    ys = [repr(-60.25 - 0.5 * i) for i in range(4)]
    rows = [[str(NO_DATA if (i + j) % 5 == 0 else (i - 2) * 100 + j) for j in range(6)]
            for i in range(4)]
    grids.append(("negative coordinates and no-data cells", veldan_text("neg", xs, ys, rows)))

    # A band of 1/12-degree cells round the whole globe: the eastern edge lies 4320 cells
    # from the western one. Values with 10 significant digits.
    xs = centres(-180.0, twelfth, 4320)
    ys = centres(15.0, -twelfth, 3)
    rows = [[ten_digits(i, j) for j in range(4320)] for i in range(3)]
    grids.append(("1/12-degree cells round the globe", veldan_text("band", xs, ys, rows)))

    # Rows listed from south to north, pole to pole, in 1/12-degree cells.
    xs = centres(-20.0, twelfth, 3)
    ys = centres(-90.0, twelfth, 2160)
    rows = [[str(NO_DATA) if (i * 3 + j) % 97 == 0 else ten_digits(i, j) for j in range(3)]
            for i in range(2160)]
    grids.append(("rows south to north", veldan_text("south first", xs, ys, rows)))

    # Columns listed from east to west.
    xs = centres(-70.0, -0.25, 5)
    ys = centres(-33.0, -0.25, 3)
    rows = [[ten_digits(i, j) for j in range(5)] for i in range(3)]
    grids.append(("columns east to west", veldan_text("east first", xs, ys, rows)))
    return grids


# ---------------------------------------------------------------------------------------
# Reading with GDAL

class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def same_value(a, b):
    return a == b or (math.isnan(a) and math.isnan(b))


def open_with_gdal(gdal, path):
    """The geotransform, the no-data value and the rows (row 0 at the top) GDAL reads."""
    dataset = gdal.OpenEx(path, gdal.OF_RASTER, allowed_drivers=["AAIGrid"],
                          open_options=["DATATYPE=Float64"])
    check(dataset is not None, "GDAL cannot open " + path)
    band = dataset.GetRasterBand(1)
    width, height = dataset.RasterXSize, dataset.RasterYSize
    raw = band.ReadRaster(0, 0, width, height, buf_type=gdal.GDT_Float64)
    values = struct.unpack("=%dd" % (width * height), raw)
    rows = [list(values[i * width:(i + 1) * width]) for i in range(height)]
    return dataset.GetGeoTransform(), band.GetNoDataValue(), rows


def check_geotransform(actual, expected):
    for k, (a, e) in enumerate(zip(actual, expected)):
        check(abs(a - e) <= TOLERANCE,
              "geotransform[%d] is %.17g, expected %.17g" % (k, a, e))


def cell_of(coordinate, origin, step, count, axis):
    """Index of the GDAL cell whose centre is the coordinate, to within the tolerance."""
    index = int(math.floor((coordinate - origin) / step))
    check(0 <= index < count, "%s %.17g lies outside the grid" % (axis, coordinate))
    centre = origin + (index + 0.5) * step
    check(abs(centre - coordinate) <= TOLERANCE,
          "%s centre %.17g is %.17g in GDAL" % (axis, coordinate, centre))
    return index


def check_gdal_reads_veldan(gdal, asc, source):
    """GDAL reads the converted grid with the map that the VELDAN source holds."""
    xs, ys, rows = source
    geotransform, no_data, cells = open_with_gdal(gdal, asc)
    check((len(cells[0]), len(cells)) == (len(xs), len(ys)),
          "GDAL size %dx%d, expected %dx%d" % (len(cells[0]), len(cells), len(xs), len(ys)))
    resolution = abs(xs[1] - xs[0])
    west, north = min(xs) - resolution / 2, max(ys) + resolution / 2
    check_geotransform(geotransform, (west, resolution, 0.0, north, 0.0, -resolution))
    check(no_data == NO_DATA, "GDAL no-data value %r, expected %r" % (no_data, NO_DATA))
    width, height = len(xs), len(ys)
    for i, y in enumerate(ys):
        row = cell_of(y, geotransform[3], geotransform[5], height, "Y")
        for j, x in enumerate(xs):
            column = cell_of(x, geotransform[0], geotransform[1], width, "X")
            check(same_value(cells[row][column], rows[i][j]),
                  "cell (%.17g, %.17g): GDAL reads %.17g, expected %.17g"
                  % (x, y, cells[row][column], rows[i][j]))


# ---------------------------------------------------------------------------------------
# Reading with the library

def dump_with_library(dump_grid, asc):
    """What LoadARCGISFile reads: (ncols, nrows, no-data, X edges, Y edges, rows)."""
    run = subprocess.run([dump_grid, asc], capture_output=True, text=True)
    check(run.returncode == 0, "the library refuses %s: %s" % (asc, run.stderr))
    fields = {"row": []}
    for line in run.stdout.splitlines():
        key, *numbers = line.split(" ")
        if key == "row":
            fields["row"].append([float(n) for n in numbers])
        else:
            fields[key] = [float(n) for n in numbers]
    return (int(fields["ncols"][0]), int(fields["nrows"][0]), fields["nodata"][0],
            fields["xedges"], fields["yedges"], fields["row"])


def check_library_reads_gdal(gdal, dump_grid, asc, values=None):
    """LoadARCGISFile reads a grid written by GDAL with the cells and edges GDAL reads;
    `values`, when given, are the rows that GDAL was asked to write."""
    ncols, nrows, no_data, xedges, yedges, rows = dump_with_library(dump_grid, asc)
    geotransform, gdal_no_data, cells = open_with_gdal(gdal, asc)
    check((ncols, nrows) == (len(cells[0]), len(cells)),
          "library size %dx%d, GDAL %dx%d" % (ncols, nrows, len(cells[0]), len(cells)))
    check(no_data == gdal_no_data, "library no-data %r, GDAL %r" % (no_data, gdal_no_data))
    check(len(xedges) == ncols + 1 and len(yedges) == nrows + 1, "wrong number of edges")
    for axis, edges, origin, step in (("X", xedges, geotransform[0], geotransform[1]),
                                      ("Y", yedges, geotransform[3], geotransform[5])):
        for k, edge in enumerate(edges):
            expected = origin + k * step
            check(abs(edge - expected) <= TOLERANCE + k * GDAL_HEADER_ROUNDING,
                  "%s edge %d is %.17g, GDAL %.17g" % (axis, k, edge, expected))
    for name, wanted in (("GDAL reads", cells), ("GDAL was given", values)):
        if wanted is None:
            continue
        for i in range(nrows):
            for j in range(ncols):
                check(same_value(rows[i][j], wanted[i][j]),
                      "cell (%d, %d): library reads %.17g, %s %.17g"
                      % (j, i, rows[i][j], name, wanted[i][j]))


def gdal_translate(source, asc, *options):
    run = subprocess.run(["gdal_translate", "-q", "-of", "AAIGrid", *options, source, asc],
                         capture_output=True, text=True)
    check(run.returncode == 0, "gdal_translate failed: " + run.stderr)


def make_raster(gdal, path, data_type, geotransform, rows, no_data, srs=None, metadata=None):
    """A GeoTIFF of the rows, with the no-data value unless it is None, and the coordinate
    system ("EPSG:4326") and metadata items where given."""
    driver = gdal.GetDriverByName("GTiff")
    dataset = driver.Create(path, len(rows[0]), len(rows), 1, data_type)
    dataset.SetGeoTransform(geotransform)
    if srs:
        dataset.SetProjection(srs)
    for key, value in (metadata or {}).items():
        dataset.SetMetadataItem(key, value)
    band = dataset.GetRasterBand(1)
    if no_data is not None:
        band.SetNoDataValue(no_data)
    flat = [v for row in rows for v in row]
    band.WriteRaster(0, 0, len(rows[0]), len(rows), struct.pack("=%dd" % len(flat), *flat),
                     buf_type=gdal.GDT_Float64)
    dataset.FlushCache()
    dataset = None


def gdal_rasters():
    """(name, data type name, geotransform, rows, no-data value, written values exact)."""
    twelfth = 1.0 / 12.0
    floats = [[float(ten_digits(i, j)) if (i + j) % 7 else -9999.0 for j in range(48)]
              for i in range(30)]
    whole = [[(i * 48 + j) % 2001 - 1000 if (i * j) % 11 else -32768 for j in range(48)]
             for i in range(30)]
    return [
        ("Float64, 1/12-degree cells, negative corner", "Float64",
         (-75.5, twelfth, 0.0, -10.25, 0.0, -twelfth), floats, -9999.0, True),
        ("Int32, no-data -32768", "Int32", (-3.7, 0.1, 0.0, 52.3, 0.0, -0.1), whole, -32768.0,
         True),
        ("Float32", "Float32", (100.0, 0.25, 0.0, -40.0, 0.0, -0.25), floats, -9999.0, False),
    ]


# ---------------------------------------------------------------------------------------
# Running the checks

class Checks:
    def __init__(self):
        self.passed, self.failed = 0, 0

    def run(self, name, action):
        try:
            action()
        except (Failure, RuntimeError, OSError) as failure:
            self.failed += 1
            print("FAIL %s: %s" % (name, failure))
        else:
            self.passed += 1
            print("ok   %s" % name)


def convert(veldconv, txt, asc):
    run = subprocess.run([veldconv, txt, asc, asc + ".meta"], capture_output=True, text=True)
    check(run.returncode == 0, "veldconv failed (%d): %s" % (run.returncode, run.stderr))


def veldan_checks(gdal, args, work, checks):
    """veldconv -> GDAL, then gdal_translate -> library, for every VELDAN grid."""
    grids = [(os.path.basename(path), open(path, newline="").read())
             for path in sorted(glob.glob(os.path.join(args.examples, "*.txt")))]
    for number, (name, text) in enumerate(grids + generated_grids()):
        txt = os.path.join(work, "grid%d.txt" % number)
        asc, back = txt[:-4] + ".asc", txt[:-4] + ".gdal.asc"
        with open(txt, "w", newline="") as out:
            out.write(text)
        source = read_veldan(text)

        def forward():
            convert(args.veldconv, txt, asc)
            check_gdal_reads_veldan(gdal, asc, source)

        def backward():
            gdal_translate(asc, back, "-oo", "DATATYPE=Float64")
            check_library_reads_gdal(gdal, args.dump_grid, back)

        checks.run("veldconv -> GDAL: " + name, forward)
        checks.run("gdal_translate -> LoadARCGISFile: " + name, backward)


def raster_checks(gdal, args, work, checks):
    """Rasters made with GDAL, written with gdal_translate and read by the library."""
    for number, (name, type_name, geotransform, rows, no_data, exact) in \
            enumerate(gdal_rasters()):
        tif = os.path.join(work, "raster%d.tif" % number)
        asc = tif[:-4] + ".asc"

        def backward():
            make_raster(gdal, tif, gdal.GetDataTypeByName(type_name), geotransform, rows,
                        no_data)
            gdal_translate(tif, asc)
            check_library_reads_gdal(gdal, args.dump_grid, asc, rows if exact else None)

        checks.run("gdal_translate -> LoadARCGISFile: " + name, backward)

    # What GDAL writes beyond the format is refused, not misread: without a no-data value
    # GDAL leaves out the NODATA_value line, and for cells that are not square it writes
    # "dx" and "dy" in place of "cellsize".
    refusals = [
        ("without no-data value", (0.0, 1.0, 0.0, 2.0, 0.0, -1.0), None,
         "File format error: expected to find NODATA_value tag"),
        ("with cells that are not square", (0.0, 1.0, 0.0, 2.0, 0.0, -0.5), -9999.0,
         "File format error: expected to find cellsize tag"),
    ]
    for number, (name, geotransform, no_data, message) in enumerate(refusals):
        tif = os.path.join(work, "refused%d.tif" % number)
        asc = tif[:-4] + ".asc"

        def refused():
            make_raster(gdal, tif, gdal.GDT_Float64, geotransform, [[1.0, 2.0], [3.0, 4.0]],
                        no_data)
            gdal_translate(tif, asc)
            run = subprocess.run([args.dump_grid, asc], capture_output=True, text=True)
            check(run.returncode == 1 and run.stderr == message,
                  "expected %r, got %d %r" % (message, run.returncode, run.stderr))

        checks.run("gdal_translate %s is refused" % name, refused)


# ---------------------------------------------------------------------------------------
# veldconv's sidecar files, read by GDAL's own programs with its auxiliary files enabled

def run_gdal(*command):
    """What the GDAL program prints; with -json, the parsed document."""
    run = subprocess.run(list(command), capture_output=True, text=True,
                         env=dict(os.environ, GDAL_PAM_ENABLED="YES"))
    check(run.returncode == 0, "%s failed: %s" % (command[0], run.stderr))
    return json.loads(run.stdout) if "-json" in command else run.stdout


def check_sidecars_found(veldconv, txt, grid, header):
    """gdalinfo lists both sidecars of veldconv's grid and shows WGS 84 and the header."""
    convert(veldconv, txt, grid)
    info = run_gdal("gdalinfo", "-json", grid)
    files = set(os.path.basename(name) for name in info.get("files", []))
    stem = os.path.basename(grid[:-4] if grid.endswith(".asc") else grid)
    expected = {stem + ".prj", os.path.basename(grid) + ".aux.xml"}
    check(expected <= files, "gdalinfo lists %s, expected %s" % (sorted(files), sorted(expected)))
    wkt = info.get("coordinateSystem", {}).get("wkt", "")
    check('GEOGCRS["WGS 84"' in wkt or 'GEOGCS["WGS 84"' in wkt, "not WGS 84: %r" % wkt[:80])
    metadata = info.get("metadata", {}).get("", {})
    check(metadata.get("VELDAN_HEADER") == header, "metadata %r, expected %r" % (metadata, header))


def sidecar_checks(args, work, checks):
    """The grids veldconv writes carry their coordinate system and header into GIS tools."""
    source = os.path.join(args.examples, "field.txt")
    with open(os.path.join(args.examples, "field.meta"), newline="") as meta:
        header = meta.read()[1:-1]  # the metadata without its opening and closing line feed
    # Markup, a control character and a byte that is not UTF-8 in the header.
    awkward = os.path.join(work, "awkward.txt")
    with open(awkward, "wb") as out:
        out.write(b'A & B <c> "d"\ttab\x01 caf\xe9 \xc3\xa9\nx 0 1 lat degN/degE\n'
                  b"r 1 2 5\nend degN/degE\n")
    directory = os.path.join(work, "sidecars")
    os.makedirs(directory, exist_ok=True)
    grid = os.path.join(directory, "field.asc")
    for name, txt, expected in [("field.asc", source, header), ("field", source, header),
                                ("awkward.asc", awkward,
                                 'A & B <c> "d"\ttab\ufffd caf\ufffd \u00e9')]:
        path = os.path.join(directory, name)
        checks.run("gdalinfo finds the sidecar files of " + name,
                   lambda: check_sidecars_found(args.veldconv, txt, path, expected))

    def into_geotiff():
        tif = os.path.join(directory, "field.tif")
        run_gdal("gdal_translate", "-q", "-of", "GTiff", grid, tif)
        # The metadata is inside the GeoTIFF, not in an auxiliary file beside it.
        check(not os.path.exists(tif + ".aux.xml"), "gdal_translate wrote " + tif + ".aux.xml")
        metadata = run_gdal("gdalinfo", "-json", tif).get("metadata", {}).get("", {})
        check(metadata.get("VELDAN_HEADER") == header, "GeoTIFF metadata %r" % metadata)

    def reprojected():
        tif = os.path.join(directory, "field3035.tif")
        run_gdal("gdalwarp", "-q", "-overwrite", "-t_srs", "EPSG:3035", grid, tif)
        west, size = run_gdal("gdalinfo", "-json", tif)["geoTransform"][:2]
        # The field (11 to 5 W, 42 to 46 N) lies some 2.6e6 m east in the European Lambert
        # grid, in cells of some 20 km; degrees taken for metres would keep cells of 0.25.
        check(2.0e6 < west < 3.5e6 and 1.0e4 < size < 4.0e4,
              "gdalwarp did not reproject from degrees: west %r, cell %r" % (west, size))

    checks.run("gdal_translate -of GTiff carries the header metadata over", into_geotiff)
    checks.run("gdalwarp -t_srs EPSG:3035 reprojects from degrees", reprojected)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--veldconv", required=True)
    parser.add_argument("--dump-grid", required=True, help="path of veldgrid_dump_grid")
    parser.add_argument("--examples", required=True, help="directory of the example grids")
    parser.add_argument("--skip-status", type=int, default=0,
                        help="exit status when GDAL is missing (default 0)")
    parser.add_argument("--require-gdal", action="store_true",
                        help="fail when GDAL is missing")
    args = parser.parse_args()

    gdal = import_gdal()
    if gdal is None:
        rerun_with_system_python()
    if gdal is None or shutil.which("gdal_translate") is None:
        print("GDAL interoperability check NOT RUN: GDAL is not installed "
              "(Debian: apt-get install gdal-bin python3-gdal)")
        return 1 if args.require_gdal else args.skip_status
    gdal.UseExceptions()
    gdal.SetConfigOption("GDAL_PAM_ENABLED", "NO")  # no .aux.xml files next to the grids
    os.environ["GDAL_PAM_ENABLED"] = "NO"
    print("GDAL %s" % gdal.__version__)

    checks = Checks()
    with tempfile.TemporaryDirectory(prefix="veldgrid_gdal_") as work:
        veldan_checks(gdal, args, work, checks)
        raster_checks(gdal, args, work, checks)
        sidecar_checks(args, work, checks)
    print("%d checks passed, %d failed" % (checks.passed, checks.failed))
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
