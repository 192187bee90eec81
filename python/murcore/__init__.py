"""murcore: the painting engine of a natural-media paint program, from Python.

Three levels, use whichever fits:

- ``murcore.lib.MUR_...``: the library's exports as cffi functions, exactly as
  in C (``murcore.ffi`` makes buffers and strings for them);
- ``murcore.MUR_...``: every export as a checked call: str for text, NumPy
  arrays and other buffers for pointers (passed without copying), and a
  MurError carrying the last-error text when the export leaves one;
- ``murcore.Image``: the engine's one image as a context manager, with layers,
  the mask and the view as NumPy arrays and a stroke helper.

    import murcore
    with murcore.Image(320, 200) as image:
        image.create_layer(1)              # background, opaque white
        image.create_layer(2)
        image.stroke(2, [(40, 100), (280, 100)], colour=(30, 60, 160), size=30)
        rgb = image.render()               # (200, 320, 3) uint8
        murcore.save_png("stroke.png", rgb)
"""
from ._calls import MurError
from ._library import open_library

ffi, lib, _parameters, header_path, library_path = open_library()
#: The engine's last-error text: one buffer for the life of the process.
_error_text = lib.MUR_GetLastError()

from ._calls import make_checked  # noqa: E402

#: Names of every export of the header, in the header's order.
exports = tuple(_parameters)
for _name in exports:
    globals()[_name] = make_checked(ffi, lib, _name, _parameters[_name], _error_text)
del _name

from ._image import Image, save_png  # noqa: E402  (uses the calls above)


def last_error():
    """The engine's last-error text ("" when nothing has been left)."""
    return ffi.string(_error_text).decode("utf-8", "replace")


__all__ = ["ffi", "lib", "exports", "MurError", "Image", "save_png", "last_error", *exports]
