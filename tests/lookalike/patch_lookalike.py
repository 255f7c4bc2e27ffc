#!/usr/bin/python3
"""Turns the linked Lookalike.exe into a file the scanner takes for W32/Drellmoxin.Pyz.Worm.

    patch_lookalike.py EXE           write both signatures into the pad and size the file
    patch_lookalike.py --check EXE   only verify that EXE carries them (exit 1 if not)

Positions are mapped the way the scanner's matcher maps them, which is not quite the loader's
way: the PE header position is the low 16 bits of e_lfanew, the section table is always read
224 bytes after the optional header's start, and an RVA goes through the first section whose
VirtualAddress + VirtualSize lies above it (its start is not tested).
"""
import struct
import sys

import pefile

FILE_SIZE = 322088
SIGNATURES = (
    (312, bytes.fromhex("948A1D062C124000A4144100402B4000302B4000")),
    (63234, bytes.fromhex("545F53494E4B5F5175657279496E746572666163")),
)
PAD_BYTE = 0x5A
OVERLAY_BYTE = 0x00
MASK32 = 0xFFFFFFFF


def matcher_headers(data):
    """Entry point RVA, SizeOfHeaders and (VirtualSize, VirtualAddress, PointerToRawData) rows."""
    pe_pos = struct.unpack_from("<H", data, 60)[0]
    if data[pe_pos:pe_pos + 4] != b"PE\0\0":
        raise ValueError("no PE signature at the position stored at byte 60")
    count = struct.unpack_from("<H", data, pe_pos + 4 + 2)[0]
    optional = pe_pos + 24
    entry = struct.unpack_from("<I", data, optional + 16)[0]
    size_of_headers = struct.unpack_from("<I", data, optional + 60)[0]
    table = pe_pos + 248
    # VirtualSize at byte 8, VirtualAddress at 12, PointerToRawData at 20 of each 40-byte entry
    rows = [struct.unpack_from("<8xII4xI", data, table + 40 * i) for i in range(count)]
    return entry, size_of_headers, rows


def rva_to_file_offset(rva, rows, size_of_headers, file_length):
    chosen = next((r for r in rows if (r[1] + r[0]) & MASK32 > rva), rows[-1] if rows else None)
    offset = rva if chosen is None else (rva + chosen[2] - chosen[1]) & MASK32
    if offset >= file_length:
        offset = rva
    return size_of_headers if offset == 0 else offset


def signature_offsets(data, file_length):
    entry, size_of_headers, rows = matcher_headers(data)
    return [(rva_to_file_offset((entry + distance) & MASK32, rows, size_of_headers, file_length),
             signature) for distance, signature in SIGNATURES]


PE32_PLUS = 0x20B
PLUS_DIRECTORIES = 112   # where a PE32+ optional header's data directories begin


def shrink_plus_optional_header(data):
    """A PE32+ optional header is 240 bytes with its 16 data directories; the matcher reads the
    section table 224 bytes after its start. Dropping the last two directories (the runtime
    header and the reserved one, both empty in a native program) gives 224 bytes, which the
    loader accepts: NumberOfRvaAndSizes says how many follow."""
    pe_pos = struct.unpack_from("<H", data, 60)[0]
    optional = pe_pos + 24
    size = struct.unpack_from("<H", data, pe_pos + 20)[0]
    if struct.unpack_from("<H", data, optional)[0] != PE32_PLUS or size == 224:
        return
    if size != 240 or any(data[optional + 224:optional + 240]):
        raise ValueError("unexpected PE32+ optional header: %d bytes, last directories in use" % size)
    count = struct.unpack_from("<H", data, pe_pos + 6)[0]
    table = data[optional + 240:optional + 240 + 40 * count]
    data[optional + 224:optional + 224 + len(table)] = table
    data[optional + 224 + len(table):optional + 240 + len(table)] = bytes(16)
    struct.pack_into("<H", data, pe_pos + 20, 224)
    struct.pack_into("<I", data, optional + PLUS_DIRECTORIES - 4, 14)


def cross_check_with_pefile(data):
    """The fixed +248 table position only agrees with the loader for a 224-byte optional header."""
    pe = pefile.PE(data=bytes(data), fast_load=True)
    if pe.FILE_HEADER.SizeOfOptionalHeader != 224:
        raise ValueError("optional header is not 224 bytes; the matcher would misread the sections")
    if [s.Name.rstrip(b"\0") for s in pe.sections][:1] != [b".text"]:
        raise ValueError("pefile does not find the sections where the matcher reads them")


def patch(path):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    if len(data) > FILE_SIZE:
        raise ValueError("linked image is larger than the sample size")
    shrink_plus_optional_header(data)
    cross_check_with_pefile(data)
    for offset, signature in signature_offsets(data, FILE_SIZE):
        window = data[offset:offset + len(signature)]
        if window == signature:
            continue  # patched before: the build step may run again on an unchanged file
        if window != bytes([PAD_BYTE]) * len(signature):
            raise ValueError("signature position 0x%x is not inside the pad" % offset)
        data[offset:offset + len(signature)] = signature
    data += bytes([OVERLAY_BYTE]) * (FILE_SIZE - len(data))
    with open(path, "wb") as f:
        f.write(data)


def carries_signatures(path):
    with open(path, "rb") as f:
        data = f.read()
    cross_check_with_pefile(data)
    return len(data) == FILE_SIZE and all(
        data[offset:offset + len(signature)] == signature
        for offset, signature in signature_offsets(data, len(data)))


def main(argv):
    if len(argv) == 3 and argv[1] == "--check":
        return 0 if carries_signatures(argv[2]) else 1
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    patch(argv[1])
    return 0 if carries_signatures(argv[1]) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
