"""The Python binding against the library: every export reachable, a stroke
painted and rendered and checked against a composite computed here, layer
arrays round-tripping exactly, faults raised with the engine's text."""
import os
import subprocess
import sys
import tempfile
import tracemalloc
import unittest
import zlib

import numpy as np

import murcore

W, H = 160, 100


def exported_names(library):
    out = subprocess.run(["nm", "-D", "--defined-only", library], check=True, capture_output=True, text=True).stdout
    return {line.split()[2].split("@")[0] for line in out.splitlines() if len(line.split()) == 3}


def read_png_rgb(path):
    """Decodes the 8-bit RGB, filter-0 PNG files that save_png writes."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, size = 8, b"", None
    while pos < len(data):
        length = int.from_bytes(data[pos:pos + 4], "big")
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        assert zlib.crc32(kind + body) == int.from_bytes(data[pos + 8 + length:pos + 12 + length], "big")
        if kind == b"IHDR":
            size = (int.from_bytes(body[4:8], "big"), int.from_bytes(body[0:4], "big"))
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    rows = np.frombuffer(zlib.decompress(idat), dtype=np.uint8).reshape(size[0], -1)
    assert (rows[:, 0] == 0).all()
    return rows[:, 1:].reshape(size[0], size[1], 3)


class Exports(unittest.TestCase):
    def test_every_export_of_the_library_is_a_function_of_the_module(self):
        library = murcore.library_path if os.path.isabs(murcore.library_path) else None
        if library:
            self.assertEqual(set(murcore.exports), exported_names(library))
        self.assertGreater(len(murcore.exports), 250)
        for name in murcore.exports:
            self.assertTrue(callable(getattr(murcore, name)), name)
            self.assertTrue(callable(getattr(murcore.lib, name)), name)

    def test_text_and_numbers_pass_through(self):
        murcore.MUR_SetLastError("note from the host")
        self.assertEqual(murcore.MUR_GetLastError(), "note from the host")
        self.assertEqual(murcore.last_error(), "note from the host")
        murcore.MUR_SetLastError("")
        with murcore.Image(W, H):
            self.assertEqual(murcore.MUR_CreateLayer(300, 4, 4), 0)  # a refusal is a value, not an exception
            self.assertEqual(murcore.MUR_CreateLayer(1, W, H), 1)
            self.assertEqual(murcore.MUR_GetRGBAAtLayer(3, 4, 1), 0xFFFFFFFF)
            self.assertEqual(murcore.MUR_GetColorAtLayer(W + 5, 0, 1), 0x00FFFFFF)


class Faults(unittest.TestCase):
    def test_a_fault_raises_with_the_last_error_text_and_later_calls_do_not(self):
        # A block the engine never handed out: releasing it is a fault.
        foreign = np.zeros(512, dtype=np.uint8)
        pointer = murcore.ffi.from_buffer("char[]", foreign) + 256
        with self.assertRaises(murcore.MurError) as raised:
            murcore.MUR_Free(pointer)
        self.assertEqual(raised.exception.text, "Free Excpt")
        self.assertEqual(raised.exception.function, "MUR_Free")
        self.assertEqual(murcore.last_error(), "Free Excpt")
        murcore.lib.MUR_Free(pointer)  # the raw export only leaves the text
        self.assertEqual(murcore.MUR_GetLayerCount(), 0)  # the next checked call starts clean
        self.assertEqual(murcore.last_error(), "")

    def test_wrong_buffers_and_argument_counts_are_refused_before_the_call(self):
        with murcore.Image(W, H) as image:
            image.create_layer(2)
            with self.assertRaises(ValueError):
                image.set_layer_pixels(2, np.zeros((H, W, 3), np.uint16))
            with self.assertRaises(ValueError):
                image.layer_into(2, np.zeros((H, W, 4), np.uint8))
            with self.assertRaises(TypeError):
                murcore.MUR_GetRGBA64Layer(np.zeros(4, np.uint16), 8)
            with self.assertRaises(BufferError):  # read-only memory for a buffer the engine writes
                murcore.MUR_GetMaskData16(bytes(W * H * 2))
            with self.assertRaises(ValueError):
                image.create_layer(272)


class Painting(unittest.TestCase):
    def test_stroke_and_render_match_the_layer_composited_over_white(self):
        with murcore.Image(W, H, max_brush=64) as image:
            image.create_layer(1)
            image.create_layer(2)
            colour = (30, 90, 200)
            dabs = image.stroke(2, [(20, 50, 0.5), (80, 30, 1.0), (140, 60, 0.5)], colour, size=24, alpha=90)
            self.assertGreater(dabs, 20)
            self.assertEqual(murcore.MUR_GetUndoCount() >= 1, True)

            layer = image.layer(2)
            self.assertEqual((layer.shape, layer.dtype), ((H, W, 4), np.uint16))
            alpha = layer[..., 3].astype(np.float64) / 65535
            self.assertGreater(alpha[30, 80], 0.8)          # on the path
            self.assertEqual(alpha[95, 5], 0)               # far from it
            self.assertLessEqual(np.abs(layer[..., :3][alpha > 0.5] / 256 - colour).max(), 1.5)

            rgb = image.render()
            self.assertEqual((rgb.shape, rgb.dtype), ((H, W, 3), np.uint8))
            expected = (layer[..., :3] / 65535 * 255) * alpha[..., None] + 255 * (1 - alpha[..., None])
            self.assertLessEqual(np.abs(rgb.astype(np.float64) - expected).max(), 2.5)

            part = image.render(30, 20, 50, 40)
            np.testing.assert_array_equal(part, rgb[20:60, 30:80])

            image.undo()
            self.assertEqual(image.layer(2)[..., 3].max(), 0)
            np.testing.assert_array_equal(image.render(), np.full((H, W, 3), 255, np.uint8))
            image.redo()
            np.testing.assert_array_equal(image.layer(2), layer)

    def test_layer_pixels_round_trip_exactly_and_reads_allocate_nothing_more(self):
        rng = np.random.default_rng(7)
        pixels = rng.integers(0, 65536, size=(H, W, 4), dtype=np.uint16)
        with murcore.Image(W, H) as image:
            image.create_layer(5)
            image.set_layer_pixels(5, pixels)
            np.testing.assert_array_equal(image.layer(5), pixels)
            image.set_layer_pixels(5, np.asfortranarray(pixels[::-1]))  # not C-contiguous: copied first
            np.testing.assert_array_equal(image.layer(5), pixels[::-1])

            out = np.empty((H, W, 4), np.uint16)
            tracemalloc.start()
            image.layer_into(5, out)
            _, peak = tracemalloc.get_traced_memory()
            tracemalloc.stop()
            self.assertLess(peak, 4096)  # the engine wrote into `out`: no copy went through Python
            np.testing.assert_array_equal(out, pixels[::-1])

            mask = rng.integers(0, 65536, size=(H, W), dtype=np.uint16)
            image.set_mask(mask)
            np.testing.assert_array_equal(image.mask(), mask)

    def test_the_image_is_released_at_the_end_of_with_even_after_an_error(self):
        with self.assertRaises(KeyError):
            with murcore.Image(W, H) as image:
                image.create_layer(1)
                self.assertEqual(murcore.MUR_GetLayerCount(), 1)
                with self.assertRaises(murcore.MurError):
                    with murcore.Image(8, 8):
                        pass
                raise KeyError("host error")
        self.assertEqual(murcore.MUR_GetLayerCount(), 0)
        with murcore.Image(W, H) as again:  # and can be entered again
            again.create_layer(1)

    def test_the_paint_example_writes_its_picture(self):
        example = os.path.join(os.path.dirname(__file__), "..", "examples", "paint.py")
        with tempfile.TemporaryDirectory() as folder:
            out = os.path.join(folder, "paint.png")
            result = subprocess.run([sys.executable, example, out], capture_output=True, text=True, env=os.environ)
            self.assertEqual(result.returncode, 0, result.stderr)
            picture = read_png_rgb(out)
            self.assertEqual(picture.shape, (320, 480, 3))
            lower = picture[160:].astype(int)
            self.assertGreater((lower[..., 1] > lower[..., 0] + 40).mean(), 0.2)  # green hills below
            r, g, b = (int(v) for v in picture[80, 405])                         # the sun's ring:
            self.assertTrue(r > 220 and 120 < g < 200 and b < 100, (r, g, b))    # orange, not red


if __name__ == "__main__":
    unittest.main()
