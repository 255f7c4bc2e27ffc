#!/usr/bin/python3
"""Reads every file gen_samples.py writes with pefile, a PE reader of its own, and checks
that the files are what the tests take them for: the entry point and sections pefile sees
put each record's two signatures where the matcher's mapping looks for them, nothing but
headers and those signatures is non-zero, and each near miss differs from its matching
twin in exactly the intended way."""
import json
import os
import re
import shutil
import sys
import tempfile
import unittest

import pefile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import gen_samples  # noqa: E402

U32 = 0xFFFFFFFF
SIG_LEN = 20
MATCHING = {"one", "multi", "edge", "below", "beyond", "nosections", "zero", "wrap", "sections20", "combination"}


def load_table():
    with open(os.path.join(HERE, "records.json"), encoding="utf-8") as f:
        return {r["index"]: r for r in json.load(f)}


def signatures(record):
    return [(record["entryOffset1"], bytes.fromhex(record["signature1"])),
            (record["entryOffset2"], bytes.fromhex(record["signature2"]))]


def matcher_offset(pe, rva, file_length):
    """Where the matcher reads an RVA, from the section fields as pefile parsed them."""
    sections = pe.sections
    offset = rva
    if sections:
        chosen = next((s for s in sections if (s.VirtualAddress + s.Misc_VirtualSize) & U32 > rva),
                      sections[-1])
        offset = (rva + chosen.PointerToRawData - chosen.VirtualAddress) & U32
    if offset >= file_length:
        offset = rva
    return offset if offset != 0 else pe.OPTIONAL_HEADER.SizeOfHeaders


def records_of(name):
    """r10_sig1_byte.exe carries record 10; combo_09_13_20.exe records 9, 13 and 20."""
    single = re.match(r"r(\d+)_", name)
    if single:
        return [int(single.group(1))]
    return [int(n) for n in re.match(r"combo_([\d_]+)\.exe$", name).group(1).split("_")]


