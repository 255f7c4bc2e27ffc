#!/usr/bin/python3
"""Scan speed and memory of Sweepwright under Wine, through its real window.

    tools/benchmark.py [--files 20000,100000] [--runs 3] [--build build/cross32|cross64] [--version winxp]
                       [--breakdown] [--quick]

For each tree size: builds (once, under build/bench/) a tree of that many files of varied sizes
in nested folders, with a few look-alike samples planted again before every scan; maps it as
the fixed drive D: of a throwaway Wine prefix (copied from the template of tests/lib/swtest.py);
times whole scans from the SCAN click until the status line reads "Scanning completed" (the
fastest of --runs counts: other work on the machine only ever adds time); times two bare
FindFirstFileA/FindNextFileA walks of the same tree in the same prefix (the floors, WalkCost.exe
of tools/bench): one that lists each folder once and keeps its subfolders' names, as the scan
does, and one that lists each folder twice, as the scan did before; and reads the peak memory
(VmHWM) of the Sweepwright.exe process when its scan has ended. C: is walked by every scan
too: a prefix whose D: is empty is scanned in every round beside the tree's scan and floor
walks, and its fastest scan is subtracted. The load average is printed at the start and the
end (the figures mean most on a quiet machine). --breakdown
also times the walk with one more part of the scan's per-file work at a time (see
tools/bench/WalkCost.cpp).

--quick times the quick scan (/quick) against the full scan instead, the fastest of --runs each,
with their files examined: in a prefix whose D: is the first tree size's tree, and in one whose
D: is the same tree and whose E: holds the last size's tree of clean files (outside every quick
place). Goal: the extra files change the quick scan's time by under 10 %.

Build first (tools/run_tests.sh); needs Xvfb and Wine. The architecture is the one swtest picks
(SW_ARCH, else 32-bit where the machine runs it), and so are the default build and program.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path[:0] = [os.path.join(ROOT, "tests", "lib"), os.path.join(ROOT, "tests", "samples"),
                os.path.join(ROOT, "tests", "e2e_scan")]
import gen_samples  # noqa: E402
import scanrun  # noqa: E402
import swtest  # noqa: E402

FILES_PER_FOLDER = 100
FOLDERS_PER_GROUP = 20
SAMPLE_RECORDS = (7, 10, 17, 24, 39)
SCANNED = re.compile(r"^Total files scanned\t\t:  (\d+)$")
FLOORS = ("floor", "floor-twice")
BREAKDOWN = ("floor", "attributes", "open", "status", "peek", "pump", "check", "scan", "scan-every")


def file_size(n):
    """Sizes from empty to a few megabytes; every 50th file has the size of a record's sample,
    so that the matcher opens it and reads its headers (it holds none: it stays clean)."""
    if n % 50 == 0:
        return gen_samples.load_records()[n // 50 % 46].file_size
    if n % 97 == 0:
        return 1 << (18 + n % 4)
    return (n * 2654435761) % 65536 if n % 3 else (n * 7919) % 2048


def build_tree(root, files):
    """Folders of FILES_PER_FOLDER files, FOLDERS_PER_GROUP to a group, groups two levels deep;
    sparse files, so a tree of 100,000 costs little disk. Reused when already built."""
    marker = os.path.join(root, ".complete")
    if os.path.exists(marker):
        return
    shutil.rmtree(root, ignore_errors=True)
    for n in range(files):
        folder_number = n // FILES_PER_FOLDER
        group = folder_number // FOLDERS_PER_GROUP
        folder = os.path.join(root, "area %02d" % (group // 10), "group %03d" % group,
                              "folder %05d" % folder_number)
        if n % FILES_PER_FOLDER == 0:
            os.makedirs(folder)
        with open(os.path.join(folder, "file %06d.%s" % (n, ("dat", "exe", "dll", "txt")[n % 4])), "wb") as f:
            f.truncate(file_size(n))
    with open(marker, "w"):
        pass


def plant_samples(root, files):
    """The look-alikes, spread over the tree; the scan removes them, so before every scan."""
    paths = []
    for i, index in enumerate(SAMPLE_RECORDS):
        folder_number = (i + 1) * (files // FILES_PER_FOLDER) // (len(SAMPLE_RECORDS) + 1)
        group = folder_number // FOLDERS_PER_GROUP
        path = "area %02d\\group %03d\\folder %05d\\sample %d.exe" % (group // 10, group, folder_number, index)
        sample = gen_samples.matching_sample(gen_samples.record_by_index(index), "one")
        paths.append(scanrun.plant(root, path, sample))
    return paths


def peak_memory_kb(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return None


class Bench:
    """One throwaway prefix whose D: is the given folder."""

    def __init__(self, drive_d, version, build, drive_e=None):
        self.prefix = swtest.Prefix("bench")
        self.prefix.map_drive("D", drive_d)
        if drive_e:
            self.prefix.map_drive("E", drive_e)
        self.drive_d = drive_d
        self.driver = self.prefix.start()
        self.prefix.set_windows_version(version)
        self.exe = self.prefix.install_program()
        self.walk_cost = self.prefix.install(os.path.join(build, "tools", "bench", "WalkCost.exe"),
                                             "C:\\bench\\WalkCost.exe")

    def close(self):
        self.prefix.close()

    def scan(self, *switches):
        """(seconds from the SCAN click to "Scanning completed", files scanned, VmHWM in kB)."""
        run = scanrun.ScanRun(self.prefix, self.exe, *switches)
        started = time.monotonic()
        run.click_scan()
        while run.status() not in (scanrun.COMPLETED, scanrun.QUICK_COMPLETED):
            time.sleep(0.01)
        seconds = time.monotonic() - started
        peak = peak_memory_kb(run.process.popen.pid)
        scanned = next(int(m.group(1)) for m in map(SCANNED.match, run.report()) if m)
        run.wait_until(run.finished_layout, "finished layout", 30)
        run.close()
        return seconds, scanned, peak

    def walk(self, mode):
        """(milliseconds, files) of one WalkCost run over D:."""
        out = self.prefix.run(self.walk_cost, mode, "D:\\*.*", timeout=1200).stdout.decode()
        fields = dict(word.split("=") for word in out.split()[1:])
        return float(fields["ms"]), int(fields["files"])


def measure(files, args, empty):
    """One tree size. Every round walks the tree with both floors, scans the prefix whose D: is
    empty (`empty`: the timer, the memory scan and drive C:), then this tree's: side by side,
    so that a change of load on the machine reaches them alike."""
    tree = os.path.join(ROOT, "build", "bench", "tree-%d" % files)
    build_tree(tree, files)
    bench = Bench(tree, args.version, args.build)
    try:
        rounds = []
        for _ in range(args.runs):
            plant_samples(tree, files)      # the scan before removed them
            floors = tuple(bench.walk(mode) for mode in FLOORS)
            rounds.append((empty.scan(), bench.scan()) + floors)
        breakdown = [(mode,) + min(bench.walk(mode) for _ in range(3)) for mode in BREAKDOWN] if args.breakdown else []
    finally:
        bench.close()
    c_seconds, c_files = min(r[0][0] for r in rounds), rounds[0][0][1]
    scans = [r[1] for r in rounds]
    seconds = min(s[0] for s in scans)
    scanned = scans[0][1] - c_files
    d_ms = 1000 * (seconds - c_seconds)
    print("%7d files on D: (the floor walks listed %d)" % (scanned, rounds[0][2][1]))
    print("  whole scan, click to completed: %.2f s (fastest of %d: %s)" % (
        seconds, len(scans), ", ".join("%.2f" % s[0] for s in scans)))
    print("  C: alone, %d files: %.2f s; D: alone: %.0f ms = %.0f files/s" % (
        c_files, c_seconds, d_ms, scanned / d_ms * 1000))
    for column, (mode, what, goal) in enumerate(((FLOORS[0], "each folder listed once ", "at most 1.25"),
                                                 (FLOORS[1], "each folder listed twice", "below 1")), 2):
        ms = min(r[column][0] for r in rounds)
        print("  floor, %s: %5.0f ms; scan/floor %.2f (goal: %s)" % (what, ms, d_ms / ms, goal))
    print("  peak memory of Sweepwright.exe (VmHWM): %s kB" % ", ".join(str(s[2]) for s in scans))
    for mode, ms, listed in breakdown:
        print("  %-11s %8.0f ms  %6.1f us per file (fastest of 3)" % (mode, ms, 1000 * ms / max(listed, 1)))
    sys.stdout.flush()


def measure_quick(args):
    """Quick and full scans, side by side in every round, without and with the large tree."""
    sizes = [int(n) for n in args.files.split(",")]
    trees = [os.path.join(ROOT, "build", "bench", "tree-%d" % files) for files in (sizes[0], sizes[-1])]
    for tree, files in zip(trees, (sizes[0], sizes[-1])):
        build_tree(tree, files)
    benches = [Bench(trees[0], args.version, args.build), Bench(trees[0], args.version, args.build, trees[1])]
    try:
        rounds = []
        for _ in range(args.runs):
            for bench in benches:
                plant_samples(trees[0], sizes[0])   # each scan removes them
                rounds.append((bench, bench.scan("/quick"), bench.scan()))
    finally:
        for bench in benches:
            bench.close()
    quick = []
    for bench, what in zip(benches, ("D: %d files" % sizes[0], "D: %d files, E: %d more" % (sizes[0], sizes[-1]))):
        scans = [r[1:] for r in rounds if r[0] is bench]
        quick_s, full_s = min(s[0][0] for s in scans), min(s[1][0] for s in scans)
        quick.append(quick_s)
        print("  %-28s quick %6.2f s, %7d files; full %7.2f s, %7d files; quick/full %.3f" % (
            what, quick_s, scans[0][0][1], full_s, scans[0][1][1], quick_s / full_s))
    print("  the quick scan's time with %d more files outside its places: %+.1f %% (goal: under 10 %%)" % (
        sizes[-1], 100 * (quick[1] - quick[0]) / quick[0]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--files", default="20000,100000", help="tree sizes, comma-separated")
    parser.add_argument("--runs", type=int, default=3, help="scans per tree size")
    parser.add_argument("--build", default=os.path.join(ROOT, "build", swtest.ARCH.build), help="the cross build folder")
    parser.add_argument("--version", default="winxp", help="Windows version Wine reports")
    parser.add_argument("--breakdown", action="store_true", help="also time the walk's parts")
    parser.add_argument("--quick", action="store_true", help="time the quick scan against the full scan")
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    program = "Sweepwright64.exe" if swtest.ARCH.bits == "64" else "Sweepwright.exe"
    os.environ.setdefault("SW_PROGRAM", os.path.join(args.build, program))
    os.environ.setdefault("SW_DRIVER", os.path.join(args.build, "tests", "driver", "swdriver.exe"))
    print("%s under Wine %s (%s), %d cores, load average %s at the start" % (
        program, subprocess.run(["wine", "--version"], stdout=subprocess.PIPE, universal_newlines=True).stdout.strip(),
        args.version, os.cpu_count(), " ".join("%.1f" % a for a in os.getloadavg())))
    if args.quick:
        measure_quick(args)
        print("load average %s at the end" % " ".join("%.1f" % a for a in os.getloadavg()))
        return
    empty_folder = os.path.join(ROOT, "build", "bench", "empty")
    os.makedirs(empty_folder, exist_ok=True)
    empty = Bench(empty_folder, args.version, args.build)
    try:
        for files in (int(n) for n in args.files.split(",")):
            measure(files, args, empty)
    finally:
        empty.close()
    print("load average %s at the end" % " ".join("%.1f" % a for a in os.getloadavg()))


if __name__ == "__main__":
    main()
