"""A whole scan driven through the program's real window, and what the tests compare it with:
the report lines in their exact texts, the files of a drive with their bytes and attributes.

    run = ScanRun(prefix, exe)            # the program started, its window found
    run.click_scan()
    run.wait_for_drive("D")               # optional: until the walk has reached D:
    result = run.finish(restart_answer=IDNO)
    result.lines, result.boxes, result.question
"""

import hashlib
import os
import re
import subprocess
import time

TITLE = "Sweepwright Ver 1.0"
IDCANCEL, IDC_SCAN, IDC_CLOSE_X, IDC_REPORT_LIST = 2, 1052, 1054, 1055
IDC_GRP_STATUS, IDC_STATUS, IDC_OK, IDC_SEARCH_LABEL = 1064, 1065, 1070, 1076
IDYES, IDNO = 6, 7
WM_DESTROY = 2

KILL_MESSAGE = "Could not kill process"
RESTART_QUESTION = ("The system has to be restarted to remove the virus completely from your system. "
                    "\n\n Restart now?")
TERMINATE_QUESTION = "Terminate the Scan now?"
COMPLETED, TERMINATED = "Scanning completed", "Scanning terminated"
QUICK_COMPLETED, QUICK_TERMINATED = "Quick scan completed", "Quick scan terminated"
MEMORY_LINE = "System Memory    W32/Drellmoxin.Trojan  removed"
FORCED_NAME = "W32/Drellmoxin.Trojan "      # the checker's name, with its trailing blank
REGISTRY_LINE = "System Registry     W32/Drellmoxin.Trojan removed"
RUN_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
SESSION_MANAGER = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager"


def removed_line(path, name):
    return "%s     %s removed" % (path, name)


def unable_line(path, name):
    return "%s     %s Unable to remove" % (path, name)


def waiting_line(path, name, held_in=None):
    """A file whose removal waits for the restart: in a holding folder (held_in, the NT line),
    or where it is."""
    where = " waits in %s," % held_in if held_in else ""
    return "%s     %s Unable to remove now:%s removed at the restart" % (path, name, where)


HOLDING_FOLDER = re.compile(r"^Sweepwright\.restart-[0-9A-F]{8}$")


def holding_folders(host_root):
    """The tool's holding folders at the root of a drive."""
    return sorted(n for n in os.listdir(host_root) if HOLDING_FOLDER.match(n))


def held_copy(host_root, path):
    """Where the NT line left a file to wait for the restart: in the drive's one holding
    folder, under its own name (path below the drive's root)."""
    folders = holding_folders(host_root)
    if len(folders) != 1:
        raise AssertionError("holding folders on the drive: %r" % folders)
    return folders[0] + "\\" + path.split("\\")[-1]


def statistics(scanned, infected, removed):
    """The block the scan ends with; a blank line first once something was found."""
    return ([" "] if infected > 0 else []) + [
        "Scanning statistics",
        "-" * 30,
        "Total files scanned\t\t:  %d" % scanned,
        "Total files infected\t\t:  %d" % infected,
        "Total files removed\t\t:  %d" % removed,
    ]


def split_statistics(lines):
    """(lines before the statistics block, the block from its optional blank line on)."""
    if "Scanning statistics" not in lines:
        return lines, []
    start = lines.index("Scanning statistics")
    if start > 0 and lines[start - 1] == " ":
        start -= 1
    return lines[:start], lines[start:]


class ScanResult:
    def __init__(self, status, lines, boxes, question):
        self.status = status            # the status line when the scan driver was done
        self.lines = lines              # the report list afterwards
        self.boxes = boxes              # (caption, text) of the plain message boxes met
        self.question = question        # text of the restart question, or None


