"""Finds murcore's header and shared library, declares the header's functions
to cffi (ABI mode: nothing is compiled) and opens the library.

Where they are looked for, first found wins:
1. MURCORE_HEADER and MURCORE_LIBRARY in the environment (a build tree);
2. the installation this package came with (``_installed.py``, written by
   ``cmake --install``, paths relative to this folder);
3. pkg-config's ``murcore`` (the include and library folders it names);
4. /usr/local/include, /usr/include and the loader's search for
   libmurcore.so.0.
"""
import os
import re
import shutil
import subprocess

import cffi

SONAME = "libmurcore.so.0"
_HERE = os.path.dirname(os.path.abspath(__file__))


def _pkg_config(variable):
    tool = shutil.which("pkg-config")
    if not tool:
        return None
    try:
        out = subprocess.run([tool, f"--variable={variable}", "murcore"], capture_output=True, text=True,
                             timeout=10, check=True).stdout.strip()
    except (subprocess.SubprocessError, OSError):
        return None
    return out or None


def locate():
    """(header path, library path or soname) of the murcore to load."""
    header = os.environ.get("MURCORE_HEADER")
    library = os.environ.get("MURCORE_LIBRARY")
    if header and library:
        return header, library
    try:
        from . import _installed
    except ImportError:
        _installed = None
    if _installed is not None:
        h = os.path.normpath(os.path.join(_HERE, _installed.HEADER))
        lib = os.path.normpath(os.path.join(_HERE, _installed.LIBRARY))
        if os.path.exists(h) and os.path.exists(lib):
            return header or h, library or lib
    candidates = []
    includedir = _pkg_config("includedir")
    libdir = _pkg_config("libdir")
    if includedir:
        candidates.append(os.path.join(includedir, "murcore.h"))
    candidates += ["/usr/local/include/murcore.h", "/usr/include/murcore.h"]
    if not header:
        header = next((c for c in candidates if os.path.exists(c)), None)
    if not library:
        in_libdir = os.path.join(libdir, SONAME) if libdir else None
        library = in_libdir if in_libdir and os.path.exists(in_libdir) else SONAME
    if not header:
        raise ImportError("murcore: murcore.h not found (install libmurcore-dev, or set MURCORE_HEADER)")
    return header, library


def declarations(header_text):
    """The C declarations of the header that cffi reads: its typedefs and
    every MUR_API function, without comments, macros or attributes."""
    text = re.sub(r"/\*.*?\*/", " ", header_text, flags=re.S)
    text = re.sub(r"//[^\n]*", " ", text)
    text = re.sub(r"^\s*#[^\n]*", " ", text, flags=re.M)
    typedefs = re.findall(r"\btypedef\b[^;]+;", text)
    functions = [" ".join(f.split()) for f in re.findall(r"\bMUR_API\b([^;]+;)", text)]
    return "\n".join(typedefs + functions)


def parameters(cdef):
    """{function name: one entry per parameter}: None for a number, "text"
    for a char pointer, else (pointer type, writable) of a buffer."""
    table = {}
    for line in cdef.splitlines():
        m = re.match(r"[^(]*?\b(\w+)\s*\((.*)\)\s*;$", line)
        if not m or line.startswith("typedef"):
            continue
        entries = []
        for param in m.group(2).split(","):
            param = param.strip()
            if param in ("void", ""):
                continue
            if "*" not in param:
                entries.append(None)
                continue
            base = param[: param.index("*")].split()
            const = "const" in base
            base = [w for w in base if w != "const"][-1]
            if base == "char":
                entries.append("text")
            else:
                entries.append(("char *" if base == "void" else base + " *", not const))
        table[m.group(1)] = entries
    return table


def open_library():
    header, library = locate()
    with open(header, encoding="utf-8") as f:
        cdef = declarations(f.read())
    ffi = cffi.FFI()
    ffi.cdef(cdef)
    lib = ffi.dlopen(library)
    return ffi, lib, parameters(cdef), header, library
