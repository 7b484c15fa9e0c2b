#!/usr/bin/env python3
"""Lists the source files and functions that have grown past their limits.

    scripts/size-check.py [--file-lines N] [--function-lines N] [FOLDER ...]

A file counts its lines; a function the lines from its name to its closing brace, as
Universal Ctags finds them (free functions, members, inline members in headers). Without
folders it looks at the whole of src
(ctags: Debian's universal-ctags). The exit status is 1 when something is over a limit.
"""
import argparse
import json
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_FOLDERS = ["src"]


def sources(folders):
    for folder in folders:
        for base, _, names in os.walk(os.path.join(ROOT, folder)):
            for name in sorted(names):
                if name.endswith((".cpp", ".h")):
                    yield os.path.relpath(os.path.join(base, name), ROOT)


def functions(path):
    out = subprocess.run(["ctags", "--output-format=json", "--fields=+ne", "--c++-kinds=f",
                          "--language-force=C++", "-o", "-", path],
                         cwd=ROOT, capture_output=True, text=True, check=True).stdout
    for line in out.splitlines():
        tag = json.loads(line)
        if "end" in tag:
            yield tag["name"], tag["line"], tag["end"] - tag["line"] + 1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--file-lines", type=int, default=600)
    parser.add_argument("--function-lines", type=int, default=80)
    parser.add_argument("folders", nargs="*", default=DEFAULT_FOLDERS)
    args = parser.parse_args()
    over = False
    for path in sources(args.folders):
        with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as f:
            lines = sum(1 for _ in f)
        if lines > args.file_lines:
            print(f"{path}: {lines} lines")
            over = True
        for name, start, length in functions(path):
            if length > args.function_lines:
                print(f"{path}:{start}: {name}: {length} lines")
                over = True
    return 1 if over else 0


if __name__ == "__main__":
    sys.exit(main())
