#!/usr/bin/env python3
"""Fails when an export's body runs outside a guard.

Usage: check_export_guards.py SRC_DIR

Every `MUR_API ... MUR_Name(...) { ... }` definition under SRC_DIR must hand
its body to `guard` or `guard_silent`, so that a fault inside it becomes the
export's failure value and last-error text instead of ending the host.
"""
import pathlib
import re
import sys

DEFINITION = re.compile(r"MUR_API\s+[^;{}()]*?\b(MUR_\w+)\s*\([^)]*\)\s*\{")
GUARDED = re.compile(r"\bguard(_silent)?\s*(<[^>]*>)?\s*\(")


def body(text, start):
    depth, i = 1, start
    while depth and i < len(text):
        if text[i] == "{":
            depth += 1
        elif text[i] == "}":
            depth -= 1
        i += 1
    return text[start:i - 1]


def main():
    root = pathlib.Path(sys.argv[1])
    bare, seen = [], 0
    for path in sorted(root.rglob("*.cpp")):
        text = path.read_text()
        for m in DEFINITION.finditer(text):
            seen += 1
            if not GUARDED.search(body(text, m.end())):
                bare.append(f"{path.relative_to(root)}: {m.group(1)}")
    if seen == 0:
        print(f"no exports found under {root}")
        return 1
    for line in bare:
        print(f"unguarded export body: {line}")
    print(f"{seen} exports, {len(bare)} unguarded")
    return 1 if bare else 0


if __name__ == "__main__":
    sys.exit(main())
