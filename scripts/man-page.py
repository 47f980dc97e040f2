#!/usr/bin/env python3
"""Writes the man page of a program from its --help text.

    man-page.py NAME SUMMARY VERSION OUTPUT.1.gz PROGRAM

Runs PROGRAM --help and writes a gzip-compressed page of section 1: the name and summary, then
the help text as it is, unfilled.
"""

import gzip
import subprocess
import sys


def roff_line(line):
    line = line.replace("\\", "\\e")
    # A line that starts with a dot or a quote would be read as a request.
    if line.startswith((".", "'")):
        line = "\\&" + line
    return line


def main():
    if len(sys.argv) != 6:
        sys.stderr.write(__doc__)
        return 2
    name, summary, version, output, program = sys.argv[1:]
    done = subprocess.run([program, "--help"], capture_output=True, text=True, timeout=60)
    if done.returncode != 0 or not done.stdout.strip():
        sys.stderr.write(f"{program} --help failed ({done.returncode}): {done.stderr}\n")
        return 1
    lines = [
        f'.TH {name.upper()} 1 "" "zarn {version}" "User Commands"',
        ".SH NAME",
        f"{name} \\- {summary}",
        ".SH DESCRIPTION",
        ".nf",
    ]
    # The help names the program by the path it was started with: the page by its name.
    text = done.stdout.replace(program, name)
    lines += [roff_line(line) for line in text.rstrip().splitlines()]
    lines += [".fi", ""]
    with gzip.GzipFile(output, "wb", mtime=0) as page:
        page.write("\n".join(lines).encode())
    return 0


if __name__ == "__main__":
    sys.exit(main())
