"""Black-box test platform: Windows programs run in a throwaway Wine prefix on a private
Xvfb display, read and pressed through swdriver.exe.

A test class derives from WineTestCase. It gets one prefix (copied from the template), one
display, one wineserver and one driver process for the whole class; everything is ended and
removed at the end of the class, also when a test or the set-up fails. Programs started with
self.start() are ended after each test.

    class MainWindowTest(swtest.WineTestCase):
        @classmethod
        def prepare_prefix(cls, prefix):          # before the prefix starts
            prefix.map_drive("D", some_folder)     # a fixed drive D:

        def test_scan_button(self):
            exe = self.prefix.install_program()
            process, window = self.start_window(exe, "Sweepwright Ver 1.0")
            self.driver.click(window["hwnd"], 1052)
            self.driver.wait_text(window["hwnd"], 1065, "Scanning completed", timeout=60)
            lines = self.driver.list_box(window["hwnd"], 1055)["lines"]

Environment:
  SW_DRIVER           swdriver.exe (set by CTest)
  SW_PROGRAM          Sweepwright.exe, when built (set by CTest)
  SW_ARCH             32 or 64: the architecture whose Wine runs the programs (unset: 32
                      where the machine runs it, else 64); its folder of prefixes is
                      build/wine32 or build/wine64, whatever else the environment holds
  SW_BUILD_ROOT       another folder instead of build/ (the platform's self-test)
  SW_REQUIRE_ENV      set by CTest: a missing SW_DRIVER fails at once
  SW_DISPLAY          use this X display instead of a private Xvfb one (to watch a test)
  SW_KEEP_PREFIX      keep the throwaway prefix after the class, for a look afterwards
  SW_PREFIX_ARCH      64: the test classes' prefixes are 64-bit Windows (WOW64 for 32-bit programs)

The platform's shell side (tools/run_tests.sh, tools/run_sandbox.sh) uses the same pieces:
    swtest.py env        the architecture's variables, as shell exports (WINEPREFIX: the
                         prefix of the test programs that CTest runs straight under wine)
    swtest.py template   makes the template prefix (when missing) and prints its path
    swtest.py display    starts a detached private Xvfb; prints DISPLAY and its pid as exports
    swtest.py preflight  one line per architecture: whether this machine runs its Wine
"""

import atexit
import fcntl
import json
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
# The folder that holds each architecture's folder (a platform self-test points it elsewhere).
BUILD_ROOT = os.environ.get("SW_BUILD_ROOT") or os.path.join(REPO, "build")
CALL_TIMEOUT = 30.0
# Bumped whenever the template's content changes, so that older templates are rebuilt.
TEMPLATE_MARK = ".sw-ready-6"


class PlatformError(Exception):
    """The test platform itself could not do what was asked."""


class DriverError(AssertionError):
    """A driver command answered "ok": false."""


class Arch:
    """One architecture of the platform: the cross build it tests, the Wine loader and server
    that run it, and the kind of prefix they make."""

    def __init__(self, bits, loader, server, wine_arch, build):
        self.bits, self.loader, self.server = bits, loader, server
        self.wine_arch, self.build = wine_arch, build

    def runs(self):
        """(True, version) when this machine runs the loader, else (False, the reason). Starts
        the loader itself: files on disk say nothing (wine32 installs fine on a kernel that
        runs no 32-bit code)."""
        if not os.access(self.loader, os.X_OK):
            return False, "%s is not installed" % self.loader
        try:
            done = subprocess.run([self.loader, "--version"], stdin=subprocess.DEVNULL,
                                  capture_output=True, text=True, timeout=60)
        except OSError as error:
            if error.errno == 8:   # ENOEXEC
                return False, "the kernel runs no %s-bit programs (%s: Exec format error)" % (self.bits, self.loader)
            return False, "%s: %s" % (self.loader, error)
        except subprocess.TimeoutExpired:
            return False, "%s --version did not answer in 60 s" % self.loader
        if done.returncode != 0:
            return False, "%s --version ended with status %d: %s" % (
                self.loader, done.returncode, (done.stderr or done.stdout).strip()[:200])
        return True, done.stdout.strip()


ARCHES = {
    "32": Arch("32", "/usr/lib/wine/wine", "/usr/lib/wine/wineserver32", "win32", "cross32"),
    "64": Arch("64", "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver64", "win64", "cross64"),
}


