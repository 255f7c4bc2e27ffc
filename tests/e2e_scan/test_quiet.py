"""Quiet runs, one row of the table below a scenario (SW_QUIET_ROW names it), each in a
throwaway prefix under the Windows version of its row. Nobody answers anything (but in the two
rows without /quiet): a run that waits for someone fails at its time limit. Each row starts the
program with its switches and reads back its whole exit code (inside Wine: the shell sees only
its low 8 bits), its log, the files of its drive D:, the run marker, and what its row says about
processes and the registry.
"""

import os
import re
import signal
import sys
import time
import unittest

import swtest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "samples"))
import gen_samples  # noqa: E402
import scanrun  # noqa: E402
from scanrun import RUN_KEY, SESSION_MANAGER, host_path, removed_line  # noqa: E402

PROGRAM = "C:\\Sweepwright\\Sweepwright.exe"
LOG = "C:\\logs\\sweep.log"
DEFAULT_LOG = "C:\\windows\\Sweepwright.log"
MARKER = "HKLM\\Software\\Sweepwright"
FIRST, SECOND, NEAR = "infected\\first sample.exe", "other\\second.exe", "infected\\near miss.exe"
RUNNING = "running\\Lookalike.exe"
FIRST_RECORD, SECOND_RECORD = 7, 40
TOO_LONG = "D:\\" + "x" * 255   # a folder whose pattern ("\\*.*" added) does not fit MAX_PATH
TOO_LONG_TOO = "D:\\" + "y" * 255   # with the first, a command line longer than 511 characters
# A look-alike in D:\other whose path does not fit MAX_PATH even with its 8.3 name.
DEEP_FOLDER = "D:\\other\\" + "\\".join(["level %d %s" % (i, "x" * 32) for i in range(6)])
DEEP_LOOKALIKE = DEEP_FOLDER[:250] + "\\abcdefgh.exe"
# What the path row's run does not examine, each with its line, in order: /path names that lead
# to no folder or are too long, and the look-alike past MAX_PATH in D:\other (walked among them).
NOT_SCANNED = {"D:\\" + NEAR: "Not a folder", DEEP_LOOKALIKE: "Path too long", "D:\\nosuch": "Not found",
               "Q:\\": "Not found", "\\\\nosuchserver\\share": "Not found", TOO_LONG: "Path too long",
               TOO_LONG_TOO: "Path too long"}
PATH_SWITCHES = " ".join('/path "%s"' % path for path in ["D:\\" + NEAR, "D:\\other", "D:\\nosuch", "Q:\\",
                                                          "\\\\nosuchserver\\share", TOO_LONG, TOO_LONG_TOO])
MUTEX = "Global\\Sweepwright.Instance"
EARLIER = b"=" * 40 + b"\r\nSweepwright 1.0.0.0 started 2026-12-01 10:00:00\r\nEnded 2026-12-01 10:00:09 with exit code 0\r\n"
AUTORUN_VALUE = "Drellmoxin Probe"
BOX_CAPTION = "Sweepwright command line"
QUIET_WINDOW = "Sweepwright quiet run"
WM_KEYDOWN, VK_ESCAPE, WM_ENDSESSION = 0x100, 0x1B, 0x16
RUN_SECONDS = 240
REFUSAL_SECONDS = 60   # a refusal that shows a box waits for ever
PLANTED = ((FIRST, FIRST_RECORD), (SECOND, SECOND_RECORD))
# Files no sample can be, which are not opened and not mentioned: the page file of every
# Windows from Vista on, held without sharing; a file whose size is a record's plus 4 GiB.
LARGE_FILES = {"pagefile.sys": 3 << 30,
               "video.bin": (1 << 32) + gen_samples.record_by_index(FIRST_RECORD).file_size}
