#!/usr/bin/env python3
"""Every blend mode of both compositing routines against an exact reference.

The reference below is written from the documented formulas with exact
fractions. It is compared with the shared library through its C interface:
MUR_MergePixel for the paint compositing, and MUR_MergeLayer on two 1 x 1
layers for the layer merge. Results may differ by one unit where the library's
floating point truncates a value that is exactly an integer.

usage: blend_reference_test.py path/to/libmurcore.so
"""
import ctypes
import itertools
import math
import sys
from fractions import Fraction as F

ALPHA_COLOR_MODES_CLEAR = (20, 21, 27, 28, 29)
MODE_NAMES = {
    0: "Normal", 1: "Multiply", 2: "Screen", 3: "Darken", 4: "Lighten", 5: "Difference", 6: "Negation",
    7: "Exclusion", 8: "AND", 9: "OR", 10: "XOR", 11: "Overlay", 12: "Hard Light", 13: "Soft Light",
    14: "Dodge", 15: "Burn", 16: "Reflect", 17: "Glow", 18: "Add", 19: "Subtract", 20: "Color",
    21: "Hard Color", 22: "Colorize", 23: "HSL Hue", 24: "HSL Sat", 25: "HSL Lum", 26: "HSL Color",
    27: "Texturize", 28: "Texturize2", 29: "Texturize3", 30: "Silhoulette", 32: "Alpha Normal",
    33: "Alpha Filter", 34: "Alpha Black Outline", 35: "Alpha Outline Tint 1", 36: "Alpha Outline Tint 2",
    37: "Alpha Invert", 38: "Alpha Shader", 39: "Alpha Shader Color", 40: "Alpha Shader Texture2",
    41: "Alpha Highlight Texture2", 42: "Alpha Smooth", 43: "Alpha Smooth2", 44: "Alpha Smooth Lum",
    45: "Alpha Smooth Lum2", 46: "Alpha Smooth Lum3", 47: "Alpha Smooth Lum4", 48: "Alpha Smooth Lum5",
    49: "Alpha Overlay Outline", 50: "Alpha Highlight", 51: "Layer Mask", 52: "Luminance Alpha",
    53: "Luminance Alpha Invert",
}


def trunc(x):
    return int(x)  # toward zero, also for fractions


def clamp(x, lo, hi):
    return max(lo, min(hi, x))


# ---- HSL (hue in degrees) ------------------------------------------------------

def rgb_to_hsl(r, g, b):
    mx, mn = max(r, g, b), min(r, g, b)
    l = (mx + mn) / 2
    if mx == mn:
        return F(0), F(0), l
    d = mx - mn
    s = d / (mx + mn) if l < F(1, 2) else d / (2 - mx - mn)
    dr = ((mx - r) / 6 + d / 2) / d
    dg = ((mx - g) / 6 + d / 2) / d
    db = ((mx - b) / 6 + d / 2) / d
    if r == mx:
        h = db - dg
    elif g == mx:
        h = F(1, 3) + dr - db
    else:
        h = F(2, 3) + dg - dr
    if h < 0:
        h += 1
    if h > 1:
        h -= 1
    return h * 360, s, l


def hsl_to_rgb(h, s, l):
    if s == 0:
        return l, l, l
    q = l * (1 + s) if l < F(1, 2) else l + s - s * l
    p = 2 * l - q

    def channel(hh):
        if hh < 0:
            hh += 360
        elif hh > 360:
            hh -= 360
        if hh < 60:
            return p + (q - p) * hh / 60
        if hh < 180:
            return q
        if hh < 240:
            return p + (q - p) * (240 - hh) / 60
        return p

    return channel(h + 120), channel(h), channel(h - 120)


# ---- Colour modes on premultiplied values --------------------------------------

