#!/usr/bin/env python3
"""Writes a few valid inputs for each fuzz target into <dir>/<target>/."""
import os
import random
import struct
import sys
import zlib


def rgba_line(pixels, rng):
    out, left = bytearray(), pixels
    while left:
        run = min(left, rng.randint(1, 255))
        out += bytes([run]) + bytes(rng.randrange(256) for _ in range(4))
        left -= run
    return out


def g8_line(samples, rng):
    out, left = bytearray(), samples
    while left:
        run = min(left, rng.randint(1, 255))
        out += bytes([run, rng.randrange(256)])
        left -= run
    return out


def main(root):
    rng = random.Random(7)
    seeds = {"rgba_line_decode": [], "g8_line_decode": [], "compressed_load": []}
    for n in (1, 5, 300, 600, 4095):
        seeds["rgba_line_decode"].append(struct.pack("<H", n - 1) + rgba_line(n, rng))
        seeds["g8_line_decode"].append(struct.pack("<H", n - 1) + g8_line(n, rng))
    for w, h in ((1, 1), (4, 3), (16, 12), (24, 24)):
        pixels = bytes(rng.randrange(256) for _ in range(w * h * 4))
        seeds["compressed_load"].append(bytes([w - 1, h - 1]) + zlib.compress(pixels, rng.choice((1, 6, 9))))
    for target, inputs in seeds.items():
        folder = os.path.join(root, target)
        os.makedirs(folder, exist_ok=True)
        for i, data in enumerate(inputs):
            with open(os.path.join(folder, "seed%d" % i), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
