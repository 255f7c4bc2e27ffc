"""Runs Sweepwright under Wine on a sandbox prefix seeded with harmless look-alike samples.

The prefix is a copy of the test template: its only fixed drive is its own C:. With a
display the window opens for you to use; without one (or with --headless) this script starts
a virtual display, presses SCAN itself, prints the report list and saves a screenshot.
"""
import argparse
import os
import sys
import time

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path[:0] = [os.path.join(REPO, "tests", "lib"), os.path.join(REPO, "tests", "samples")]
import gen_samples  # noqa: E402
import swtest  # noqa: E402

TITLE = "Sweepwright Ver 1.0"
SCAN, STATUS, REPORT, OK = 1052, 1065, 1055, 1070

# (record, sample layout, where it is planted): three look-alikes and one near miss.
SEEDS = [
    (7, "one", "C:\\windows\\temp\\svch0st.exe"),
    (17, "multi", "C:\\Program Files\\Common Files\\System\\msupdate.exe"),
    (5, "one", "C:\\users\\Public\\Downloads\\holiday_photos.scr"),
]
NEAR_MISS = (10, "size_plus1", "C:\\users\\Public\\Downloads\\setup.exe")


def seed(prefix):
    planted = []
    for index, layout, where in SEEDS:
        sample = gen_samples.matching_sample(gen_samples.record_by_index(index), layout)
        planted.append(plant(prefix, sample, where))
    index, kind, where = NEAR_MISS
    plant(prefix, gen_samples.near_miss(gen_samples.record_by_index(index), kind), where)
    return planted


def plant(prefix, sample, where):
    host = prefix.unix_path(where)
    os.makedirs(os.path.dirname(host), exist_ok=True)
    with open(host, "wb") as f:
        f.write(sample.to_bytes())
    print("planted %-55s %s" % (where, gen_samples.record_by_index(sample.records[0].index).name
                                if sample.kind != "size_plus1" else "(near miss: one byte too long)"))
    return where


def wait_finished(driver, window, timeout=600):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if driver.text(window, STATUS) in ("Scanning completed", "Scanning terminated"):
            return True
        time.sleep(0.5)
    return False


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", required=True, help="Sweepwright.exe or Sweepwright64.exe to run")
    parser.add_argument("--version", default="winxp", help="Windows version Wine reports")
    parser.add_argument("--headless", action="store_true", help="press SCAN on a virtual display")
    parser.add_argument("--screenshot", default=os.path.join(REPO, "build", "sandbox.png"))
    args = parser.parse_args()

    headless = args.headless or not os.environ.get("DISPLAY")
    prefix = swtest.Prefix("sandbox")
    try:
        seed(prefix)
        program = prefix.install(args.program, "C:\\Sweepwright\\" + os.path.basename(args.program))
        if headless:
            return run_headless(prefix, program, args)
        return run_on_display(prefix, program, args)
    finally:
        prefix.close()


def run_headless(prefix, program, args):
    driver = prefix.start()
    prefix.set_windows_version(args.version)   # read by the program when it starts
    return run_scan(prefix, driver, program, args.screenshot)


def run_on_display(prefix, program, args):
    os.environ["SW_DISPLAY"] = os.environ["DISPLAY"]
    prefix.start()
    prefix.set_windows_version(args.version)
    process = prefix.spawn(program)
    print("the window is open on %s; close it to end the sandbox" % os.environ["DISPLAY"])
    while process.running():
        time.sleep(0.5)
    return 0


def run_scan(prefix, driver, program, screenshot):
    prefix.spawn(program)
    window = driver.wait_window(TITLE, 30000)
    driver.click(window["hwnd"], SCAN)
    if not wait_finished(driver, window["hwnd"]):
        print("the scan did not finish in time", file=sys.stderr)
        return 1
    print()
    for line in driver.list_box(window["hwnd"], REPORT)["lines"]:
        print(line.expandtabs(8))
    prefix.screenshot(screenshot, window["rect"])
    print("\nscreenshot: %s" % screenshot)
    driver.click(window["hwnd"], OK)
    return 0


if __name__ == "__main__":
    sys.exit(main())
