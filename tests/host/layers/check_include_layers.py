#!/usr/bin/python3
"""Checks that the source trees keep to their layers.

    check_include_layers.py REPOSITORY_ROOT

Every project header is included by its path from the repository root; only
published headers of components keep short names. base/ is the bottom: it
includes nothing of src/, runtime/ or gateway/. The library (src/) and the
substitutes (runtime/) stand side by side on it and never include each other;
the gateway stands apart. Prints each breach; exits 1 if there is one.
"""

import re
import sys
from pathlib import Path

PUBLISHED = {"NvxWebSvc.h", "mssoap.h", "nxapi.h", "nx_loader.h", "nxcomm/frame.h"}
# The trees a tree may include from, besides its own.
ALLOWED = {
    "base": {"base"},
    "src": {"base", "src"},
    "runtime": {"base", "runtime"},
    "gateway": {"gateway"},
    "tools": {"tools"},  # clients of the library: its published headers only
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def breaches(root):
    for tree, allowed in ALLOWED.items():
        for source in sorted((root / tree).rglob("*")):
            if source.suffix not in {".h", ".cpp", ".c"}:
                continue
            for name in INCLUDE.findall(source.read_text(errors="replace")):
                where = source.relative_to(root)
                if name in PUBLISHED:
                    continue
                if not (root / name).is_file():
                    yield f"{where}: \"{name}\" is not a path from the repository root"
                elif name.split("/")[0] not in allowed:
                    yield f"{where}: \"{name}\" reaches into another layer"


def main():
    found = list(breaches(Path(sys.argv[1])))
    for line in found:
        print(line)
    print(f"{len(found)} breach(es)" if found else "layers kept")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