def colour_mode(mode, sa, da, sca, dca, sc, default_ao, third, screen_at_half):
    """Returns (rc[3], ao) for the colour mode; sc is the unpremultiplied source."""
    rest = [sca[i] * (1 - da) + dca[i] * (1 - sa) for i in range(3)]
    ao = default_ao
    if mode == 1:
        rc = [sca[i] * dca[i] + rest[i] for i in range(3)]
    elif mode == 2:
        rc = [sca[i] + dca[i] - sca[i] * dca[i] for i in range(3)]
    elif mode == 3:
        rc = [dca[i] + sca[i] * (1 - da) if dca[i] * sa <= sca[i] * da else sca[i] + dca[i] * (1 - sa)
              for i in range(3)]
    elif mode == 4:
        rc = [dca[i] + sca[i] * (1 - da) if sca[i] * da <= dca[i] * sa else sca[i] + dca[i] * (1 - sa)
              for i in range(3)]
    elif mode == 5:
        rc = [sca[i] + dca[i] - 2 * min(sca[i] * da, dca[i] * sa) for i in range(3)]
    elif mode in (6, 7):
        rc = [sca[i] * da + dca[i] * sa - 2 * sca[i] * dca[i] + rest[i] for i in range(3)]
    elif mode in (8, 9, 10):
        op = {8: lambda a, b: a & b, 9: lambda a, b: a | b, 10: lambda a, b: a ^ b}[mode]
        rc = [F(op(trunc(sca[i] * sa * 65535), trunc(dca[i] * 65535)), 65535) for i in range(3)]
    elif mode in (11, 12):
        rc = []
        for i in range(3):
            if mode == 11:
                low = 2 * dca[i] < da if screen_at_half else 2 * dca[i] <= da
            else:
                low = 2 * sca[i] < sa if screen_at_half else 2 * sca[i] <= sa
            rc.append(2 * sca[i] * dca[i] + rest[i] if low
                      else sa * da - 2 * (da - dca[i]) * (sa - sca[i]) + rest[i])
    elif mode == 13:
        rc = []
        for i in range(3):
            m = dca[i] / da
            s2 = 2 * sca[i] - sa
            if 2 * sca[i] < sa:
                x = dca[i] * (sa + s2 * (1 - m))
            elif 8 * dca[i] > da:
                x = dca[i] * sa + s2 * (F(math.sqrt(m)) * da - dca[i])
            else:
                x = dca[i] * (sa + s2 * (1 - m) * (3 - 8 * m))
            rc.append(x + rest[i])
    elif mode == 14:
        rc = [sa * da + rest[i] if sca[i] * da + dca[i] * sa >= sa * da
              else dca[i] * sa / (1 - sca[i] / sa) + rest[i] for i in range(3)]
    elif mode == 15:
        rc = []
        for i in range(3):
            total = sca[i] * da + dca[i] * sa
            rc.append(rest[i] if total <= sa * da else (total - sa * da) * sa / sca[i] + rest[i])
    elif mode == 18:
        rc = [sca[i] + dca[i] for i in range(3)]
        ao = sa + da
    elif mode == 19:
        rc = [sca[i] + dca[i] - sa * da for i in range(3)]
        ao = sa + da
    elif mode in (20, 21):
        l = sum(dca) * third
        k = (l - F(1, 2) if l >= F(1, 2) else F(1, 2) - l) * sa * (F(7, 4) if mode == 21 else 1)
        rc = [sca[i] + (k if l >= F(1, 2) else -k) + dca[i] * (1 - sa) for i in range(3)]
        ao = da
    elif mode in (22, 23, 24, 25, 26):
        sh, ss, sl = rgb_to_hsl(*sc)
        if mode == 22:
            y = (3 * dca[0] + 4 * dca[1] + dca[2]) / 8
            k = hsl_to_rgb(sh, ss, y)
        else:
            dh, ds, dl = rgb_to_hsl(*dca)
            k = hsl_to_rgb(*{23: (sh, ds, dl), 24: (dh, ss, dl), 25: (dh, ds, sl), 26: (sh, ss, dl)}[mode])
        rc = [dca[i] * (1 - sa) + k[i] * sa for i in range(3)]
        ao = da
    elif mode in (27, 28):
        t = sum(sc) / 3  # (R + G + B) / 195840 with the colour normalised by 65280
        d = [dca[i] / da for i in range(3)]

        def push(base, level, amount):
            return base + (level - F(1, 2)) * amount if level >= F(1, 2) else base - (F(1, 2) - level) * amount

        if mode == 27:
            v = sum(push(d[i], t, sa) for i in range(3)) / 3
            rc = [push(d[i], v, F(7, 4) * sa) for i in range(3)]
        else:
            rc = [push(d[i], t, F(7, 4) * sa) for i in range(3)]
        ao = da
    elif mode == 29:
        rc = list(dca)
        ao = da
    else:  # 0, 16, 17, 30 and every id from 31
        rc = [sca[i] + dca[i] * (1 - sa) for i in range(3)]
    return rc, ao


def normalise(rc, ao):
    a = clamp(ao, 0, 1)
    colour = [trunc(clamp(x / a, 0, 1) * 65280) for x in rc]
    return colour + [trunc(a * 65535)]


# ---- The alpha-mode stage ------------------------------------------------------

