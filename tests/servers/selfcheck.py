#!/usr/bin/python3
"""Checks the running loopback servers against what the tests rely on.

    selfcheck.py STATE_DIR [sample] [canned]

Reads the ports that servicectl left in STATE_DIR (both servers unless named)
and talks to them over raw sockets, shaping requests as the library writes
them, and through zeep. Prints one line per check; exits 1 if any failed.
"""

import sys
from pathlib import Path

import check_canned
import check_sample

CHECKS = {"sample": check_sample.CHECKS, "canned": check_canned.CHECKS}


def read_port(state_dir, name):
    return int((Path(state_dir) / f"{name}.port").read_text(encoding="ascii").strip())


def run_checks(name, port):
    failures = 0
    for check in CHECKS[name]:
        try:
            check(port)
        except Exception as error:  # any fault of one check is reported, the rest still run
            failures += 1
            print(f"FAIL {name}: {check.__name__}: {type(error).__name__}: {error}")
        else:
            print(f"ok   {name}: {check.__name__}")
    return failures


def main(argv):
    if len(argv) < 2 or any(name not in CHECKS for name in argv[2:]):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    names = argv[2:] or list(CHECKS)
    failures = sum(run_checks(name, read_port(argv[1], name)) for name in names)
    print(f"{failures} check(s) failed" if failures else "all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
