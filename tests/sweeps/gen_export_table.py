#!/usr/bin/env python3
"""Writes the export table of the sweeps (export_table.h) from the public
header and the buffer contract.

Usage: gen_export_table.py murcore.h buffer_contract.txt out.cpp

Every `MUR_API <return> <name>(<arguments>);` of the header becomes a row:
its argument kinds and names, its return kind, a function that calls it with
values from an array, and the sizes the contract gives its buffers. A header
type or a contract line the script does not understand stops the build.
"""
import re
import sys

ARG_KINDS = {
    "int32_t": "Int",
    "uint32_t": "Unsigned",
    "float": "Float",
    "double": "Double",
    "MUR_Window": "Window",
    "const char*": "Text",
    "MUR_MessageBoxHandler": "Handler",
    "MUR_DebugOutputHandler": "Handler",
    "MUR_EscapeKeyHandler": "Handler",
}
POINTER = re.compile(r"^(const )?(uint8_t|uint16_t|int32_t|void)\*$")
FIELDS = {"Int": "i32", "Unsigned": "u32", "Float": "f32", "Double": "f64", "Window": "ptr", "Text": "text",
          "Buffer": "ptr", "Handler": "ptr"}
RETURNS = {"void": "Void", "int32_t": "Int", "uint32_t": "Unsigned", "intptr_t": "Int", "void*": "Pointer",
           "const char*": "Text"}
FUNCTIONS = {"rows", "updown", "pos", "min", "max", "clip", "reach", "inside"}


def fail(message):
    sys.exit("gen_export_table.py: " + message)


def parse_header(text):
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    text = re.sub(r"//[^\n]*", " ", text)
    exports = []
    for m in re.finditer(r"\bMUR_API\s+([^;{}()]*?)\s*\b(MUR_\w+|BankAdrs)\s*\(([^)]*)\)\s*;", text):
        ret = " ".join(m.group(1).replace("*", "* ").split()).replace(" *", "*")
        name, params = m.group(2), " ".join(m.group(3).split())
        if ret not in RETURNS:
            fail("%s returns %r, a type the sweeps do not know" % (name, ret))
        args = []
        if params and params != "void":
            for p in params.split(","):
                p = p.strip().replace(" *", "* ")
                pm = re.match(r"^(.*?)(\w+)$", p)
                if not pm:
                    fail("%s: cannot read argument %r" % (name, p))
                ctype, aname = " ".join(pm.group(1).split()), pm.group(2)
                ctype = ctype.replace(" *", "*")
                if ctype in ARG_KINDS:
                    kind = ARG_KINDS[ctype]
                elif POINTER.match(ctype):
                    kind = "Buffer"
                else:
                    fail("%s: argument %s has type %r, which the sweeps do not know" % (name, aname, ctype))
                args.append((kind, ctype, aname))
        exports.append((name, RETURNS[ret], args))
    declared = len(re.findall(r"^\s*MUR_API\b", text, flags=re.M))
    if not exports or len(exports) != declared:
        fail("read %d exports of the %d MUR_API lines in the header" % (len(exports), declared))
    return exports


def translate(expr, args, where):
    """A size expression of the contract as C++ over Big values."""
    names = {a[2]: i for i, a in enumerate(args)}
    out = []
    for tok in re.findall(r"\d+|\w+|[-+*/(),]|\S", expr):
        if tok.isdigit():
            out.append("Big{%s}" % tok)
        elif tok in ("W", "H"):
            out.append("Big{image.%s}" % ("width" if tok == "W" else "height"))
        elif tok in FUNCTIONS:
            out.append("c_" + tok)
        elif tok in names:
            kind = args[names[tok]][0]
            if kind not in ("Int", "Unsigned"):
                fail("%s: %s is not an integer argument" % (where, tok))
            out.append("Big{a[%d].%s}" % (names[tok], FIELDS[kind]))
        elif tok in "+-*/(),":
            out.append(tok)
        else:
            fail("%s: cannot read %r in %r" % (where, tok, expr))
    return " ".join(out)


def parse_failure(name, args, words, where):
    mask, slot = 0, -1
    if not words or words[0] != "replaces" or len(words) < 2:
        fail("%s: a failure line is 'failure replaces <layers|paint|mask|undo|layer ARG> ...'" % where)
    words = words[1:]
    while words:
        word = words.pop(0)
        if word in ("layers", "mask", "undo", "paint"):
            mask |= {"layers": 1, "mask": 2, "undo": 4, "paint": 8}[word]
        elif word == "layer" and words:
            arg = words.pop(0)
            slot = next((i for i, a in enumerate(args) if a[2] == arg and a[0] == "Int"), None)
            if slot is None:
                fail("%s: %s has no integer argument %s" % (where, name, arg))
        else:
            fail("%s: cannot read %r" % (where, word))
    return mask, slot


