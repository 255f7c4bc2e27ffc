"""The restart offered after a scan that had to defer a removal, answered Yes, in a throwaway
prefix under one emulated Windows version (SW_E2E_VERSION).

D: holds an infected file that another program keeps open for reading only (the scan can
recognise it but not delete it) and one that can be removed at once. The scan reports the
first as "Unable to remove", requests its removal at the restart (wininit.ini on win98, the
pending-rename list on the NT line) and asks whether to restart; Yes ends the program through
the restart, which asks the holder to close as well. A restart of the prefix (`wineboot -r`) then removes the file. The answer
No is covered by the whole-scan tests.
"""

import os
import subprocess
import sys
import unittest

import swtest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "samples"))
import gen_samples  # noqa: E402
import scanrun  # noqa: E402
from scanrun import IDYES, SESSION_MANAGER, host_path, removed_line, statistics, waiting_line  # noqa: E402

VERSION = os.environ.get("SW_E2E_VERSION", "winxp")
NINE_X = VERSION == "win98"
HELD = "held\\deferred sample.exe"
REMOVABLE = "plain\\removable.exe"
HELD_RECORD, REMOVABLE_RECORD = 40, 7


class RestartYesTest(swtest.WineTestCase):

    @classmethod
    def prepare_prefix(cls, prefix):
        cls.drive_d = os.path.join(prefix.path, "drive_d")
        for path, index in ((HELD, HELD_RECORD), (REMOVABLE, REMOVABLE_RECORD)):
            scanrun.plant(cls.drive_d, path, gen_samples.matching_sample(gen_samples.record_by_index(index), "one"))
        prefix.map_drive("D", cls.drive_d)

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        prefix = cls.prefix
        prefix.set_windows_version(VERSION)
        holder = prefix.install(os.environ["SW_SHAREHOLD"], "C:\\probe tools\\ShareHold.exe")
        cls.holder = prefix.spawn(holder, "D:\\" + HELD)
        exe = prefix.install_program()
        scanrun.wait_until_in_use([host_path(cls.drive_d, HELD)])
        cls.scanned = scanrun.count_files(prefix.drive_c) + 2
        run = scanrun.ScanRun(prefix, exe)
        run.click_scan()
        cls.result = run.finish(restart_answer=IDYES)
        cls.requests = cls.read_requests()
        # On the NT line deferred from a holding folder of the run's own, where it was moved
        # through its handle (Wine lets a file another program reads be moved).
        cls.deferred = HELD if NINE_X else scanrun.held_copy(cls.drive_d, HELD)
        # The restart asks every program with a window to close: the program and the holder.
        cls.exit_code = run.process.wait(60)
        prefix.end_processes()
        cls.restart = subprocess.run(["wine", "wineboot", "-r"], env=prefix.env, cwd=prefix.drive_c,
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, timeout=120)
        cls.restart_driver()

    @classmethod
    def read_requests(cls):
        """The restart requests as they stood when the question was asked."""
        wininit = os.path.join(cls.prefix.drive_c, "windows", "wininit.ini")
        content = None
        if os.path.exists(wininit):
            with open(wininit, "rb") as f:
                content = f.read()
        return content, cls.driver.reg_get(SESSION_MANAGER, "PendingFileRenameOperations")

    @classmethod
    def restart_driver(cls):
        old = cls.prefix.driver
        old.close()
        # A driver that the restart had ended leaves its pipes to the caller.
        for stream in (old.popen.stdin, old.popen.stdout):
            try:
                stream.close()
            except OSError:
                pass
        cls.prefix.driver = cls.driver = swtest.Driver(cls.prefix)

    def test_report_defers_the_held_file_and_removes_the_other(self):
        name = gen_samples.record_by_index
        found, stats = scanrun.split_statistics(self.result.lines)
        held_in = None if NINE_X else "D:\\" + self.deferred
        self.assertEqual(sorted(found), sorted([waiting_line("D:\\" + HELD, name(HELD_RECORD).name, held_in),
                                                removed_line("D:\\" + REMOVABLE, name(REMOVABLE_RECORD).name)]))
        self.assertEqual(stats, statistics(self.scanned, 2, 1))

    def test_question_asked_after_the_statistics(self):
        self.assertEqual(self.result.status, scanrun.COMPLETED)
        self.assertEqual(self.result.question, scanrun.RESTART_QUESTION)

    def test_request_was_made_the_way_of_the_windows_line(self):
        wininit, pending = self.requests
        if NINE_X:
            self.assertIsNone(pending)
            self.assertIsNotNone(wininit)
            self.assertRegex(wininit, rb"^\[rename\]\r\nNUL=D:\\held\\[^\\ ]{1,8}\.EXE\r\n$")
        else:
            self.assertIsNone(wininit)
            self.assertEqual(pending[0], "multi_sz")
            self.assertEqual(pending[1][0], "\\??\\D:\\" + self.deferred)

    def test_yes_ends_the_program(self):
        self.assertIsNotNone(self.exit_code)
        self.assertEqual(self.driver.count(scanrun.TITLE), 0)

    def test_restart_of_the_prefix_removes_the_held_file(self):
        self.assertEqual(self.restart.returncode, 0)
        self.assertFalse(os.path.exists(host_path(self.drive_d, self.deferred)))
        self.assertEqual(scanrun.holding_folders(self.drive_d), [], "the holding folder goes after its file")
        self.assertFalse(os.path.exists(host_path(self.drive_d, REMOVABLE)))
        windows = os.path.join(self.prefix.drive_c, "windows")
        self.assertIsNone(self.driver.reg_get(SESSION_MANAGER, "PendingFileRenameOperations"))
        self.assertFalse(os.path.exists(os.path.join(windows, "wininit.ini")))
        self.assertEqual(os.path.exists(os.path.join(windows, "wininit.bak")), NINE_X,
                         "the restart keeps a processed wininit.ini as wininit.bak")

    def test_kill_box_only_where_the_route_says_nothing_was_ended(self):
        # The NT line's route answers for every path once it could examine the processes.
        expected = [("D:\\" + HELD, scanrun.KILL_MESSAGE)] if NINE_X else []
        self.assertEqual(self.result.boxes, expected)


if __name__ == "__main__":
    unittest.main(verbosity=2)
