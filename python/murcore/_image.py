"""The engine's image as a context manager, with NumPy views of its pixels.

The engine keeps its layers in its own memory and has no export that hands
that memory out, so a layer cannot be a NumPy view of the engine's pixels.
Reading a layer costs exactly one copy, made by the engine straight into the
NumPy array's memory (``layer``, ``layer_into``); writing one passes the
array's memory to the engine without a copy when it is C-contiguous uint16
(``set_layer_pixels``). The view (``render``) is drawn straight into an
array, and its RGB order is a view of the engine's B, G, R bytes.
"""
import struct
import zlib

import numpy as np

from . import MUR_CreateImage, MUR_DeleteImage, MurError, ffi, lib
from . import MUR_CreatePaintLayer, MUR_DrawDabGrit, MUR_GetMaskData16, MUR_GetRGBA64LayerRect
from . import MUR_MergePaintLayer, MUR_Render, MUR_SaveUndoBuffer, MUR_SetAlpha, MUR_SetColor
from . import MUR_SetLayer, MUR_SetLayerOptions, MUR_SetMaskData16, MUR_SetRGBA64Layer, MUR_SetScale
from . import MUR_SetScaleSize, MUR_SetSize, MUR_SetTool, MUR_SetUndoLevels, MUR_SetViewSize, MUR_Undo, MUR_Redo


class Image:
    """The engine's one image, from ``with`` to its end (or ``close()``).

    Layers are 16-bit RGBA: NumPy arrays of shape (height, width, 4), uint16,
    straight alpha. Slot 1 is the background (opaque white when created),
    slots 2..271 start transparent; slot 0 is the trace image.
    """

    _open = None

    def __init__(self, width, height, max_brush=256, undo_levels=20):
        self.width = int(width)
        self.height = int(height)
        self.max_brush = int(max_brush)
        self.undo_levels = int(undo_levels)
        self._layer_sizes = {}

    def __enter__(self):
        if Image._open is not None:
            raise MurError("Image", "the engine holds one image at a time; close the open one first")
        if not (0 <= self.width <= 10000 and 0 <= self.height <= 10000):
            raise ValueError(f"image size {self.width}x{self.height} is outside 0..10000")
        MUR_CreateImage(ffi.NULL, self.width, self.height, self.max_brush, 0)
        Image._open = self
        MUR_SetUndoLevels(self.undo_levels)
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        """Releases everything the image owns; the Image can be entered again."""
        if Image._open is self:
            Image._open = None
            self._layer_sizes.clear()
            MUR_DeleteImage()

    # ---- layers --------------------------------------------------------------------------
    def create_layer(self, slot, mode="Normal", opacity=100, visible=True, width=None, height=None):
        """Creates (or clears) layer `slot` with a blend mode name and an opacity in percent."""
        w = self.width if width is None else int(width)
        h = self.height if height is None else int(height)
        if not lib.MUR_CreateLayer(slot, w, h):
            raise ValueError(f"layer slot {slot} of {w}x{h} refused: {lib_error()}")
        MUR_SetLayerOptions(slot, 1 if visible else 0, 0, opacity, mode)
        self._layer_sizes[slot] = (w, h)

    def select_layer(self, slot):
        """Makes `slot` the current layer: where dabs and masked loads go."""
        MUR_SetLayer(slot)
        if lib.MUR_GetLayerNum() != slot:
            raise ValueError(f"layer {slot} is not a live layer")

    def _size(self, slot):
        if slot not in self._layer_sizes:
            raise ValueError(f"layer {slot} was not created through this Image")
        return self._layer_sizes[slot]

    def layer(self, slot):
        """A new (height, width, 4) uint16 array holding the layer's pixels:
        one copy, made by the engine into the array."""
        w, h = self._size(slot)
        out = np.empty((h, w, 4), dtype=np.uint16)
        MUR_GetRGBA64LayerRect(out, w * 8, slot, 0, 0, w, h)
        return out

    def layer_into(self, slot, out):
        """Reads the layer into an existing C-contiguous (height, width, 4)
        uint16 array: nothing is allocated."""
        w, h = self._size(slot)
        _check_array(out, (h, w, 4), np.uint16, "out", writable=True)
        MUR_GetRGBA64LayerRect(out, w * 8, slot, 0, 0, w, h)
        return out

    def set_layer_pixels(self, slot, pixels):
        """Replaces the layer's pixels with a (height, width, 4) uint16 array
        (straight alpha); a C-contiguous array is read in place."""
        w, h = self._size(slot)
        pixels = np.ascontiguousarray(pixels)
        _check_array(pixels, (h, w, 4), np.uint16, "pixels")
        MUR_SetRGBA64Layer(pixels, w * 8, slot)

    # ---- mask ----------------------------------------------------------------------------
    def mask(self):
        """The selection mask, (height, width) uint16: 65535 editable, 0 protected."""
        out = np.empty((self.height, self.width), dtype=np.uint16)
        MUR_GetMaskData16(out)
        return out

    def set_mask(self, mask):
        mask = np.ascontiguousarray(mask)
        _check_array(mask, (self.height, self.width), np.uint16, "mask")
        MUR_SetMaskData16(mask)

    # ---- view ----------------------------------------------------------------------------
    def render(self, x=0, y=0, width=None, height=None):
        """The composite of the visible layers (with the paint layer and the
        mask tint as the engine shows them) over the rectangle, 1:1, as a
        (height, width, 3) uint8 RGB array (a view of the engine's B, G, R
        output)."""
        w = self.width if width is None else int(width)
        h = self.height if height is None else int(height)
        bgr = np.zeros((h, w, 3), dtype=np.uint8)
        MUR_SetScale(1, 1.0)
        MUR_SetViewSize(w, h)
        if not MUR_Render(bgr, w * 3, x, y, w, h):
            raise MurError("MUR_Render", "nothing to render: the current layer has no pixels")
        return bgr[..., ::-1]

    # ---- painting ------------------------------------------------------------------------
    def stroke(self, layer, points, colour, size=20, alpha=80, softness=120, opacity=100, mode="Normal",
               spacing=0.15):
        """Paints one stroke into `layer` through the paint layer and saves an
        undo step. `points` are (x, y) or (x, y, pressure 0..1) pairs of a
        polyline; dabs fall every `spacing` x dab size along it; pressure
        scales the dab size and alpha. Returns the number of dabs."""
        pts = [(float(p[0]), float(p[1]), float(p[2]) if len(p) > 2 else 1.0) for p in points]
        if not pts:
            return 0
        r, g, b = (int(c) for c in colour)
        self.select_layer(layer)
        MUR_SetSize(int(size))
        MUR_SetTool(1.0, 0, 0, 0, int(softness), 0, 10, 0, 0, 0, 0, 0, 0, "", "", 0)
        MUR_SetColor(r, g, b)
        MUR_CreatePaintLayer(int(opacity), 100, mode)
        dabs = 0
        (px, py, pp), pending = pts[0], 0.0

        def dab(x, y, pressure):
            MUR_SetScaleSize(max(1, round(size * (0.3 + 0.7 * pressure))))
            MUR_SetAlpha(max(1, round(alpha * pressure)))
            MUR_DrawDabGrit(round(x), round(y), r << 8, g << 8, b << 8)

        dab(px, py, pp)
        dabs += 1
        for qx, qy, qp in pts[1:]:
            length = ((qx - px) ** 2 + (qy - py) ** 2) ** 0.5
            step = max(1.0, spacing * size)
            t = step - pending
            while t <= length:
                f = t / length
                dab(px + (qx - px) * f, py + (qy - py) * f, pp + (qp - pp) * f)
                dabs += 1
                t += step
            pending = length - (t - step)
            px, py, pp = qx, qy, qp
        MUR_MergePaintLayer(layer)
        MUR_SaveUndoBuffer(1, 0)
        return dabs

    def undo(self):
        MUR_Undo()

    def redo(self):
        MUR_Redo()


