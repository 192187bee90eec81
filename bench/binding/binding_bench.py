#!/usr/bin/env python3
"""The Python binding's cost per export call, beside the same call from C in
the same run, and a 4096 x 4096 layer read into NumPy: time and bytes copied.

    python3 bench/binding/binding_bench.py BENCH_BUILD_DIR      (make bench-python)

Runs BENCH_BUILD_DIR/bench/mur_binding_c_bench (Google Benchmark, C++ calling
libmurcore.so) first, then times the same calls from Python on the same
library: through cffi as they are (murcore.lib) and as checked calls
(murcore.MUR_..., which clear and look at the last-error text around each
call).
"""
import json
import os
import subprocess
import sys
import timeit
import tracemalloc

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-bench")
source = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
os.environ["MURCORE_HEADER"] = os.path.join(source, "include", "murcore.h")
os.environ["MURCORE_LIBRARY"] = os.path.join(build, "src", "libmurcore.so.0")
sys.path.insert(0, os.path.join(source, "python"))

import numpy as np  # noqa: E402

import murcore  # noqa: E402

SIDE = 4096
LAYER_BYTES = SIDE * SIDE * 8


def c_figures():
    out = subprocess.run([os.path.join(build, "bench", "mur_binding_c_bench"), "--benchmark_format=json",
                          "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true"],
                         check=True, capture_output=True, text=True).stdout
    figures = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            scale = {"ns": 1, "us": 1e3, "ms": 1e6}[b["time_unit"]]
            figures[b["run_name"]] = b["real_time"] * scale
    return figures


def per_call_ns(statement, calls, repeat=5):
    """Best of `repeat` runs of `calls` calls, in ns per call."""
    return min(timeit.repeat(statement, number=calls, repeat=repeat)) / calls * 1e9


def main():
    c = c_figures()
    lib, ffi = murcore.lib, murcore.ffi
    rows = []
    with murcore.Image(SIDE, SIDE, max_brush=64) as image:
        image.create_layer(1)
        image.create_layer(2)
        image.select_layer(2)

        n = 300_000
        rows.append(("MUR_GetLayerNum()", c["BM_C_GetLayerNum"],
                     per_call_ns(lib.MUR_GetLayerNum, n), per_call_ns(murcore.MUR_GetLayerNum, n)))
        raw, checked = lib.MUR_GetRGBAAtLayer, murcore.MUR_GetRGBAAtLayer
        rows.append(("MUR_GetRGBAAtLayer(x, y, 2)", c["BM_C_GetRGBAAtLayer"],
                     per_call_ns(lambda: raw(5, 17, 2), n), per_call_ns(lambda: checked(5, 17, 2), n)))
        out = np.empty((16, 16, 4), np.uint16)
        pointer = ffi.from_buffer("uint16_t *", out)
        raw, checked = lib.MUR_GetRGBA64LayerRect, murcore.MUR_GetRGBA64LayerRect
        rows.append(("MUR_GetRGBA64LayerRect 16x16 into NumPy", c["BM_C_GetRGBA64LayerRect16"],
                     per_call_ns(lambda: raw(pointer, 128, 2, 100, 100, 16, 16), n // 3),
                     per_call_ns(lambda: checked(out, 128, 2, 100, 100, 16, 16), n // 3)))

        # The 4096 x 4096 layer: a new array each time, and into one array.
        read_new = min(timeit.repeat(lambda: image.layer(2), number=1, repeat=5)) * 1e3
        whole = np.empty((SIDE, SIDE, 4), np.uint16)
        read_into = min(timeit.repeat(lambda: image.layer_into(2, whole), number=1, repeat=5)) * 1e3
        other = np.ones_like(whole)
        numpy_copy = min(timeit.repeat(lambda: np.copyto(whole, other), number=1, repeat=5)) * 1e3
        # Bytes Python allocates during one read, beyond what was live before it.
        tracemalloc.start()
        before, _ = tracemalloc.get_traced_memory()
        layer = image.layer(2)
        peak_new = tracemalloc.get_traced_memory()[1] - before
        tracemalloc.reset_peak()
        before, _ = tracemalloc.get_traced_memory()
        image.layer_into(2, whole)
        peak_into = tracemalloc.get_traced_memory()[1] - before
        tracemalloc.stop()
        del layer

    print("Per call, ns (C: Google Benchmark median of 3; Python: best of 5 timeit runs)")
    print(f"{'call':42} {'C':>8} {'cffi':>8} {'checked':>8} {'cffi-C':>8} {'checked-C':>10}")
    for name, c_ns, raw_ns, checked_ns in rows:
        print(f"{name:42} {c_ns:8.1f} {raw_ns:8.1f} {checked_ns:8.1f} {raw_ns - c_ns:8.1f} {checked_ns - c_ns:10.1f}")
    print()
    print(f"4096 x 4096 layer (RGBA64, {LAYER_BYTES:,} bytes):")
    print(f"  C, MUR_GetRGBA64Layer into a host buffer:        {c['BM_C_ReadLayer4096'] / 1e6:7.1f} ms")
    print(f"  Python, image.layer(2) (new array):              {read_new:7.1f} ms, "
          f"{peak_new:,} bytes allocated (the array itself)")
    print(f"  Python, image.layer_into(2, array):             {read_into:7.1f} ms, {peak_into:,} bytes allocated")
    print(f"  NumPy's own copy of as many bytes (np.copyto):   {numpy_copy:7.1f} ms")
    print(f"  bytes copied: {LAYER_BYTES:,} by the engine, straight into the array's memory; "
          f"0 by the binding (it passes the array's own memory to the engine)")


if __name__ == "__main__":
    main()