def current_arch():
    """SW_ARCH's architecture; unset, the 32-bit one where the machine runs it, else 64."""
    bits = os.environ.get("SW_ARCH") or ("32" if ARCHES["32"].runs()[0] else "64")
    if bits not in ARCHES:
        raise PlatformError("SW_ARCH is %r; it must be 32 or 64" % bits)
    return ARCHES[bits]


def work_dir(arch):
    """The architecture's folder of prefixes, launchers and template: decided by the
    architecture alone, so that one stage's variables never steer another's."""
    return os.path.join(BUILD_ROOT, "wine" + arch.bits)


def write_if_changed(path, text, mode):
    """Replaces a file whole (never half-written for a parallel reader) when its text differs."""
    if os.path.exists(path):
        with open(path) as f:
            if f.read() == text:
                return
    with open(path + ".new", "w") as f:
        f.write(text)
    os.chmod(path + ".new", mode)
    os.replace(path + ".new", path)


def wine_env(arch):
    """The variables that make plain `wine` and `wineserver`, as every script and CTest's
    emulator call them, the architecture's own: small launchers in front of PATH."""
    work = work_dir(arch)
    bin_dir = os.path.join(work, "bin")
    os.makedirs(bin_dir, exist_ok=True)
    launchers = {
        "wine": "#!/bin/sh\nexport WINELOADER=%s WINESERVER=%s\nexec %s \"$@\"\n" % (arch.loader, arch.server, arch.loader),
        "wineserver": "#!/bin/sh\nexec %s \"$@\"\n" % arch.server,
    }
    for name, text in launchers.items():
        write_if_changed(os.path.join(bin_dir, name), text, 0o755)
    # Every architecture's launchers leave PATH: an earlier stage's must not come second.
    others = {os.path.join(work_dir(a), "bin") for a in ARCHES.values()}
    path = [p for p in os.environ.get("PATH", "/usr/bin:/bin").split(os.pathsep) if p not in others]
    return {
        "SW_ARCH": arch.bits, "SW_WORK": work,
        "SW_TEMPLATE_PREFIX": os.path.join(work, "template"),
        "PATH": os.pathsep.join([bin_dir] + path),
        "WINESERVER": arch.server, "WINELOADER": arch.loader, "WINEARCH": arch.wine_arch,
        "WINEDEBUG": os.environ.get("WINEDEBUG", "-all"),
        # No Mono or Gecko installer, and no menu entries or file associations on the host.
        "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
    }


ARCH = current_arch()
os.environ.update(wine_env(ARCH))
WORK = os.environ["SW_WORK"]


def wine_step(env, *words, timeout=300):
    """Runs one Wine command of the platform; a failure stops with the command, its status
    and the end of its output. The output goes through a file: Wine's background processes
    start with the first program of a prefix and inherit its handles, so a pipe would stay
    open until the prefix shuts down."""
    with tempfile.TemporaryFile() as out:
        status = subprocess.run(list(words), env=env, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=subprocess.STDOUT, timeout=timeout).returncode
        out.seek(0)
        text = out.read().decode("utf-8", errors="replace")
    if status != 0:
        tail = " | ".join(text.strip().splitlines()[-3:])
        raise PlatformError("'%s' ended with status %d: %s" % (" ".join(words), status, tail))
    return text


def unlink_host_folders(prefix):
    """Wine links Documents, Desktop, Downloads and the like to the host's home folder; a scan
    of C: would walk into the host through them. Each becomes a real, empty folder."""
    for folder, dirs, files in os.walk(os.path.join(prefix, "drive_c")):
        for name in dirs + files:
            path = os.path.join(folder, name)
            if os.path.islink(path):
                os.remove(path)
                os.makedirs(path)


