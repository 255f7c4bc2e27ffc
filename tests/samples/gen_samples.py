#!/usr/bin/python3
"""Harmless look-alike PE files for the signature records: the exact size of a record's
sample, PE headers a matcher can read, and the record's two 20-byte signatures at the file
offsets their RVAs (entry point + offset, 32-bit wrap) map to. Everything else is zero, and
no code is carried: the files only look like the samples to a signature matcher.

    gen_samples.py --out DIR [--records 1,10,39]

writes every sample, near miss and layout variant into DIR with manifest.txt (one line a
file: name, expected record number or 0 for clean, expected name or "-", kind, size) and
records.txt (the records as the tests compare them with the compiled table).

Layouts of the matching samples:
  one         one section holds both signatures
  multi       three sections, the signatures in the first two, whose RVA-to-file
              displacements differ by 0x1000
  edge        the first section ends exactly where the higher signature starts, so it is
              mapped through the second
  below       the lower signature's RVA lies below the first section (mapped through it)
  beyond      the higher signature maps past the end of the file (the RVA itself is used)
  nosections  no section at all: the RVA is the file offset
  zero        the lower signature's RVA is 0, which maps to SizeOfHeaders
  wrap        entry point + a negative offset wraps below zero (a section near 4 GiB)
  sections20  as "one", with as many sections as the matcher's section table holds
Near misses (clean): size_minus1, size_plus1, sig1_byte, sig2_byte, pe64k (PE header at
0x10080: only its low 16 bits are read), sections21, no_pe_signature, truncated_*.
Combinations (several records of one size in one file) match their first record."""
import argparse
import json
import os
import struct
import sys
from dataclasses import dataclass, field

HERE = os.path.dirname(os.path.abspath(__file__))
RECORDS_JSON = os.path.join(HERE, "records.json")
SIG_LEN = 20
FILE_ALIGN = 0x200
SECT_ALIGN = 0x1000
DEFAULT_LFANEW = 0x80
PE_SIGNATURE = b"PE\0\0"
U32 = 0xFFFFFFFF

LAYOUTS = ["one", "multi", "edge", "below", "beyond", "nosections", "zero", "wrap", "sections20"]
NEAR_MISSES = ["size_minus1", "size_plus1", "sig1_byte", "sig2_byte", "pe64k", "sections21",
               "no_pe_signature", "truncated_header", "truncated_dos"]
# Records of equal size whose signatures can share one file; the first in table order wins.
# 39 and 40 differ in size by one byte: their file has 39's size (40 fits it only under a
# tolerant size test).
COMBINATIONS = [[7, 39, 41, 43], [9, 13, 20], [13, 20], [11, 19], [10, 12], [39, 40]]


@dataclass
class Record:
    index: int
    name: str
    file_size: int
    offsets: tuple
    signatures: tuple
    size_test: int = 1


@dataclass
class Section:
    va: int
    vsize: int
    ptr: int
    rawsize: int
    name: bytes = b".text"


