"""The driver and the test library against the fixture program, under Wine and Xvfb."""

import json
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from PIL import Image

import swtest

TITLE = "Driver Fixture"
QUESTION_TITLE = "Fixture Question"
PRESS, STATE, HIDDEN, DISABLED, LINES, ASK, EVENT, RED = range(1001, 1009)
OK, CANCEL, OK_ONLY, YES, NO, PICTURE, MESSAGE = 1, 2, 3, 6, 7, 1085, 1086
BACKGROUND, RED_COLOUR, PICTURE_COLOUR = "CFE9FE", "FF0000", "00A000"
CORNER_CUT = 30
LINES_SHOWN = [
    "first line",
    "Name\t\tvalue after two tabs",
    "Gr\u00fc\u00dfe aus K\u00f6ln \u00e9t\u00e9",
    "a long line: " + "0123456789 " * 14 + "end",
]
LB_GETCOUNT = 0x18B


def inside(rect, x, y):
    return rect[0] <= x < rect[2] and rect[1] <= y < rect[3]


def centre(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def relative(window, rect):
    """A screen rectangle relative to the window's top-left corner."""
    left, top = window["rect"][0], window["rect"][1]
    return [rect[0] - left, rect[1] - top, rect[2] - left, rect[3] - top]


class FixtureCase(swtest.WineTestCase):
    """Each test runs a fresh fixture, so that no test sees what another pressed."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.fixture = cls.prefix.install(os.environ["SW_FIXTURE"], "C:\\fixture\\fixture.exe")

    def setUp(self):
        super().setUp()
        self.process, self.window = self.start_window(self.fixture, TITLE)
        self.hwnd = self.window["hwnd"]
        self.controls = self.driver.controls(self.hwnd)


class ReadingTest(FixtureCase):

    def test_wait_reports_the_visible_window(self):
        w = self.window
        self.assertEqual((w["text"], w["class"], w["visible"], w["enabled"]), (TITLE, "#32770", True, True))
        self.assertEqual(w["owner"], 0)
        client, rect = w["client"], w["rect"]
        self.assertTrue(rect[0] < client[0] < client[2] < rect[2], (rect, client))
        self.assertTrue(rect[1] < client[1] < client[3] < rect[3], (rect, client))

    def test_wait_for_a_missing_title_times_out(self):
        started = time.monotonic()
        answer = self.driver.call("wait", "No Such Window", 300)
        self.assertFalse(answer["ok"])
        self.assertIn("No Such Window", answer["error"])
        self.assertLess(time.monotonic() - started, 3)

    def test_wait_ignores_hidden_windows_unless_asked(self):
        self.assertFalse(self.driver.call("wait", "DRIVER FIXTURE", 100)["ok"])
        twin = self.driver.wait_window("DRIVER FIXTURE", 100, any_state=True)
        self.assertFalse(twin["visible"])
        self.assertEqual(twin["class"], "Static")

    def test_children_report_texts_state_and_rectangles(self):
        c = self.controls
        self.assertEqual(sorted(c), list(range(PRESS, RED + 1)))
        self.assertEqual([c[i]["text"] for i in (PRESS, HIDDEN, DISABLED, STATE, ASK)],
                         ["Press", "Hidden", "Disabled", "Ready", "Ask"])
        self.assertEqual([c[i]["class"] for i in (PRESS, STATE, LINES)], ["Button", "Static", "ListBox"])
        self.assertEqual((c[HIDDEN]["visible"], c[HIDDEN]["enabled"]), (False, True))
        self.assertEqual((c[DISABLED]["visible"], c[DISABLED]["enabled"]), (True, False))
        self.assertTrue(all(ch["parent"] == self.hwnd for ch in c.values()))
        for ch in c.values():
            self.assertTrue(inside(self.window["client"], ch["rect"][0], ch["rect"][1]), ch)
        # A list box with a border and scroll bars has a smaller client area than its window.
        box = c[LINES]
        self.assertLess(box["client"][2] - box["client"][0], box["rect"][2] - box["rect"][0])
        self.assertLess(box["client"][3] - box["client"][1], box["rect"][3] - box["rect"][1])

    def test_text_of_one_control(self):
        self.assertEqual(self.driver.text(self.hwnd, STATE), "Ready")
        self.assertEqual(self.driver.text(self.hwnd), TITLE)

    def test_list_box_lines_in_full_with_selection_and_extent(self):
        box = self.driver.list_box(self.hwnd, LINES)
        self.assertEqual(box["lines"], LINES_SHOWN)
        self.assertEqual((box["count"], box["cursel"], box["topindex"], box["extent"]), (4, 1, 0, 900))

    def test_list_of_a_control_that_is_no_list_box_fails(self):
        self.assertFalse(self.driver.call("list", swtest.target(self.hwnd, 999))["ok"])

    def test_send_returns_the_answer(self):
        self.assertEqual(self.driver.send(swtest.target(self.hwnd, LINES), LB_GETCOUNT), 4)

    def test_count_ignores_case_and_windows_matches_exactly(self):
        self.assertEqual(self.driver.check("count", "driver fixture")["visible"], 1)
        self.assertEqual(self.driver.count("driver fixture"), 2)
        self.assertEqual([w["hwnd"] for w in self.driver.windows(TITLE)], [self.hwnd])
        self.assertEqual(len(self.driver.windows("DRIVER FIXTURE")), 1)
        self.assertIn(self.hwnd, [w["hwnd"] for w in self.driver.windows()])

    def test_first_tab_stop_has_the_focus_with_the_pointer_parked(self):
        cursor = self.driver.check("cursor")
        info = self.driver.info()
        self.assertEqual((cursor["x"], cursor["y"]), (info["screen_width"] - 1, info["screen_height"] - 1))
        focus = self.driver.focus(self.hwnd)
        self.assertEqual((focus["focus_id"], focus["active"]), (PRESS, self.hwnd))

    def test_unknown_commands_and_missing_arguments_fail(self):
        self.assertFalse(self.driver.call("no-such-command")["ok"])
        self.assertIn("usage", self.driver.call("text")["error"])
        self.assertFalse(self.driver.call("text", "0")["ok"])


class PressingTest(FixtureCase):

    def test_posted_click_reaches_the_button(self):
        self.driver.click(self.hwnd, PRESS)
        self.driver.click(self.hwnd, PRESS)
        self.driver.wait_text(self.hwnd, STATE, "pressed 2")

    def test_posted_click_reaches_hidden_and_disabled_buttons(self):
        # Wine runs BM_CLICK on any button: a test cannot rely on it to prove a button live.
        self.driver.click(self.hwnd, HIDDEN)
        self.driver.wait_text(self.hwnd, STATE, "hidden pressed")
        self.driver.click(self.hwnd, DISABLED)
        self.driver.wait_text(self.hwnd, STATE, "disabled pressed")

    def test_mouse_click_presses_only_enabled_buttons(self):
        self.driver.mouse_click(self.hwnd, PRESS)
        self.driver.wait_text(self.hwnd, STATE, "pressed 1")
        self.driver.mouse_click(self.hwnd, DISABLED)
        self.driver.mouse_click(self.hwnd, PRESS)
        self.driver.wait_text(self.hwnd, STATE, "pressed 2")

    def test_click_at_a_screen_point(self):
        self.driver.click_at(*centre(self.controls[PRESS]["rect"]))
        self.driver.wait_text(self.hwnd, STATE, "pressed 1")

    def test_posted_keys_reach_the_dialog(self):
        self.driver.key(self.hwnd, "esc")
        self.driver.wait_text(self.hwnd, EVENT, "escape")
        self.driver.key(swtest.target(self.hwnd, PRESS), "enter")
        self.driver.wait_text(self.hwnd, EVENT, "enter")

    def test_real_keys_reach_the_focused_window(self):
        self.driver.real_key(self.hwnd, "enter")
        self.driver.wait_text(self.hwnd, EVENT, "enter")
        self.driver.real_key(0, "esc")
        self.driver.wait_text(self.hwnd, EVENT, "escape")

    def test_unknown_key_fails(self):
        self.assertIn("unknown key", self.driver.call("key", self.hwnd, "nokey")["error"])

    def test_mouse_move_reaches_the_window_under_it(self):
        client = self.window["client"]
        self.driver.move(client[0] + 150, client[1] + 200)
        self.driver.wait_text(self.hwnd, EVENT, "move 150,200")
        cursor = self.driver.check("cursor")
        self.assertEqual((cursor["x"], cursor["y"]), (client[0] + 150, client[1] + 200))

    def test_hover_moves_to_the_centre_of_a_control(self):
        x, y = centre(self.controls[EVENT]["rect"])
        client = self.window["client"]
        self.driver.hover(self.hwnd, EVENT)
        self.driver.wait_text(self.hwnd, EVENT, "move %d,%d" % (x - client[0], y - client[1]))

    def test_close_ends_the_program_at_once(self):
        started = time.monotonic()
        self.driver.close_window(self.hwnd)
        self.assertTrue(self.driver.wait_gone(self.hwnd)["destroyed"])
        self.assertEqual(self.process.wait(), 0)
        # A window that Wine leaves to a window manager takes 2 s to hide: the template
        # tells Wine to manage none.
        self.assertLess(time.monotonic() - started, 1.5)
        self.assertEqual(self.driver.count(TITLE), 0)

    def test_quit_ends_the_modal_loop_and_the_program(self):
        self.driver.quit(self.hwnd)
        self.process.wait()
        self.assertEqual(self.driver.count(TITLE), 0)

    def test_gone_times_out_while_the_window_stays(self):
        self.assertFalse(self.driver.call("gone", self.hwnd, 200)["ok"])


class QuestionTest(FixtureCase):

    def open_question(self):
        self.driver.click(self.hwnd, ASK)
        return self.driver.question(owner=self.hwnd)

    def test_question_reports_picture_text_and_visible_buttons(self):
        q = self.open_question()
        self.assertEqual((q["text"], q["owner"], q["message"]), (QUESTION_TITLE, self.hwnd, "Proceed with the test?"))
        buttons = {b["id"]: b for b in q["buttons"]}
        self.assertEqual(sorted(buttons), [OK, CANCEL, OK_ONLY, YES, NO])
        self.assertEqual(sorted(i for i, b in buttons.items() if b["visible"]), [YES, NO])
        self.assertEqual([buttons[i]["text"] for i in (YES, NO)], ["YES", "NO"])
        self.assertEqual({(b["width"], b["height"]) for b in buttons.values()}, {(buttons[YES]["width"], buttons[YES]["height"])})
        picture = q["picture"]
        self.assertEqual((picture["id"], picture["visible"]), (PICTURE, True))
        self.assertGreater(picture["rect"][2] - picture["rect"][0], 20)
        # The owner is disabled while its modal question is open.
        self.assertFalse(self.driver.windows(TITLE)[0]["enabled"])

    def test_question_found_by_title_has_the_focus_on_its_first_visible_button(self):
        owner_found = self.open_question()
        q = self.driver.question(title=QUESTION_TITLE)
        self.assertEqual(q["hwnd"], owner_found["hwnd"])
        self.assertEqual(self.driver.focus(q["hwnd"])["focus_id"], YES)

    def test_picture_is_drawn(self):
        q = self.open_question()
        spot = centre(relative(q, q["picture"]["rect"]))
        deadline = time.monotonic() + 5
        while self.driver.pixels(q["hwnd"], spot) != [PICTURE_COLOUR] and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertEqual(self.driver.pixels(q["hwnd"], spot, (q["client"][0] - q["rect"][0] + 2, 40)),
                         [PICTURE_COLOUR, BACKGROUND])

    def test_answers_reach_the_owner(self):
        for press, answer in (("yes", YES), ("no", NO), ("esc", CANCEL)):
            with self.subTest(press):
                q = self.open_question()
                if press == "esc":
                    self.driver.key(q["hwnd"], "esc")
                else:
                    self.driver.mouse_click(q["hwnd"], answer)
                self.assertTrue(self.driver.wait_gone(q["hwnd"])["destroyed"])
                self.driver.wait_text(self.hwnd, STATE, "answer %d" % answer)

    def test_frame_is_drawn_by_wine(self):
        q = self.open_question()
        width, height = q["rect"][2] - q["rect"][0], q["rect"][3] - q["rect"][1]
        # Below the question's bottom edge lies the owner's light-blue client area.
        self.assertNotEqual(self.driver.pixels(q["hwnd"], (width // 2, height - 2)), [BACKGROUND])

    def test_no_question_without_one_open(self):
        self.assertFalse(self.driver.call("msgdlg", "owner", self.hwnd, 200)["ok"])


class DrawingTest(FixtureCase):

    def test_region_is_reported_relative_to_the_window(self):
        region = self.driver.region(self.hwnd)
        width = self.window["rect"][2] - self.window["rect"][0]
        height = self.window["rect"][3] - self.window["rect"][1]
        self.assertEqual((region["type"], region["box"]), ("complex", [0, 0, width, height]))
        rects = region["rects"]
        self.assertFalse(any(inside(r, 5, 5) for r in rects))
        self.assertTrue(all(any(inside(r, x, y) for r in rects)
                            for x, y in ((CORNER_CUT, 0), (0, CORNER_CUT), (width - 1, height - 1))))
        self.assertEqual(sum((r[2] - r[0]) * (r[3] - r[1]) for r in rects), width * height - CORNER_CUT ** 2)

    def test_a_window_without_region(self):
        twin = self.driver.wait_window("DRIVER FIXTURE", 100, any_state=True)
        self.assertEqual(self.driver.region(twin["hwnd"])["type"], "none")

    def test_pixels_show_the_colours_and_the_cut_corner(self):
        red_rect = relative(self.window, self.controls[RED]["rect"])
        red = centre(red_rect)
        background = red_rect[0] - 4, red[1]
        colours = self.driver.pixels(self.hwnd, red, background, (5, 5))
        self.assertEqual(colours[:2], [RED_COLOUR, BACKGROUND])
        self.assertNotIn(colours[2], (BACKGROUND, RED_COLOUR))

    def test_screenshot_of_the_window(self):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        rect = self.window["rect"]
        path = self.prefix.screenshot(os.path.join(folder, "fixture.png"), rect)
        with Image.open(path) as shot:
            self.assertEqual(shot.size, (rect[2] - rect[0], rect[3] - rect[1]))
            pixel = shot.convert("RGB").getpixel(centre(relative(self.window, self.controls[RED]["rect"])))
        self.assertEqual("%02X%02X%02X" % pixel, RED_COLOUR)


class RegistryTest(swtest.WineTestCase):
    KEY = "HKCU\\Software\\SweepwrightDriverTest"

    def setUp(self):
        super().setUp()
        self.addCleanup(self.driver.reg_delete, self.KEY)

    def test_values_of_every_type_read_back(self):
        d = self.driver
        d.reg_set(self.KEY, "text", "sz", "C:\\WINDOWS\\x.exe")
        d.reg_set(self.KEY, "", "sz", "default value")
        d.reg_set(self.KEY, "expand", "expand_sz", "%WINDIR%\\y")
        d.reg_set(self.KEY, "number", "dword", "0xdeadbeef")
        d.reg_set(self.KEY, "list", "multi_sz", "\\??\\C:\\a", "", "\\??\\C:\\b")
        d.reg_set(self.KEY, "bytes", "binary", "00bd7fff")
        d.reg_set(self.KEY, "empty", "sz")
        self.assertEqual(d.reg_get(self.KEY, "text"), ("sz", "C:\\WINDOWS\\x.exe"))
        self.assertEqual(d.reg_get(self.KEY, ""), ("sz", "default value"))
        self.assertEqual(d.reg_get(self.KEY, "expand"), ("expand_sz", "%WINDIR%\\y"))
        self.assertEqual(d.reg_get(self.KEY, "number"), ("dword", 0xDEADBEEF))
        # A multi-string ends at its first empty string, as Windows reads it.
        self.assertEqual(d.reg_get(self.KEY, "list"), ("multi_sz", ["\\??\\C:\\a"]))
        self.assertEqual(d.reg_get(self.KEY, "bytes"), ("binary", "00bd7fff"))
        self.assertEqual(d.reg_get(self.KEY, "empty"), ("sz", ""))
        self.assertEqual(d.check("regget", self.KEY, "text")["size"], len("C:\\WINDOWS\\x.exe") + 1)

    def test_multi_string_of_several_strings(self):
        self.driver.reg_set(self.KEY, "list", "multi_sz", "one", "two words", "three")
        self.assertEqual(self.driver.reg_get(self.KEY, "list"), ("multi_sz", ["one", "two words", "three"]))
        self.assertEqual(self.driver.check("regget", self.KEY, "list")["size"], len("one0two words0three00"))

    def test_enumerate_and_delete(self):
        d = self.driver
        d.reg_set(self.KEY + "\\Sub\\Deeper", "v", "dword", "1")
        d.reg_set(self.KEY, "a", "sz", "x")
        self.assertEqual(d.reg_enum(self.KEY), (["Sub"], {"a": "sz"}))
        self.assertTrue(d.reg_delete(self.KEY, "a"))
        self.assertIsNone(d.reg_get(self.KEY, "a"))
        self.assertFalse(d.reg_delete(self.KEY, "a"))
        self.assertTrue(d.reg_delete(self.KEY + "\\Sub"))
        self.assertEqual(d.reg_enum(self.KEY), ([], {}))
        self.assertIsNone(d.reg_enum(self.KEY + "\\Sub"))

    def test_bad_arguments_fail(self):
        self.assertIn("root key", self.driver.call("regget", "HKXX\\Software", "v")["error"])
        self.assertIn("type", self.driver.call("regset", self.KEY, "v", "qword", "1")["error"])
        self.assertIn("hex", self.driver.call("regset", self.KEY, "v", "binary", "abc")["error"])

    def test_windows_version_for_later_programs(self):
        cases = (("win98", (1, 4, 10)), ("nt40", (2, 4, 0)), ("winxp", (2, 5, 1)))
        self.addCleanup(self.driver.reg_delete, "HKCU\\Software\\Wine", "Version")
        for version, expected in cases:
            with self.subTest(version):
                self.prefix.set_windows_version(version)
                info = self.prefix.run(swtest.driver_path(), "info")
                answer = json.loads(info.stdout)
                self.assertEqual((answer["platform"], answer["major"], answer["minor"]), expected)


    def test_dpi_for_later_programs(self):
        self.addCleanup(self.driver.reg_delete, "HKCU\\Control Panel\\Desktop", "LogPixels")
        for dpi in (120, 96):
            with self.subTest(dpi):
                self.prefix.set_dpi(dpi)
                info = self.prefix.run(swtest.driver_path(), "info")
                self.assertEqual(json.loads(info.stdout)["logpixelsx"], dpi)


class DriveTest(swtest.WineTestCase):
    """Drives mapped before the prefix starts are fixed drives; the host's root is no drive."""

    @classmethod
    def prepare_prefix(cls, prefix):
        cls.folder = tempfile.mkdtemp()
        cls.addClassCleanup(shutil.rmtree, cls.folder)
        with open(os.path.join(cls.folder, "sample.txt"), "w") as f:
            f.write("sample")
        prefix.map_drive("D", cls.folder)

    def test_mapped_folder_is_a_fixed_drive(self):
        drives = {d["drive"]: d["type"] for d in self.driver.info()["drives"]}
        self.assertEqual(drives, {"C:\\": 3, "D:\\": 3})

    def test_mapped_drive_shows_the_folder(self):
        listing = self.prefix.run("cmd", "/c", "dir", "/b", "D:\\")
        self.assertIn(b"sample.txt", listing.stdout)

    def test_mapping_after_start_is_refused(self):
        with self.assertRaises(swtest.PlatformError):
            self.prefix.map_drive("E", self.folder)


class AbandonedPrefixTest(unittest.TestCase):

    def setUp(self):
        os.makedirs(swtest.WORK, exist_ok=True)

    def make_prefix(self, owner):
        path = tempfile.mkdtemp(prefix="abandoned-", dir=swtest.WORK)
        self.addCleanup(shutil.rmtree, path, True)
        with open(os.path.join(path, swtest.OWNER_FILE), "w") as f:
            f.write(str(owner))
        return path

    def test_only_prefixes_of_ended_runs_are_removed(self):
        ended = subprocess.Popen(["true"])
        ended.wait()
        abandoned = self.make_prefix(ended.pid)
        live = self.make_prefix(os.getpid())
        foreign = tempfile.mkdtemp(prefix="foreign-", dir=swtest.WORK)
        self.addCleanup(shutil.rmtree, foreign, True)
        swtest.remove_abandoned_prefixes()
        self.assertEqual([os.path.isdir(p) for p in (abandoned, live, foreign)], [False, True, True])


if __name__ == "__main__":
    unittest.main(verbosity=2)
