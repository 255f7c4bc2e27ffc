#!/usr/bin/python3
"""Reads the signature records table (columns #, name, fileSize, entryOffset1, signature1,
entryOffset2, signature2) from a markdown document and writes it as records.json.

    extract_records.py DOCUMENT.md [records.json]

Run once when the table is written down; the json is kept in the repository so that the
tests can compare the compiled table with it and the sample generator can build files."""
import json
import re
import sys

ROW = re.compile(r"^\|\s*(\d+)\s*\|\s*(W32/\S+)\s*\|\s*(\d+)\s*\|\s*(-?\d+)\s*\|\s*([0-9A-Fa-f]{40})\s*\|"
                 r"\s*(-?\d+)\s*\|\s*([0-9A-Fa-f]{40})\s*\|\s*$")


def extract(text):
    records = []
    for line in text.splitlines():
        m = ROW.match(line.strip())
        if not m:
            continue
        number, name, size, off1, sig1, off2, sig2 = m.groups()
        records.append({"index": int(number), "name": name, "fileSize": int(size),
                        "entryOffset1": int(off1), "signature1": sig1.upper(),
                        "entryOffset2": int(off2), "signature2": sig2.upper(), "sizeTest": 1})
    numbers = [r["index"] for r in records]
    if numbers != list(range(1, len(records) + 1)):
        raise SystemExit("records are not numbered 1..n in order: %r" % numbers)
    return records


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        records = extract(f.read())
    out = sys.argv[2] if len(sys.argv) > 2 else "records.json"
    with open(out, "w", encoding="utf-8") as f:
        json.dump(records, f, indent=1)
        f.write("\n")
    print("%d records written to %s" % (len(records), out))


if __name__ == "__main__":
    main()