def alpha_stage(mode, c, u, a0):
    """Returns (colour, u, colour mode) after the stage, from the stage's table."""
    c = list(c)
    cmode = mode
    if mode == 33:
        c, u = [65535] * 3, 65535 - u
    elif mode in (34, 49):
        if 1 <= u <= 65279:
            c, u = [0] * 3, a0
    elif mode in (35, 36):
        if u != 0:
            u = a0 if u > 12286 else 65535 - u
    elif mode == 37:
        if u != 0:
            u = 65535 - u
    elif mode == 38:
        if u != 0:
            c, u = [u] * 3, a0
    elif mode in (39, 40):
        if u != 0:
            if u < 32767:
                k = 2 * (32767 - u)
                c = [max(x - k, 0) for x in c]
            else:
                k = 2 * u - 65534
                c = [min(x + k, 65535) for x in c]
            u = a0
        if mode == 40:
            cmode = 28
    elif mode == 41:
        if u != 0:
            if u >= 32767:
                c = [min(x + 2 * u - 65534, 65535) for x in c]
                u = a0
            else:
                u = max(u - 2 * (32767 - u), 0)
        cmode = 28
    elif mode == 42:
        if u != 0:
            if u >= 32767:
                u = a0
            else:
                k = 4 * (32767 - u)
                u = 0 if u < k else u - k
    elif mode in (43, 44, 45, 46, 47, 48):
        if mode in (44, 45, 48):
            dark = 65535 if mode == 45 else 32767
            c = [trunc(x - x * F(32767 - u, dark)) if u < 32768 else trunc(x + (65535 - x) * F(u - 32767, 32767))
                 for x in c]
        elif mode in (46, 47):
            c = [clamp(trunc(x - x * F(36862 - u, 30000)), 0, 65535) if u < 36863
                 else trunc(x + (65535 - x) * F(u - 36862, 28672)) for x in c]
        if mode in (44, 45, 46):
            if u != 0:
                u = a0 if u > 8190 else 0
        elif u != 0:  # the steep ramp of 43, 47, 48
            if u <= 8190:
                u = 0
            elif u >= 9215:
                u = a0
            else:
                u = 65535 - min(64 * (9215 - u), 65535)
    elif mode == 50:
        if u > 32512:
            u = 0
    elif mode == 51:
        u = 0
    elif mode == 52:
        u, c = sum(c) // 3, [65535] * 3
    elif mode == 53:
        u, c = 65535 - sum(c) // 3, [0] * 3
    return c, u, cmode


# ---- The layer merge (one pixel) ------------------------------------------------