def parse_contract(text, exports):
    by_name = {e[0]: e for e in exports}
    needs, releases, failures = {}, {}, {}
    for number, line in enumerate(text.splitlines(), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        parts = line.split(None, 2)
        where = "buffer_contract.txt:%d" % number
        if len(parts) != 3 or parts[0] not in by_name:
            fail("%s: expected <export> <argument> <size> of a header export" % where)
        name, arg, size = parts
        args = by_name[name][2]
        if arg == "failure":
            failures[name] = parse_failure(name, args, size.split(), where)
            continue
        if arg == "return":
            m = re.match(r"^released-by (\w+)$", size)
            if not m or m.group(1) not in by_name:
                fail("%s: a return is 'released-by <export>'" % where)
            releases[name] = m.group(1)
            continue
        index = next((i for i, a in enumerate(args) if a[2] == arg), None)
        if index is None or args[index][0] != "Buffer":
            fail("%s: %s has no buffer argument %s" % (where, name, arg))
        code = None if size == "engine-block" else translate(size, args, where)
        needs.setdefault(name, []).append((index, code))
    return needs, releases, failures


def main(header_path, contract_path, out_path):
    exports = parse_header(open(header_path).read())
    needs, releases, failures = parse_contract(open(contract_path).read(), exports)
    index_of = {e[0]: i for i, e in enumerate(exports)}
    lines = [
        "// Generated by gen_export_table.py from include/murcore.h and buffer_contract.txt; do not edit.",
        '#include "sweeps/export_table.h"',
        '#include "sweeps/contract_functions.h"',
        '#include "murcore.h"',
        "",
        "namespace mur::sweep {",
        "namespace {",
        "",
    ]
    for i, (name, ret, args) in enumerate(exports):
        def call_arg(j, kind, ctype):
            if kind == "Buffer":
                return "static_cast<%s>(a[%d].%s)" % (ctype, j, FIELDS[kind])
            if kind == "Handler":  # a handler that does nothing, or null
                return "quiet_handler<%s>(a[%d].ptr)" % (ctype, j)
            return "a[%d].%s" % (j, FIELDS[kind])
        call_args = ", ".join(call_arg(j, kind, ctype) for j, (kind, ctype, _) in enumerate(args))
        body = "%s(%s)" % (name, call_args)
        if ret == "Void":
            stmt = "%s;" % body
        elif ret in ("Pointer", "Text"):
            stmt = "r.value = static_cast<int64_t>(reinterpret_cast<intptr_t>(%s));" % body
        else:
            stmt = "r.value = static_cast<int64_t>(%s);" % body
        unused = "" if args else "(void)a; "
        unused += "" if ret != "Void" else "(void)r; "
        lines.append("void call_%d(const ArgValue* a, CallResult& r) { %s%s }" % (i, unused, stmt))
        for k, (index, code) in enumerate(needs.get(name, [])):
            if code is not None:
                lines.append("Big need_%d_%d(const ArgValue* a, const ImageSize& image) { (void)a; (void)image; "
                             "return %s; }" % (i, k, code))
    lines += ["", "}  // namespace", "", "const ExportInfo kExports[] = {"]
    for i, (name, ret, args) in enumerate(exports):
        kinds = ", ".join("ArgKind::" + a[0] for a in args)
        names = ", ".join('"%s"' % a[2] for a in args)
        ns = needs.get(name, [])
        need_rows = ", ".join("{%d, %s}" % (index, "need_%d_%d" % (i, k) if code else "nullptr")
                              for k, (index, code) in enumerate(ns))
        released = index_of[releases[name]] if name in releases else -1
        replaces, slot = failures.get(name, (0, -1))
        lines.append('    {"%s", %d, {%s}, {%s}, ReturnKind::%s, call_%d, %d, {%s}, %d, %du, %d},' %
                     (name, len(args), kinds, names, ret, i, len(ns), need_rows, released, replaces, slot))
    lines += ["};", "const std::size_t kExportCount = %d;" % len(exports), "", "}  // namespace mur::sweep", ""]
    with open(out_path, "w") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    if len(sys.argv) != 4:
        fail("usage: gen_export_table.py murcore.h buffer_contract.txt out.cpp")
    main(*sys.argv[1:])
