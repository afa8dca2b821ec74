#!/usr/bin/python3
"""Checks that the error reference documents every error description the
library and its toolkit substitute can produce, and nothing they no longer do.

    check_error_reference.py REPOSITORY_ROOT

Descriptions are found in two mechanical ways:

1. Named constants, `inline constexpr char kName[] = "text";` (or wchar_t,
   L"text"), in the headers listed in MESSAGE_HEADERS: the headers that name
   a kind of error of the library.
2. Descriptions composed where the toolkit raises an exception: the third
   argument of every `Raise(exception, status, description)` call in the
   files of RAISING_SOURCES. Its string literals are kept and every other
   piece of the expression (an operation name, a URL, a system text) becomes
   "…", so `L"The result of " + name + L" is not valid"` is documented as
   "The result of … is not valid". A description without any literal (a
   service's own fault text, a system text) is documented in prose instead.

The reference (REFERENCE) gives each description as a level-3 heading holding
the text in double quotes: ### "HTTP/Timeout/Network problem".

To add error texts (at a merge, say): put them as named constants in a header
of MESSAGE_HEADERS (add the header to the list if it is new) or raise them
through Raise(); then add a ### "text" entry to docs/errors.md with its
HRESULT, causes and what to do. A text that is composed of pieces in another
way needs a pattern of its own in this script.
"""

import re
import sys
from pathlib import Path

MESSAGE_HEADERS = [
    "src/facade/soap_call.h",
    "src/transport/error_reply.h",
]
RAISING_SOURCES = ["runtime/soaptk/**/*.cpp"]
REFERENCE = "docs/errors.md"

CONSTANT = re.compile(r'inline\s+constexpr\s+(?:char|wchar_t)\s+k\w+\[\]\s*=\s*L?"((?:[^"\\]|\\.)*)"\s*;')
LITERAL = re.compile(r'L?"((?:[^"\\]|\\.)*)"')
ENTRY = re.compile(r'^###\s+"(.+)"\s*$', re.M)
PLACEHOLDER = "…"


def named_constants(root):
    for header in MESSAGE_HEADERS:
        yield from CONSTANT.findall((root / header).read_text())


def call_arguments(text, start):
    """The top-level arguments of the call whose "(" is at `start`."""
    depth, current, arguments, in_string = 0, "", [], False
    for index in range(start, len(text)):
        c = text[index]
        if in_string:
            current += c
            if c == '"' and text[index - 1] != "\\":
                in_string = False
            continue
        if c == '"':
            in_string = True
        elif c == "(":
            depth += 1
            if depth == 1:
                continue
        elif c == ")":
            depth -= 1
            if depth == 0:
                return arguments + [current.strip()]
        elif c == "," and depth == 1:
            arguments.append(current.strip())
            current = ""
            continue
        current += c
    return arguments


def pattern_of(expression):
    """The literals of a concatenation, with "…" for every other piece."""
    text, position, found = "", 0, False
    for literal in LITERAL.finditer(expression):
        if expression[position : literal.start()].strip(" \t\n+"):
            text += PLACEHOLDER
        text += literal.group(1).replace('\\"', '"')
        position, found = literal.end(), True
    if expression[position:].strip(" \t\n+"):
        text += PLACEHOLDER
    return text if found else None


def raised_descriptions(root):
    for pattern in RAISING_SOURCES:
        for source in sorted(root.glob(pattern)):
            text = source.read_text()
            for match in re.finditer(r"\bRaise\s*\(", text):
                arguments = call_arguments(text, match.end() - 1)
                if len(arguments) == 3 and (description := pattern_of(arguments[2])):
                    yield description


def main():
    root = Path(sys.argv[1])
    in_code = set(named_constants(root)) | set(raised_descriptions(root))
    documented = set(ENTRY.findall((root / REFERENCE).read_text()))
    missing = sorted(in_code - documented)
    stale = sorted(documented - in_code)
    for text in missing:
        print(f'not in {REFERENCE}: "{text}"')
    for text in stale:
        print(f'in {REFERENCE} but produced nowhere: "{text}"')
    print(f"{len(in_code)} descriptions in the code, {len(documented)} in the reference")
    return 1 if missing or stale or not in_code else 0


if __name__ == "__main__":
    sys.exit(main())