def make_template(arch=None):
    """The template prefix: a fresh prefix whose only drive is its own C: (the host's root is
    not mapped). No window manager runs on the test displays, so Wine manages no window and
    draws every frame itself: otherwise a captioned window shows no frame, and hiding it waits
    2 s for a window manager that never answers. Built beside its place and moved there under
    a lock, so that parallel runs never see half a prefix."""
    arch = arch or ARCH
    platform = wine_env(arch)
    template = platform["SW_TEMPLATE_PREFIX"]
    with open(os.path.join(platform["SW_WORK"], "template.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(os.path.join(template, TEMPLATE_MARK)):
            return template
        building = template + ".new"
        shutil.rmtree(building, ignore_errors=True)
        env = dict(os.environ, WINEPREFIX=building, **platform)
        env.pop("DISPLAY", None)
        try:
            wine_step(env, "wine", "wineboot", "-i")
            for name in ("Managed", "Decorated"):
                wine_step(env, "wine", "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", name, "/d", "N", "/f")
            wine_step(env, "wineserver", "-w")
        except (PlatformError, subprocess.TimeoutExpired) as error:
            raise PlatformError("making the %s-bit template prefix failed: %s" % (arch.bits, error))
        os.remove(os.path.join(building, "dosdevices", "z:"))
        unlink_host_folders(building)
        open(os.path.join(building, TEMPLATE_MARK), "w").close()
        shutil.rmtree(template, ignore_errors=True)
        os.rename(building, template)
    return template


def require_env():
    """Under CTest the run must come from tools/run_tests.sh; say so plainly otherwise."""
    if os.environ.get("SW_REQUIRE_ENV") and not os.environ.get("SW_DRIVER"):
        raise PlatformError("SW_DRIVER not set: run the tests through tools/run_tests.sh")


def driver_path():
    path = os.environ.get("SW_DRIVER")
    if not path:
        raise PlatformError("SW_DRIVER is not set (the path of swdriver.exe)")
    return path


def program_path():
    path = os.environ.get("SW_PROGRAM")
    if not path:
        raise PlatformError("SW_PROGRAM is not set (the path of Sweepwright.exe)")
    return path


def target(hwnd, control_id=None):
    """The driver's name of a window, or of the control control_id inside it."""
    return str(hwnd) if control_id is None else "%d/%d" % (hwnd, control_id)


class Display:
    """A private Xvfb display; Xvfb picks a free number itself (-displayfd). A detached one
    outlives this process (its own session), for the shell scripts."""

    def __init__(self, size="1024x768x24", detached=False):
        self.process = None
        self.name = os.environ.get("SW_DISPLAY")
        if self.name:
            return
        read_end, write_end = os.pipe()
        try:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size, "-nolisten", "tcp"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL, start_new_session=detached)
        except OSError as error:
            os.close(read_end)
            os.close(write_end)
            raise PlatformError("Xvfb could not start (is the xvfb package installed?): %s" % error)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], 10)
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                os.close(read_end)
                self.close()
                raise PlatformError("Xvfb did not start")
            number += chunk
        os.close(read_end)
        self.name = ":" + number.decode().strip()

    def close(self):
        if self.process:
            self.process.kill()
            self.process.wait()
            self.process = None


class WineProcess:
    """A Windows program running in the background in a prefix."""

    def __init__(self, prefix, argv):
        self.argv = argv
        self.popen = subprocess.Popen(["wine", prefix.reachable(argv[0])] + argv[1:], env=prefix.env,
                                      cwd=prefix.drive_c,
                                      stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)

    def running(self):
        return self.popen.poll() is None

    def wait(self, timeout=10):
        """The program's exit code (the low 8 bits of its Windows exit code)."""
        return self.popen.wait(timeout)

    def kill(self):
        if self.running():
            self.popen.kill()
            self.popen.wait()