# Look-alikes on C: for the quick scan ({user}: the prefix's own profile); a Run value starts FIRST.
WINDOWS_TEMP, DOWNLOADS = "windows\\Temp\\update.exe", "users\\{user}\\Downloads\\setup.exe"
COMMON_FILES = "Program Files\\Common Files\\System\\helper.dll"
PROFILE_9X = "windows\\Profiles\\anna\\Desktop\\game.exe"
QUICK_PLACES = re.compile(r"^Quick scan of (\d+) places:$")


AGAIN_LOG = "C:\\logs\\again.log"
FOREIGN = "Sweepwright.quarantine\\someone else's.txt"   # a folder of the old name, made by a user
UNREACHABLE = "Unable to remove, left in place: the restart cannot reach its drive"


class Row:
    def __init__(self, version, switches, exit_code, planted=True, removed=(), held=None, log=DEFAULT_LOG,
                 running=False, second_copy=False, marker="exit code", box=None, window=False, holds=None,
                 killed=False, log_written=1, note=None, not_scanned=(), large_files=False, seconds=RUN_SECONDS,
                 station=None, scanned=None, closed=False, network=False, again=False, on_c=(), removed_on_c=()):
        self.version, self.switches, self.exit_code = version, switches, exit_code
        self.planted = planted          # the two look-alikes lie on D: (a near miss always does)
        self.removed = set(removed)     # the planted files the run must remove; the others stay
        self.held = held                # a planted file another program holds open (not deletable)
        self.log = log                  # where the run's block is written; None: no log at all
        self.running = running          # the look-alike program runs, and an autorun value starts it
        self.second_copy = second_copy  # a second quiet copy starts while this one runs
        self.box = box                  # not quiet: a box says this, and OK answers it
        self.window = window            # not quiet: SCAN pressed in the window, OK when it is done
        self.marker = exit_code if marker == "exit code" else marker   # LastResult, or None: no marker
        self.holds = holds              # ShareHold's switch and what it holds while the run goes
        self.killed = killed            # ended from outside once its marker says it has started
        self.log_written = log_written  # the marker's LogWritten
        self.note = note                # the block's line after the switches: why the log asked for was not
        self.not_scanned = list(not_scanned)   # the log's "not scanned" lines, in order
        self.large_files = large_files  # D: holds LARGE_FILES, the page file held as Windows holds it
        self.seconds = seconds          # the run's time limit
        self.station = station          # runs in a window station of this name, which nobody sees
        self.scanned = scanned          # files under the /path folders; None: every fixed drive
        self.closed = closed            # "taskkill" (without /f) or "session end" asks the run to end as it scans
        self.network = network          # Windows takes D: for a network drive
        self.again = again              # a second quiet run follows before any restart
        self.on_c, self.removed_on_c = on_c, set(removed_on_c)   # look-alikes on C:, and which the run removes


