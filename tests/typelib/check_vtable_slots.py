#!/usr/bin/python3
"""Checks, outside Windows, that type libraries place members in vtable slots
of the build's pointer size.

    check_vtable_slots.py POINTER_SIZE LIBRARY.tlb...

A client calling through IDispatch finds a member at the vtable offset that
the library records, so a 32-bit library laid out with 64-bit pointers sends
every call to the wrong slot. For every interface and dual interface of each
library (an MSFT type library file) this asserts: the system kind matches the
pointer size, the vtable size is a whole number of pointers, and the
interface's own members fill its last slots, one pointer apart. Prints each
breach; exits 1 if there is one.
"""

import struct
import sys

MAGIC = 0x5446534D  # "MSFT"
HEADER_SIZE = 0x54
HAS_HELP_DLL = 0x100
TYPE_BASE_SIZE = 0x64
TKIND_INTERFACE, TKIND_DISPATCH = 3, 4
TYPEFLAG_FDUAL = 0x40
SYSKIND_POINTER_SIZE = {1: 4, 3: 8}  # SYS_WIN32, SYS_WIN64


class Library:
    def __init__(self, data):
        self.data = data
        if self.int32(0) != MAGIC:
            raise ValueError("not an MSFT type library")

    def int32(self, offset):
        return struct.unpack_from("<i", self.data, offset)[0]

    def int16(self, offset):
        return struct.unpack_from("<h", self.data, offset)[0]

    def pointer_size(self):
        return SYSKIND_POINTER_SIZE.get(self.int32(0x14) & 0xF)

    def type_base(self, index):
        offsets_at = HEADER_SIZE + (4 if self.int32(0x14) & HAS_HELP_DLL else 0)
        type_table = self.int32(offsets_at + 4 * self.int32(0x20))  # the first segment
        return type_table + index * TYPE_BASE_SIZE

    def types(self):
        """(index, kind, flags, vtable size, member offsets) of every type."""
        for index in range(self.int32(0x20)):
            base = self.type_base(index)
            # The low bit of a member's vtable offset is a flag, not part of it.
            offsets = [self.int16(record + 12) & ~1 for record in self.function_records(index)]
            yield index, self.int32(base) & 0xF, self.int32(base + 0x30), self.int16(base + 0x4E), offsets

    def function_records(self, index):
        base = self.type_base(index)
        record = self.int32(base + 4) + 4
        for _ in range(self.int32(base + 0x18) & 0xFFFF):
            yield record
            record += self.int32(record) & 0xFFFF


def breaches(library, pointer_size):
    if library.pointer_size() != pointer_size:
        yield f"system kind is for {library.pointer_size()}-byte pointers"
        return
    for index, kind, flags, vtable_size, offsets in library.types():
        if kind != TKIND_INTERFACE and not (kind == TKIND_DISPATCH and flags & TYPEFLAG_FDUAL):
            continue
        if vtable_size % pointer_size:
            yield f"type {index}: vtable of {vtable_size} bytes"
        expected = list(range(vtable_size - len(offsets) * pointer_size, vtable_size, pointer_size))
        if sorted(offsets) != expected:
            yield f"type {index}: members at offsets {offsets}, expected {expected}"


def main(argv):
    pointer_size, found = int(argv[1]), 0
    for path in argv[2:]:
        with open(path, "rb") as file:
            library = Library(file.read())
        for line in breaches(library, pointer_size):
            print(f"{path}: {line}")
            found += 1
    print(f"{found} breach(es)" if found else f"every member in a {pointer_size}-byte slot")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
