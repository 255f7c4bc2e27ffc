"""SCAN and what follows, in the window: the scanning layout with its status line, the
"Terminate the Scan now?" question through CANCEL, X, Esc and any message carrying 27, its
answers, and the finished layout.

Drive D: holds one look-alike that a helper keeps open (so it can be recognised but only
scheduled for removal at the restart) and then 100,000 files of a record's size in folders
with long names, which the matcher has to open: the walk takes several times as long as all
the test's steps between its questions together on either build, so that every question
meets a walk still going on; and every scan ends with the restart question. That question is asked after the statistics but before
the scan driver returns, so while it is open the window shows what the termination routes
did on their own, before the timer handler's finished layout."""

import os
import time
import unittest

from mainwindow import *  # noqa: F401,F403  (identifiers and layouts of the window)
import scanrun  # noqa: E402  (mainwindow puts its folder on the path)

FOLDERS, FILES_PER_FOLDER = 100, 1000
HELD = "held.exe"
HELD_RECORD = 7
STATUS_CHARS = 60
QUESTION_CAPTION_X = "DialogBoxTitle"
WM_SYSCOMMAND, SC_CLOSE, WM_TIMER = 0x112, 0xF060, 0x113


def shortened(path, limit=STATUS_CHARS):
    """The status line's form of a path: first and last halves around "..", when long."""
    if len(path) <= limit:
        return path
    half = limit // 2 - 1
    return path[:half] + ".." + path[-half:]


