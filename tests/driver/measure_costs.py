"""Prints what the test platform's steps cost on this machine (run by hand, not by CTest):
  SW_DRIVER=... SW_FIXTURE=... PYTHONPATH=tests/lib /usr/bin/python3 tests/driver/measure_costs.py
"""

import os
import statistics
import tempfile
import time

import swtest


def timed(label, runs, step):
    costs = []
    for _ in range(runs):
        started = time.monotonic()
        step()
        costs.append(time.monotonic() - started)
    print("%-48s median %8.1f ms  (min %.1f, max %.1f, %d runs)" % (
        label, 1000 * statistics.median(costs), 1000 * min(costs), 1000 * max(costs), runs))


def main():
    prefix = swtest.Prefix("measure")
    print("%-48s        %8.1f ms" % ("copy of the template prefix", 1000 * prefix.copy_seconds))
    try:
        timed("Xvfb start (-displayfd) and stop", 5, lambda: swtest.Display().close())
        started = time.monotonic()
        driver = prefix.start()
        print("%-48s        %8.1f ms" % ("display + wineserver -p + first process", 1000 * (time.monotonic() - started)))
        fixture = prefix.install(os.environ["SW_FIXTURE"], "C:\\fixture\\fixture.exe")
        timed("console process start in a warm prefix", 10, lambda: prefix.run(swtest.driver_path(), "info"))
        timed("`wine reg add` of one value", 5, lambda: prefix.run(
            "reg", "add", "HKCU\\Software\\Measure", "/v", "v", "/d", "x", "/f"))

        def window_start():
            process = prefix.spawn(fixture)
            window = driver.wait_window("Driver Fixture")
            driver.close_window(window["hwnd"])
            process.wait()
        timed("dialog program start to visible window + close", 5, window_start)

        process = prefix.spawn(fixture)
        hwnd = driver.wait_window("Driver Fixture")["hwnd"]
        timed("driver call: text of a control", 200, lambda: driver.text(hwnd, 1002))
        timed("driver call: list box of 4 lines", 100, lambda: driver.list_box(hwnd, 1005))
        timed("driver call: children (8 controls)", 50, lambda: driver.children(hwnd))
        timed("driver call: one pixel", 50, lambda: driver.pixels(hwnd, (10, 10)))
        timed("driver call: region", 50, lambda: driver.region(hwnd))
        timed("driver call: regset", 100, lambda: driver.reg_set("HKCU\\Software\\Measure", "v", "sz", "x"))
        presses = iter(range(1, 1000))
        timed("posted click until the fixture shows it", 20, lambda: (
            driver.click(hwnd, 1001), driver.wait_text(hwnd, 1002, "pressed %d" % next(presses))))
        timed("real mouse click until the fixture shows it", 20, lambda: (
            driver.mouse_click(hwnd, 1001), driver.wait_text(hwnd, 1002, "pressed %d" % next(presses))))
        with tempfile.TemporaryDirectory() as folder:
            rect = driver.windows("Driver Fixture")[0]["rect"]
            timed("screenshot of one window (import)", 5, lambda: prefix.screenshot(
                os.path.join(folder, "shot.png"), rect))
        process.kill()
    finally:
        started = time.monotonic()
        prefix.close()
        print("%-48s        %8.1f ms" % ("wineserver -k, -w, display stop, prefix removal",
                                         1000 * (time.monotonic() - started)))


if __name__ == "__main__":
    main()
