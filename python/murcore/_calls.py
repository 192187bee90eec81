"""Checked calls: every export of the library as a Python function of the
same name that takes Python values and raises MurError when the export
leaves a fault text.

The engine never clears its last-error text, so each checked call empties it
first (MUR_SetLastError("")) and looks at it afterwards; MUR_SetLastError
and MUR_GetLastError themselves only convert their values. Arguments:
- text (``const char*``): str (UTF-8) or bytes; None is NULL;
- pixel and other buffers (``T*``): any writable or read-only buffer (NumPy
  array, bytearray, bytes for const pointers, memoryview), passed without a
  copy; None is NULL; cffi pointers pass as they are. The buffer must be as
  large as the export's reference says: the binding cannot know every size.
Results: ``const char*`` becomes str; other pointers stay cffi pointers.
Refusals that leave no text (a bad slot, a size out of range) are not
exceptions here: the result value says so, as in C.
"""


class MurError(RuntimeError):
    """An export left a fault text (``"<Operation> Excpt"``) in the engine's
    last-error text."""

    def __init__(self, function, text):
        super().__init__(f"{function}: {text}")
        self.function = function
        self.text = text


def make_checked(ffi, lib, name, params, error_text):
    """The checked call of export `name`; `params` as _library.parameters."""
    raw = getattr(lib, name)
    ctype = ffi.typeof(raw)
    returns_text = ctype.result.kind == "pointer" and ctype.result.item.cname == "char"
    clear = lib.MUR_SetLastError
    empty = b""
    count = len(params)

    def convert(value, kind):
        if kind is None:
            return value
        if value is None:
            return ffi.NULL
        if kind == "text":
            return value.encode("utf-8") if isinstance(value, str) else value
        if isinstance(value, ffi.CData):
            return value
        pointer, writable = kind
        return ffi.from_buffer(pointer, value, require_writable=writable)

    def fault():
        return MurError(name, ffi.string(error_text).decode("utf-8", "replace"))

    if name in ("MUR_SetLastError", "MUR_GetLastError"):
        # The text itself: set and read as they are, never raised.
        def call(*args):
            if len(args) != count:
                raise TypeError(f"{name}() takes {count} arguments ({len(args)} given)")
            result = raw(*[convert(a, k) for a, k in zip(args, params)])
            return ffi.string(result).decode("utf-8", "replace") if returns_text else result
    elif all(k is None for k in params) and not returns_text:
        def call(*args):
            clear(empty)
            result = raw(*args)
            if error_text[0] != b"\0":
                raise fault()
            return result
    else:
        def call(*args):
            if len(args) != count:
                raise TypeError(f"{name}() takes {count} arguments ({len(args)} given)")
            converted = [convert(a, k) for a, k in zip(args, params)]
            clear(empty)
            result = raw(*converted)
            if error_text[0] != b"\0":
                raise fault()
            if returns_text:
                return ffi.string(result).decode("utf-8", "replace") if result != ffi.NULL else None
            return result

    call.__name__ = call.__qualname__ = name
    call.__doc__ = f"{name}: {ffi.getctype(ctype)}\n\nChecked call of the export; see the murcore API reference."
    return call
