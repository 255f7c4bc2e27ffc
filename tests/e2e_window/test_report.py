"""The report list after scans that find look-alikes: the removal lines and the statistics,
the fresh start of the list after 150 lines, and the horizontal extent that only lines
wider than 560 pixels set. Each test fills drive D: afresh."""

import os
import shutil
import time
import unittest

from mainwindow import *  # noqa: F401,F403  (identifiers and layouts of the window)

EXTENT_THRESHOLD = 560
LB_SETTOPINDEX = 0x197


def removed(path, name):
    return "%s     %s removed" % (path, name)


class ReportListTest(MainWindowCase):

    @classmethod
    def prepare_prefix(cls, prefix):
        cls.drive_d = os.path.join(prefix.path, "drive_d")
        os.makedirs(cls.drive_d)
        prefix.map_drive("D", cls.drive_d)

    def setUp(self):
        super().setUp()
        for name in os.listdir(self.drive_d):
            path = os.path.join(self.drive_d, name)
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)

    def plant(self, windows_folder, file_name, record_index):
        """A look-alike at D:\\windows_folder\\file_name; returns its report line."""
        folder = os.path.join(self.drive_d, *[p for p in windows_folder.split("\\") if p])
        os.makedirs(folder, exist_ok=True)
        name = plant_lookalike(folder, file_name, record_index)
        return removed("D:\\" + "".join(p + "\\" for p in windows_folder.split("\\") if p) + file_name, name)

    def scan(self, on_the_way=None):
        """Starts the program, scans, returns the report list once the scan has finished;
        on_the_way runs once the walk is in D:'s folders."""
        walked = count_files(self.drive_d)
        self.start_main()
        self.driver.click(self.hwnd, SCAN)
        if on_the_way:
            self.wait_status(lambda t: "a_folder" in t, "a path of the long tree")
            on_the_way()
        self.wait_status(lambda t: t == COMPLETED, COMPLETED, timeout=120)
        self.wait_layout(FINISHED)
        self.walked = walked + count_files(self.prefix.drive_c)
        return self.report()

    def test_removal_lines_and_statistics(self):
        expected = [self.plant("", "setup_helper.exe", 7), self.plant("", "update.exe", 17),
                    self.plant("Downloads", "viewer.exe", 18)]
        clean = gen_samples.near_miss(gen_samples.record_by_index(7), "size_plus1")
        clean.name = "almost.exe"
        clean.write(self.drive_d)
        with open(os.path.join(self.drive_d, "notes.txt"), "w") as f:
            f.write("nothing to see\n")
        # A folder walked after the look-alikes, long enough to watch the scan.
        scan_tree(os.path.join(self.drive_d, "Downloads"), 6, 700, 112128)

        box = self.scan(on_the_way=lambda: self.save_screenshot("scanning.png"))
        lines = box["lines"]
        # D:\'s own files come before its folders; the two root lines in either order.
        self.assertEqual(sorted(lines[:2]), sorted(expected[:2]))
        self.assertEqual(lines[2:], [expected[2]] + statistics(self.walked, 3, 3))
        self.assertEqual(box["cursel"], box["count"] - 1)
        self.assertEqual(sorted(os.listdir(self.drive_d)), ["Downloads", "almost.exe", "notes.txt"])
        widest = self.widest_report_line()
        self.assertGreater(widest, EXTENT_THRESHOLD * 3 // 4, "a line close to the threshold")
        self.assertLessEqual(widest, EXTENT_THRESHOLD)
        self.assertEqual(box["extent"], 0)
        # The list paints what it was given while the scan ran: the newest line, selected,
        # shows in the highlight's blue at the bottom of the list.
        column = self.pixels(swtest.target(self.hwnd, REPORT), [(40, y) for y in range(2, 76, 2)])
        self.assertTrue(any(int(c[4:], 16) > 0xD0 and int(c[:2], 16) < 0x80 for c in column), column)
        # The list's first lines in view, for the picture of the finished window.
        self.driver.send(swtest.target(self.hwnd, REPORT), LB_SETTOPINDEX, 0)
        self.save_screenshot("finished.png")

    def test_list_starts_again_after_150_lines(self):
        planted = {self.plant("", "sample_%03d.exe" % n, 7) for n in range(160)}
        box = self.scan()
        lines = box["lines"]
        self.assertEqual(lines[10:], statistics(self.walked, 160, 160))
        self.assertEqual(len(set(lines[:10])), 10)
        self.assertTrue(set(lines[:10]) <= planted, lines[:10])
        self.assertEqual(os.listdir(self.drive_d), [])
        self.assertEqual(box["extent"], 0)
        # Once the statistics have begun the list only grows: message 11 appends the last
        # report text again, 150 times.
        for _ in range(150):
            self.driver.send(self.hwnd, MSG_REPORT_LINE)
        box = self.report()
        self.assertEqual((box["count"], box["cursel"]), (166, 165))
        self.assertEqual(box["lines"][15:], [lines[-1]] * 151)

    def test_wide_line_sets_three_quarters_of_its_width(self):
        folder = "Downloads\\" + "a folder whose name is long enough for a wide report line " * 2
        self.plant("", "short.exe", 7)
        self.plant(folder.strip(), "wide.exe", 17)
        box = self.scan()
        widest = self.widest_report_line()
        self.assertGreater(widest, EXTENT_THRESHOLD)
        self.assertEqual(box["extent"], widest * 3 // 4)
        self.assertEqual(len(box["lines"]), 2 + 6)


if __name__ == "__main__":
    unittest.main()
