#!/usr/bin/python3
"""Checks that a release's version agrees everywhere it shows.

    check_version.py VERSION DLL...

VERSION (a.b.c.d, from the top CMakeLists.txt, the one place it is set) must
be each DLL's file version (its VS_FIXEDFILEINFO) and, as a.b, the version of
the type library the DLL carries (its MSFT header), when it carries one.
"""

import struct
import sys

FIXED_FILE_INFO = struct.pack("<I", 0xFEEF04BD)
TYPELIB = b"MSFT"


def file_version(data):
    at = data.find(FIXED_FILE_INFO)
    if at < 0:
        return None
    most, least = struct.unpack_from("<II", data, at + 8)
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"


def typelib_version(data):
    at = data.find(TYPELIB)
    if at < 0:
        return None
    major, minor = struct.unpack_from("<HH", data, at + 24)
    return f"{major}.{minor}"


def main():
    version, dlls = sys.argv[1], sys.argv[2:]
    wrong = []
    for dll in dlls:
        data = open(dll, "rb").read()
        if file_version(data) != version:
            wrong.append(f"{dll}: file version {file_version(data)}, not {version}")
        library = typelib_version(data)
        if library is not None and library != ".".join(version.split(".")[:2]):
            wrong.append(f"{dll}: type library version {library}, not {version}")
    for line in wrong:
        print(line, file=sys.stderr)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