class Crosscheck(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="sw_samples_")
        gen_samples.write_all(cls.folder)
        cls.table = load_table()
        cls.manifest = {}
        with open(os.path.join(cls.folder, "manifest.txt")) as f:
            for line in f:
                name, expected, expected_name, kind, size = line.rstrip("\n").split("\t")
                cls.manifest[name] = (int(expected), expected_name, kind, int(size))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def read(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read()

    def parse(self, name):
        return pefile.PE(os.path.join(self.folder, name))

    def placements(self, name):
        """(record, signature number, rva, offset pefile's view gives, bytes there)."""
        pe = self.parse(name)
        data = self.read(name)
        entry = pe.OPTIONAL_HEADER.AddressOfEntryPoint
        found = []
        for number in records_of(name):
            for which, (displacement, signature) in enumerate(signatures(self.table[number])):
                rva = (entry + displacement) & U32
                offset = matcher_offset(pe, rva, len(data))
                found.append((number, which, rva, offset, data[offset:offset + SIG_LEN], signature))
        return pe, data, found

    def assert_only_headers_and_signatures(self, name, data, pe, found):
        """Zero filler everywhere else; and a record not meant for the file may share code
        with it (the worms' variants do), but never finds both of its signatures in it."""
        lfanew = pe.DOS_HEADER.e_lfanew
        header_end = lfanew + 248 + 40 * pe.FILE_HEADER.NumberOfSections
        islands = [(0, 0x40), (lfanew, header_end)] + [(o, o + SIG_LEN) for _n, _w, _r, o, _b, _s in found]
        rest = bytearray(data)
        for start, end in islands:
            rest[start:end] = bytes(max(0, min(end, len(rest)) - start))
        self.assertEqual(rest.count(0), len(rest), "%s: non-zero filler" % name)
        windows = [data[max(0, start - SIG_LEN):end + SIG_LEN] for start, end in islands]
        meant = {n for n, *_ in found}
        for record in self.table.values():
            if record["index"] not in meant:
                present = [any(s in w for w in windows) for _d, s in signatures(record)]
                self.assertFalse(all(present), "%s holds both of record %d's signatures" % (name, record["index"]))

    def test_matching_samples_carry_their_signatures_where_the_matcher_reads(self):
        checked = 0
        for name, (expected, expected_name, kind, size) in self.manifest.items():
            if kind not in MATCHING:
                continue
            with self.subTest(name=name):
                pe, data, found = self.placements(name)
                first = self.table[records_of(name)[0]]
                self.assertEqual(len(data), first["fileSize"])
                self.assertEqual((expected, expected_name), (first["index"], first["name"]))
                self.assertEqual(pe.OPTIONAL_HEADER.get_field_absolute_offset("AddressOfEntryPoint"),
                                 pe.DOS_HEADER.e_lfanew + 24 + 16)
                for number, which, rva, offset, there, signature in found:
                    self.assertEqual(there, signature, "record %d signature %d" % (number, which + 1))
                self.assert_only_headers_and_signatures(name, data, pe, found)
                self.assert_layout(kind, pe, data, found)
                checked += 1
        self.assertGreater(checked, 46 * 5)

    def assert_layout(self, kind, pe, data, found):
        rvas = sorted(rva for _n, _w, rva, _o, _b, _s in found)
        if kind in ("one", "multi", "edge", "combination"):
            # A reader with the usual section containment agrees with the matcher's mapping.
            for _n, _w, rva, offset, _b, _s in found:
                self.assertEqual(pe.get_offset_from_rva(rva), offset)
        if kind == "one":
            self.assertEqual(len(pe.sections), 1)
        elif kind == "multi":
            holders = [pe.get_section_by_rva(rva) for rva in rvas]
            self.assertNotEqual(holders[0].VirtualAddress, holders[1].VirtualAddress)
            shifts = {s.VirtualAddress - s.PointerToRawData for s in holders}
            self.assertEqual(len(shifts), 2, "the two sections must map differently")
        elif kind == "edge":
            first = pe.sections[0]
            self.assertEqual(first.VirtualAddress + first.Misc_VirtualSize, rvas[-1])
            self.assertEqual(pe.get_section_by_rva(rvas[-1]).VirtualAddress, rvas[-1])
        elif kind == "below":
            self.assertLess(rvas[0], pe.sections[0].VirtualAddress)
            low = next(f for f in found if f[2] == rvas[0])
            self.assertNotEqual(low[3], rvas[0], "reading at the RVA itself must miss it")
        elif kind == "beyond":
            high = next(f for f in found if f[2] == rvas[-1])
            section = next(s for s in pe.sections
                           if (s.VirtualAddress + s.Misc_VirtualSize) & U32 > rvas[-1])
            self.assertGreaterEqual(rvas[-1] + section.PointerToRawData - section.VirtualAddress, len(data))
            self.assertEqual(high[3], rvas[-1])
        elif kind == "nosections":
            self.assertEqual(len(pe.sections), 0)
            self.assertTrue(all(o == r for _n, _w, r, o, _b, _s in found))
        elif kind == "zero":
            self.assertEqual(rvas[0], 0)
            self.assertEqual(next(f for f in found if f[2] == 0)[3], pe.OPTIONAL_HEADER.SizeOfHeaders)
        elif kind == "wrap":
            entry = pe.OPTIONAL_HEADER.AddressOfEntryPoint
            record = self.table[found[0][0]]
            self.assertLess(entry + record["entryOffset1"], 0, "entry point + offset must wrap")
            self.assertGreater(rvas[-1], 0xF0000000)
        elif kind == "sections20":
            self.assertEqual(len(pe.sections), 20)

    def twin(self, name):
        return re.sub(r"_[a-z0-9_]+\.exe$", "_one.exe", name)

    def test_near_misses_differ_from_their_twin_as_intended(self):
        checked = 0
        for name, (expected, expected_name, kind, size) in self.manifest.items():
            if kind in MATCHING:
                continue
            with self.subTest(name=name):
                self.assertEqual((expected, expected_name), (0, "-"))
                record = self.table[records_of(name)[0]]
                data, twin = self.read(name), self.read(self.twin(name))
                getattr(self, "check_" + kind)(name, record, data, twin)
                checked += 1
        self.assertEqual(checked, 46 * 9)

    def assert_signatures_read(self, name, record, equal):
        _pe, _data, found = self.placements(name)
        self.assertEqual([there == signature for _n, _w, _r, _o, there, signature in found], equal)
        return found

    def check_size_minus1(self, name, record, data, twin):
        self.assertEqual(len(data), record["fileSize"] - 1)
        self.assertEqual(data, twin[:-1])
        self.assert_signatures_read(name, record, [True, True])

    def check_size_plus1(self, name, record, data, twin):
        self.assertEqual(len(data), record["fileSize"] + 1)
        self.assertEqual(data, twin + b"\0")
        self.assert_signatures_read(name, record, [True, True])

    def check_one_byte(self, name, record, data, twin, which):
        self.assertEqual(len(data), record["fileSize"])
        differing = [i for i in range(len(data)) if data[i] != twin[i]] if data != twin else []
        self.assertEqual(len(differing), 1)
        found = self.assert_signatures_read(name, record, [which != 0, which != 1])
        self.assertTrue(found[which][3] <= differing[0] < found[which][3] + SIG_LEN)

    def check_sig1_byte(self, name, record, data, twin):
        self.check_one_byte(name, record, data, twin, 0)

    def check_sig2_byte(self, name, record, data, twin):
        self.check_one_byte(name, record, data, twin, 1)

    def check_pe64k(self, name, record, data, twin):
        pe = self.parse(name)
        self.assertGreaterEqual(pe.DOS_HEADER.e_lfanew, 0x10000)
        self.assertEqual(pe.NT_HEADERS.Signature, 0x4550)
        self.assertNotEqual(data[pe.DOS_HEADER.e_lfanew & 0xFFFF:][:4], b"PE\0\0")
        self.assert_signatures_read(name, record, [True, True])

    def check_sections21(self, name, record, data, twin):
        self.assertEqual(self.parse(name).FILE_HEADER.NumberOfSections, 21)
        self.assert_signatures_read(name, record, [True, True])

    def check_no_pe_signature(self, name, record, data, twin):
        with self.assertRaises(pefile.PEFormatError):
            self.parse(name)
        lfanew = int.from_bytes(data[0x3C:0x40], "little")
        self.assertEqual(data[lfanew:lfanew + 4], b"NE\0\0")
        self.assertEqual(data[:lfanew] + b"PE\0\0" + data[lfanew + 4:], twin)

    def check_truncated_header(self, name, record, data, twin):
        lfanew = int.from_bytes(data[0x3C:0x40], "little")
        self.assertTrue(lfanew + 24 < len(data) < lfanew + 24 + 96)
        self.assertEqual(data, twin[:len(data)])

    def check_truncated_dos(self, name, record, data, twin):
        self.assertEqual(len(data), 61)
        self.assertEqual(data, twin[:61])


if __name__ == "__main__":
    unittest.main()