def lib_error():
    text = ffi.string(lib.MUR_GetLastError()).decode("utf-8", "replace")
    return text or "no reason given"


def _check_array(array, shape, dtype, what, writable=False):
    if not isinstance(array, np.ndarray) or array.dtype != dtype or array.shape != shape:
        got = f"{array.dtype} {array.shape}" if isinstance(array, np.ndarray) else type(array).__name__
        raise ValueError(f"{what} must be a {np.dtype(dtype)} array of shape {shape}, not {got}")
    if not array.flags.c_contiguous:
        raise ValueError(f"{what} must be C-contiguous")
    if writable and not array.flags.writeable:
        raise ValueError(f"{what} must be writable")


def save_png(path, pixels):
    """Writes a (height, width, 3) or (height, width, 4) uint8 array as an
    8-bit RGB or RGBA PNG file."""
    pixels = np.ascontiguousarray(pixels, dtype=np.uint8)
    if pixels.ndim != 3 or pixels.shape[2] not in (3, 4):
        raise ValueError("save_png takes a (height, width, 3 or 4) array")
    h, w, channels = pixels.shape
    rows = np.zeros((h, 1 + w * channels), dtype=np.uint8)  # filter byte 0 on every row
    rows[:, 1:] = pixels.reshape(h, w * channels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", w, h, 8, 2 if channels == 3 else 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows.tobytes(), 6))
                + chunk(b"IEND", b""))
