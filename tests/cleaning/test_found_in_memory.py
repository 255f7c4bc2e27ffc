#!/usr/bin/python3
"""The real program's memory scan under an emulated Windows XP: SCAN with a running look-alike
of the worm, the found-in-memory question of the program's own message dialog answered Cancel
and OK, and the program's end before the drive walk; and, with a process that can be ended,
the scan going on to the drive walk. Under NT 4 without the process-status library (a stock
NT 4 has none) no process can be examined: the report says so and nothing is ended.

The look-alike (CleaningHelper.exe, patched to carry the W32/Drellmoxin.Pyz.Worm signatures)
runs with "guard", which denies PROCESS_TERMINATE: neither termination works, no service of its
name exists, so a restart becomes necessary.
"""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "lib"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e_scan"))
import scanrun  # noqa: E402
import swtest  # noqa: E402

TITLE = "Sweepwright Ver 1.0"
SCAN, STATUS = 1052, 1065
QUESTION = ("W32/Drellmoxin.Trojan  found in memory! registry entries created by the worm are "
            "removed. You must restart the computer and run this program to continue scanning."
            "\n\nRestart the computer now?")
RUN_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
RUNNING = "C:\\swclean\\run\\swmem_found.exe"
IDLE = "C:\\swclean\\idle\\swidle.exe"      # a sample on disk, found only by the drive walk


def helper_path():
    path = os.environ.get("SW_CLEANING_HELPER")
    if not path:
        raise swtest.PlatformError("SW_CLEANING_HELPER is not set (the path of CleaningHelper.exe)")
    return path


class MemoryScanCase(swtest.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.prefix.set_windows_version("winxp")
        cls.program = cls.prefix.install_program()

    def place_samples(self):
        self.prefix.install(helper_path(), RUNNING)
        self.prefix.install(helper_path(), IDLE)
        self.driver.reg_set(RUN_KEY, "SwFound", "sz", RUNNING)

    def start_scan(self):
        process, window = self.start_window(self.program, TITLE)
        self.driver.click(window["hwnd"], SCAN)
        return process, window["hwnd"]

    def wait_end(self, process, timeout=30):
        deadline = time.monotonic() + timeout
        while process.running() and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertFalse(process.running(), "the program did not end")
        return process.wait()

    def ask(self, hwnd):
        """The question of the memory scan: its text and its two visible buttons."""
        question = self.driver.question(owner=hwnd, timeout_ms=30000)
        self.assertEqual(QUESTION, question["message"])
        self.assertEqual(TITLE, question["text"])
        visible = sorted(b["id"] for b in question["buttons"] if b["visible"])
        self.assertEqual([1, 2], visible)   # OK and Cancel
        return question["hwnd"]


class FoundInMemoryCancel(MemoryScanCase):
    def test_cancel_ends_the_program_before_the_drive_walk(self):
        self.place_samples()
        guarded = self.start(RUNNING, "guard")
        time.sleep(1)
        process, hwnd = self.start_scan()
        self.driver.click(self.ask(hwnd), 2)
        self.assertEqual(3010 & 0xFF, self.wait_end(process), "restart needed, not started (8 bits of 3010)")
        self.assertTrue(guarded.running(), "the guarded look-alike could not be ended")
        self.assertTrue(os.path.exists(self.prefix.unix_path(RUNNING)))
        self.assertTrue(os.path.exists(self.prefix.unix_path(IDLE)), "the drive walk ran")
        self.assertIsNone(self.driver.reg_get(RUN_KEY, "SwFound"), "its autorun value stayed")

    def test_ended_process_lets_the_drive_walk_follow(self):
        self.place_samples()
        plain = self.start(RUNNING, "sleep")
        time.sleep(1)
        process, hwnd = self.start_scan()
        self.driver.wait_text(hwnd, STATUS, "Scanning completed", timeout=240)
        self.assertEqual(0, self.driver.count("Sweepwright Ver 1.0") - 1, "a question was asked")
        lines = self.driver.list_box(hwnd, 1055)["lines"]
        self.assertIn("System Memory    W32/Drellmoxin.Trojan  removed", lines)
        self.assertIn(RUNNING + "     W32/Drellmoxin.Trojan  removed", lines)
        self.assertIn(IDLE + "     W32/Drellmoxin.Pyz.Worm removed", lines)
        self.assertFalse(os.path.exists(self.prefix.unix_path(RUNNING)))
        self.assertFalse(os.path.exists(self.prefix.unix_path(IDLE)))
        self.assertFalse(plain.running())


# Its own prefix: the restart that OK asks for ends the processes of the prefix.
class FoundInMemoryOk(MemoryScanCase):
    def test_ok_restarts_and_ends_the_program(self):
        self.place_samples()
        self.start(RUNNING, "guard")
        time.sleep(1)
        process, hwnd = self.start_scan()
        self.driver.click(self.ask(hwnd), 1)
        self.wait_end(process)
        self.assertTrue(os.path.exists(self.prefix.unix_path(IDLE)), "the drive walk ran")


class ProcessesNotExamined(MemoryScanCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.prefix.set_windows_version("nt40")
        # An empty override disables the library for this program only.
        cls.driver.reg_set("HKCU\\Software\\Wine\\AppDefaults\\Sweepwright.exe\\DllOverrides", "psapi", "sz", "")

    def test_nt4_without_psapi_says_so_and_ends_no_process(self):
        self.place_samples()
        plain = self.start(RUNNING, "sleep")
        time.sleep(1)
        run = scanrun.ScanRun(self.prefix, self.program)
        run.click_scan()
        result = run.finish(restart_answer=scanrun.IDNO)
        self.assertIn("System Memory    Running processes could not be examined, not scanned", result.lines)
        self.assertNotIn(scanrun.MEMORY_LINE, result.lines)
        # No image path can be read, so the walk's kill route ends nothing and defers the file,
        # which waits in the run's holding folder (Wine moves a running image).
        held_in = "C:\\%s\\%s" % (scanrun.holding_folders(self.prefix.drive_c)[0], RUNNING.split("\\")[-1])
        self.assertIn(scanrun.waiting_line(RUNNING, "W32/Drellmoxin.Pyz.Worm", held_in), result.lines)
        self.assertEqual([(RUNNING, scanrun.KILL_MESSAGE)], result.boxes)
        self.assertTrue(plain.running())
        run.close()


if __name__ == "__main__":
    unittest.main()