class ScanWindowTest(MainWindowCase):

    @classmethod
    def prepare_prefix(cls, prefix):
        cls.drive_d = os.path.join(prefix.path, "drive_d")
        os.makedirs(cls.drive_d)
        cls.held_name = plant_lookalike(cls.drive_d, HELD, HELD_RECORD)
        size = gen_samples.record_by_index(HELD_RECORD).file_size
        cls.tree = scan_tree(cls.drive_d, FOLDERS, FILES_PER_FOLDER, size)
        prefix.map_drive("D", cls.drive_d)

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # On XP the process route finds nobody running the held file and says nothing;
        # later NT versions would show "Could not kill process" in a box of their own.
        cls.prefix.set_windows_version("winxp", "Sweepwright.exe")
        cls.prefix.spawn(cls.helper, "hold", "D:\\" + HELD)
        cls.driver.wait_window("WindowHelper holds", any_state=True)

    def setUp(self):
        super().setUp()
        # The NT line moves a file it could not delete into a holding folder to wait for the
        # restart (Wine moves even a held one): each scan here finds it in its place.
        for folder in scanrun.holding_folders(self.drive_d):
            os.rename(os.path.join(self.drive_d, folder, HELD), os.path.join(self.drive_d, HELD))
            os.rmdir(os.path.join(self.drive_d, folder))

    def held_line(self):
        held_in = "D:\\" + scanrun.held_copy(self.drive_d, HELD)
        return scanrun.waiting_line("D:\\" + HELD, self.held_name, held_in)

    def begin_scan(self):
        """Starts the program and SCAN; returns once the walk is inside D:'s folders (whose
        entries all show as 60 characters), past the held look-alike."""
        self.start_main()
        self.driver.click(self.hwnd, SCAN)
        return self.wait_status(lambda t: t.startswith("D:\\a_folder") and t[29:31] == "..",
                                "a path inside D:'s folders")

    def wait_scan_moves_on(self, since):
        return self.wait_status(lambda t: t != since and t.startswith("D:\\"), "the walk going on", 10)

    def restart_question(self, timeout_ms=90000):
        """The question that ends every scan here; the window as it is while it is open."""
        question = self.question(timeout_ms=timeout_ms)
        self.assert_yes_no_question(question, TITLE, RESTART)
        return question

    def all_files(self):
        return count_files(self.prefix.drive_c) + count_files(self.drive_d)

    def assert_scan_layout(self, layout, status, caption):
        controls = self.assert_layout(layout)
        self.assertEqual((controls[STATUS]["text"], controls[GRP_STATUS]["text"]), (status, caption))
        return controls

    def assert_terminated_scan(self):
        lines = self.report()["lines"]
        self.assertEqual(lines[0], self.held_line())
        scanned = int(lines[-3].split(":")[-1])
        self.assertEqual(lines[1:], statistics(scanned, 1, 0))
        self.assertLess(scanned, self.all_files())

    def test_questions_answered_no_leave_the_scan_running(self):
        self.begin_scan()
        controls = self.assert_layout(SCANNING)
        self.assertEqual(controls[SEARCH_LABEL]["text"], SEARCHING)
        self.assertEqual(controls[GRP_STATUS]["text"], "Scanning")
        self.wait_image(SCAN, "disable", WITH_DISABLE)
        self.assert_status_shows_shortened_paths()

        # CANCEL: the tool's title as caption; while the question is open the main window is
        # disabled, and a WM_ENABLE cycle shows the status text again.
        self.driver.click(self.hwnd, IDCANCEL)
        question = self.question()
        self.assert_yes_no_question(question, TITLE, TERMINATE)
        self.assertFalse(self.window_now()["enabled"])
        shown = self.status()
        self.assertTrue(shown.startswith("D:\\"), shown)
        self.save_screenshot("question.png", question["rect"])
        self.run_helper("settext", self.hwnd, STATUS, "set by another program")
        self.assertEqual(self.status(), "set by another program")
        self.run_helper("enable", self.hwnd, 1, 0)
        self.assertEqual(self.status(), shown)
        self.answer(question, Q_NO)
        self.assert_layout(SCANNING)
        self.wait_scan_moves_on(shown)

        # X asks with its own caption; Esc in the question answers No, and the key-up of that
        # Esc, which reaches the message pump once the question has closed, asks nothing.
        self.driver.click(self.hwnd, CLOSE_X)
        question = self.question()
        self.assert_yes_no_question(question, QUESTION_CAPTION_X, TERMINATE)
        self.driver.real_key(question["hwnd"], "esc")
        self.driver.wait_gone(question["hwnd"])
        self.assertFalse(self.driver.call("msgdlg", "owner", self.hwnd, 1500)["ok"])
        self.assert_layout(SCANNING)
        self.wait_scan_moves_on(self.status())

        # The close box of the question's caption answers No.
        self.driver.click(self.hwnd, IDCANCEL)
        question = self.question()
        self.driver.post(question["hwnd"], WM_SYSCOMMAND, SC_CLOSE)
        self.driver.wait_gone(question["hwnd"])
        self.assert_layout(SCANNING)
        self.wait_scan_moves_on(self.status())

        # Esc asks from the message pump (a message that only carries 27 does not: test_abort).
        self.driver.key(self.hwnd, "esc")
        question = self.question()
        self.assert_yes_no_question(question, TITLE, TERMINATE)
        self.answer(question, Q_NO)
        self.assert_layout(SCANNING)
        self.wait_scan_moves_on(self.status())

        # The walk completes: statistics, final status, then the restart question, still
        # inside the scan (CANCEL shown, the search label too).
        question = self.restart_question(timeout_ms=400000)
        self.assert_scan_layout(SCANNING, COMPLETED, "Scanning")
        box = self.report()
        self.assertEqual(box["lines"], [self.held_line()] + statistics(self.all_files(), 1, 0))
        self.assertEqual(box["cursel"], box["count"] - 1)
        self.answer(question, Q_NO)
        self.wait_layout(FINISHED)
        self.assert_scan_layout(FINISHED, COMPLETED, "")

        # After the scan the status text is still there for WM_ENABLE to show again.
        self.run_helper("settext", self.hwnd, STATUS, "set by another program")
        self.run_helper("enable", self.hwnd, 0, 1)
        self.assertEqual(self.status(), COMPLETED)
        self.driver.real_key(self.hwnd, "esc")
        self.assert_exits()

    def assert_status_shows_shortened_paths(self):
        """Samples the status line for a while: every text is a walked path of D: in its
        60-character form, and the long ones are shortened."""
        entries = ["D:\\" + HELD]
        for folder in sorted({p.split("\\")[0] for p in self.tree}):
            entries += ["D:\\" + folder] + ["D:\\%s\\%s" % (folder, dot) for dot in (".", "..")]
        entries += ["D:\\" + p for p in self.tree]
        expected = {shortened(p) for p in entries}
        samples = []
        deadline = time.monotonic() + 0.6
        while time.monotonic() < deadline:
            samples.append(self.status())
            time.sleep(0.03)
        self.assertEqual([s for s in samples if s not in expected], [])
        long_ones = [s for s in samples if len(s) == STATUS_CHARS and s[29:31] == ".."]
        self.assertGreater(len(set(long_ones)), 3, samples)

    def confirm(self, question):
        self.answer(question, Q_YES)

    def press_enter(self, question):
        self.driver.real_key(question["hwnd"], "enter")
        self.driver.wait_gone(question["hwnd"])

    def terminate(self, press, caption, reply, while_ending):
        """Starts a scan, asks to terminate it by press(), answers the question (when
        caption says one is asked) by reply(question); checks the window while the
        restart question is open (the scan driver not yet returned) against while_ending
        and again once the scan has finished."""
        self.begin_scan()
        press()
        if caption:
            question = self.question()
            self.assert_yes_no_question(question, caption, TERMINATE)
            reply(question)
        question = self.restart_question()
        self.assert_scan_layout(while_ending, TERMINATED, "Scanning")
        self.answer(question, Q_NO)
        self.wait_layout(FINISHED)
        self.assert_scan_layout(FINISHED, TERMINATED, "")
        self.assert_terminated_scan()

    def test_yes_after_cancel_shows_ok_at_once_and_ok_closes(self):
        self.terminate(lambda: self.driver.click(self.hwnd, IDCANCEL), TITLE, self.confirm, SCAN_ENDING)
        # A timer message (the window takes any) does not undo the confirmed termination.
        self.driver.post(self.hwnd, WM_TIMER, 100)
        self.answer(self.restart_question(), Q_NO)
        self.assertEqual(self.status(), TERMINATED)
        self.driver.mouse_click(self.hwnd, OK)
        self.assert_exits()

    def test_enter_after_x_is_yes_shows_ok_at_once_and_x_closes(self):
        self.terminate(lambda: self.driver.click(self.hwnd, CLOSE_X), QUESTION_CAPTION_X, self.press_enter,
                       SCAN_ENDING)
        self.driver.mouse_click(self.hwnd, CLOSE_X)
        self.assert_exits()

    def test_yes_after_esc_keeps_cancel_until_the_scan_returns(self):
        self.terminate(lambda: self.driver.real_key(self.hwnd, "esc"), TITLE, self.confirm, SCANNING)
        self.driver.close_window(self.hwnd)
        self.assert_exits()

    def test_enter_in_the_esc_question_terminates_the_scan(self):
        self.terminate(lambda: self.driver.key(self.hwnd, "esc"), TITLE, self.press_enter, SCANNING)
        self.driver.real_key(self.hwnd, "esc")
        self.assert_exits()

    def test_posted_quit_terminates_the_scan_without_ending_the_program(self):
        self.terminate(lambda: self.driver.quit(self.hwnd), None, None, SCANNING)
        time.sleep(0.3)
        self.assertTrue(self.process.running())
        self.driver.mouse_click(self.hwnd, OK)
        self.assert_exits()


if __name__ == "__main__":
    unittest.main()
