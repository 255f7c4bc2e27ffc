#!/usr/bin/python3
"""Fails when the committed pictures in res/art/ are not what tools/make_art.py draws now.

    /usr/bin/python3 check_art.py SOURCE_ROOT
"""
import filecmp
import os
import subprocess
import sys
import tempfile


def main(root):
    committed = os.path.join(root, 'res', 'art')
    with tempfile.TemporaryDirectory() as fresh:
        subprocess.run([sys.executable, os.path.join(root, 'tools', 'make_art.py'), fresh], check=True)
        names = sorted(set(os.listdir(fresh)) | set(os.listdir(committed)))
        _, differ, missing = filecmp.cmpfiles(committed, fresh, names, shallow=False)
    for name in differ + missing:
        print('res/art/%s is out of date: run /usr/bin/python3 tools/make_art.py' % name)
    return 1 if differ or missing else 0


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