class Driver:
    """One `swdriver.exe serve` process: a command is a line of tab-separated words, its
    answer one JSON line."""

    def __init__(self, prefix):
        self.popen = subprocess.Popen(["wine", prefix.reachable(driver_path()), "serve"], env=prefix.env,
                                      cwd=prefix.drive_c, stdin=subprocess.PIPE,
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.pending = b""

    def _read_line(self, timeout):
        deadline = time.monotonic() + timeout
        fd = self.popen.stdout.fileno()
        while b"\n" not in self.pending:
            left = deadline - time.monotonic()
            ready, _, _ = select.select([fd], [], [], max(left, 0))
            chunk = os.read(fd, 65536) if ready else b""
            if not chunk:
                raise PlatformError("driver gave no answer" if not ready else "driver ended")
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode("ascii")

    def call(self, *words, timeout=CALL_TIMEOUT):
        """Runs one command; returns its answer, ok or not."""
        line = "\t".join(str(w) for w in words)
        if "\n" in line:
            raise ValueError("a driver word cannot hold a line break")
        self.popen.stdin.write(line.encode("cp1252") + b"\n")
        self.popen.stdin.flush()
        return json.loads(self._read_line(timeout))

    def check(self, *words, timeout=CALL_TIMEOUT):
        """Runs one command that has to succeed."""
        answer = self.call(*words, timeout=timeout)
        if not answer["ok"]:
            raise DriverError("%s: %s" % (" ".join(str(w) for w in words), answer["error"]))
        return answer

    def close(self):
        if self.popen.poll() is None:
            try:
                self.popen.stdin.write(b"exit\n")
                self.popen.stdin.close()
                self.popen.wait(5)
            except (OSError, subprocess.TimeoutExpired):
                self.popen.kill()
                self.popen.wait()

    # Finding windows.
    def wait_window(self, title, timeout_ms=10000, any_state=False):
        words = ["wait", title, timeout_ms] + (["any"] if any_state else [])
        return self.check(*words, timeout=timeout_ms / 1000 + CALL_TIMEOUT)

    def windows(self, title=None):
        return self.check("windows", *([title] if title is not None else []))["windows"]

    def count(self, title):
        return self.check("count", title)["count"]

    def wait_gone(self, hwnd, timeout_ms=10000, hidden_counts=False):
        """Waits until the window is destroyed (or, if hidden_counts, hidden)."""
        words = ["gone", hwnd, timeout_ms] + (["hidden"] if hidden_counts else [])
        return self.check(*words, timeout=timeout_ms / 1000 + CALL_TIMEOUT)

    def question(self, owner=None, title=None, timeout_ms=5000):
        """The program's question dialog: owned by `owner`, or with this title."""
        how = ("owner", owner) if owner is not None else ("title", title)
        return self.check("msgdlg", how[0], how[1], timeout_ms, timeout=timeout_ms / 1000 + CALL_TIMEOUT)

    # Reading windows.
    def children(self, hwnd):
        return self.check("children", hwnd)["children"]

    def controls(self, hwnd):
        """The controls of a window by identifier."""
        return {c["id"]: c for c in self.children(hwnd)}

    def text(self, hwnd, control_id=None):
        return self.check("text", target(hwnd, control_id))["text"]

    def wait_text(self, hwnd, control_id, expected, timeout=5.0):
        """Waits until a control shows this text (a posted command takes a moment)."""
        deadline = time.monotonic() + timeout
        while True:
            text = self.text(hwnd, control_id)
            if text == expected:
                return text
            if time.monotonic() > deadline:
                raise AssertionError("control %s shows %r, not %r" % (control_id, text, expected))
            time.sleep(0.02)

    def list_box(self, hwnd, control_id=None):
        return self.check("list", target(hwnd, control_id))

    def focus(self, hwnd):
        return self.check("focus", hwnd)

    def region(self, hwnd):
        return self.check("region", hwnd)

    def pixels(self, hwnd, *points):
        """Screen colours ("RRGGBB") at points given relative to the window's corner."""
        words = [c for p in points for c in p]
        return self.check("pixel", hwnd, *words)["colors"]

    def info(self):
        return self.check("info")

    # Pressing.
    def click(self, hwnd, control_id=None):
        return self.check("click", target(hwnd, control_id))

    def mouse_click(self, hwnd, control_id=None, right=False):
        return self.check("mouseclick", target(hwnd, control_id), *(["right"] if right else []))

    def click_at(self, x, y):
        return self.check("clickat", x, y)

    def move(self, x, y):
        return self.check("move", x, y)

    def hover(self, hwnd, control_id=None):
        return self.check("hover", target(hwnd, control_id))

    def key(self, hwnd, *keys):
        return self.check("key", hwnd, *keys)

    def real_key(self, hwnd, *keys):
        """Real keystrokes; hwnd (unless 0) is made the foreground window first."""
        return self.check("realkey", hwnd, *keys)

    def close_window(self, hwnd):
        return self.check("close", hwnd)

    def quit(self, hwnd):
        return self.check("quit", hwnd)

    def post(self, hwnd, msg, wparam=0, lparam=0):
        return self.check("post", hwnd, msg, wparam, lparam)

    def send(self, hwnd, msg, wparam=0, lparam=0):
        return self.check("send", hwnd, msg, wparam, lparam)["result"]

    # Processes.
    def run(self, timeout_ms, command_line, station=None):
        """Runs a command line to its end; its whole exit code (the shell sees only 8 bits).
        With a station name, in a window station nobody sees (as a service's)."""
        words = ["run", timeout_ms, command_line] + ([station] if station else [])
        return self.check(*words, timeout=timeout_ms / 1000 + CALL_TIMEOUT)["exit"]

    # Registry.
    def reg_set(self, key, name, kind, *data):
        return self.check("regset", key, name, kind, *data)

    def reg_get(self, key, name):
        """(type, data) of a value, or None when it does not exist."""
        answer = self.call("regget", key, name)
        return (answer["type"], answer["data"]) if answer["ok"] else None

    def reg_delete(self, key, name=None):
        return self.check("regdel", key, *([name] if name is not None else []))["deleted"]

    def reg_enum(self, key):
        """(subkey names, {value name: type}), or None when the key does not exist."""
        answer = self.call("regenum", key)
        if not answer["ok"]:
            return None
        return answer["keys"], {v["name"]: v["type"] for v in answer["values"]}


OWNER_FILE = ".sw-owner"


def process_alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        pass
    return True


def remove_abandoned_prefixes():
    """Removes the prefixes of test runs that were killed before they could clean up (a
    CTest time-out, say): each is a 600 MB copy, and its wineserver may still run."""
    for name in os.listdir(WORK):
        path = os.path.join(WORK, name)
        try:
            with open(os.path.join(path, OWNER_FILE)) as f:
                owner = int(f.read())
        except (OSError, ValueError):
            continue
        if process_alive(owner):
            continue
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=path),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(path, ignore_errors=True)


