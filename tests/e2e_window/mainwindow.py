"""The main window of the real Sweepwright.exe, read back through its handles: control
identifiers, the layouts it passes through, the pictures its buttons may show, and a test
case that installs the program with its helpers into the class's prefix.

    class Idle(MainWindowCase):
        def test_layout(self):
            window = self.start_main()
            self.assert_layout(window, IDLE)
"""

import os
import sys
import time

from PIL import Image

import swtest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.abspath(os.path.join(HERE, "..", ".."))
ART = os.path.join(REPO, "res", "art")
sys.path.insert(0, os.path.join(REPO, "tests", "samples"))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e_scan"))
import gen_samples  # noqa: E402  (found through the paths above)
from scanrun import statistics  # noqa: E402,F401  (the tests take it from here)

TITLE = "Sweepwright Ver 1.0"
TROJAN = "W32/Drellmoxin"
HEADING = TITLE + " - Tool to detect and remove all the variants of " + TROJAN + " Trojan "
FAMILY = "for " + TROJAN + " Trojan "
NOTICE = "This program is a part of Varnholt antivirus software."
SEARCHING = "Searching for " + TROJAN + " Trojan and its variants"
TERMINATE = "Terminate the Scan now?"
RESTART = ("The system has to be restarted to remove the virus completely from your system. "
           "\n\n Restart now?")
COMPLETED, TERMINATED = "Scanning completed", "Scanning terminated"
PRODUCT_KEY = "HKLM\\Software\\Corvanel\\Varnholt 2000"
PRODUCT_VALUE = "Installed Folder"

# Controls of the main window (template 141).
IDCANCEL = 2
GRP_REPORT, SCAN, DOWNLOAD, CLOSE_X, REPORT = 1034, 1052, 1053, 1054, 1055
GRP_STATUS, STATUS, FAMILY_LABEL, OK = 1064, 1065, 1068, 1070
LEGAL, HEADING_LABEL, NOTICE_LABEL, SEARCH_LABEL = 1072, 1074, 1075, 1076
DLINK, ULINK, LOGO = 1077, 1080, 1085
CONTROL_NAMES = {
    SCAN: "SCAN", DOWNLOAD: "DOWNLOAD", CLOSE_X: "X", OK: "OK", IDCANCEL: "CANCEL", DLINK: "DLINK",
    ULINK: "ULINK", LOGO: "logo", HEADING_LABEL: "heading", FAMILY_LABEL: "family label",
    NOTICE_LABEL: "notice", LEGAL: "legal line", SEARCH_LABEL: "search label",
    GRP_STATUS: "status group", STATUS: "status line", GRP_REPORT: "report group", REPORT: "report list",
}
# Message dialog (template 142).
Q_OK, Q_CANCEL, Q_OK_ONLY, Q_YES, Q_NO = 1, 2, 3, 6, 7
IDYES, IDNO = 6, 7
WM_CLOSE, WM_ENABLE, WM_SETREDRAW, WM_USER = 0x10, 0x0A, 0x0B, 0x400
MSG_STATUS, MSG_REPORT_LINE = WM_ENABLE, WM_SETREDRAW

SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768
WINDOW_SIZE = (600, 462)
REGION_BOX = [0, 0, 527, 338]
BUTTON_SIZES = {SCAN: (180, 33), DOWNLOAD: (180, 33), CLOSE_X: (21, 21), OK: (92, 24), IDCANCEL: (92, 24),
                DLINK: (350, 43), ULINK: (350, 28), LOGO: (100, 36)}
WITH_DISABLE = ("focus", "notfocus", "disable")
BUTTON_STEMS = {SCAN: "scan", DOWNLOAD: "download", CLOSE_X: "x", OK: "ok", IDCANCEL: "cancel",
                DLINK: "dlink", ULINK: "ulink", LOGO: "corvanellogo"}

# Layouts of the state table: control -> (visible, enabled); None where nothing is fixed.
S, H = True, False
IDLE = {
    SCAN: (S, True), DOWNLOAD: (S, True), CLOSE_X: (S, True), OK: (H, False), IDCANCEL: (H, None),
    DLINK: (S, True), ULINK: (S, True), LOGO: (S, None), HEADING_LABEL: (S, None),
    FAMILY_LABEL: (S, None), NOTICE_LABEL: (H, None), LEGAL: (S, None), SEARCH_LABEL: (H, None),
    GRP_STATUS: (H, None), STATUS: (H, None), GRP_REPORT: (H, None), REPORT: (H, None),
}
IDLE_INSTALLED = {**IDLE, DOWNLOAD: (S, False), DLINK: (H, False), NOTICE_LABEL: (S, None)}
SCANNING = {**IDLE,
    SCAN: (S, False), OK: (H, True), IDCANCEL: (S, True), DLINK: (H, False), ULINK: (H, False),
    HEADING_LABEL: (H, None), NOTICE_LABEL: (H, None), LEGAL: (H, None), SEARCH_LABEL: (S, None),
    GRP_STATUS: (S, None), STATUS: (S, None), GRP_REPORT: (S, None), REPORT: (S, None),
}
# Termination confirmed through CANCEL or X, while the scan driver has not yet returned.
SCAN_ENDING = {**SCANNING, OK: (S, True), IDCANCEL: (H, None)}
FINISHED = {**SCAN_ENDING, SEARCH_LABEL: (H, None)}


