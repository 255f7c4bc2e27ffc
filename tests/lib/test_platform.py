"""The test platform's own checks, which start no Wine loader and so run on every machine,
also on one that runs no 32-bit code: each architecture's shell environment is its own in
whichever order a shell asks for them, and a 64-bit prefix made for the 32-bit programs
(WOW64) starts every program through a drive of the prefix, where that loader finds it."""

import atexit
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest
from unittest import mock

HERE = os.path.dirname(os.path.abspath(__file__))
SWTEST = os.path.join(HERE, "swtest.py")
BUILD_ROOT = tempfile.mkdtemp(prefix="sw-platform-")
atexit.register(shutil.rmtree, BUILD_ROOT, True)
os.environ.update(SW_ARCH="32", SW_BUILD_ROOT=BUILD_ROOT, SW_DRIVER=os.path.join(BUILD_ROOT, "swdriver.exe"))
sys.path.insert(0, HERE)
import swtest  # noqa: E402

LOADERS = {"32": ("/usr/lib/wine/wine", "/usr/lib/wine/wineserver32"),
           "64": ("/usr/lib/wine/wine64", "/usr/lib/wine/wineserver64")}


def shell_environment(*stages):
    """The environment of one shell after it has evaluated `swtest.py env` for each stage in
    turn, as tools/run_tests.sh does, and the Python warnings those calls printed."""
    script = "".join('eval "$(SW_ARCH=%s %s -X dev %s env)" || exit 1\n' % (
        bits, sys.executable, shlex.quote(SWTEST)) for bits in stages) + "env -0\n"
    clean = {k: v for k, v in os.environ.items() if not k.startswith(("SW_", "WINE"))}
    done = subprocess.run(["bash", "-c", script], env=dict(clean, SW_BUILD_ROOT=BUILD_ROOT),
                          capture_output=True, check=True)
    pairs = (item.split(b"=", 1) for item in done.stdout.split(b"\0") if b"=" in item)
    return {k.decode(): v.decode() for k, v in pairs}, done.stderr.decode()


class ShellEnvironmentTest(unittest.TestCase):

    def assert_architecture(self, env, bits):
        work = os.path.join(BUILD_ROOT, "wine" + bits)
        loader, server = LOADERS[bits]
        self.assertEqual((env["SW_ARCH"], env["SW_WORK"], env["SW_TEMPLATE_PREFIX"], env["WINEPREFIX"]),
                         (bits, work, work + "/template", work + "/unit"))
        self.assertEqual((env["WINELOADER"], env["WINESERVER"], env["WINEARCH"]),
                         (loader, server, "win32" if bits == "32" else "win64"))
        self.assertEqual(env["PATH"].split(":")[0], work + "/bin")
        self.assertFalse([p for p in env["PATH"].split(":")[1:] if p.startswith(BUILD_ROOT)], env["PATH"])
        with open(os.path.join(work, "bin", "wine")) as f:
            self.assertIn("exec %s " % loader, f.read())
        with open(os.path.join(work, "bin", "wineserver")) as f:
            self.assertIn("exec %s " % server, f.read())

    def test_each_stage_gets_its_own_environment_in_either_order(self):
        for first, second in (("64", "32"), ("32", "64")):
            with self.subTest(order=first + " then " + second):
                both, warnings = shell_environment(first, second)
                alone, _ = shell_environment(second)
                self.assertEqual(warnings, "")
                self.assert_architecture(both, second)
                self.assertEqual(both, alone)
                # The first stage's launchers are still its own.
                self.assert_architecture(shell_environment(first)[0], first)


class Wow64PrefixTest(unittest.TestCase):
    """Everything of a 64-bit prefix for the 32-bit programs, up to the loader's start."""

    def setUp(self):
        template = os.path.join(BUILD_ROOT, "wine64", "template")
        os.makedirs(os.path.join(template, "drive_c", "windows", "syswow64"), exist_ok=True)
        os.makedirs(os.path.join(template, "dosdevices"), exist_ok=True)
        if not os.path.lexists(os.path.join(template, "dosdevices", "c:")):
            os.symlink("../drive_c", os.path.join(template, "dosdevices", "c:"))
        open(os.path.join(template, swtest.TEMPLATE_MARK), "w").close()
        self.host_programs = {}
        for name in ("swdriver.exe", "Sweepwright.exe", "ShareHold.exe"):
            self.host_programs[name] = os.path.join(BUILD_ROOT, name)
            with open(self.host_programs[name], "wb") as f:
                f.write(b"MZ" + name.encode())
        self.started = []

    def record(self, real):
        """Stands in for the loader and server: notes what would start, runs anything else."""
        def run(argv, *args, **kwargs):
            if argv[0] not in ("wine", "wineserver"):
                return real(argv, *args, **kwargs)
            self.started.append((list(argv), kwargs.get("env") or args[0]))
            return mock.MagicMock(returncode=0, stdout=b"", pid=0)
        return run

    def test_every_program_is_started_through_a_drive_of_the_prefix(self):
        display = mock.MagicMock()
        display.return_value.name = ":99"
        with mock.patch.object(swtest.subprocess, "Popen", self.record(subprocess.Popen)), \
                mock.patch.object(swtest.subprocess, "run", self.record(subprocess.run)), \
                mock.patch.object(swtest, "Display", display):
            prefix = swtest.Prefix("wow64", arch="64")
            prefix.start(driver=False)
            swtest.Driver(prefix)
            exe = prefix.install(self.host_programs["Sweepwright.exe"], "C:\\Sweepwright\\Sweepwright.exe")
            prefix.spawn(exe)
            prefix.spawn(self.host_programs["ShareHold.exe"], "D:\\held.exe")
            prefix.run(swtest.driver_path(), "info")
        programs = [argv[1] for argv, _env in self.started if argv[0] == "wine"]
        self.assertIn("C:\\sw-test-programs\\swdriver.exe", programs)
        self.assertIn(exe, programs)
        for program in programs:
            reachable = "\\" not in program or os.path.isfile(prefix.unix_path(program))
            self.assertTrue(reachable and not os.path.isabs(program), program)
        for _argv, env in self.started:
            self.assertEqual((env["WINEPREFIX"], env["WINELOADER"], env["WINEARCH"]),
                             (prefix.path, LOADERS["64"][0], "win64"))
        with mock.patch.object(swtest.subprocess, "run", self.record(subprocess.run)):
            prefix.close()


if __name__ == "__main__":
    unittest.main()
