#!/usr/bin/python3
"""The slot check passes a good type library and catches each of its
interfaces laid out with pointers twice as wide, and the library taken for one
of the other bitness.

    check_vtable_slots_test.py GOOD_LIBRARY.tlb
"""

import struct
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))
from check_vtable_slots import SYSKIND_POINTER_SIZE, Library, breaches  # noqa: E402


def widened(data, library, type_index):
    """The library with one type's members at twice their vtable offsets, as
    the platform's writer lays them out in a 64-bit process."""
    data = bytearray(data)
    offsets = next(offsets for index, _, _, _, offsets in library.types() if index == type_index)
    for record, offset in zip(library.function_records(type_index), offsets):
        struct.pack_into("<h", data, record + 12, 2 * offset | 1)
    return bytes(data)


def main(path):
    data = Path(path).read_bytes()
    library = Library(data)
    size = library.pointer_size()
    failures = [f"good library: {line}" for line in breaches(library, size)]
    interfaces = [index for index, _, _, _, offsets in library.types() if offsets]
    for index in interfaces:
        if not list(breaches(Library(widened(data, library, index)), size)):
            failures.append(f"type {index} with doubled slots passed")
    other = next(s for s in SYSKIND_POINTER_SIZE.values() if s != size)
    if not list(breaches(library, other)):
        failures.append(f"passed as a library of {other}-byte pointers")
    for line in failures:
        print(line)
    print(f"{len(interfaces)} interfaces widened, {len(failures)} failure(s)")
    return 1 if failures or not interfaces else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
