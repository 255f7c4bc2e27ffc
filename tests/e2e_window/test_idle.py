"""The main window before any scan: its layout with and without the maker's product, the
pictures and cursors of its buttons under the pointer, the report channel's rules, the
ways it closes, and the single-instance rule of the start."""

import time
import unittest


from mainwindow import *  # noqa: F401,F403  (identifiers and layouts of the window)

WS_POPUP, WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX = 0x80000000, 0x00C00000, 0x00080000, 0x00020000


# The art gives the logo one picture for both states.
LOGO_IMAGES = "focus/notfocus"


def inside(box, rect):
    return box[0] <= rect[0] and box[1] <= rect[1] and rect[2] <= box[2] and rect[3] <= box[3]


def covered(point, rects):
    return any(r[0] <= point[0] < r[2] and r[1] <= point[1] < r[3] for r in rects)


class IdleWindowTest(MainWindowCase):
    """Product not installed; the Windows folder holds a help program with cursor 106."""

    @classmethod
    def prepare_prefix(cls, prefix):
        cls.install_help_program(prefix)

    def test_idle_layout_without_the_product(self):
        window = self.start_main()
        controls = self.assert_layout(IDLE)
        self.assertEqual((window["text"], window["class"]), (TITLE, "#32770"))
        style = window["style"]
        self.assertEqual((bool(style & WS_POPUP), style & WS_CAPTION == WS_CAPTION), (True, False))
        self.assertEqual(style & (WS_SYSMENU | WS_MINIMIZEBOX), WS_SYSMENU | WS_MINIMIZEBOX)

        texts = {i: c["text"] for i, c in controls.items()}
        self.assertEqual(texts[HEADING_LABEL], HEADING)
        self.assertEqual(texts[FAMILY_LABEL], FAMILY)
        self.assertEqual(texts[NOTICE_LABEL], NOTICE)
        self.assertNotIn(texts[LEGAL], ("", "CorvanelRegistration"))
        self.assertEqual([texts[i] for i in (SCAN, DOWNLOAD, CLOSE_X, OK, IDCANCEL, DLINK, ULINK, LOGO)],
                         ["SCAN", "DOWNLOAD", "X", "OK", "CANCEL", "DLINK", "ULINK", "CORVANELLOGO"])
        self.assertEqual({i: size_of(controls[i]["rect"]) for i in BUTTON_SIZES}, BUTTON_SIZES)

        # Outer size, centred on the screen (the template's corner is 0, 0), and the outline
        # of the 527 x 338 background at the window's top-left corner.
        self.assertEqual(size_of(window["rect"]), WINDOW_SIZE)
        self.assertEqual(window["rect"][:2], [(SCREEN_WIDTH - WINDOW_SIZE[0]) // 2,
                                              (SCREEN_HEIGHT - WINDOW_SIZE[1]) // 2])
        region = self.driver.region(self.hwnd)
        self.assertEqual((region["type"], region["box"]), ("simple", REGION_BOX))
        outside = [CONTROL_NAMES[i] for i, c in controls.items()
                   if c["visible"] and not inside(REGION_BOX, relative(window, c["rect"]))]
        self.assertEqual(outside, [], "controls outside the visible window")

        # The first tab stop, SCAN, has the keyboard focus and with it the focus image.
        self.assertEqual(self.driver.focus(self.hwnd)["focus_id"], SCAN)
        self.assert_eventually(
            lambda: {i: self.shown_image(i) for i in (SCAN, DOWNLOAD, CLOSE_X, DLINK, ULINK, LOGO)},
            {SCAN: "focus", DOWNLOAD: "notfocus", CLOSE_X: "notfocus", DLINK: "notfocus",
             ULINK: "notfocus", LOGO: LOGO_IMAGES})
        self.assert_background_shows(window, controls)
        self.save_screenshot("idle.png")

    def assert_background_shows(self, window, controls):
        """Where no control lies, the client area shows the background bitmap from the
        client's corner on (inside the region, which cuts its last row and column)."""
        background = load_art("156_background")
        dx, dy = window["client"][0] - window["rect"][0], window["client"][1] - window["rect"][1]
        taken = [relative(window, c["rect"]) for c in controls.values() if c["visible"]]
        points = [(x, y) for y in range(3, REGION_BOX[3] - dy, 23) for x in range(3, REGION_BOX[2] - dx, 31)
                  if not covered((x + dx, y + dy), taken)]

        def wrong_pixels():
            shown = self.pixels(self.hwnd, [(x + dx, y + dy) for x, y in points])
            return [(p, s) for p, s in zip(points, shown) if s != hex_colour(background.getpixel(p))]
        self.assert_eventually(wrong_pixels, [], "background pixels (bitmap point, screen colour)")
        self.assertGreater(len(points), 100)

    def test_pointer_over_buttons_shows_focus_images_and_cursors(self):
        window = self.start_main()
        left, top = window["rect"][:2]
        # A point of the window's own light-blue field, between SCAN and DOWNLOAD.
        self.driver.move(left + 262, top + 80)
        arrow = self.driver.check("cursor")
        self.assertEqual(arrow["window"], self.hwnd)

        # The logo's focus image is its not-focus image: only the focus tells it is hot.
        self.driver.hover(self.hwnd, LOGO)
        self.wait_image(SCAN, "notfocus")
        self.wait_image(LOGO, LOGO_IMAGES)
        on_logo = self.driver.check("cursor")
        self.assertEqual((on_logo["window_id"], on_logo["cursor"]), (LOGO, arrow["cursor"]))
        self.assertEqual(self.driver.focus(self.hwnd)["focus_id"], LOGO)

        self.driver.hover(self.hwnd, SCAN)
        self.wait_image(SCAN, "focus")
        on_scan = self.driver.check("cursor")
        self.assertEqual(on_scan["window_id"], SCAN)
        self.assertNotIn(on_scan["cursor"], (0, arrow["cursor"]), "SCAN shows the hand cursor")
        self.assertEqual(self.driver.focus(self.hwnd)["focus_id"], SCAN)

        self.driver.hover(self.hwnd, ULINK)
        self.wait_image(ULINK, "focus")
        self.wait_image(SCAN, "notfocus")
        self.assertNotIn(self.driver.check("cursor")["cursor"], (0, arrow["cursor"]))

        # Leaving a button ends its hot look but keeps the keyboard focus where it was.
        self.driver.move(left + 262, top + 80)
        self.wait_image(ULINK, "notfocus")
        self.assertEqual(self.driver.focus(self.hwnd)["focus_id"], ULINK)
        self.assertEqual(self.driver.check("cursor")["cursor"], arrow["cursor"])

    def test_report_channel_answers_its_message_numbers_from_any_sender(self):
        self.start_main()
        # Before SCAN both buffers are empty: message 10 shows the empty status text.
        self.assertEqual(self.status(), "Static")
        self.assertEqual(self.driver.send(self.hwnd, MSG_STATUS), 0)
        self.assertEqual(self.status(), "")
        # Message 11 appends the (empty) report text: no selection for lines 1 and 2, then
        # the newest line; the 151st line empties the list and starts it again.
        seen = []
        for n in range(1, 154):
            self.assertEqual(self.driver.send(self.hwnd, MSG_REPORT_LINE), 0)
            if n in (1, 2, 3, 4, 150, 151, 152, 153):
                box = self.report()
                seen.append((n, box["count"], box["cursel"]))
        self.assertEqual(seen, [(1, 1, -1), (2, 2, -1), (3, 3, 2), (4, 4, 3), (150, 150, 149),
                                (151, 1, -1), (152, 2, -1), (153, 3, 2)])
        self.assertEqual(self.report()["extent"], 0)
        # The platform's own WM_ENABLE runs the same handler.
        self.run_helper("settext", self.hwnd, STATUS, "set by another program")
        self.assertEqual(self.status(), "set by another program")
        self.run_helper("enable", self.hwnd, 0, 1)
        self.assertEqual(self.status(), "")

    def test_enter_does_nothing_and_esc_closes(self):
        self.start_main()
        self.driver.real_key(self.hwnd, "enter")
        time.sleep(0.5)
        self.assertTrue(self.process.running())
        self.assert_layout(IDLE)
        self.assertEqual(self.driver.count(TITLE), 1, "no question, no second window")
        self.driver.real_key(self.hwnd, "esc")
        self.assert_exits()

    def test_x_closes_the_idle_window(self):
        self.start_main()
        self.driver.mouse_click(self.hwnd, CLOSE_X)
        self.assert_exits()

    def test_system_close_request_closes_the_idle_window(self):
        self.start_main()
        self.driver.close_window(self.hwnd)
        self.assert_exits()


class ProductInstalledTest(MainWindowCase):
    """Whether the maker's product counts as installed, by the registry value it reads."""

    def tearDown(self):
        self.driver.reg_delete(PRODUCT_KEY)
        super().tearDown()

    def assert_installed_layout(self):
        window = self.start_main()
        controls = self.assert_layout(IDLE_INSTALLED)
        self.assertEqual(controls[NOTICE_LABEL]["text"], NOTICE)
        self.assertEqual(size_of(window["rect"]), WINDOW_SIZE)
        # DOWNLOAD stays in view with its disabled picture, the plain light-blue field.
        self.wait_image(DOWNLOAD, "disable", WITH_DISABLE)

    def test_installed_folder_value_counts_as_installed(self):
        self.driver.reg_set(PRODUCT_KEY, PRODUCT_VALUE, "sz", "C:\\Program Files\\Varnholt 2000")
        self.assert_installed_layout()

    def test_value_longer_than_the_300_byte_buffer_counts_as_installed(self):
        self.driver.reg_set(PRODUCT_KEY, PRODUCT_VALUE, "sz", "C:\\" + "Varnholt Folder " * 25)
        self.assertGreater(len(self.driver.reg_get(PRODUCT_KEY, PRODUCT_VALUE)[1]), 300)
        self.assert_installed_layout()

    def test_value_of_any_type_counts_as_installed(self):
        self.driver.reg_set(PRODUCT_KEY, PRODUCT_VALUE, "dword", 1)
        self.assert_installed_layout()

    def test_key_without_the_value_is_not_installed(self):
        self.driver.reg_set(PRODUCT_KEY, "Installed Path", "sz", "C:\\Program Files\\Varnholt 2000")
        self.start_main()
        controls = self.assert_layout(IDLE)
        self.wait_image(DOWNLOAD, "notfocus", WITH_DISABLE)
        self.assertEqual(controls[DLINK]["text"], "DLINK")


class SingleInstanceTest(MainWindowCase):
    """A start while a top-level window has the tool's whole title ends at once."""

    def visible_windows(self):
        return {w["hwnd"] for w in self.driver.windows() if w["visible"]}

    def start_blocked(self):
        """Starts the program where it must not run: it ends, shows nothing."""
        before = self.visible_windows()
        process = self.start(self.exe)
        self.assert_exits(process)
        self.assertEqual(self.visible_windows(), before)

    def foreign_window(self, title, how=None):
        """A window of another program; waits until it exists."""
        self.start(self.helper, "window", title, *([how] if how else []))
        self.driver.wait_window("WindowHelper parent" if how == "child" else title, any_state=True)

    def test_second_start_ends_silently(self):
        window = self.start_main()
        self.start_blocked()
        self.assertEqual(self.driver.count(TITLE), 1)
        self.assertEqual(self.driver.text(self.hwnd), TITLE)
        self.assertEqual(self.window_now()["pid"], window["pid"])
        self.assertTrue(self.process.running())

    def test_foreign_window_with_the_whole_title_in_other_letter_case_stops_a_start(self):
        self.foreign_window(TITLE.upper())
        self.start_blocked()

    def test_hidden_foreign_window_with_the_title_stops_a_start(self):
        self.foreign_window(TITLE, "hidden")
        self.start_blocked()
        self.assertEqual([w["visible"] for w in self.driver.windows(TITLE)], [False])

    def test_window_whose_title_only_contains_the_name_does_not_stop_a_start(self):
        self.foreign_window(TITLE + " - notes")
        self.foreign_window(" " + TITLE)
        window = self.start_main()
        self.assertEqual(window["text"], TITLE)

    def test_child_window_with_the_title_does_not_stop_a_start(self):
        self.foreign_window(TITLE, "child")
        window = self.start_main()
        self.assertEqual(window["class"], "#32770")


if __name__ == "__main__":
    unittest.main()
