#!/usr/bin/env python3
"""Checks that mur's manual page lists the same commands, in the same order
and words, as `mur --help`, and names the version `mur --version` prints.

usage: check_manpage.py MUR MUR.1
"""
import re
import subprocess
import sys


def help_commands(text):
    """(term, description) pairs of the 'commands:' block of the help."""
    block = text.split("\ncommands:\n", 1)[1]
    entries = []
    for line in block.splitlines():
        if not line.strip():
            continue
        m = re.match(r"  (\S.*?)\s{2,}(\S.*)$", line)
        if m and not line.startswith("   "):
            entries.append([m.group(1), m.group(2)])
        else:
            entries[-1][1] += " " + line.strip()
    return [(t, " ".join(d.split())) for t, d in entries]


def unroff(line):
    line = re.sub(r"\\f[BIRP]", "", line)
    return line.replace("\\-", "-").replace('"', "")


def man_commands(text):
    """(term, description) pairs of the COMMANDS section of the page."""
    section = re.search(r"^\.SH COMMANDS\n(.*?)^\.SH ", text, re.S | re.M).group(1)
    entries = []
    for item in section.split(".TP\n")[1:]:
        lines = item.strip().splitlines()
        term = unroff(re.sub(r"^\.B\s+", "", lines[0]))
        entries.append((term, " ".join(unroff(" ".join(lines[1:])).split())))
    return entries


def main():
    mur, page_path = sys.argv[1], sys.argv[2]
    help_text = subprocess.run([mur, "--help"], check=True, capture_output=True, text=True).stdout
    version = subprocess.run([mur, "--version"], check=True, capture_output=True, text=True).stdout.split()[1]
    page = open(page_path, encoding="utf-8").read()

    failures = []
    from_help, from_page = help_commands(help_text), man_commands(page)
    if not from_help:
        failures.append("mur --help lists no commands")
    for i in range(max(len(from_help), len(from_page))):
        h = from_help[i] if i < len(from_help) else None
        m = from_page[i] if i < len(from_page) else None
        if h != m:
            failures.append(f"command {i + 1}:\n  --help: {h}\n  mur.1:  {m}")
    th = re.search(r'^\.TH MUR 1 "[^"]*" "murcore ([^"]+)"', page, re.M)
    if not th or th.group(1) != version:
        failures.append(f"the page's .TH names {th.group(1) if th else 'no version'}, mur says {version}")

    for f in failures:
        print(f)
    print(f"{len(from_help)} commands compared")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
