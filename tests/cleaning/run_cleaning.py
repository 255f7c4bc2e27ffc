#!/usr/bin/python3
"""Runs one group of the cleaning tests in a throwaway Wine prefix.

    run_cleaning.py --version winxp --filter 'Services.*' TESTS_EXE HELPER_EXE

Copies the template prefix ($SW_TEMPLATE_PREFIX), selects the Windows version, puts the test
program and the look-alike helper on its C: drive (C:\\swclean), registers the helper copies in
C:\\swclean\\svc as services with `sc create`, runs the cases and throws the prefix away.
"""
import argparse
import glob
import os
import shutil
import subprocess
import sys
import tempfile

# Services the tests stop directly, and those the memory scan meets as processes; each file
# name chooses the helper's answer to the stop control.
SERVICES = ["swsvc_quick", "swsvc_quick2", "swsvc_pending", "swsvc_refuse", "swsvc_stuck",
            "swmem_quick", "swmem_pending", "swmem_refuse"]


def wine(prefix, *args, check=True, timeout=120):
    env = dict(os.environ, WINEPREFIX=prefix)
    result = subprocess.run(["wine", *args], env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, timeout=timeout)
    if check and result.returncode != 0:
        sys.stdout.write(result.stdout.decode(errors="replace"))
        raise SystemExit("wine %s failed with %d" % (" ".join(args), result.returncode))
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("--filter", required=True)
    parser.add_argument("tests")
    parser.add_argument("helper")
    options = parser.parse_args()

    template = os.environ.get("SW_TEMPLATE_PREFIX")
    if not template or not glob.glob(os.path.join(template, ".sw-ready*")):
        raise SystemExit("no template prefix: run through tools/run_tests.sh")
    work = tempfile.mkdtemp(prefix="sw_cleaning_", dir=os.path.dirname(template))
    prefix = os.path.join(work, "prefix")
    try:
        subprocess.run(["cp", "-a", template, prefix], check=True)
        if os.path.lexists(os.path.join(prefix, "dosdevices", "z:")):
            raise SystemExit("the prefix still maps Z: to the host's root")
        folder = os.path.join(prefix, "drive_c", "swclean")
        os.makedirs(os.path.join(folder, "svc"))
        shutil.copy(options.tests, os.path.join(folder, "cleaning_tests.exe"))
        shutil.copy(options.helper, os.path.join(folder, "CleaningHelper.exe"))
        wine(prefix, "reg", "add", r"HKCU\Software\Wine", "/v", "Version", "/d", options.version, "/f")
        for name in SERVICES:
            shutil.copy(options.helper, os.path.join(folder, "svc", name + ".exe"))
            wine(prefix, "sc", "create", name, "binPath=", "C:\\swclean\\svc\\%s.exe" % name)
        env = dict(os.environ, WINEPREFIX=prefix, SW_WINDOWS_VERSION=options.version)
        run = subprocess.run(["wine", "C:\\swclean\\cleaning_tests.exe", "--gtest_filter=" + options.filter],
                             env=env, cwd=folder, timeout=900)
        return run.returncode
    finally:
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=prefix))
        subprocess.run(["wineserver", "-w"], env=dict(os.environ, WINEPREFIX=prefix))
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
