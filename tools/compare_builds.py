#!/usr/bin/python3
"""Compares two builds of the program byte for byte, or builds it a second time from a copy of
the sources in another folder and compares that build with the first. The same sources must
give the same bytes wherever and whenever they are built, so that anyone can check a release
against them (README, "Checking a release").

    /usr/bin/python3 tools/compare_builds.py FIRST.exe SECOND.exe
    /usr/bin/python3 tools/compare_builds.py --rebuild TOOLCHAIN [--build-type Release] PROGRAM.exe

TOOLCHAIN is the toolchain file PROGRAM.exe was built with; the second build uses the copy's
file of that name and builds the program alone. Exit code 0: the same bytes, each with the
header checksum of its bytes; 1: a difference, named by its first offset and the part of the
file it lies in; 2: the second build failed.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

import pefile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def header_field(pe, offset):
    """The header field at a file offset (IMAGE_FILE_HEADER.TimeDateStamp, say), or None."""
    structures = [pe.DOS_HEADER, pe.NT_HEADERS, pe.FILE_HEADER, pe.OPTIONAL_HEADER]
    for structure in structures + pe.OPTIONAL_HEADER.DATA_DIRECTORY + pe.sections:
        start = structure.get_file_offset()
        if start <= offset < start + structure.sizeof():
            fields = [(structure.get_field_absolute_offset(keys[0]), keys[0]) for keys in structure.__keys__]
            return "%s.%s" % (structure.name, max(f for f in fields if f[0] <= offset)[1])
    return None


def part_of_file(pe, offset):
    """Where an offset lies: a header field, a section (and how far into it), or past them."""
    for section in pe.sections:
        start = section.PointerToRawData
        if start <= offset < start + section.SizeOfRawData:
            name = section.Name.rstrip(b"\0").decode("ascii", "replace")
            return "section %s, 0x%x bytes in" % (name, offset - start)
    if offset < pe.OPTIONAL_HEADER.SizeOfHeaders:
        return "headers, %s" % (header_field(pe, offset) or "between the header structures")
    return "after the last section (appended data such as a signature)"


def differences(first_path, second_path):
    """What tells the two files apart, one line each; none when they are the same bytes."""
    found = []
    with open(first_path, "rb") as f, open(second_path, "rb") as s:
        first, second = f.read(), s.read()
    for path, data in ((first_path, first), (second_path, second)):
        pe = pefile.PE(data=data, fast_load=True)
        if pe.OPTIONAL_HEADER.CheckSum != pe.generate_checksum():
            found.append("%s: header checksum 0x%x, its bytes give 0x%x"
                         % (path, pe.OPTIONAL_HEADER.CheckSum, pe.generate_checksum()))
    if first != second:
        offset = next((i for i, (a, b) in enumerate(zip(first, second)) if a != b), min(len(first), len(second)))
        found.append("first difference at offset 0x%x (%s); %d and %d bytes long"
                     % (offset, part_of_file(pefile.PE(data=first, fast_load=True), offset), len(first), len(second)))
    return found


def copy_sources(destination):
    """The sources as they are now, committed or not, without build folders or history."""
    ignored = {"build", ".git"}
    shutil.copytree(ROOT, destination, ignore=lambda folder, names: ignored & set(names) if folder == ROOT else ())


def rebuild(toolchain, build_type, program_name):
    """Builds the program from a copy of the sources in a fresh folder; returns its bytes' path
    inside `work`, which the caller removes."""
    work = tempfile.mkdtemp(prefix="sw-rebuild-")
    source = os.path.join(work, "sources-elsewhere")
    copy_sources(source)
    build = os.path.join(source, "build", "second")
    steps = [["cmake", "-S", source, "-B", build, "-DCMAKE_BUILD_TYPE=" + build_type,
              "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(source, "cmake", os.path.basename(toolchain))],
             ["cmake", "--build", build, "--target", "Sweepwright", "-j", str(os.cpu_count() or 2)]]
    for step in steps:
        done = subprocess.run(step, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if done.returncode != 0:
            sys.stdout.buffer.write(done.stdout)
            shutil.rmtree(work)
            print("compare_builds.py: the second build failed: " + " ".join(step), file=sys.stderr)
            sys.exit(2)
    return work, os.path.join(build, program_name)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rebuild", metavar="TOOLCHAIN")
    parser.add_argument("--build-type", default="Release")
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()
    work = None
    if args.rebuild:
        work, second = rebuild(args.rebuild, args.build_type, os.path.basename(args.programs[0]))
        args.programs.append(second)
    if len(args.programs) != 2:
        parser.error("give two programs, or one with --rebuild")
    try:
        found = differences(*args.programs)
    finally:
        if work:
            shutil.rmtree(work)
    for line in found:
        print(line)
    print("%s and %s: %s" % (*args.programs, "NOT THE SAME" if found else "the same bytes"))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
