#!/usr/bin/python3
"""Runs one scenario of removal_tests.exe in a throwaway Wine prefix.

    run_removal.py SCENARIO TEST_PROGRAM LOOKALIKE_EXE HOLDOPEN_EXE

Each scenario emulates one Windows version (which picks the kill route and the way removal
is deferred) and runs the test suites meant for it. Files the tests deferred to the restart
are listed by them in C:\\removal\\gone-after-restart.txt; the prefix is then restarted with
`wineboot -r`, which must carry the requests out. The restart scenarios check that
RestartSystem ended the test program.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

# scenario: (Windows version, suites, whether the tests must have deferred something)
SCENARIOS = {
    "winxp": ("winxp", "Versions.*:Disinfect.*:RenamedPath.*:PendingRename.*:WininitText.*:PerfParser.*", True),
    "win98": ("win98", "Versions.*:Toolhelp.*:Disinfect9x.*:Wininit.*", True),
    "win2k": ("win2k", "Versions.*:ModulePath.*", False),
    "nt40": ("nt40", "Versions.*:PerfRoute.*", True),
    "win7": ("win7", "Versions.*:PerfRoute.*", True),
    "win31": ("win31", "Versions.*:OtherPlatform.*", False),
    "restart-win98": ("win98", "Restart.*", False),
    "restart-winxp": ("winxp", "Restart.*", False),
    "restart-win31": ("win31", "Restart.*", False),
    "matcher": ("winxp", "LookalikeMatch.*", False),   # lookalike_match.exe in place of removal_tests.exe
}


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def ensure_display(env):
    """Message boxes need a display: use the one given, else start a private Xvfb."""
    if env.get("DISPLAY") and subprocess.run(["xdpyinfo"], env=env, capture_output=True).returncode == 0:
        return None
    for number in range(150, 200):
        if os.path.exists("/tmp/.X11-unix/X%d" % number) or os.path.exists("/tmp/.X%d-lock" % number):
            continue
        server = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        env["DISPLAY"] = ":%d" % number
        for _ in range(50):
            if subprocess.run(["xdpyinfo"], env=env, capture_output=True).returncode == 0:
                return server
            time.sleep(0.1)
        server.kill()
    raise Failure("could not start Xvfb")


def template_prefix(env):
    template = env.get("SW_TEMPLATE_PREFIX")
    if template and os.path.isdir(os.path.join(template, "drive_c")):
        return template
    # Run by hand: let the shared set-up build (or find) the template.
    script = "root=%s; source %s/tools/wine_env.sh; sw_make_template_prefix; echo $SW_TEMPLATE_PREFIX" % (ROOT, ROOT)
    out = subprocess.run(["bash", "-c", script], env=env, capture_output=True, text=True, check=True)
    return out.stdout.strip().splitlines()[-1]


def unix_path(prefix, dos_path):
    check(dos_path[:3].upper() == "C:\\", "not a C: path: " + dos_path)
    return os.path.join(prefix, "drive_c", *dos_path[3:].split("\\"))


def wine(prefix, env, *args, timeout=120):
    return subprocess.run(["wine", *args], env=dict(env, WINEPREFIX=prefix), capture_output=True, text=True,
                          cwd=os.path.join(prefix, "drive_c"),
                          timeout=timeout)


def wineserver_wait(prefix, env):
    subprocess.run(["wineserver", "-w"], env=dict(env, WINEPREFIX=prefix), timeout=120)


def run_tests(prefix, env, program, version, suites):
    result = wine(prefix, dict(env, SW_WINDOWS_VERSION=version), "C:\\sw\\" + program,
                  "--gtest_filter=" + suites, timeout=500)
    sys.stdout.write(result.stdout)
    sys.stderr.write("\n".join(l for l in result.stderr.splitlines() if ":err:" not in l and ":fixme:" not in l))
    return result


def check_restart_carries_out_deferrals(prefix, env, version, must_defer):
    listing = os.path.join(prefix, "drive_c", "removal", "gone-after-restart.txt")
    paths = [line for line in open(listing).read().splitlines() if line] if os.path.exists(listing) else []
    check(paths or not must_defer, "the tests deferred no removal, so the restart would prove nothing")
    for path in paths:
        check(os.path.exists(unix_path(prefix, path)), "deferred file already gone before the restart: " + path)
    wineserver_wait(prefix, env)
    restart = wine(prefix, env, "wineboot", "-r")
    check(restart.returncode == 0, "wineboot -r failed: " + restart.stderr[-2000:])
    wineserver_wait(prefix, env)
    for path in paths:
        check(not os.path.exists(unix_path(prefix, path)), "still there after the restart: " + path)
    if version == "win98" and paths:
        windows = os.path.join(prefix, "drive_c", "windows")
        check(not os.path.exists(os.path.join(windows, "wininit.ini")), "wininit.ini was not processed")
        check(os.path.exists(os.path.join(windows, "wininit.bak")), "wininit.ini was not kept as wininit.bak")
    print("restart removed %d deferred file(s)" % len(paths))


def check_restart_ended_the_program(prefix, result):
    removal = os.path.join(prefix, "drive_c", "removal")
    check(os.path.exists(os.path.join(removal, "restart-called")), "the restart test did not run:\n" + result.stdout)
    check(not os.path.exists(os.path.join(removal, "restart-returned")), "RestartSystem returned instead of restarting")
    check("[  PASSED  ]" not in result.stdout and "[  FAILED  ]" not in result.stdout,
          "the program went on to finish its test run")
    print("RestartSystem ended the program")


def main(argv):
    if len(argv) != 5 or argv[1] not in SCENARIOS:
        sys.stderr.write(__doc__)
        return 2
    scenario, programs = argv[1], argv[2:]
    version, suites, must_defer = SCENARIOS[scenario]
    env = dict(os.environ, WINEDEBUG=os.environ.get("WINEDEBUG", "-all"),
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    display = ensure_display(env)
    work = env.get("SW_WORK", os.path.join(ROOT, "build", "wine"))
    os.makedirs(work, exist_ok=True)
    prefix = tempfile.mkdtemp(prefix="removal-%s-" % scenario, dir=work)
    try:
        subprocess.run(["cp", "-a", template_prefix(env) + "/.", prefix], check=True)
        check(not os.path.exists(os.path.join(prefix, "dosdevices", "z:")), "the template still maps the host's root")
        wine(prefix, env, "reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/d", version, "/f")
        os.makedirs(os.path.join(prefix, "drive_c", "sw"))
        for program in programs:
            shutil.copy(program, os.path.join(prefix, "drive_c", "sw"))
        result = run_tests(prefix, env, os.path.basename(programs[0]), version, suites)
        if scenario.startswith("restart-"):
            check_restart_ended_the_program(prefix, result)
        else:
            check(result.returncode == 0, "the tests failed in scenario " + scenario)
            check_restart_carries_out_deferrals(prefix, env, version, must_defer)
        return 0
    except (Failure, subprocess.SubprocessError) as failure:
        print("FAILED: %s" % failure)
        return 1
    finally:
        subprocess.run(["wineserver", "-k"], env=dict(env, WINEPREFIX=prefix), capture_output=True)
        shutil.rmtree(prefix, ignore_errors=True)
        if display:
            display.kill()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