ROWS = {
    "clean": Row("win98", "/quiet", 0, planted=False, large_files=True),
    "removed": Row("win7", "/quiet /log " + LOG, 1, removed=[FIRST, SECOND], log=LOG),
    "scanonly": Row("winxp", "-QUIET /scanonly /log " + LOG, 2, log=LOG, running=True),
    "held_win2k": Row("win2k", "/quiet /log " + LOG, 3010, removed=[SECOND], held=FIRST, log=LOG, again=True),
    "held_network": Row("win7", "/quiet /path D:\\ /log " + LOG, 2, removed=[SECOND], held=FIRST, log=LOG,
                        network=True),
    "held_win98": Row("win98", "/quiet /log " + LOG, 3010, removed=[SECOND], held=FIRST, log=LOG),
    # Windows 2000 restarts through ExitWindowsEx; Wine's InitiateSystemShutdownExA (XP on) restarts nothing.
    "forcerestart": Row("win2k", "/quiet /forcerestart /log " + LOG, 1641, removed=[SECOND], held=FIRST, log=LOG),
    "path": Row("win2k", "/quiet " + PATH_SWITCHES + " /log " + LOG, 3, removed=[SECOND], log=LOG, scanned=1,
                not_scanned=["%s     %s, not scanned" % item for item in NOT_SCANNED.items()]),
    # Each file once: D:'s three files, though D:\other is named three ways besides.
    "path_overlap": Row("win2k", "/quiet /path D:\\other /path D:\\ /path d:\\Other\\ /path d: /log " + LOG, 1,
                        removed=[FIRST, SECOND], log=LOG, scanned=3),
    "bad_switch": Row("win7", "/quiet /bogus", 87, log=None, marker=None),
    # /scanonly taken for the log's name would leave the run free to delete.
    "value_missing": Row("win7", "/quiet /log /scanonly /path D:\\other", 87, log=None, marker=None,
                         seconds=REFUSAL_SECONDS),
    "mistyped_quiet": Row("winxp", "/quiet/scanonly", 87, log=None, marker=None, seconds=REFUSAL_SECONDS),
    "unseen_station": Row("win7", "/scanonly /bogus", 87, log=None, marker=None, seconds=REFUSAL_SECONDS,
                          station="SweepwrightUnseen"),
    "taskkill": Row("win7", "/quiet /log " + LOG, 1223, log=LOG, closed="taskkill"),
    "session_end": Row("winxp", "/quiet /log " + LOG, 1223, log=LOG, closed="session end"),
    "window_log": Row("winxp", "/log " + LOG, 1, removed=[FIRST, SECOND], log=LOG, marker=None, window=True),
    "bad_switch_box": Row("winxp", "/scanonly /bogus", 87, log=None, marker=None,
                          box="Unknown switch or missing value: /bogus"),
    # The look-alike is left as it is, so that a scan finds it.
    "lookalike_log": Row("winxp", "/scanonly /log D:\\" + SECOND, 87, log=None, marker=None,
                         box="Not a log of this program: D:\\" + SECOND),
    "killed": Row("winxp", "/quiet /scanonly /log " + LOG, None, log=LOG, marker=259, killed=True, log_written=0),
    "unwritable_log": Row("win7", "/quiet /log C:\\missing\\sweep.log", 1, removed=[FIRST, SECOND], log_written=0,
                          note="Log not written to C:\\missing\\sweep.log (error 3)"),
    # Another machine appends to the same log (after an earlier block) while this run writes it.
    "shared_log": Row("win7", "/quiet /log " + LOG, 1, removed=[FIRST, SECOND], log=LOG, holds=("/write", LOG)),
    # SYSTEM's copy holds the instance mutex: an administrator's copy may not open it.
    "mutex_denied": Row("win7", "/quiet /log " + LOG, 1618, log=None, marker=None, holds=("/mutex", MUTEX)),
    # The first copy (its own log) removes both look-alikes and writes the marker.
    # The quick scan: its places and the file a Run value starts, not the rest of D:.
    "quick": Row("win7", "/quiet /quick /log " + LOG, 1, removed=[FIRST], log=LOG, on_c=(WINDOWS_TEMP, DOWNLOADS,
                 COMMON_FILES), removed_on_c=(WINDOWS_TEMP, DOWNLOADS, COMMON_FILES)),
    "quick_win98": Row("win98", "/quiet /quick /log " + LOG, 1, removed=[FIRST], log=LOG,
                       on_c=(PROFILE_9X, DOWNLOADS), removed_on_c=(PROFILE_9X,)),
    "quick_window": Row("winxp", "/quick /log " + LOG, 1, removed=[FIRST], log=LOG, marker=None, window=True,
                        on_c=(WINDOWS_TEMP,), removed_on_c=(WINDOWS_TEMP,)),
    "second_copy": Row("winxp", "/quiet /log " + LOG, 1618, removed=[FIRST, SECOND], log=None, second_copy=True,
                       marker=1),
}
ROW_NAME = os.environ.get("SW_QUIET_ROW", "removed")
ROW = ROWS[ROW_NAME]


def name(index):
    return gen_samples.record_by_index(index).name