@dataclass
class Sample:
    name: str
    kind: str
    records: list            # the records whose signatures it carries
    size: int
    lfanew: int
    entry_point: int
    sections: list
    size_of_headers: int
    placements: list = field(default_factory=list)   # (record index, 0 or 1, rva, file offset)
    pe_signature: bytes = PE_SIGNATURE
    truncate_to: int = None
    flipped: tuple = None    # (record index, signature 0 or 1) changed in one byte
    expected: int = 0        # record number the matcher reports, 0 for clean

    def patches(self):
        yield 0, b"MZ"
        yield 0x3C, struct.pack("<I", self.lfanew)
        yield self.lfanew, self.pe_signature + file_header(len(self.sections)) + \
            optional_header(self.entry_point, self.size_of_headers, self.sections) + \
            b"".join(section_header(s) for s in self.sections)
        for index, which, _rva, offset in self.placements:
            data = bytearray(record_by_index(index).signatures[which])
            if self.flipped == (index, which):
                data[SIG_LEN // 2] ^= 0x01
            yield offset, bytes(data)

    def length(self):
        return self.truncate_to if self.truncate_to is not None else self.size

    def to_bytes(self):
        data = bytearray(self.size)
        for offset, chunk in self.patches():
            data[offset:offset + len(chunk)] = chunk
        return bytes(data[:self.length()])

    def write(self, folder):
        """Writes the file sparsely (only its non-zero parts) and returns its path."""
        path = os.path.join(folder, self.name)
        with open(path, "wb") as f:
            f.truncate(self.length())
            for offset, chunk in self.patches():
                chunk = chunk[:max(0, self.length() - offset)]
                if chunk:
                    f.seek(offset)
                    f.write(chunk)
        return path


_RECORDS = {}


def load_records(path=RECORDS_JSON):
    with open(path, encoding="utf-8") as f:
        rows = json.load(f)
    records = [Record(r["index"], r["name"], r["fileSize"], (r["entryOffset1"], r["entryOffset2"]),
                      (bytes.fromhex(r["signature1"]), bytes.fromhex(r["signature2"])), r["sizeTest"])
               for r in rows]
    _RECORDS.update((r.index, r) for r in records)
    return records


def record_by_index(index):
    if not _RECORDS:
        load_records()
    return _RECORDS[index]


def align_up(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def align_down(value, alignment):
    return value // alignment * alignment


def file_header(count):
    # i386, sections, time stamp, no symbols, 224-byte optional header, 32-bit executable
    return struct.pack("<HHIIIHH", 0x14C, count, 0x3E000000, 0, 0, 224, 0x010F)


def optional_header(entry_point, size_of_headers, sections):
    image_end = max([size_of_headers] + [s.va + s.vsize for s in sections])
    size_of_image = min(align_up(image_end, SECT_ALIGN), U32 - SECT_ALIGN + 1)
    head = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII",
                       0x10B, 6, 0, 0, 0, 0, entry_point & U32, 0x1000, 0x1000, 0x400000,
                       SECT_ALIGN, FILE_ALIGN, 4, 0, 0, 0, 4, 0, 0, size_of_image, size_of_headers,
                       0, 2, 0, 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
    assert len(head) == 96
    return head + bytes(16 * 8)


def section_header(section):
    return struct.pack("<8sIIIIIIHHI", section.name, section.vsize, section.va, section.rawsize,
                       section.ptr, 0, 0, 0, 0, 0x60000020)


def headers_end(lfanew, count):
    return lfanew + 4 + 20 + 224 + 40 * count


def map_rva(rva, sections, file_length, size_of_headers):
    """The matcher's mapping: first section ending above the RVA, else the last; the RVA
    itself when the result is not inside the file; SizeOfHeaders for offset 0."""
    offset = rva
    if sections:
        chosen = next((s for s in sections if (s.va + s.vsize) & U32 > rva), sections[-1])
        offset = (rva + chosen.ptr - chosen.va) & U32
    if offset >= file_length:
        offset = rva
    return offset if offset != 0 else size_of_headers


# ---- layouts: (entry point, sections, SizeOfHeaders) for the records' signatures, or None

def span(records):
    offsets = [o for r in records for o in r.offsets]
    return min(offsets), max(offsets)


def first_section(records, count, lfanew=DEFAULT_LFANEW):
    """File and virtual start of a first section right after the headers, and the entry
    point that puts the lowest signature 0x200 bytes into it."""
    ptr = align_up(headers_end(lfanew, count), FILE_ALIGN)
    va = align_up(ptr, SECT_ALIGN)
    return ptr, va, va + 0x200 - span(records)[0]


def layout_one(records, size, lfanew=DEFAULT_LFANEW, extra_sections=0):
    # A header far into the file leaves the section data before it, as the samples are tight.
    ptr1, va1, entry = first_section(records, 1 + extra_sections, min(lfanew, DEFAULT_LFANEW))
    raw1 = align_down(size - ptr1, FILE_ALIGN)
    sections = [Section(va1, raw1, ptr1, raw1)]
    va = align_up(va1 + raw1, SECT_ALIGN)
    for n in range(extra_sections):
        sections.append(Section(va, 0x1000, 0, 0, b".x%02d" % n))
        va += 0x1000
    return entry, sections, ptr1


def layout_multi(records, size):
    if len(records) != 1:
        return None
    low, high = span(records)
    ptr1, va1, entry = first_section(records, 3)
    rva_low, rva_high = entry + low, entry + high
    va2 = align_down(rva_high, SECT_ALIGN)
    vsize1 = va2 - SECT_ALIGN - va1    # a hole of one page shifts the second section's mapping
    if va1 + vsize1 < rva_low + SIG_LEN:
        return None
    ptr2 = ptr1 + vsize1
    raw2 = align_up(rva_high + SIG_LEN - va2, FILE_ALIGN) + FILE_ALIGN
    ptr3 = ptr2 + raw2
    raw3 = max(0, align_down(size - ptr3, FILE_ALIGN))
    va3 = align_up(va2 + raw2, SECT_ALIGN)
    sections = [Section(va1, vsize1, ptr1, vsize1), Section(va2, raw2, ptr2, raw2, b".data"),
                Section(va3, max(raw3, 0x1000), ptr3 if raw3 else 0, raw3, b".rsrc")]
    return entry, sections, ptr1


def layout_edge(records, size):
    if len(records) != 1:
        return None
    high = span(records)[1]
    ptr1, va1, entry = first_section(records, 2)
    entry += -(entry + high) % SECT_ALIGN     # the higher signature starts a page
    rva_high = entry + high
    vsize1 = rva_high - va1                   # so the first section ends exactly there
    ptr2 = ptr1 + vsize1 + FILE_ALIGN         # and the second maps 0x200 further on
    raw2 = align_up(SIG_LEN, FILE_ALIGN)
    return entry, [Section(va1, vsize1, ptr1, vsize1), Section(rva_high, raw2, ptr2, raw2, b".data")], ptr1


def layout_below(records, size):
    if len(records) != 1:
        return None
    low, high = span(records)
    end = align_up(headers_end(DEFAULT_LFANEW, 1), FILE_ALIGN)
    entry = 0x200 - low
    rva_low, rva_high = 0x200, entry + high
    va1 = align_up(rva_low + SIG_LEN, SECT_ALIGN) + SECT_ALIGN
    # The lower signature lands 0x400 bytes past its RVA, so reading at the RVA would miss it.
    ptr1 = align_up(end + va1 - rva_low, FILE_ALIGN) + 0x400
    vsize1 = align_up(rva_high + SIG_LEN - va1, FILE_ALIGN)
    raw1 = min(vsize1, align_down(size - ptr1, FILE_ALIGN))
    return entry, [Section(va1, vsize1, ptr1, raw1)], end


def layout_beyond(records, size):
    if len(records) != 1:
        return None
    high = span(records)[1]
    ptr1, va1, entry = first_section(records, 2)
    rva_high = entry + high
    va2 = va1 + SECT_ALIGN
    if rva_high < va2:
        return None
    vsize2 = align_up(rva_high + SIG_LEN - va2, SECT_ALIGN)
    ptr2 = align_up(size, FILE_ALIGN) + FILE_ALIGN    # raw data past the end of the file
    return entry, [Section(va1, SECT_ALIGN, ptr1, SECT_ALIGN),
                   Section(va2, vsize2, ptr2, FILE_ALIGN, b".data")], ptr1


def layout_nosections(records, size):
    low, _high = span(records)
    return 0x400 - low, [], align_up(headers_end(DEFAULT_LFANEW, 0), FILE_ALIGN)


def layout_zero(records, size):
    if len(records) != 1:
        return None
    low, _high = span(records)
    return -low, [], 0x400


def layout_wrap(records, size):
    if len(records) != 1:
        return None
    low, high = span(records)
    entry = min(SECT_ALIGN, -low - 0x100)    # below -low, so entry + low wraps past zero
    if entry <= 0:
        return None
    rva_low, rva_high = (entry + low) & U32, (entry + high) & U32
    ptr = align_up(headers_end(DEFAULT_LFANEW, 2), FILE_ALIGN)
    sections = []
    if entry + high >= 0:                     # the higher signature stays in low memory
        va1 = align_down(rva_high, SECT_ALIGN)
        raw1 = align_up(rva_high + SIG_LEN - va1, FILE_ALIGN) + FILE_ALIGN
        sections.append(Section(va1, raw1, ptr, raw1))
        ptr += raw1
    va2 = align_down(rva_low, SECT_ALIGN)
    raw2 = align_up(max(rva_low, rva_high if entry + high < 0 else 0) + SIG_LEN - va2, FILE_ALIGN)
    # Ends at 0xFFFFFFFF: a section reaching 4 GiB would end at 0 after the wrap.
    sections.append(Section(va2, U32 - va2, ptr, raw2, b".wrap"))
    return entry, sections, align_up(headers_end(DEFAULT_LFANEW, len(sections)), FILE_ALIGN)


def layout_sections20(records, size):
    return layout_one(records, size, extra_sections=19)


LAYOUT_FUNCTIONS = {"one": layout_one, "multi": layout_multi, "edge": layout_edge, "below": layout_below,
                    "beyond": layout_beyond, "nosections": layout_nosections, "zero": layout_zero,
                    "wrap": layout_wrap, "sections20": layout_sections20}


def place(name, kind, records, size, plan, lfanew=DEFAULT_LFANEW):
    """Puts the records' signatures where the plan maps them; None when they do not fit the
    file, collide with the headers, or overlap each other with different bytes."""
    if plan is None:
        return None
    entry, sections, size_of_headers = plan
    sample = Sample(name, kind, list(records), size, lfanew, entry & U32, sections, size_of_headers)
    headers = [(0, 0x40), (lfanew, headers_end(lfanew, len(sections)))]
    written = {}
    for record in records:
        for which in (0, 1):
            rva = (entry + record.offsets[which]) & U32
            offset = map_rva(rva, sections, size, size_of_headers)
            if offset + SIG_LEN > size or any(offset < end and start < offset + SIG_LEN
                                              for start, end in headers):
                return None
            for i, byte in enumerate(record.signatures[which]):
                if written.setdefault(offset + i, byte) != byte:
                    return None
            sample.placements.append((record.index, which, rva, offset))
    return sample


def matching_sample(record, layout):
    return place("r%02d_%s.exe" % (record.index, layout), layout, [record], record.file_size,
                 LAYOUT_FUNCTIONS[layout]([record], record.file_size))


def near_miss(record, kind):
    size = record.file_size
    one = layout_one([record], size)
    name = "r%02d_%s.exe" % (record.index, kind)
    if kind == "size_minus1":
        return place(name, kind, [record], size - 1, one)
    if kind == "size_plus1":
        return place(name, kind, [record], size + 1, one)
    if kind == "pe64k":
        lfanew = 0x10000 + DEFAULT_LFANEW
        return place(name, kind, [record], size, layout_one([record], size, lfanew), lfanew)
    if kind == "sections21":
        return place(name, kind, [record], size, layout_one([record], size, extra_sections=20))
    sample = place(name, kind, [record], size, one)
    if kind in ("sig1_byte", "sig2_byte"):
        sample.flipped = (record.index, 0 if kind == "sig1_byte" else 1)
    elif kind == "no_pe_signature":
        sample.pe_signature = b"NE\0\0"
    elif kind == "truncated_header":
        sample.truncate_to = sample.lfanew + 24 + 50        # inside the optional header
    elif kind == "truncated_dos":
        sample.truncate_to = 61                             # inside e_lfanew's low two bytes
    return sample


def combination(indices):
    records = [record_by_index(i) for i in indices]
    size = records[0].file_size
    return place("combo_%s.exe" % "_".join("%02d" % i for i in indices), "combination", records,
                 size, layout_one(records, size))


# ---- the matcher's algorithm over a file's bytes, to check each sample's intent

def first_match(data, records):
    """Number of the first record that matches data, or 0, as the matcher decides it."""
    def read(position, length):
        return data[position:position + length] if position + length <= len(data) else None
    field = read(0x3C, 2)
    if field is None:
        return 0
    pos = struct.unpack("<H", field)[0]
    if read(pos, 4) != PE_SIGNATURE or read(pos + 4, 20) is None:
        return 0
    count = struct.unpack("<H", data[pos + 6:pos + 8])[0]
    optional = read(pos + 24, 96)
    table = read(pos + 248, 40 * count)
    if optional is None or count > 20 or table is None:
        return 0
    entry, size_of_headers = struct.unpack("<I", optional[16:20])[0], struct.unpack("<I", optional[60:64])[0]
    sections = []
    for n in range(count):
        vsize, va, _raw, ptr = struct.unpack("<IIII", table[40 * n + 8:40 * n + 24])
        sections.append(Section(va, vsize, ptr, 0))
    for record in records:
        if record.size_test != 1 or record.file_size != len(data):
            continue
        if all(read(map_rva((entry + record.offsets[w]) & U32, sections, len(data), size_of_headers),
                    SIG_LEN) == record.signatures[w] for w in (0, 1)):
            return record.index
    return 0


def build_all(records, table=None):
    """Every sample for the given records, each with its expected result filled in from
    the full table (so a file meant for one record is also shown to match no earlier one)."""
    table = table or load_records()
    samples = []
    for record in records:
        samples += [s for s in (matching_sample(record, layout) for layout in LAYOUTS) if s]
        samples += [near_miss(record, kind) for kind in NEAR_MISSES]
    wanted = {r.index for r in records}
    samples += [combination(c) for c in COMBINATIONS if wanted.issuperset(c)]
    for sample in samples:
        sample.expected = first_match(sample.to_bytes(), table)
        intended = sample.records[0].index if sample.kind in LAYOUTS + ["combination"] else 0
        if sample.expected != intended:
            raise AssertionError("%s: matches record %d, meant %d" % (sample.name, sample.expected, intended))
    return samples


def write_all(folder, records=None):
    table = load_records()
    records = records or table
    os.makedirs(folder, exist_ok=True)
    samples = build_all(records, table)
    with open(os.path.join(folder, "manifest.txt"), "w") as manifest:
        for sample in samples:
            sample.write(folder)
            name = record_by_index(sample.expected).name if sample.expected else "-"
            manifest.write("%s\t%d\t%s\t%s\t%d\n" % (sample.name, sample.expected, name, sample.kind,
                                                     sample.length()))
    with open(os.path.join(folder, "records.txt"), "w") as out:
        for r in table:
            out.write("%d|%s|%d|%d|%s|%d|%s|%d\n" % (r.index, r.name, r.file_size, r.offsets[0],
                                                      r.signatures[0].hex().upper(), r.offsets[1],
                                                      r.signatures[1].hex().upper(), r.size_test))
    return samples


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--out", required=True, help="folder to write the samples into")
    parser.add_argument("--records", help="comma-separated record numbers (default: all)")
    args = parser.parse_args()
    table = load_records()
    chosen = [record_by_index(int(n)) for n in args.records.split(",")] if args.records else table
    samples = write_all(args.out, chosen)
    print("%d files written to %s" % (len(samples), args.out))


if __name__ == "__main__":
    sys.exit(main())
