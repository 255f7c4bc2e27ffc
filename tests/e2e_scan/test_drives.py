"""Which drives a scan walks: every fixed drive from C: to Z:, nothing else.

Each letter below is mapped to a folder of its own holding one infected file; Wine is told the
drive types (HKLM\\Software\\Wine\\Drives) before the prefix starts. Only C: and the fixed Z:
are walked: the CD, network, removable and RAM drives are not, nor A: and B:, although they are
fixed disks here.
"""

import os
import sys
import unittest

import swtest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "samples"))
import gen_samples  # noqa: E402
import scanrun  # noqa: E402
from scanrun import host_path, removed_line, statistics  # noqa: E402

DRIVE_FIXED, DRIVE_REMOVABLE, DRIVE_REMOTE, DRIVE_CDROM, DRIVE_RAMDISK = 3, 2, 4, 5, 6
# letter: (Wine's drive type, what Windows then reports, record of the file planted there)
DRIVES = {
    "a": ("hd", DRIVE_FIXED, 1),
    "b": ("hd", DRIVE_FIXED, 2),
    "d": ("cdrom", DRIVE_CDROM, 4),
    "e": ("network", DRIVE_REMOTE, 6),
    "f": ("floppy", DRIVE_REMOVABLE, 8),
    "g": ("ramdisk", DRIVE_RAMDISK, 9),
    "z": ("hd", DRIVE_FIXED, 14),
}
SAMPLE = "probe\\drive sample.exe"
CLEAN_FILES = ("probe\\notes.txt", "probe\\deeper\\clean.dat", "top.txt")


class DriveSelectionTest(swtest.WineTestCase):

    @classmethod
    def prepare_prefix(cls, prefix):
        cls.roots = {}
        for letter, (_kind, _type, index) in DRIVES.items():
            root = cls.roots[letter] = os.path.join(prefix.path, "drive_" + letter)
            scanrun.plant(root, SAMPLE, gen_samples.matching_sample(gen_samples.record_by_index(index), "one"))
            for path in CLEAN_FILES:
                os.makedirs(os.path.dirname(host_path(root, path)), exist_ok=True)
                with open(host_path(root, path), "wb") as f:
                    f.write(path.encode("ascii"))
            prefix.map_drive(letter, root)
        scanrun.set_drive_types(prefix, {letter: kind for letter, (kind, _t, _i) in DRIVES.items()})

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.prefix.set_windows_version("winxp")
        cls.types = {d["drive"][0].lower(): d["type"] for d in cls.driver.info()["drives"]}
        exe = cls.prefix.install_program()
        cls.files_c = scanrun.count_files(cls.prefix.drive_c)
        run = scanrun.ScanRun(cls.prefix, exe)
        run.click_scan()
        cls.result = run.finish()
        cls.exit_code = run.close()

    def test_drive_types_are_as_prepared(self):
        for letter, (_kind, expected, _index) in DRIVES.items():
            self.assertEqual(self.types.get(letter), expected, "type of %s:" % letter.upper())

    def test_only_c_and_the_fixed_z_are_walked(self):
        name = gen_samples.record_by_index(DRIVES["z"][2]).name
        scanned = self.files_c + 1 + len(CLEAN_FILES)
        self.assertEqual(self.result.lines, [removed_line("Z:\\" + SAMPLE, name)] + statistics(scanned, 1, 1))
        self.assertEqual(self.result.status, scanrun.COMPLETED)

    def test_files_on_drives_not_walked_are_untouched(self):
        for letter in DRIVES:
            present = os.path.exists(host_path(self.roots[letter], SAMPLE))
            self.assertEqual(present, letter != "z", "sample on %s:" % letter.upper())
            for path in CLEAN_FILES:
                with open(host_path(self.roots[letter], path), "rb") as f:
                    self.assertEqual(f.read(), path.encode("ascii"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