class Prefix:
    """A throwaway copy of the template prefix with its own display, wineserver and driver."""

    def __init__(self, name="sw", path=None, arch=None):
        """A new copy of the template, in a fresh folder or at `path` (replacing what is there).
        `arch` makes a prefix of another architecture: "64" gives the 32-bit programs of a
        32-bit test run a 64-bit Windows (WOW64)."""
        arch = ARCHES[arch] if arch else ARCH
        os.makedirs(WORK, exist_ok=True)
        remove_abandoned_prefixes()
        if path:
            subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=path), capture_output=True)
            shutil.rmtree(path, ignore_errors=True)
            os.makedirs(path)
        self.path = path or tempfile.mkdtemp(prefix=name + "-", dir=WORK)
        if not path:
            with open(os.path.join(self.path, OWNER_FILE), "w") as f:
                f.write(str(os.getpid()))
        self.drive_c = os.path.join(self.path, "drive_c")
        self.display = None
        self.driver = None
        self.processes = []
        started = time.monotonic()
        subprocess.run(["cp", "-a", make_template(arch) + "/.", self.path], check=True)
        self.copy_seconds = time.monotonic() - started
        self.env = dict(os.environ, WINEPREFIX=self.path, **wine_env(arch))
        # A persistent wineserver and an Xvfb would outlive a script that forgot close().
        atexit.register(self.close)

    # Before start(): Wine's mount manager reads the drive list when the prefix starts.
    def map_drive(self, letter, folder):
        """Maps a drive letter to a host folder; Windows then reports it as a fixed drive."""
        link = os.path.join(self.path, "dosdevices", letter.lower() + ":")
        if self.driver:
            raise PlatformError("map drives before the prefix starts")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(os.path.abspath(folder), link)

    def start(self, driver=True):
        """Starts the display, a persistent wineserver and Wine's background processes, then
        the driver (parking the pointer) unless told not to."""
        self.display = Display()
        self.env["DISPLAY"] = self.display.name
        # The server and Wine's background processes outlive this call: they must not hold
        # the caller's output open, so the first program of the prefix runs with none.
        wine_step(self.env, "wineserver", "-p")
        wine_step(self.env, "wine", "cmd", "/c", "exit")
        if driver:
            self.driver = Driver(self)
            self.park_pointer()
        return self.driver

    def park_pointer(self):
        """Moves the pointer to the screen's bottom-right corner. A new display has it in
        the middle, over the buttons of a centred window, where hover effects would change
        focus and pictures before a test has done anything."""
        info = self.driver.info()
        self.driver.move(info["screen_width"] - 1, info["screen_height"] - 1)

    def unix_path(self, windows_path):
        """The host path of a C: path of this prefix."""
        drive, rest = windows_path[:2], windows_path[2:]
        if drive.upper() != "C:":
            raise ValueError("only C: paths: %s" % windows_path)
        return os.path.join(self.drive_c, *[p for p in rest.split("\\") if p])

    def install(self, host_file, windows_path):
        """Copies a program or file into the prefix's C: drive; returns the Windows path."""
        dest = self.unix_path(windows_path)
        os.makedirs(os.path.dirname(dest), exist_ok=True)
        shutil.copy2(host_file, dest)
        return windows_path

    def reachable(self, program):
        """The path by which a program is started in this prefix: a host file is copied into C:
        first. The prefixes map no drive to the host's root, and a loader of the other
        architecture (WOW64) finds a program only through a drive of the prefix."""
        if not os.path.isabs(program):
            return program
        windows_path = "C:\\sw-test-programs\\" + os.path.basename(program)
        copy, original = self.unix_path(windows_path), os.stat(program)
        # A copy in use stays as it is: rewriting a running program's image would crash it.
        if not os.path.exists(copy) or (os.stat(copy).st_size, os.stat(copy).st_mtime) != (
                original.st_size, original.st_mtime):
            self.install(program, windows_path)
        return windows_path

    def install_program(self, windows_path="C:\\Sweepwright\\Sweepwright.exe"):
        """Copies the program under test into C:, so that its own path is a plain Windows
        path (a host folder is on no drive of the prefix); returns that path."""
        return self.install(program_path(), windows_path)

    def spawn(self, program, *args):
        """Starts a Windows program (a Windows or host path) in the background."""
        process = WineProcess(self, [program] + list(args))
        self.processes.append(process)
        return process

    def run(self, program, *args, timeout=60, env=None, stderr=False):
        """Runs a Windows program to its end; returns its exit code and output (bytes; with
        stderr, both streams). The output goes through a file: processes that Wine starts on
        the program's behalf (a restart's, say) inherit its handles and may outlive it."""
        with tempfile.TemporaryFile() as out:
            done = subprocess.run(["wine", self.reachable(program)] + list(args), env=dict(self.env, **(env or {})),
                                  cwd=self.drive_c, stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=subprocess.STDOUT if stderr else subprocess.DEVNULL, timeout=timeout)
            out.seek(0)
            done.stdout = out.read()
        return done

    def set_windows_version(self, version, program=None):
        """The Windows version Wine reports (win98, nt40, win2k, winxp, win7, win10), for
        every program or for one program name; read when a program starts."""
        key = "HKCU\\Software\\Wine"
        if program:
            key += "\\AppDefaults\\" + program
        if self.driver:
            self.driver.reg_set(key, "Version", "sz", version)
        else:
            wine_step(self.env, "wine", "reg", "add", key, "/v", "Version", "/d", version, "/f")

    def set_dpi(self, dots_per_inch):
        """The screen's logical resolution (96 normal, 120 large fonts) for later programs."""
        self.driver.reg_set("HKCU\\Control Panel\\Desktop", "LogPixels", "dword", dots_per_inch)

    def screenshot(self, path, rect=None):
        """Saves the display, or the rectangle [left, top, right, bottom] of it, as a PNG."""
        words = ["import", "-window", "root"]
        if rect:
            words += ["-crop", "%dx%d+%d+%d" % (rect[2] - rect[0], rect[3] - rect[1], rect[0], rect[1]),
                      "+repage"]
        subprocess.run(words + [path], env=self.env, check=True)
        return path

    def end_processes(self):
        for process in self.processes:
            process.kill()
        self.processes = []

    def stop(self):
        """Ends every process of the prefix and the display; the prefix stays."""
        atexit.unregister(self.close)
        self.end_processes()
        if self.driver:
            self.driver.close()
            self.driver = None
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stderr=subprocess.DEVNULL)
        if self.display:
            self.display.close()
            self.display = None

    def close(self):
        """Ends every process of the prefix and the display, and removes the prefix."""
        self.stop()
        if not os.environ.get("SW_KEEP_PREFIX"):
            shutil.rmtree(self.path, ignore_errors=True)


