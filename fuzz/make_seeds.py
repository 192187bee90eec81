#!/usr/bin/env python3
"""Writes a few valid inputs for each fuzz target into <dir>/<target>/.

The committed corpora (fuzz/corpus/<target>/) grew from these seeds and were
minimised; run this again to start a corpus afresh. Pictures of the kinds the
built-in writers below do not make (interlaced, 16-bit, LZW, tiled, CMYK, ...)
come from ImageMagick's convert when it is installed.
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
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


def bmp_file(w, h, bits, rng, compression=0, palette=0, top_down=False, pixels=None):
    """A bitmap with a 40-byte header; random rows unless pixels are given."""
    stride = (w * bits + 31) // 32 * 4
    if pixels is None:
        pixels = bytes(rng.randrange(256) for _ in range(stride * h))
    masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F) if compression == 3 else b""
    colours = bytes(rng.randrange(256) for _ in range(palette * 4))
    offset = 14 + 40 + len(masks) + len(colours)
    info = struct.pack("<IiiHHIIiiII", 40, w, -h if top_down else h, 1, bits, compression, len(pixels),
                       2835, 2835, palette, 0)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + masks + colours + pixels


def rle8(w, h, rng):
    out = bytearray()
    for _ in range(h):
        left = w
        while left:
            if rng.random() < 0.5 and left >= 3:
                n = min(left, rng.randint(3, 10))
                out += bytes([0, n]) + bytes(rng.randrange(16) for _ in range(n)) + (b"\0" if n % 2 else b"")
            else:
                n = min(left, rng.randint(1, 20))
                out += bytes([n, rng.randrange(16)])
            left -= n
        out += b"\0\0"
    return bytes(out + b"\0\1")


def tga_file(image_type, w, h, depth, descriptor, body, cmap=b"", cmap_len=0, cmap_bits=0):
    header = struct.pack("<BBBHHBHHHHBB", 0, 1 if cmap_len else 0, image_type, 0, cmap_len, cmap_bits,
                         0, 0, w, h, depth, descriptor)
    return header + cmap + body


def tga_rle(pixels, bpp, rng):
    out, i = bytearray(), 0
    n_pixels = len(pixels) // bpp
    while i < n_pixels:
        n = min(n_pixels - i, rng.randint(1, 128))
        if rng.random() < 0.5:
            out += bytes([0x80 | (n - 1)]) + pixels[i * bpp:(i + 1) * bpp]
        else:
            out += bytes([n - 1]) + pixels[i * bpp:(i + n) * bpp]
        i += n
    return bytes(out)


def png_file(w, h, rng):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(rng.randrange(256) for _ in range(w * 4)) for _ in range(h))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def tiff_file(w, h, rng):
    """Uncompressed little-endian RGB, one strip."""
    pixels = bytes(rng.randrange(256) for _ in range(w * h * 3))
    entries = [(256, 4, 1, w), (257, 4, 1, h), (258, 3, 3, None), (259, 3, 1, 1), (262, 3, 1, 2),
               (273, 4, 1, None), (277, 3, 1, 3), (278, 4, 1, h), (279, 4, 1, len(pixels))]
    ifd_size = 2 + 12 * len(entries) + 4
    bits_at = 8 + ifd_size
    data_at = bits_at + 6
    ifd = struct.pack("<H", len(entries))
    for tag, kind, count, value in entries:
        if tag == 258:
            value = bits_at
        elif tag == 273:
            value = data_at
        packed = struct.pack("<H", value) + b"\0\0" if kind == 3 and count == 1 else struct.pack("<I", value)
        ifd += struct.pack("<HHI", tag, kind, count) + packed
    ifd += struct.pack("<I", 0)
    return b"II*\0" + struct.pack("<I", 8) + ifd + struct.pack("<HHH", 8, 8, 8) + pixels


GIF_1X1 = bytes.fromhex("47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002024401003b")
JPEG_BASELINE = bytes.fromhex(
    "ffd8ffe000104a46494600010100000100010000ffdb0043000d090a0b0a080d0b0a0b0e0e0d"
    "0f13201513121213271c1e17202e2931302e292d2c333a4a3e333646372c2d405741464c4e52"
    "5352323e5a615a50604a51524fffdb0043010e0e0e131113261515264f352d354f4f4f4f4f4f"
    "4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f"
    "4f4f4f4f4f4fffc00011080008001003012200021101031101ffc40015000101000000000000"
    "00000000000000000006ffc400161001010100000000000000000000000000001461ffc40015"
    "01010100000000000000000000000000000406ffc40017110003010000000000000000000000"
    "000000041552ffda000c03010002110311003f0091b34b3415b194c8cacd68ffd9")
JPEG_PROGRESSIVE = bytes.fromhex(
    "ffd8ffe000104a46494600010100000100010000ffdb0043000d090a0b0a080d0b0a0b0e0e0d"
    "0f13201513121213271c1e17202e2931302e292d2c333a4a3e333646372c2d405741464c4e52"
    "5352323e5a615a50604a51524fffdb0043010e0e0e131113261515264f352d354f4f4f4f4f4f"
    "4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f"
    "4f4f4f4f4f4fffc20011080008001003012200021101031101ffc40015000101000000000000"
    "00000000000000000005ffc4001501010100000000000000000000000000000305ffda000c03"
    "010002100310000001902b37ffc4001510010100000000000000000000000000000012ffda00"
    "08010100010502b5bfffc40017110003010000000000000000000000000000031451ffda0008"
    "010301013f01adba7fffc40017110003010000000000000000000000000000031451ffda0008"
    "010201013f018d587fffc40014100100000000000000000000000000000010ffda0008010100"
    "063f023fffc40014100100000000000000000000000000000010ffda0008010100013f210fff"
    "da000c030100020003000000100bffc40014110100000000000000000000000000000000ffda"
    "0008010301013f100fffc40014110100000000000000000000000000000000ffda0008010201"
    "013f106fffc4001510010100000000000000000000000000000071ffda0008010100013f10a5"
    "3fffd9")


def picture_seeds(rng):
    bmps = [
        bmp_file(5, 3, 24, rng),
        bmp_file(4, 4, 32, rng, top_down=True),
        bmp_file(9, 2, 1, rng, palette=2),
        bmp_file(7, 3, 4, rng, palette=16),
        bmp_file(6, 5, 8, rng, palette=256),
        bmp_file(5, 2, 16, rng, compression=3),
        bmp_file(8, 4, 8, rng, compression=1, palette=16, pixels=rle8(8, 4, rng)),
    ]
    rgb = bytes(rng.randrange(256) for _ in range(6 * 4 * 3))
    rgba = bytes(rng.randrange(256) for _ in range(5 * 3 * 4))
    gray = bytes(rng.randrange(256) for _ in range(4 * 4))
    tgas = [
        tga_file(2, 6, 4, 24, 0, rgb),
        tga_file(10, 5, 3, 32, 0x28, tga_rle(rgba, 4, rng)),
        tga_file(3, 4, 4, 8, 0x20, gray),
        tga_file(1, 4, 4, 8, 0, gray, bytes(rng.randrange(256) for _ in range(256 * 3)), 256, 24),
        tga_file(11, 4, 4, 8, 0x10, tga_rle(gray, 1, rng)),
    ]
    others = [png_file(3, 2, rng), png_file(1, 1, rng), GIF_1X1, tiff_file(3, 2, rng), JPEG_BASELINE,
              JPEG_PROGRESSIVE]
    return bmps, tgas, others


# Variants written by ImageMagick: (target, file suffix, convert options).
CONVERTED = [
    ("png_read", "png", ["-depth", "8", "-type", "TrueColorAlpha"]),
    ("png_read", "png", ["-depth", "16"]),
    ("png_read", "png", ["-interlace", "PNG"]),
    ("png_read", "png", ["-type", "Palette", "-define", "png:format=png8"]),
    ("png_read", "png", ["-type", "Bilevel", "-define", "png:bit-depth=1"]),
    ("png_read", "png", ["-colorspace", "Gray", "-define", "png:bit-depth=4"]),
    ("png_read", "png", ["-colorspace", "Gray", "-alpha", "on", "-define", "png:color-type=4"]),
    ("jpeg_read", "jpg", ["-quality", "50"]),
    ("jpeg_read", "jpg", ["-interlace", "JPEG"]),
    ("jpeg_read", "jpg", ["-colorspace", "Gray"]),
    ("jpeg_read", "jpg", ["-colorspace", "CMYK"]),
    ("jpeg_read", "jpg", ["-sampling-factor", "4:2:0", "-define", "jpeg:restart-interval=1"]),
    ("jpeg_read", "jpg", ["-define", "jpeg:arithmetic-coding=true"]),
    ("gif_read", "gif", []),
    ("gif_read", "gif", ["-interlace", "GIF"]),
    ("gif_read", "gif", ["-transparent", "white"]),
    ("gif_read", "gif", ["-colors", "2"]),
    ("tiff_read", "tif", ["-compress", "None"]),
    ("tiff_read", "tif", ["-compress", "LZW"]),
    ("tiff_read", "tif", ["-compress", "Zip", "-define", "tiff:predictor=2"]),
    ("tiff_read", "tif", ["-compress", "RLE"]),
    ("tiff_read", "tif", ["-compress", "JPEG"]),
    ("tiff_read", "tif", ["-define", "tiff:tile-geometry=16x16"]),
    ("tiff_read", "tif", ["-interlace", "Plane"]),
    ("tiff_read", "tif", ["-depth", "16"]),
    ("tiff_read", "tif", ["-colorspace", "CMYK"]),
    ("tiff_read", "tif", ["-type", "Palette"]),
    ("tiff_read", "tif", ["-type", "Bilevel", "-compress", "Group4"]),
    ("tiff_read", "tif", ["-endian", "MSB"]),
    ("tiff_read", "tif", ["-alpha", "on", "-channel", "A", "-fx", "0.5"]),
    ("bmp_read", "bmp", ["-type", "Palette", "-compress", "RLE"]),
    ("bmp_read", "bmp", ["-define", "bmp:format=bmp3"]),
    ("tga_read", "tga", ["-compress", "RLE"]),
    ("tga_read", "tga", ["-type", "Palette"]),
]


def converted_seeds(seeds):
    convert = shutil.which("convert")
    if not convert:
        print("make_seeds.py: no ImageMagick convert, writing the built-in seeds only")
        return
    with tempfile.TemporaryDirectory() as tmp:
        for i, (target, suffix, options) in enumerate(CONVERTED):
            size = ["13x7", "8x8", "17x3"][i % 3]
            out = os.path.join(tmp, "seed%d.%s" % (i, suffix))
            base = ["-size", size, "gradient:red-blue", "(", "-size", size, "plasma:fractal", ")", "-compose",
                    "Overlay", "-composite"]
            if subprocess.run([convert] + base + options + [out], capture_output=True).returncode == 0:
                with open(out, "rb") as f:
                    seeds[target].append(f.read())


TEXTURE_SCRIPTS = [
    b"width, height = 4, 4\nfunction texel(x, y) return x / 3, y / 3, 0.5 end\n",
    b"width, height = 3, 2\nfunction texel(x, y) return 1, 0, 0, (x + y) / 4 end\n",
    b"#!/usr/bin/lua\nwidth = 2 height = 2\nlocal t = {}\nfor i = 1, 10 do t[i] = i * i end\n"
    b"function texel(x, y) return t[x + 1] / 100, math.sin(y), #t / 10 end\n",
    b"width, height = 8, 1\nlocal s = string.rep('ab', 5) .. string.format('%d', 7)\n"
    b"function texel(x, y) return string.byte(s, x + 1) / 255, 0, 0 end\n",
    b"width, height = 2, 2\nfunction texel(x, y) local ok, e = pcall(error, 'x') return ok and 1 or 0, 0, 0 end\n",
    b"width, height = 2, 2\nlocal co = coroutine.wrap(function() for i = 1, 4 do coroutine.yield(i) end end)\n"
    b"function texel(x, y) return co() / 4, 0, 0 end\n",
    b"width, height = 2, 2\nfunction texel(x, y) while true do end end\n",
    b"width, height = 2, 2\nfunction texel(x, y) return 'red' end\n",
    b"width, height = 2, 2\nsetmetatable(_G, {__index = function(t, k) return 0.5 end})\n"
    b"function texel(x, y) return undefined, undefined, undefined end\n",
    b"width = 1e9 height = 1\nfunction texel() return 0, 0, 0 end\n",
    b"local t = {} for i = 1, 100 do t[i] = tostring(i) end width = #table.concat(t) / 192 height = 1\n"
    b"table.sort(t) function texel(x) return tonumber(t[x + 1]) / 100, 0, 0 end\n",
]


def line_seeds(samples, rng, count):
    out = []
    for _ in range(count):
        out.append(g8_line(samples, rng))
    return out

def pcx_file(w, h, planes, rng, dpi=300):
    """Version 5, 8 bits a plane, run-length coded; one plane has a palette."""
    per_line = w + (w & 1)
    header = struct.pack("<BBBBHHHHHH", 10, 5, 1, 8, 0, 0, w - 1, h - 1, dpi, dpi) + bytes(48) + bytes([0, planes])
    header += struct.pack("<HH", per_line, 1) + bytes(128 - 70)
    body = bytearray()
    for _ in range(h * planes):
        x = 0
        while x < per_line:
            run = min(per_line - x, rng.choice((1, 1, 2, 5, 63)))
            v = rng.randrange(256)
            if run > 1 or v >= 0xC0:
                body.append(0xC0 | run)
            body.append(v)
            x += run
    if planes == 1:
        body += b"\x0c" + bytes(rng.randrange(256) for _ in range(768))
    return header + bytes(body)


def psd_file(w, h, channels, rle, rng, dpi=300):
    head = b"8BPS" + struct.pack(">H6xHIIHH", 1, channels, h, w, 8, 3)
    resource = b"8BIM" + struct.pack(">HHI", 0x03ED, 0, 16) + struct.pack(">IHHIHH", dpi << 16, 1, 1, dpi << 16, 1, 1)
    out = head + struct.pack(">I", 0) + struct.pack(">I", len(resource)) + resource + struct.pack(">I", 0)
    if not rle:
        return out + struct.pack(">H", 0) + bytes(rng.randrange(256) for _ in range(w * h * channels))
    rows = []
    for _ in range(h * channels):
        row, x = bytearray(), 0
        while x < w:
            n = min(w - x, rng.randint(1, 8))
            if rng.random() < 0.5:
                row += bytes([257 - n if n > 1 else 0, rng.randrange(256)]) if n > 1 else bytes([0, rng.randrange(256)])
            else:
                row += bytes([n - 1]) + bytes(rng.randrange(256) for _ in range(n))
            x += n
        rows.append(bytes(row))
    return out + struct.pack(">H", 1) + b"".join(struct.pack(">H", len(r)) for r in rows) + b"".join(rows)


def dib(w, h, bits, rng):
    stride = (w * bits + 31) // 32 * 4
    colours = 1 << bits if bits <= 8 else 0
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, stride * h, 0, 0, colours, 0)
    return info + bytes(rng.randrange(256) for _ in range(colours * 4)), bytes(rng.randrange(256) for _ in range(stride * h))


def emf_file(rng):
    """A header, StretchDIBits, SetDIBitsToDevice, BitBlt with a bitmap, a line, the end."""
    records = []
    bmi, bits = dib(5, 4, 24, rng)
    fixed = 80
    records.append(struct.pack("<II4iiiiiiiIIIIIIii", 81, fixed + len(bmi) + len(bits), 0, 0, 0, 0, 2, 3, 0, 0, 5, 4,
                               fixed, len(bmi), fixed + len(bmi), len(bits), 0, 0x00CC0020, 20, 10) + bmi + bits)
    bmi, bits = dib(3, 3, 8, rng)
    fixed = 76
    records.append(struct.pack("<II4iiiiiiiIIIIIII", 80, fixed + len(bmi) + len(bits), 0, 0, 0, 0, 30, 1, 0, 0, 3, 3,
                               fixed, len(bmi), fixed + len(bmi), len(bits), 0, 0, 3) + bmi + bits)
    bmi, bits = dib(4, 2, 32, rng)
    fixed = 100
    blt = struct.pack("<II4iiiiiIii6fII", 76, fixed + len(bmi) + len(bits), 0, 0, 0, 0, 5, 20, 4, 2, 0x00CC0020,
                      0, 0, 1, 0, 0, 1, 0, 0, 0, 0)
    blt += struct.pack("<IIII", fixed, len(bmi), fixed + len(bmi), len(bits))
    records.append(blt + bmi + bits)
    records.append(struct.pack("<IIii", 54, 16, 9, 9))
    records.append(struct.pack("<IIIII", 14, 20, 0, 16, 20))
    body = b"".join(records)
    header = struct.pack("<II4i4iIIIIHHIIIiiiiIIIii", 1, 108, 0, 0, 39, 29, 0, 0, 1000, 750, 0x464D4520, 0x10000,
                         108 + len(body), len(records) + 1, 1, 0, 0, 0, 0, 1920, 1080, 500, 280, 0, 0, 0,
                         500000, 280000)
    return header + body


def wmf_file(placeable=True, text=False):
    """A brush, no pen and a rectangle; text when asked."""
    body = b""

    def rec(fn, words, extra=b""):
        nonlocal body
        payload = b"".join(struct.pack("<H", w & 0xFFFF) for w in words) + extra
        if len(payload) % 2:
            payload += b"\0"
        body += struct.pack("<IH", 3 + len(payload) // 2, fn) + payload

    rec(0x020B, [0, 0]), rec(0x020C, [50, 100]), rec(0x02FC, [0, 0xFF, 0, 0]), rec(0x012D, [0])
    rec(0x02FA, [5, 0, 0, 0, 0]), rec(0x012D, [1]), rec(0x041B, [40, 75, 10, 25])
    if text:
        rec(0x02FB, [-12, 0, 0, 0, 400, 0, 0, 0], b"Helvetica\0")  # CreateFontIndirect
        rec(0x012D, [2])
        rec(0x0521, [2], b"Hi" + struct.pack("<hh", 30, 20))  # TextOut
    rec(0, [])
    head = struct.pack("<HHHIHIH", 1, 9, 0x300, 9 + len(body) // 2, 3, 16, 0)
    if not placeable:
        return head + body
    pl = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, 100, 50, 96, 0)
    checksum = 0
    for i in range(10):
        checksum ^= struct.unpack_from("<H", pl, i * 2)[0]
    return pl + struct.pack("<H", checksum) + head + body


def tiff_ifd(entries, data_after, little=True):
    """A classic TIFF with one directory of (tag, type, count, value bytes) entries."""
    e = "<" if little else ">"
    sizes = {1: 1, 2: 1, 3: 2, 4: 4, 5: 8, 10: 8, 11: 4}
    out = (b"II*\0" if little else b"MM\0*") + struct.pack(e + "I", 8)
    extra_at = 8 + 2 + 12 * len(entries) + 4
    table, extra = b"", b""
    for tag, kind, count, value in sorted(entries):
        if len(value) <= 4:
            table += struct.pack(e + "HHI", tag, kind, count) + value.ljust(4, b"\0")
        else:
            table += struct.pack(e + "HHII", tag, kind, count, extra_at + len(extra))
            extra += value + (b"\0" if len(value) % 2 else b"")
    return out + struct.pack(e + "H", len(entries)) + table + b"\0\0\0\0" + extra + data_after


def linear_dng(w, h, rng):
    pixels = bytes(rng.randrange(256) for _ in range(w * h * 6))
    def short(v): return struct.pack("<H", v)
    def long(v): return struct.pack("<I", v)
    n_entries = 19
    extra_guess = 8 + 2 + 12 * n_entries + 4
    entries = [(254, 4, 1, long(0)), (256, 3, 1, short(w)), (257, 3, 1, short(h)), (258, 3, 3, short(16) * 3),
               (259, 3, 1, short(1)), (262, 3, 1, short(34892)), (271, 2, 8, b"murcore\0"), (272, 2, 5, b"test\0"),
               (277, 3, 1, short(3)), (278, 3, 1, short(h)), (279, 4, 1, long(len(pixels))), (284, 3, 1, short(1)),
               (50706, 1, 4, bytes([1, 4, 0, 0])), (50707, 1, 4, bytes([1, 1, 0, 0])),
               (50708, 2, 13, b"murcore test\0"), (50717, 4, 1, long(65535)),
               (50721, 10, 9, b"".join(struct.pack("<ii", int(i % 4 == 0), 1) for i in range(9))),
               (50728, 5, 3, struct.pack("<II", 1, 1) * 3), (50778, 3, 1, short(21))]
    # the strip follows the directory's own data
    probe = tiff_ifd(entries + [(273, 4, 1, long(0))], b"")
    return tiff_ifd(entries + [(273, 4, 1, long(len(probe)))], pixels)


def file_seeds(seeds, rng):
    seeds["pcx_read"] = [pcx_file(7, 5, 3, rng), pcx_file(16, 3, 1, rng), pcx_file(5, 4, 4, rng, dpi=96)]
    seeds["psd_read"] = [psd_file(6, 4, 3, False, rng), psd_file(9, 5, 4, True, rng), psd_file(3, 3, 3, True, rng, 150)]
    seeds["emf_draw"] = [emf_file(rng)]
    seeds["wmf_draw"] = [wmf_file(), wmf_file(text=True), wmf_file(placeable=False)]
    seeds["raw_read"] = [linear_dng(32, 24, rng)]
    jfif = b"\xff\xd8\xff\xe0" + struct.pack(">H", 16) + b"JFIF\0\x01\x01\x02" + struct.pack(">HH", 118, 118) + b"\0\0"
    png = b"\x89PNG\r\n\x1a\n" + struct.pack(">I", 13) + b"IHDR" + struct.pack(">IIBBBBB", 4, 4, 8, 2, 0, 0, 0) + b"\0" * 4
    png += struct.pack(">I", 9) + b"pHYs" + struct.pack(">IIB", 11811, 11811, 1) + b"\0" * 4
    tif = tiff_ifd([(256, 3, 1, struct.pack("<H", 4)), (282, 5, 1, struct.pack("<II", 600, 1)),
                    (296, 3, 1, struct.pack("<H", 3))], b"")
    seeds["dpi_read"] = [bmp_file(3, 2, 24, rng), jfif, png, tif, seeds["psd_read"][0], seeds["pcx_read"][0]]


def main(root):
    rng = random.Random(7)
    seeds = {"rgba_line_decode": [], "g8_line_decode": [], "compressed_load": []}
    for n in (1, 5, 300, 600, 4095):
        seeds["rgba_line_decode"].append(struct.pack("<H", n - 1) + rgba_line(n, rng))
        seeds["g8_line_decode"].append(struct.pack("<H", n - 1) + g8_line(n, rng))
    for w, h in ((1, 1), (4, 3), (16, 12), (24, 24)):
        pixels = bytes(rng.randrange(256) for _ in range(w * h * 4))
        seeds["compressed_load"].append(bytes([w - 1, h - 1]) + zlib.compress(pixels, rng.choice((1, 6, 9))))
    bmps, tgas, others = picture_seeds(rng)
    seeds["bmp_read"] = bmps
    seeds["tga_read"] = tgas
    seeds["png_read"] = [others[0], others[1]]
    seeds["gif_read"] = [others[2]]
    seeds["tiff_read"] = [others[3]]
    seeds["jpeg_read"] = [others[4], others[5]]
    converted_seeds(seeds)
    seeds["picture_read"] = bmps + tgas + others + [s for t in ("png_read", "jpeg_read", "gif_read", "tiff_read")
                                                     for s in seeds[t][2:]]
    seeds["mask_line_transfer"] = line_seeds(300, rng, 4) + [bytes([255, 10, 45, 200])]
    seeds["texture_script"] = TEXTURE_SCRIPTS + [open(os.path.join(os.path.dirname(__file__), "..", "share",
                                                                   "textures", name), "rb").read()
                                                 for name in ("canvas_weave.lua", "rough_paper.lua")]
    file_seeds(seeds, rng)
    for target, inputs in seeds.items():
        folder = os.path.join(root, target)
        os.makedirs(folder, exist_ok=True)
        for i, data in enumerate(inputs):
            with open(os.path.join(folder, "seed%d" % i), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
