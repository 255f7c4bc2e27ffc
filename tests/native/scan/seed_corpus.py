#!/usr/bin/python3
"""Writes the head of a few look-alike samples (the headers and whatever signature falls in
the first 4 KiB) into a libFuzzer corpus folder, with the selector byte the fuzzer expects
in front: 1 picks the table without size tests."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "samples"))
import gen_samples  # noqa: E402


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    gen_samples.load_records()
    for number, layout in [(10, "one"), (10, "multi"), (17, "wrap"), (24, "nosections"), (5, "below")]:
        sample = gen_samples.matching_sample(gen_samples.record_by_index(number), layout)
        with open(os.path.join(folder, "seed_%s" % sample.name), "wb") as f:
            f.write(b"\x01" + sample.to_bytes()[:4096])


if __name__ == "__main__":
    main()