class ScanRun:
    """The program under test, started in a prefix, with its main window. Failures raise
    AssertionError, so that a test class can run its scan once in setUpClass."""

    def __init__(self, prefix, exe, *args, timeout_ms=20000):
        self.driver = prefix.driver
        self.process = prefix.spawn(exe, *args)
        window = self.driver.wait_window(TITLE, timeout_ms)
        self.hwnd = window["hwnd"]
        self.pid = window["pid"]
        self.boxes = []                 # (caption, text) of the plain message boxes met

    def status(self):
        return self.driver.text(self.hwnd, IDC_STATUS)

    def visible(self, control_id):
        return self.driver.controls(self.hwnd)[control_id]["visible"]

    def click_scan(self):
        self.driver.click(self.hwnd, IDC_SCAN)

    def dismiss_plain_boxes(self):
        """Notes and presses OK on the program's plain system message boxes ("Could not kill
        process", caption the file's path): each blocks the scan until it is closed. The
        program's own questions (owned by its window) are left to the caller."""
        for window in self.driver.windows():
            if (window["pid"] != self.pid or window["hwnd"] == self.hwnd or not window["visible"]
                    or window["owner"] == self.hwnd):
                continue
            children = self.driver.children(window["hwnd"])
            texts = [c["text"] for c in children if c["class"].lower() == "static" and c["text"]]
            ok = [c for c in children if c["class"].lower() == "button" and c["text"] == "OK"]
            if len(ok) != 1:
                raise AssertionError("a window of the program that is no message box: %r" % window)
            self.boxes.append((window["text"], " ".join(texts)))
            self.driver.click(window["hwnd"], ok[0]["id"])
            self.driver.wait_gone(window["hwnd"], 5000)

    def wait_until(self, condition, what, timeout):
        deadline = time.monotonic() + timeout
        while not condition():
            self.dismiss_plain_boxes()
            if time.monotonic() > deadline:
                raise AssertionError("%s: not within %d s (status %r)" % (what, timeout, self.status()))
            time.sleep(0.05)

    def wait_for_drive(self, letter, timeout=120):
        """Until the status line shows a path on this drive."""
        self.wait_until(lambda: self.status().startswith(letter + ":\\"), "walk reaches %s:" % letter, timeout)

    def wait_for_question(self, timeout_ms=10000):
        return self.driver.question(owner=self.hwnd, timeout_ms=timeout_ms)

    def answer(self, question, button):
        self.driver.click(question["hwnd"], button)
        self.driver.wait_gone(question["hwnd"], 5000)

    def finished_layout(self):
        """The timer handler has returned: the search label is hidden, OK replaces CANCEL."""
        controls = self.driver.controls(self.hwnd)
        return (not controls[IDC_SEARCH_LABEL]["visible"] and controls[IDC_OK]["visible"]
                and not controls[IDCANCEL]["visible"] and controls[IDC_GRP_STATUS]["text"] == "")

    def finish(self, restart_answer=None, timeout=300):
        """Waits for the end of the scan, dismissing kill boxes on the way. When
        restart_answer is given the restart question must follow the statistics and gets that
        answer; otherwise no question may be asked."""
        ends = (COMPLETED, TERMINATED, QUICK_COMPLETED, QUICK_TERMINATED)
        self.wait_until(lambda: self.status() in ends, "end of the scan", timeout)
        status = self.status()
        question = None
        if restart_answer is not None:
            asked = self.wait_for_question()
            question = asked["message"]
            buttons = sorted(b["id"] for b in asked["buttons"] if b["visible"])
            if asked["text"] != TITLE or buttons != [IDYES, IDNO]:
                raise AssertionError("restart question with caption %r and buttons %r" % (asked["text"], buttons))
            lines = self.report()    # the statistics are written before the question is asked
            self.answer(asked, restart_answer)
            if restart_answer == IDYES:
                return ScanResult(status, lines, self.boxes, question)
        self.wait_until(self.finished_layout, "finished layout", 30)
        return ScanResult(status, self.report(), self.boxes, question)

    def report(self):
        return self.driver.list_box(self.hwnd, IDC_REPORT_LIST)["lines"]

    def close(self):
        """OK ends the program after its scan; returns its exit code."""
        self.driver.click(self.hwnd, IDC_OK)
        return self.process.wait(20)


# ---- files of a drive: bytes and Windows attributes -----------------------------------------

def host_path(root, path):
    """The host file of a path below a drive's root ("folder\\file.exe")."""
    return os.path.join(root, *path.split("\\"))


def plant(root, path, sample):
    """Writes a sample of the generator (tests/samples) under that path; returns the host file."""
    host = host_path(root, path)
    os.makedirs(os.path.dirname(host), exist_ok=True)
    sample.name = os.path.basename(host)
    sample.write(os.path.dirname(host))
    return host


