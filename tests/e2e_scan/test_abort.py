"""Terminating a long scan through the real window: CANCEL, X and Esc answered Yes, Esc answered
No, and a posted quit or destroy message.

C: holds one infected file, which the walk meets before it reaches D:; D: is a tree of
thousands of clean files, during whose walk each test terminates the scan; E: holds one more
infected file, which a terminated scan never reaches (the walk of every later drive returns at
its first look at the abort flag). Each test runs the program once. How the window's buttons change on the way is left to the
main-window tests (tests/e2e_window); these check what the scan has done when it ends.
"""

import os
import re
import sys
import unittest

import swtest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "samples"))
import gen_samples  # noqa: E402
import scanrun  # noqa: E402
from scanrun import (COMPLETED, IDCANCEL, IDC_CLOSE_X, IDNO, IDYES, TERMINATED,  # noqa: E402
                     TERMINATE_QUESTION, TITLE, WM_DESTROY, removed_line, statistics, split_statistics)

EARLY = "early\\early sample.exe"     # on C:
LATE = "late\\late sample.exe"        # on E:
EARLY_RECORD, LATE_RECORD = 13, 27
TREE_FOLDERS, FILES_PER_FOLDER = 100, 100
WM_USER = 0x400
SCANNED = re.compile(r"^Total files scanned\t\t:  (\d+)$")


def write_tree(root):
    """Nested folders of clean files that all have the size of some record's sample, so that
    the matcher opens every one of them (they are sparse and hold no PE header): a walk that
    takes long enough to be terminated in its middle."""
    sizes = sorted({r.file_size for r in gen_samples.load_records()})
    for n in range(TREE_FOLDERS):
        folder = os.path.join(root, "part %02d" % (n // 10), "folder %03d" % n)
        os.makedirs(folder)
        for m in range(FILES_PER_FOLDER):
            with open(os.path.join(folder, "file %03d.dat" % m), "wb") as f:
                f.truncate(sizes[(n + m) % len(sizes)])


def write_sample(root, path, index):
    return scanrun.plant(root, path, gen_samples.matching_sample(gen_samples.record_by_index(index), "one"))


class AbortTest(swtest.WineTestCase):

    @classmethod
    def prepare_prefix(cls, prefix):
        cls.roots = {"D": os.path.join(prefix.path, "drive_d"), "E": os.path.join(prefix.path, "drive_e")}
        write_tree(cls.roots["D"])
        os.makedirs(cls.roots["E"])
        for letter, root in cls.roots.items():
            prefix.map_drive(letter, root)

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.prefix.set_windows_version("winxp")
        cls.exe = cls.prefix.install_program()

    def setUp(self):
        super().setUp()
        self.early = write_sample(self.prefix.drive_c, EARLY, EARLY_RECORD)
        self.late = write_sample(self.roots["E"], LATE, LATE_RECORD)
        self.files_c = scanrun.count_files(self.prefix.drive_c)
        self.files_d = scanrun.count_files(self.roots["D"])
        self.run = scanrun.ScanRun(self.prefix, self.exe)
        self.addCleanup(self.run.process.kill)
        self.run.click_scan()
        self.run.wait_for_drive("D")

    def ask_and_answer(self, caption, answer):
        question = self.run.wait_for_question()
        self.assertEqual((question["text"], question["message"]), (caption, TERMINATE_QUESTION))
        self.run.answer(question, answer)

    def check_terminated(self):
        result = self.run.finish()
        self.assertEqual(result.status, TERMINATED)
        found, stats = split_statistics(result.lines)
        self.assertEqual(found, [removed_line("C:\\" + EARLY, gen_samples.record_by_index(EARLY_RECORD).name)])
        scanned = int(SCANNED.match(stats[3]).group(1))
        # All of C: and part of D: were walked.
        self.assertGreaterEqual(scanned, self.files_c)
        self.assertLess(scanned, self.files_c + self.files_d)
        self.assertEqual(stats, statistics(scanned, 1, 1))
        self.assertFalse(os.path.exists(self.early))
        self.assertTrue(os.path.exists(self.late), "E: is not walked after the termination")
        self.assertEqual(result.boxes, [])
        # 1223, terminated by the user; the shell sees the low 8 bits.
        self.assertEqual(self.run.close(), 1223 & 0xFF, "OK ends the program after a terminated scan")

    def test_cancel_answered_yes_terminates(self):
        self.driver.click(self.run.hwnd, IDCANCEL)
        self.ask_and_answer(TITLE, IDYES)
        self.check_terminated()

    def test_close_button_answered_yes_terminates(self):
        self.driver.click(self.run.hwnd, IDC_CLOSE_X)
        self.ask_and_answer("DialogBoxTitle", IDYES)
        self.check_terminated()

    def test_escape_answered_yes_terminates(self):
        self.driver.key(self.run.hwnd, "esc")
        self.ask_and_answer(TITLE, IDYES)
        self.check_terminated()

    def test_escape_answered_no_lets_the_scan_finish(self):
        self.driver.post(self.run.hwnd, WM_USER + 7, 0x5A001B)   # carries Esc's 27, but is no key press
        self.assertFalse(self.driver.call("msgdlg", "owner", self.run.hwnd, 1500)["ok"], "nothing asked")
        self.driver.key(self.run.hwnd, "esc")
        self.ask_and_answer(TITLE, IDNO)
        result = self.run.finish()
        self.assertEqual(result.status, COMPLETED)
        late_line = removed_line("E:\\" + LATE, gen_samples.record_by_index(LATE_RECORD).name)
        early_line = removed_line("C:\\" + EARLY, gen_samples.record_by_index(EARLY_RECORD).name)
        self.assertEqual(result.lines, [early_line, late_line]
                         + statistics(self.files_c + self.files_d + 1, 2, 2))
        self.assertFalse(os.path.exists(self.late))
        self.assertEqual(self.run.close(), 1, "every infected file removed")

    def test_posted_quit_terminates_without_a_question(self):
        self.driver.quit(self.run.hwnd)
        self.check_terminated()

    def test_posted_destroy_terminates_without_a_question(self):
        self.driver.post(self.run.hwnd, WM_DESTROY)
        self.check_terminated()


if __name__ == "__main__":
    unittest.main(verbosity=2)