class WineTestCase(unittest.TestCase):
    """One prefix per test class; override prepare_prefix to map drives before it starts.
    Each test begins with the pointer parked (a subclass's setUp calls super().setUp())."""

    prefix = None
    driver = None

    @classmethod
    def prepare_prefix(cls, prefix):
        pass

    @classmethod
    def setUpClass(cls):
        require_env()
        cls.prefix = Prefix(cls.__name__, arch=os.environ.get("SW_PREFIX_ARCH"))
        cls.addClassCleanup(cls.prefix.close)
        cls.prepare_prefix(cls.prefix)
        cls.driver = cls.prefix.start()

    def setUp(self):
        self.prefix.park_pointer()

    def start(self, program, *args):
        """Starts a program for this test; it is ended when the test ends."""
        process = self.prefix.spawn(program, *args)
        self.addCleanup(process.kill)
        return process

    def start_window(self, program, title, *args, timeout_ms=15000):
        """Starts a program and waits for its visible window; returns (process, window)."""
        process = self.start(program, *args)
        return process, self.driver.wait_window(title, timeout_ms)


def preflight():
    """Prints one line per architecture; returns the bits of those that run."""
    running = []
    for bits, arch in sorted(ARCHES.items()):
        ok, detail = arch.runs()
        print("%s-bit Windows programs: %s" % (bits, ("run under " + detail) if ok else "cannot run: " + detail))
        running += [bits] if ok else []
    return running


