#!/usr/bin/python3
"""Checks that every source file includes only headers of its own layer or of lower ones.

The layers: src/base <- src/model <- {src/ops, src/formats} <- {apps, gdal}. A file may
include headers of its own folder and of the layers below it; src/ops and src/formats
never include each other. Headers are found by name in src/<layer>/, as the build finds
them (with or without the installed "veldgrid/" prefix). Prints each wrong include and
exits with 1 when there is one."""

import os
import re
import sys

RANK = {"base": 0, "model": 1, "ops": 2, "formats": 2, "apps": 3, "gdal": 3}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"](?:veldgrid/)?([^>"/]+\.h)[>"]', re.MULTILINE)
SOURCES = (".h", ".cpp")


def layer_of(path):
    """The layer of a file of the tree: src/<layer>/..., apps/... or gdal/...."""
    parts = path.split(os.sep)
    return parts[1] if parts[0] == "src" else parts[0]


def source_files(root):
    for top in ("src", "apps", "gdal"):
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if name.endswith(SOURCES):
                    yield os.path.relpath(os.path.join(folder, name), root)


def header_layers(root):
    """Each header of the library by name, with its layer."""
    layers = {}
    for path in source_files(root):
        if path.startswith("src" + os.sep) and path.endswith(".h"):
            layers[os.path.basename(path)] = layer_of(path)
    return layers


def wrong_includes(root):
    headers = header_layers(root)
    for path in source_files(root):
        layer = layer_of(path)
        with open(os.path.join(root, path), encoding="utf-8") as source:
            text = source.read()
        for match in INCLUDE.finditer(text):
            included = headers.get(match.group(1))
            if included is None or included == layer:
                continue
            line = text.count("\n", 0, match.start()) + 1
            if RANK[included] > RANK[layer]:
                yield "%s:%d: %s includes %s of the higher layer %s" % (
                    path, line, layer, match.group(1), included)
            elif RANK[included] == RANK[layer]:
                yield "%s:%d: %s includes %s: %s and %s never include each other" % (
                    path, line, layer, match.group(1), layer, included)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    faults = list(wrong_includes(root))
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print("layering check FAILED: %d wrong includes" % len(faults), file=sys.stderr)
        return 1
    print("layering check passed: base <- model <- {ops, formats} <- {apps, gdal}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