def relative(window, rect):
    """A screen rectangle relative to the window's top-left corner."""
    left, top = window["rect"][0], window["rect"][1]
    return [rect[0] - left, rect[1] - top, rect[2] - left, rect[3] - top]


def size_of(rect):
    return rect[2] - rect[0], rect[3] - rect[1]


def load_art(name):
    return Image.open(os.path.join(ART, name + ".bmp")).convert("RGB")


def hex_colour(rgb):
    return "%02X%02X%02X" % rgb


def telling_points(images, count=16):
    """Up to count points, spread over the picture, where the candidate images all differ
    from each other, so that a few screen pixels tell which one is shown; a grid when
    they are all alike."""
    first = next(iter(images.values()))
    width, height = first.size
    points = []
    for y in range(height):
        for x in range(width):
            colours = [img.getpixel((x, y)) for img in images.values()]
            if len(set(colours)) == len(colours):
                points.append((x, y))
    if not points:
        points = [(x, y) for y in range(1, height, 4) for x in range(1, width, 5)]
    step = max(1, len(points) // count)
    return points[::step][:count]


def scan_tree(folder, folders, files_per_folder, size):
    """Files of one size, each folder's hard links of one (sparse) file, in folders with
    long names; the size is a signature record's, so the matcher opens each of them and the
    walk takes a while. Returns the Windows paths of the files relative to the drive root."""
    paths = []
    for f in range(folders):
        name = "a_folder_with_a_rather_long_name_for_the_status_line_%02d" % f
        os.makedirs(os.path.join(folder, name), exist_ok=True)
        first = None
        for n in range(files_per_folder):
            file_name = "file_%05d.dat" % (f * files_per_folder + n)
            path = os.path.join(folder, name, file_name)
            if first is None:
                first = path
                with open(first, "wb") as out:
                    out.truncate(size)
            else:
                os.link(first, path)
            paths.append(name + "\\" + file_name)
    return paths


def plant_lookalike(folder, file_name, record_index):
    """A harmless file that the matcher takes for a sample of the record; returns the
    variant name the report line will carry."""
    record = gen_samples.record_by_index(record_index)
    sample = gen_samples.matching_sample(record, "one")
    sample.name = file_name
    sample.write(folder)
    return record.name


def count_files(folder):
    return sum(len(files) for _root, _dirs, files in os.walk(folder))


def screenshot_dir():
    """Where the tests leave their screenshots (docs/ takes copies of them)."""
    folder = os.environ.get("SW_SCREENSHOT_DIR") or os.path.join(REPO, "build", "screenshots")
    os.makedirs(folder, exist_ok=True)
    return folder


class MainWindowCase(swtest.WineTestCase):
    """Sweepwright.exe and WindowHelper.exe installed in the class's prefix."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.exe = cls.prefix.install_program()
        cls.helper = cls.prefix.install(os.environ["SW_WINDOW_HELPER"], "C:\\helper\\WindowHelper.exe")

    @classmethod
    def install_help_program(cls, prefix):
        """A help program with cursor 106, which Wine's own lacks: the buttons' hand cursor.
        Call from prepare_prefix."""
        prefix.install(os.environ["SW_HELP_STANDIN"], "C:\\windows\\winhlp32.exe")
        prefix.env["WINEDLLOVERRIDES"] += ";winhlp32.exe=n"

    # Starting and ending.
    def start_main(self):
        """Starts the program; returns its main window once it is shown."""
        self.process, window = self.start_window(self.exe, TITLE)
        self.hwnd = window["hwnd"]
        return window

    def assert_exits(self, process=None, timeout=10):
        process = process or self.process
        try:
            process.wait(timeout)
        except Exception:
            self.fail("the program is still running %d s later" % timeout)

    def run_helper(self, *args):
        result = self.prefix.run(self.helper, *[str(a) for a in args])
        self.assertEqual(result.returncode, 0, "WindowHelper %s" % " ".join(str(a) for a in args))
        return result.stdout.decode("ascii", "replace")

    # Reading the window.
    def window_now(self):
        return next(w for w in self.driver.windows(TITLE) if w["hwnd"] == self.hwnd)

    def assert_layout(self, layout, controls=None):
        """Every control of the layout is shown or hidden, enabled or disabled as it says."""
        controls = controls or self.driver.controls(self.hwnd)
        wrong = []
        for control_id, (visible, enabled) in sorted(layout.items()):
            c = controls[control_id]
            if c["visible"] != visible or (enabled is not None and c["enabled"] != enabled):
                wrong.append("%s: visible %s enabled %s, expected %s %s" % (
                    CONTROL_NAMES[control_id], c["visible"], c["enabled"], visible, enabled))
        self.assertEqual(wrong, [])
        return controls

    def assert_eventually(self, read, expected, message=None, timeout=3.0):
        """What the screen shows settles after a change (painting follows it): reads
        again until read() gives expected or the time is up, then compares."""
        deadline = time.monotonic() + timeout
        while True:
            got = read()
            if got == expected or time.monotonic() > deadline:
                self.assertEqual(got, expected, message)
                return got
            time.sleep(0.05)

    def wait_layout(self, layout, timeout=5.0):
        """Waits for a layout the program reaches by itself (the end of a scan)."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                return self.assert_layout(layout)
            except AssertionError:
                if time.monotonic() > deadline:
                    raise
            time.sleep(0.05)

    def status(self):
        return self.driver.text(self.hwnd, STATUS)

    def wait_status(self, test, what, timeout=30.0):
        """Polls the status line until test(text) holds; returns the text."""
        deadline = time.monotonic() + timeout
        while True:
            text = self.status()
            if test(text):
                return text
            if time.monotonic() > deadline:
                self.fail("status line never showed %s; it shows %r" % (what, text))
            time.sleep(0.02)

    def report(self):
        return self.driver.list_box(self.hwnd, REPORT)

    def widest_report_line(self):
        return int(self.run_helper("widest", self.hwnd, REPORT))

    # Questions.
    def question(self, timeout_ms=10000):
        """The program's message dialog open over the main window."""
        return self.driver.question(owner=self.hwnd, timeout_ms=timeout_ms)

    def answer(self, question, button):
        self.driver.click(question["hwnd"], button)
        self.driver.wait_gone(question["hwnd"])

    def assert_yes_no_question(self, question, caption, text):
        self.assertEqual((question["text"], question["message"]), (caption, text))
        buttons = {b["id"]: b for b in question["buttons"]}
        shown = sorted(i for i, b in buttons.items() if b["visible"])
        self.assertEqual(shown, [Q_YES, Q_NO])
        self.assertEqual([(buttons[i]["width"], buttons[i]["height"]) for i in shown], [(92, 24)] * 2)
        self.assert_picture(question, "153_question")

    def assert_picture(self, question, art_name):
        """The dialog's picture control shows this bitmap, pixel for pixel at sample points."""
        picture = load_art(art_name)
        width, height = picture.size
        control_width, control_height = size_of(question["picture"]["rect"])
        points = [(x, y) for y in range(2, min(height, control_height), 5)
                  for x in range(2, min(width, control_width), 5)]
        expected = [hex_colour(picture.getpixel(p)) for p in points]
        self.assert_eventually(lambda: self.pixels(question["picture"]["hwnd"], points), expected,
                               "picture of the question")

    def pixels(self, target, points):
        """Screen colours at points relative to the target window, however many points
        (the driver takes some 30 a command)."""
        colours = []
        for start in range(0, len(points), 30):
            colours += self.driver.pixels(target, *points[start:start + 30])
        self.assertEqual(len(colours), len(points))
        return colours

    # Pictures of the buttons.
    def shown_image(self, control_id, states=("focus", "notfocus")):
        """Which of the button's images the screen shows now: its state, the states joined
        by "/" when their images are alike (the logo's two are), or None."""
        stem = BUTTON_STEMS[control_id]
        images = {state: load_art("%s_%s" % (stem, state)) for state in states}
        points = telling_points(images)
        shown = self.pixels(swtest.target(self.hwnd, control_id), points)
        matching = [state for state, img in images.items()
                    if shown == [hex_colour(img.getpixel(p)) for p in points]]
        return "/".join(matching) or None

    def wait_image(self, control_id, state, states=("focus", "notfocus")):
        self.assert_eventually(lambda: self.shown_image(control_id, states), state,
                               "image of %s" % CONTROL_NAMES[control_id])

    # Screenshots.
    def save_screenshot(self, name, *extra_rects):
        """The window as it shows on screen (its region's box), with any rectangles that
        stick out of it (a question), saved as name in the screenshot folder."""
        rect = self.window_now()["rect"]
        box = [rect[0], rect[1], rect[0] + REGION_BOX[2], rect[1] + REGION_BOX[3]]
        for r in extra_rects:
            box = [min(box[0], r[0]), min(box[1], r[1]), max(box[2], r[2]), max(box[3], r[3])]
        path = self.prefix.screenshot(os.path.join(screenshot_dir(), name), box)
        with Image.open(path) as shot:
            self.assertEqual(shot.size, size_of(box))
        return path