def run_in_prefix(argv):
    """`swtest.py run [options] PROGRAM [ARGS...]`: runs a test program in a throwaway prefix
    of its own on a private display and answers with its exit status; its output is passed
    on once it has ended."""
    import argparse
    parser = argparse.ArgumentParser(prog="swtest.py run")
    parser.add_argument("--name", default="run", help="the prefix folder's name")
    parser.add_argument("--at", help="make the prefix at this path and keep it, its drives' folders "
                                     "made empty (a fixture)")
    parser.add_argument("--version", help="the Windows version Wine reports")
    parser.add_argument("--install", action="append", default=[], metavar="HOST=C:\\PATH",
                        help="copy a host file into the prefix (a path ending in \\ keeps its name)")
    parser.add_argument("--service", action="append", default=[], metavar="NAME=C:\\PATH",
                        help="register a program as a service")
    parser.add_argument("--drive", action="append", default=[], metavar="L=HOSTDIR", help="a fixed drive")
    parser.add_argument("--env", action="append", default=[], metavar="NAME=VALUE")
    parser.add_argument("program", nargs="?", help="a Windows path (none: only make the prefix)")
    parser.add_argument("args", nargs=argparse.REMAINDER)
    options = parser.parse_args(argv)
    prefix = Prefix(options.name, path=options.at)
    try:
        for drive in options.drive:
            letter, folder = drive.split("=", 1)
            if options.at:
                shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder, exist_ok=True)
            prefix.map_drive(letter, folder)
        for item in options.install:
            host, where = item.split("=", 1)
            prefix.install(host, where + os.path.basename(host) if where.endswith("\\") else where)
        prefix.start(driver=False)
        if options.version:
            prefix.set_windows_version(options.version)
        for item in options.service:
            name, where = item.split("=", 1)
            wine_step(prefix.env, "wine", "sc", "create", name, "binPath=", where)
        if not options.program:
            return 0
        done = prefix.run(options.program, *options.args, timeout=None, stderr=True,
                          env=dict(item.split("=", 1) for item in options.env))
        sys.stdout.write(done.stdout.decode("cp1252", errors="replace"))
        return done.returncode
    finally:
        if options.at:
            prefix.stop()
        else:
            prefix.close()


def main(argv):
    if argv[1:2] == ["run"]:
        return run_in_prefix(argv[2:])
    command = argv[1] if len(argv) == 2 else None
    try:
        if command == "env":
            # A shell stage's own prefix for the test programs that CTest runs straight under wine.
            stage = dict(wine_env(ARCH), WINEPREFIX=os.path.join(work_dir(ARCH), "unit"))
            for name, value in sorted(stage.items()):
                print("export %s='%s'" % (name, value))
        elif command == "template":
            print(make_template())
        elif command == "display":
            display = Display(detached=True)
            print("export DISPLAY='%s' SW_XVFB_PID='%s'" % (display.name, display.process.pid if display.process else ""))
        elif command == "preflight":
            preflight()
        else:
            sys.stderr.write("usage: swtest.py env|template|display|preflight, or swtest.py run --help\n")
            return 2
    except PlatformError as error:
        sys.stderr.write("test platform: %s\n" % error)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