def regular_files(host_root):
    """(path relative to host_root with backslashes, host path) of every regular file below it."""
    for folder, _dirs, files in os.walk(host_root):
        for name in files:
            path = os.path.join(folder, name)
            if os.path.isfile(path) and not os.path.islink(path):
                yield os.path.relpath(path, host_root).replace("/", "\\"), path


def file_hashes(host_root):
    """{relative path: sha256} of every regular file below host_root."""
    hashes = {}
    for relative, path in regular_files(host_root):
        with open(path, "rb") as f:
            hashes[relative] = hashlib.sha256(f.read()).hexdigest()
    return hashes


def count_files(host_root):
    return sum(1 for _ in regular_files(host_root))


ATTRIB_LINE = re.compile(r"^(?P<flags>[A-Z ]*?)\s*(?P<path>[A-Za-z]:\\.*)$")


def windows_attributes(prefix, drive):
    """{path below the drive's root: set of attribute letters} as Windows lists them."""
    listing = subprocess.run(["wine", "cmd", "/c", "attrib /s %s:\\*" % drive], env=prefix.env,
                             cwd=prefix.drive_c, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, universal_newlines=True, timeout=120).stdout
    attributes = {}
    for line in listing.splitlines():
        match = ATTRIB_LINE.match(line.rstrip("\r"))
        if match:
            attributes[match.group("path")[3:]] = set(match.group("flags").replace(" ", ""))
    return attributes


def run_batch(prefix, commands):
    """Runs command lines in one cmd through a batch file, so that quoted paths reach each
    command as written (a command line handed to wine gets its quotes escaped)."""
    batch = os.path.join(prefix.drive_c, "e2e-commands.bat")
    with open(batch, "w", newline="\r\n") as f:
        f.write("@echo off\n" + "\n".join(commands) + "\n")
    try:
        subprocess.run(["wine", "cmd", "/c", "C:\\e2e-commands.bat"], env=prefix.env, cwd=prefix.drive_c,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True, timeout=120)
    finally:
        os.remove(batch)


def set_attributes(prefix, paths_and_flags):
    """Sets Windows attributes, one flag per attrib call: [(path, "rhs")]."""
    run_batch(prefix, ['attrib +%s "%s"' % (flag, path) for path, flags in paths_and_flags for flag in flags])


class DriveSnapshot:
    """Bytes and attributes of every file of one drive of a prefix."""

    def __init__(self, prefix, drive, host_root):
        self.drive = drive
        self.hashes = file_hashes(host_root)
        self.attributes = windows_attributes(prefix, drive)


def host_files_in_use():
    """Real paths of the host files that some process of this user has open or mapped: Wine's
    server keeps a descriptor of every open Windows file, and a running program maps its image."""
    used = set()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            for fd in os.listdir("/proc/%s/fd" % pid):
                used.add(os.path.realpath("/proc/%s/fd/%s" % (pid, fd)))
            with open("/proc/%s/maps" % pid) as maps:
                used.update(line.split(None, 5)[5].strip() for line in maps if line.count(" ") >= 5 and "/" in line)
        except OSError:
            continue
    return used


def wait_until_in_use(host_paths, timeout=20):
    """Until every one of these files is held open or mapped (a helper program has got to it)."""
    wanted = {os.path.realpath(p) for p in host_paths}
    deadline = time.monotonic() + timeout
    while not wanted <= host_files_in_use():
        if time.monotonic() > deadline:
            raise AssertionError("not in use: %s" % sorted(wanted - host_files_in_use()))
        time.sleep(0.2)


def set_drive_types(prefix, types):
    """Wine's drive types ({"d": "cdrom", ...}), written before the prefix starts (its mount
    manager reads them then)."""
    run_batch(prefix, ["reg add HKLM\\Software\\Wine\\Drives /v %s: /d %s /f" % (letter, kind)
                       for letter, kind in sorted(types.items())])
    # The registry reaches its file when that server ends; the persistent one starts after.
    subprocess.run(["wineserver", "-w"], env=prefix.env, timeout=120)