def layer_merge(src, dst, mode, opacity, same_alpha, a0, density=255, mask=None):
    s_alpha = src[3]
    if s_alpha == 0 and mode < 32:
        return list(dst)
    if mask is not None and mask[3] != 0:
        s_alpha = (sum(mask[:3]) // 3 * s_alpha) >> 16
    u = ((density + 1) * s_alpha) >> 8
    c, cmode, da_clear = list(src[:3]), mode, False
    if mode >= 32:
        if not same_alpha or mode in (51, 52, 53):
            c, u, cmode = alpha_stage(mode, c, u, a0)
        elif mode <= 42 or mode == 49:
            da_clear = u != 0
        elif mode in (43, 47, 48):
            if u < 8191:
                u = 0
            elif u <= 9214:
                cmode = 1
            else:
                da_clear = True
        elif mode in (44, 45, 46):
            if u >= 8191:
                da_clear = True
            else:
                u = 0
        elif mode == 50:
            if u <= 32512:
                u = 0
            else:
                da_clear = True
    if opacity < 255:
        u = ((opacity + 1) * u) >> 8
    da_int = 0 if da_clear else dst[3]
    if da_int == 0:
        if mode in ALPHA_COLOR_MODES_CLEAR or u == 0:
            return [0, 0, 0, 0]
        return [min(x, 65535) for x in c] + [u]
    if u == 0:
        return list(dst)
    if u >= 65280 and cmode == 0:
        return list(c) + [u]
    sa, da = F(u, 65535), F(da_int, 65535)
    sca = [F(x) * sa / 65280 for x in c]
    dca = [F(x) * da / 65280 for x in dst[:3]]
    sc = [F(x, 65280) for x in c]
    rc, ao = colour_mode(cmode, sa, da, sca, dca, sc, sa + da * (1 - sa), F("0.33333334"), False)
    return normalise(rc, ao)


# ---- The paint compositing of one pixel ----------------------------------------

def merge_pixel(dst, src, m, mode, opacity, a0):
    if m == 0 and mode <= 31:
        return list(dst)
    c, cmode = list(src), mode
    if 33 <= mode <= 53:
        c, m, cmode = alpha_stage(mode, c, m, a0)
    if opacity < 255:
        m = ((opacity + 1) * m) >> 8
    if dst[3] == 0:
        if cmode in ALPHA_COLOR_MODES_CLEAR or m == 0:
            return [0, 0, 0, 0]
        return list(c) + [m]
    if m == 0:
        return list(dst)
    if m >= 65280 and cmode == 0:
        return list(c) + [m]
    sa, da = F(m, 65535), F(dst[3], 65535)
    sca = [F(x) * sa / 65280 for x in c]
    dca = [F(x) * da / 65280 for x in dst[:3]]
    sc = [F(x, 65280) for x in c]
    rc, ao = colour_mode(cmode, sa, da, sca, dca, sc, (1 - da) * sa + da, F(1, 3), True)
    return normalise(rc, ao)


# ---- Driving the library -------------------------------------------------------

def main(path):
    lib = ctypes.CDLL(path)
    i32, u32, p32 = ctypes.c_int32, ctypes.c_uint32, ctypes.POINTER(ctypes.c_int32)
    lib.MUR_MergePixel.argtypes = [p32, p32, p32, p32, u32, u32, u32, u32, i32, i32, i32]
    lib.MUR_CreateImage.argtypes = [ctypes.c_void_p, i32, i32, i32, i32]
    lib.MUR_SetLayerOptions.argtypes = [i32, i32, i32, i32, ctypes.c_char_p]
    lib.MUR_SetLayerData.argtypes = [ctypes.POINTER(ctypes.c_uint16), i32]
    lib.MUR_GetLayerData.argtypes = [ctypes.POINTER(ctypes.c_uint16), i32]

    lib.MUR_CreateImage(None, 1, 1, 8, 0)
    for slot in (2, 3, 4):
        assert lib.MUR_CreateLayer(slot, 1, 1) == 1

    sources = [(50000, 30000, 12000), (20000, 60000, 65280)]
    destinations = {"transparent": (30000, 20000, 10000, 0), "opaque": (40000, 20000, 50000, 65535),
                    "half": (10000, 50000, 30000, 32768), "dark": (3000, 1000, 8000, 50000)}
    # A middle value of each kind, and both sides of every threshold of the alpha modes.
    amounts = [0, 1, 7000, 8190, 8191, 9214, 9215, 12286, 12287, 20000, 32512, 32513, 32767, 40000, 65279,
               65280, 65535]
    opacity_percents = [100, 50]
    # Layer masks above the source: none, white with a trace of alpha, a gray, one without alpha.
    masks = [None, (65535, 65535, 65535, 1), (30000, 40000, 50000, 65535), (9, 9, 9, 0)]
    alpha_opacities = [(100, 65535), (40, 26214)]  # percent and its 16-bit value
    failures, cases = [], 0

    for mode in range(54):
        for (pct, a0), src, (dname, dst), amount, opct in itertools.product(
                alpha_opacities, sources, destinations.items(), amounts, opacity_percents):
            lib.MUR_SetAlphaLayerOpacity(pct)
            opacity = trunc(F(opct) * F("2.56"))
            # Paint compositing.
            px = [i32(v) for v in dst]
            lib.MUR_MergePixel(*[ctypes.byref(v) for v in px], *src, amount, mode, opacity, 0)
            got = [v.value for v in px]
            want = merge_pixel(dst, src, amount, mode, opacity, a0)
            cases += 1
            if any(abs(g - w) > 1 for g, w in zip(got, want)):
                failures.append(("MergePixel", mode, dname, src, amount, opacity, a0, got, want))
            # The layer merge, with the destination in another mode and in the same one.
            variants = [(same, mask) for same in ((False, True) if mode >= 32 else (False,))
                        for mask in (masks if pct == 100 and opct == 100 else masks[:1])]
            for same, mask in variants:
                name = MODE_NAMES.get(mode, "31 has no name").encode()
                lib.MUR_SetLayerOptions(3, 1, 0, opct, name)
                lib.MUR_SetLayerOptions(2, 1, 0, 100, name if same else b"Normal")
                lib.MUR_SetLayerOptions(4, 1 if mask else 0, 0, 100, b"Layer Mask")
                lib.MUR_SetLayerData((ctypes.c_uint16 * 4)(*(mask or (0, 0, 0, 0))), 4)
                lib.MUR_SetLayerData((ctypes.c_uint16 * 4)(*src, amount), 3)
                lib.MUR_SetLayerData((ctypes.c_uint16 * 4)(*dst), 2)
                lib.MUR_MergeLayer(3, 2)
                out = (ctypes.c_uint16 * 4)()
                lib.MUR_GetLayerData(out, 2)
                got = list(out)
                # Id 31 has no name: it looks up as Normal.
                want = layer_merge(list(src) + [amount], dst, mode if mode != 31 else 0, opacity, same, a0, mask=mask)
                cases += 1
                if any(abs(g - w) > 1 for g, w in zip(got, want)):
                    failures.append(("MergeLayer same=%d mask=%s" % (same, mask), mode, dname, src, amount, opacity,
                                     a0, got, want))

    lib.MUR_DeleteImage()
    for f in failures[:40]:
        print("%s mode %d dest %s src %s amount %d opacity %d A0 %d: got %s, want %s" % f)
    print("%d cases, %d failures" % (cases, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
