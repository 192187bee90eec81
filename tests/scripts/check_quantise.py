#!/usr/bin/env python3
"""Runs `mur quantise` on a photograph and checks that the engine's mean error
against the original is at most ImageMagick's (-colors 256), both measured in
the same run.

usage: check_quantise.py MUR IN OUT.png
"""
import re
import subprocess
import sys

mur, picture, out = sys.argv[1:4]
run = subprocess.run([mur, "quantise", picture, out], capture_output=True, text=True)
print(run.stdout + run.stderr, end="")
m = re.search(r"ours ([0-9.]+), ImageMagick -colors 256 ([0-9.]+)", run.stdout)
if run.returncode != 0 or not m:
    sys.exit("mur quantise failed")
ours, theirs = float(m.group(1)), float(m.group(2))
if ours > theirs:
    sys.exit(f"our mean error {ours} is above ImageMagick's {theirs}")
print("quantiser at most as far from the original as ImageMagick's")
