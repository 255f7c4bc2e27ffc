#!/usr/bin/python3
"""Runs one scenario of removal_tests.exe in a throwaway Wine prefix.

    run_removal.py SCENARIO TEST_PROGRAM LOOKALIKE_EXE HOLDOPEN_EXE

Each scenario emulates one Windows version (which picks the kill route and the way removal
is deferred) and runs the test suites meant for it. Files the tests deferred to the restart
are listed by them in C:\\removal\\gone-after-restart.txt; the prefix is then restarted with
`wineboot -r`, which must carry the requests out. The restart scenarios check that
RestartSystem ended the test program; the refused ones that a program which does not agree
to end keeps running.
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
import swtest  # noqa: E402

# scenario: (Windows version, suites, whether the tests must have deferred something)
SCENARIOS = {
    "winxp": ("winxp", "Versions.*:RestartFlags.*:Privileges.*:ModulePath.*:Disinfect.*:RenamedPath.*:PendingRename.*:WininitText.*:FolderSecurity.*",
              True),
    "win98": ("win98", "Versions.*:RestartFlags.*:Toolhelp.*:Disinfect9x.*:Wininit.*", True),
    "win2k": ("win2k", "Versions.*:RestartFlags.*:ModulePath.*", False),
    "nt40": ("nt40", "Versions.*:RestartFlags.*:ModulePath.*", False),
    "win7": ("win7", "Versions.*:RestartFlags.*:ModulePath.*", False),
    "win31": ("win31", "Versions.*:RestartFlags.*:OtherPlatform.*", False),
    "restart-win98": ("win98", "Restart.*", False),
    "restart-nt40": ("nt40", "Restart.*", False),
    "restart-winxp": ("winxp", "Restart.*", False),
    "restart-win7": ("win7", "Restart.*", False),
    "restart-win31": ("win31", "Restart.*", False),
    "restart-refused-nt40": ("nt40", "RestartRefused.*", False),
    "restart-refused-winxp": ("winxp", "RestartRefused.*", False),
}


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def check_restart_carries_out_deferrals(prefix, version, must_defer):
    listing = prefix.unix_path("C:\\removal\\gone-after-restart.txt")
    paths = [line for line in open(listing).read().splitlines() if line] if os.path.exists(listing) else []
    check(paths or not must_defer, "the tests deferred no removal, so the restart would prove nothing")
    for path in paths:
        check(os.path.exists(prefix.unix_path(path)), "deferred file already gone before the restart: " + path)
    # wineboot carries out the pending renames and wininit.ini itself, before it returns.
    swtest.wine_step(prefix.env, "wine", "wineboot", "-r", timeout=120)
    for path in paths:
        check(not os.path.exists(prefix.unix_path(path)), "still there after the restart: " + path)
    if version == "win98" and paths:
        check(not os.path.exists(prefix.unix_path("C:\\windows\\wininit.ini")), "wininit.ini was not processed")
        check(os.path.exists(prefix.unix_path("C:\\windows\\wininit.bak")), "wininit.ini was not kept as wininit.bak")
    print("restart removed %d deferred file(s)" % len(paths))


def check_restart_ended_the_program(prefix, output):
    check(os.path.exists(prefix.unix_path("C:\\removal\\restart-called")), "the restart test did not run:\n" + output)
    check(not os.path.exists(prefix.unix_path("C:\\removal\\restart-returned")), "RestartSystem returned instead of restarting")
    check("[  PASSED  ]" not in output and "[  FAILED  ]" not in output, "the program went on to finish its test run")
    print("RestartSystem ended the program")


def main(argv):
    if len(argv) != 5 or argv[1] not in SCENARIOS:
        sys.stderr.write(__doc__)
        return 2
    scenario, programs = argv[1], argv[2:]
    version, suites, must_defer = SCENARIOS[scenario]
    prefix = swtest.Prefix("removal-" + scenario)
    try:
        for program in programs:
            prefix.install(program, "C:\\sw\\" + os.path.basename(program))
        # The link that Disinfect.FolderSwappedForALink... puts in place of a folder; a Windows
        # program cannot make one under Wine.
        staged = prefix.unix_path("C:\\removal-swap\\staged")
        os.makedirs(staged)
        os.symlink("../target", os.path.join(staged, "victim"))
        prefix.start(driver=False)
        prefix.set_windows_version(version)
        result = prefix.run("C:\\sw\\" + os.path.basename(programs[0]), "--gtest_filter=" + suites,
                            env={"SW_WINDOWS_VERSION": version}, timeout=500)
        output = result.stdout.decode("cp1252", errors="replace")
        sys.stdout.write(output)
        if scenario.startswith("restart-") and not scenario.startswith("restart-refused-"):
            check_restart_ended_the_program(prefix, output)
        else:
            # A program ended from outside (by a restart) exits with code 0 as well.
            check(result.returncode == 0 and "[  PASSED  ]" in output, "the tests failed in scenario " + scenario)
            check_restart_carries_out_deferrals(prefix, version, must_defer)
        return 0
    except (Failure, swtest.PlatformError, subprocess.SubprocessError) as failure:
        print("FAILED: %s" % failure)
        return 1
    finally:
        prefix.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
