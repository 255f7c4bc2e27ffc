"""Every look-alike the sample generator can make, for every record in every layout and every
combination of records, removed by one scan through the real window (winxp).

These are more infected files than the report list keeps (it is emptied when it holds 150
lines, until the statistics begin), so besides the files left on disk and the statistics, the
test checks that the list shows as many lines as that rule leaves, each the removal line of a
planted file and none twice, followed by the whole statistics block.
"""

import os
import sys
import unittest

import swtest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "samples"))
import gen_samples  # noqa: E402
import scanrun  # noqa: E402
from scanrun import removed_line, split_statistics, statistics  # noqa: E402

REPORT_LINE_LIMIT = 150


class AllLayoutsTest(swtest.WineTestCase):

    @classmethod
    def prepare_prefix(cls, prefix):
        cls.drive_d = os.path.join(prefix.path, "drive_d")
        table = gen_samples.load_records()
        cls.planted = {}
        for sample in gen_samples.build_all(table, table):
            if sample.expected == 0:
                continue
            folder = "record %02d" % sample.records[0].index
            path = "%s\\%s" % (folder, sample.name)
            scanrun.plant(cls.drive_d, path, sample)
            cls.planted["D:\\" + path] = gen_samples.record_by_index(sample.expected).name
        prefix.map_drive("D", cls.drive_d)

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.prefix.set_windows_version("winxp")
        exe = cls.prefix.install_program()
        cls.files_c = scanrun.count_files(cls.prefix.drive_c)
        run = scanrun.ScanRun(cls.prefix, exe)
        run.click_scan()
        cls.result = run.finish()
        run.close()

    def test_there_are_more_files_than_the_list_keeps(self):
        layouts = {p.rsplit("_", 1)[-1][:-4] for p in self.planted if not p.split("\\")[-1].startswith("combo")}
        self.assertEqual(layouts, set(gen_samples.LAYOUTS))
        self.assertGreater(len(self.planted), 2 * REPORT_LINE_LIMIT)

    def test_every_planted_file_is_removed(self):
        left = [p for p in self.planted if os.path.exists(scanrun.host_path(self.drive_d, p[3:]))]
        self.assertEqual(left, [])

    def test_statistics_count_all_of_them(self):
        count = len(self.planted)
        _lines, stats = split_statistics(self.result.lines)
        self.assertEqual(stats, statistics(self.files_c + count, count, count))
        self.assertEqual(self.result.status, scanrun.COMPLETED)

    def test_list_keeps_what_the_line_limit_leaves_then_the_whole_statistics(self):
        shown, _stats = split_statistics(self.result.lines)
        self.assertEqual(len(shown), (len(self.planted) - 1) % REPORT_LINE_LIMIT + 1)
        expected = {removed_line(path, name) for path, name in self.planted.items()}
        self.assertEqual(len(set(shown)), len(shown))
        self.assertTrue(set(shown) <= expected, sorted(set(shown) - expected))


if __name__ == "__main__":
    unittest.main(verbosity=2)
