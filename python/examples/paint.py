#!/usr/bin/env python3
"""Paints a small picture with murcore and saves it as a PNG file.

    python3 paint.py [OUT.png]

A paper-coloured background, a wash of sky loaded from a NumPy gradient, and
three strokes of a soft round brush (one of them undone and painted again in
another colour).
"""
import sys

import numpy as np

import murcore

WIDTH, HEIGHT = 480, 320
PAPER, SKY, INK = 1, 2, 3


def main(out):
    with murcore.Image(WIDTH, HEIGHT, max_brush=128) as image:
        image.create_layer(PAPER)
        image.create_layer(SKY, mode="Multiply", opacity=80)
        image.create_layer(INK)

        # A sky that fades from blue at the top to nothing at mid-height.
        sky = np.zeros((HEIGHT, WIDTH, 4), dtype=np.uint16)
        sky[..., 0], sky[..., 1], sky[..., 2] = 120 << 8, 170 << 8, 235 << 8
        fade = np.clip(1.0 - np.arange(HEIGHT) / (HEIGHT * 0.55), 0.0, 1.0)
        sky[..., 3] = (fade * 65535).astype(np.uint16)[:, None]
        image.set_layer_pixels(SKY, sky)

        # Hills: two long strokes with the pressure rising and falling.
        hill = [(x, 230 - 40 * np.sin(x / 90.0), min(1.0, 0.3 + x / 300.0)) for x in range(-20, WIDTH + 40, 40)]
        image.stroke(INK, hill, colour=(60, 120, 50), size=60, alpha=70)
        image.stroke(INK, [(x, y + 45, p) for x, y, p in hill], colour=(40, 90, 40), size=70, alpha=80)

        # A sun, painted in red, undone, painted again in orange.
        sun = [(380 + 25 * np.cos(a), 80 + 25 * np.sin(a)) for a in np.linspace(0, 2 * np.pi, 24)]
        image.stroke(INK, sun, colour=(200, 30, 30), size=40, alpha=90)
        image.undo()
        image.stroke(INK, sun, colour=(250, 160, 40), size=40, alpha=90)

        murcore.save_png(out, image.render())
        ink = image.layer(INK)
        print(f"wrote {out} ({WIDTH}x{HEIGHT}); {np.count_nonzero(ink[..., 3])} pixels of ink")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "paint.png")