class QuietRunTest(swtest.WineTestCase):

    @classmethod
    def prepare_prefix(cls, prefix):
        cls.drive_d = os.path.join(prefix.path, "drive_d")
        for path, index in PLANTED if ROW.planted else ():
            scanrun.plant(cls.drive_d, path, gen_samples.matching_sample(gen_samples.record_by_index(index), "one"))
        scanrun.plant(cls.drive_d, NEAR, gen_samples.near_miss(gen_samples.record_by_index(FIRST_RECORD), "sig1_byte"))
        if ROW_NAME == "path":
            scanrun.plant(cls.drive_d, DEEP_LOOKALIKE[3:], gen_samples.matching_sample(
                gen_samples.record_by_index(FIRST_RECORD), "one"))
        if ROW.held:
            foreign = host_path(cls.drive_d, FOREIGN)
            os.makedirs(os.path.dirname(foreign))
            with open(foreign, "w") as f:
                f.write("not the tool's")
        if ROW.running:
            lookalike = host_path(cls.drive_d, RUNNING)
            os.makedirs(os.path.dirname(lookalike))
            with open(os.environ["SW_LOOKALIKE"], "rb") as source, open(lookalike, "wb") as copy:
                copy.write(source.read())
        prefix.map_drive("D", cls.drive_d)
        users = os.path.join(prefix.drive_c, "users")
        cls.user = next(name for name in os.listdir(users) if name != "Public")
        for index, path in enumerate(ROW.on_c):
            scanrun.plant(prefix.drive_c, path.format(user=cls.user), gen_samples.matching_sample(
                gen_samples.record_by_index(FIRST_RECORD + index), "one"))
        if ROW.network:
            scanrun.set_drive_types(prefix, {"d": "network"})

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        prefix, driver = cls.prefix, cls.driver
        prefix.set_windows_version(ROW.version)
        prefix.install_program(PROGRAM)
        os.makedirs(os.path.join(prefix.drive_c, "logs"))
        if ROW.held:
            holder = prefix.install(os.environ["SW_SHAREHOLD"], "C:\\probe tools\\ShareHold.exe")
            cls.holder = prefix.spawn(holder, "D:\\" + ROW.held)
            scanrun.wait_until_in_use([host_path(cls.drive_d, ROW.held)])
        if ROW.holds:
            if ROW.holds[1] == LOG:
                with open(prefix.unix_path(LOG), "wb") as log:
                    log.write(EARLIER)
            prefix.spawn(prefix.install(os.environ["SW_SHAREHOLD"], "C:\\probe tools\\ShareHold.exe"), *ROW.holds)
            driver.wait_window("ShareHold", 30000, any_state=True)
        if ROW.running:
            driver.reg_set(RUN_KEY, AUTORUN_VALUE, "sz", "D:\\" + RUNNING)
            cls.lookalike = prefix.spawn("D:\\" + RUNNING)
            scanrun.wait_until_in_use([host_path(cls.drive_d, RUNNING)])
        if "/quick" in ROW.switches:
            driver.reg_set(RUN_KEY, AUTORUN_VALUE, "sz", "D:\\" + FIRST)
        cls.before = scanrun.file_hashes(cls.drive_d)
        large_files = cls.lay_large_files() if ROW.large_files else []
        # The log is made on C: (unless it is there already) before the walk gets there.
        made = not os.path.exists(prefix.unix_path(ROW.log or DEFAULT_LOG))
        cls.scanned = ROW.scanned if ROW.scanned is not None else (
            scanrun.count_files(prefix.drive_c) + made + len(cls.before) + len(large_files))
        if ROW.network:   # the /path walk of the whole of D:
            cls.scanned = len(cls.before)
        command = '"%s" %s' % (PROGRAM, ROW.switches)
        if ROW.second_copy:
            cls.exit_code, cls.first_exit = cls.run_beside_a_first_copy(command)
        elif ROW.window:
            run = scanrun.ScanRun(prefix, PROGRAM, *ROW.switches.split())
            run.click_scan()
            finished = run.finish()
            cls.list_lines, cls.status = finished.lines, finished.status
            cls.exit_code = run.close()
        elif ROW.box:
            cls.exit_code, cls.box_text = cls.run_answering_the_box()
        elif ROW.exit_code == 1641:
            cls.exit_code = cls.run_until_restart()
        elif ROW.killed:
            cls.exit_code = cls.run_until_killed()
        elif ROW.closed:
            cls.exit_code = cls.run_closed_politely()
        else:
            cls.exit_code = driver.run(ROW.seconds * 1000, command, ROW.station)
        for path in large_files:
            os.remove(path)
        cls.after = scanrun.file_hashes(cls.drive_d)
        cls.log = cls.read_log(ROW.log)
        # Where the held file is now: in place on the 9x line and where no restart reaches; in
        # the run's own holding folder on the NT line (Wine moves even a held file); gone after
        # a restart.
        cls.deferred = ROW.held
        if ROW.held and ROW.version != "win98" and not ROW.network:
            cls.deferred = None if ROW.exit_code == 1641 else scanrun.held_copy(cls.drive_d, ROW.held)
        if ROW.again:
            cls.again_exit = driver.run(RUN_SECONDS * 1000, '"%s" /quiet /log %s' % (PROGRAM, AGAIN_LOG))
            cls.again_log = cls.read_log(AGAIN_LOG)

    @classmethod
    def lay_large_files(cls):
        """LARGE_FILES on D: (sparse, and kept out of the drive's hashes), the page file held
        open without sharing; returns their host paths."""
        paths = []
        for name, size in LARGE_FILES.items():
            paths.append(host_path(cls.drive_d, name))
            with open(paths[-1], "wb") as f:
                f.truncate(size)
        holder = cls.prefix.install(os.environ["SW_HOLDOPEN"], "C:\\probe tools\\HoldOpen.exe")
        cls.prefix.spawn(holder, "D:\\pagefile.sys")
        scanrun.wait_until_in_use([host_path(cls.drive_d, "pagefile.sys")])
        return paths

    @classmethod
    def run_until_restart(cls):
        """The restart ends every process of the prefix, the driver too: the program runs from
        the shell, and the whole code is read from its log and marker."""
        exit_code = cls.prefix.run(PROGRAM, *ROW.switches.split(), timeout=RUN_SECONDS).returncode
        # Wine's restart ends the prefix's programs a moment after the call, then carries out
        # the pending removal.
        held = host_path(cls.drive_d, ROW.held)
        deadline = time.monotonic() + 60
        while (cls.holder.running() or os.path.exists(held)) and time.monotonic() < deadline:
            time.sleep(0.1)
        cls.holder_ended = not cls.holder.running()
        cls.prefix.end_processes()
        cls.prefix.driver.close()
        cls.prefix.driver = cls.driver = swtest.Driver(cls.prefix)
        return exit_code

    @classmethod
    def wait_until_started(cls, process):
        """Until the marker says that a quiet run has started (it holds the instance mutex by then)."""
        deadline = time.monotonic() + 60
        while cls.driver.reg_get(MARKER, "LastResult") != ("dword", 259):
            if time.monotonic() > deadline or not process.running():
                raise AssertionError("the run did not mark its start")
            time.sleep(0.01)

    @classmethod
    def run_until_killed(cls):
        """Stopped once it has started (so that it cannot finish first), then ended at once, as
        taskkill /f ends it: no code of it runs any more. (Wine's taskkill cannot name a stopped
        process: it reads the image name from the process itself.)"""
        process = cls.prefix.spawn(PROGRAM, *ROW.switches.split())
        cls.wait_until_started(process)
        os.kill(process.popen.pid, signal.SIGSTOP)
        os.kill(process.popen.pid, signal.SIGKILL)
        process.wait(30)

    @classmethod
    def run_closed_politely(cls):
        """The run is held still as soon as its hidden window exists; a key-down of Esc and
        Wine's taskkill (without /f) reach that window; then it goes on (the shell sees 8 bits).
        Or the session ends: the system ends the program as soon as the message is answered."""
        process = cls.prefix.spawn(PROGRAM, *ROW.switches.split())
        window = cls.driver.wait_window(QUIET_WINDOW, 60000, any_state=True)
        os.kill(process.popen.pid, signal.SIGSTOP)
        try:
            cls.driver.post(window["hwnd"], WM_KEYDOWN, VK_ESCAPE)
            if ROW.closed == "taskkill":
                cls.prefix.run("taskkill", "/pid", str(window["pid"]))
        finally:
            os.kill(process.popen.pid, signal.SIGCONT)
        if ROW.closed == "taskkill":
            return process.wait(RUN_SECONDS)
        cls.driver.send(window["hwnd"], WM_ENDSESSION, 1)
        process.kill()
        return None

    @classmethod
    def run_answering_the_box(cls):
        """The only answer this row gives: OK in the box that names the bad switch."""
        process = cls.prefix.spawn(PROGRAM, *ROW.switches.split())
        box = cls.driver.wait_window(BOX_CAPTION, 30000)
        children = cls.driver.children(box["hwnd"])
        text = " ".join(c["text"] for c in children if c["class"].lower() == "static")
        ok = [c for c in children if c["class"].lower() == "button" and c["text"] == "OK"]
        cls.driver.click(box["hwnd"], ok[0]["id"])
        return process.wait(30), text

    @classmethod
    def run_beside_a_first_copy(cls, command):
        """A first quiet copy, stopped once it has started (so it holds the instance mutex and has
        no window), meets the second copy; then it goes on to its end."""
        first_log = "C:\\logs\\first.log"
        first = cls.prefix.spawn(PROGRAM, "/quiet", "/log", first_log)
        cls.wait_until_started(first)
        os.kill(first.popen.pid, signal.SIGSTOP)
        try:
            second = cls.driver.run(RUN_SECONDS * 1000, command)
        finally:
            os.kill(first.popen.pid, signal.SIGCONT)
        first_exit = first.wait(RUN_SECONDS)
        cls.first_log = cls.read_log(first_log)
        return second, first_exit

    @classmethod
    def read_log(cls, path):
        """The log's lines, or None when it does not exist."""
        host = cls.prefix.unix_path(path) if path else ""
        if not os.path.exists(host):
            return None
        with open(host, "rb") as f:
            return f.read().decode("cp1252").split("\r\n")

    # ---- every row --------------------------------------------------------------------------

    @unittest.skipIf(ROW.killed or ROW.closed == "session end", "ended from outside")
    def test_exit_code(self):
        # 1641 and the closed run's code come through the shell (8 bits); the log and the marker
        # have the whole code.
        through_shell = ROW.exit_code == 1641 or ROW.closed
        self.assertEqual(self.exit_code, ROW.exit_code & 0xFF if through_shell else ROW.exit_code)

    def test_only_the_removed_files_are_gone(self):
        expected = {p: h for p, h in self.before.items() if p not in set(ROW.removed) | {ROW.held}}
        if self.deferred:   # else the restart removed it
            expected[self.deferred] = self.before[ROW.held]
        self.assertEqual(self.after, expected)
        # A holding folder only while a file waits in it.
        holding = [self.deferred.split("\\")[0]] if self.deferred and self.deferred != ROW.held else []
        self.assertEqual(scanrun.holding_folders(self.drive_d), holding)
        self.assertEqual(scanrun.holding_folders(self.prefix.drive_c), [])

    def test_log_block(self):
        if ROW.log is None:
            self.assertIsNone(self.read_log(DEFAULT_LOG), "nothing done, nothing written")
            self.assertIsNone(self.read_log(LOG))
            return
        block = self.log
        if ROW.killed:
            self.assertEqual(block, [""], "made at the start; a run cut off writes no block")
            return
        if ROW.holds and ROW.holds[1] == LOG:
            earlier = EARLIER.decode().split("\r\n")[:-1]
            self.assertEqual(block[:len(earlier)], earlier, "the other writer's block stays; this one follows")
            block = block[len(earlier):]
        self.assertEqual(block[0], "=" * 40)
        self.assertRegex(block[1], r"^Sweepwright 1\.0\.0\.0 started \d{4}-\d\d-\d\d \d\d:\d\d:\d\d$")
        self.assertRegex(block[2], r"^Computer: \S+$")
        self.assertRegex(block[3], r"^Windows: (NT|9x) \d+\.\d+ build \d+")
        self.assertEqual(block[4], "Switches: " + ROW.switches)
        if ROW.note:
            self.assertTrue(block[5].startswith(ROW.note), block[5])
        self.assertEqual(block[-1], "", "the last line ends with a line break")
        self.assertRegex(block[-2], r"^Ended \d{4}-\d\d-\d\d \d\d:\d\d:\d\d with exit code %d$" % ROW.exit_code)
        self.assertEqual([line for line in block if line.endswith(", not scanned")], ROW.not_scanned)
        if ROW.closed == "session end":   # the records were written before the program was ended
            return
        start = block.index("Scanning statistics")
        scanned = self.scanned
        if "/quick" in ROW.switches:
            scanned = int(block[start + 2].split()[-1])
            self.assertLess(scanned, self.scanned, "fewer files than a full scan of the prefix")
        removed = len(ROW.removed) + len(ROW.removed_on_c)
        statistics = block[start:start + 5]
        expected = scanrun.statistics(scanned, self.infected(), removed)[-5:]
        if ROW.closed:   # how far the scan got before the close is left to chance
            del statistics[2], expected[2]
        self.assertEqual(statistics, expected)

    def infected(self):
        if ROW.running:   # both look-alikes and the running image, which counts in memory too
            return len(PLANTED) + 2
        return len(ROW.removed) + len(ROW.removed_on_c) + (1 if ROW.held else 0)

    def test_marker(self):
        if ROW.marker is None:
            self.assertIsNone(self.driver.reg_enum(MARKER), "nothing done, no marker")
            return
        self.assertEqual(self.driver.reg_get(MARKER, "LastResult"), ("dword", ROW.marker))
        self.assertEqual(self.driver.reg_get(MARKER, "LogWritten"), ("dword", ROW.log_written))
        self.assertEqual(self.driver.reg_get(MARKER, "Version"), ("sz", "1.0.0.0"))
        kind, last_run = self.driver.reg_get(MARKER, "LastRun")
        self.assertEqual(kind, "sz")
        self.assertRegex(last_run, r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$")

    # ---- rows with more to say --------------------------------------------------------------

    @unittest.skipUnless(ROW.planted and ROW.log and not ROW.killed, "no look-alike, or no log")
    def test_each_found_path_is_in_the_log(self):
        for path, index in PLANTED:
            line = "D:\\" + path
            if path in ROW.removed:
                self.assertIn(removed_line(line, name(index)), self.log)
            elif path == ROW.held:
                self.assertTrue([l for l in self.log if re.match(self.held_line(line, name(index)), l)], line)
            elif "/scanonly" in ROW.switches:
                self.assertIn("%s     %s not disinfected as per user's selection" % (line, name(index)), self.log)
            else:
                self.assertFalse([l for l in self.log if l.startswith(line)], "a path the run was not to look at")

    @staticmethod
    def held_line(line, record_name):
        """The held file's line, as a pattern: it waits for the restart, in a holding folder on
        the NT line, or it is left where no restart reaches it."""
        head = re.escape("%s     %s " % (line, record_name))
        if ROW.network:
            return head + re.escape(UNREACHABLE) + "$"
        held_in = r" waits in D:\\Sweepwright\.restart-[0-9A-F]{8}\\%s," % re.escape(ROW.held.split("\\")[-1])
        return head + "Unable to remove now:%s removed at the restart$" % ("" if ROW.version == "win98" else held_in)

    @unittest.skipUnless(ROW.running, "no program runs")
    def test_scanonly_leaves_the_process_and_the_autorun_value(self):
        self.assertTrue(self.lookalike.running())
        self.assertEqual(self.driver.reg_get(RUN_KEY, AUTORUN_VALUE), ("sz", "D:\\" + RUNNING))

    @unittest.skipUnless("/quick" in ROW.switches, "a full scan")
    def test_quick_scan_says_so_and_examines_its_places(self):
        header, listed, places = self.place_list()
        self.assertEqual(len(set(p.lower() for p in places)), len(places), "each place once")
        self.assertIn("Quick scan, places examined\t:  %d" % listed, self.log)
        for path in ROW.on_c:
            host = scanrun.host_path(self.prefix.drive_c, path.format(user=self.user))
            self.assertEqual(not os.path.exists(host), path in ROW.removed_on_c, path)
        self.assertIsNone(self.driver.reg_get(RUN_KEY, AUTORUN_VALUE), "the Run value went with its file")

    @unittest.skipUnless(ROW.held, "no file is held")
    def test_held_file_waits_for_the_restart(self):
        if ROW.exit_code == 1641:
            self.assertTrue(self.holder_ended, "the restart ended every program")
            self.assertIn("Answered: Yes", self.log)
            return
        self.assertTrue(self.holder.running(), "nothing restarted")
        if ROW.network:
            self.assertIsNone(self.driver.reg_get(SESSION_MANAGER, "PendingFileRenameOperations"))
            return
        self.assertIn("Answered: No", self.log)
        wininit = os.path.join(self.prefix.drive_c, "windows", "wininit.ini")
        if ROW.version == "win98":
            self.assertTrue(os.path.exists(wininit))
            self.assertIn("D:\\%s: Could not kill process" % ROW.held, self.log)
        else:
            self.assertEqual(self.driver.reg_get(SESSION_MANAGER, "PendingFileRenameOperations"),
                             ("multi_sz", ["\\??\\D:\\" + self.deferred]))

    @unittest.skipUnless(ROW.again, "one run")
    def test_a_second_run_before_the_restart_finds_the_file_waiting(self):
        self.assertEqual(self.again_exit, 3010)
        self.assertIn("D:\\%s     %s Unable to remove now: already to be removed at the restart"
                      % (self.deferred, name(FIRST_RECORD)), self.again_log)
        self.assertIn("Total files infected\t\t:  1", self.again_log)

    def place_list(self):
        """(where the quick scan's place list starts in the log, its count, the places listed)."""
        header = self.log.index("Switches: " + ROW.switches) + 1
        listed = int(QUICK_PLACES.match(self.log[header]).group(1))
        return header, listed, self.log[header + 1:header + 1 + min(listed, 20)]

    @unittest.skipUnless(ROW.window, "no window")
    def test_log_holds_the_lines_of_the_list(self):
        first = 5
        if "/quick" in ROW.switches:
            header, listed, places = self.place_list()
            first = header + 1 + len(places) + (1 if listed > 20 else 0)
            self.assertEqual(self.status, scanrun.QUICK_COMPLETED)
        self.assertEqual(self.log[first:-2], self.list_lines)

    @unittest.skipUnless(ROW.box, "a quiet run shows no box")
    def test_box_names_the_bad_switch(self):
        self.assertIn(ROW.box, self.box_text)

    @unittest.skipUnless(ROW.closed, "nothing asks the run to end")
    def test_a_quiet_run_asks_nothing(self):
        self.assertEqual([line for line in self.log if line.startswith("Question:")], [], "Esc asks no question")

    @unittest.skipUnless(ROW.second_copy, "one copy only")
    def test_first_copy_goes_on_to_its_end(self):
        self.assertEqual(self.first_exit, 1)
        self.assertRegex(self.first_log[-2], r"with exit code 1$")


if __name__ == "__main__":
    unittest.main(verbosity=2)
