#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix elsewhere, and
# builds and runs the example hosts from there, once through pkg-config and
# once through find_package(murcore). Checks that no installed file names the
# source or build folder and that the pictures the hosts save hold a stroke.
# The examples are built as installed, from share/murcore/examples.
#
# With PYTHON (an interpreter that has cffi and NumPy) it also imports the
# installed Python package, and builds the wheel and imports it, finding the
# library through pkg-config.
#
# usage: consumer_test.sh BUILD_DIR SOURCE_DIR WORK_DIR VERSION [PYTHON]
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
work=$3
version=$4
python=${5:-}
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")

cmake --install "$build" --prefix "$work/staged" >/dev/null
mv "$work/staged" "$work/prefix"
prefix=$work/prefix

# Relocatable: nothing installed names where it was built.
if grep -rlaF -e "$build" -e "$source" -e "$work/staged" "$prefix"; then
    echo "the files above name the build, source or staging folder"; exit 1
fi
"$prefix/bin/mur" --version

# A picture the hosts saved: 320x200, a white page with a dark stroke on it.
check_picture() {
    local facts
    facts=$(identify -format '%w %h %[fx:mean] %[fx:minima]' "$1")
    echo "$1: $facts"
    awk '{ exit !($1 == 320 && $2 == 200 && $3 > 0.6 && $3 < 0.995 && $4 < 0.5) }' <<<"$facts" \
        || { echo "$1 does not hold a stroke on white"; exit 1; }
}

# Through pkg-config.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
[ "$(pkg-config --modversion murcore)" = "$version" ] || { echo "pkg-config names another version"; exit 1; }
libdir=$(pkg-config --variable=libdir murcore)
[ "$(realpath "$libdir")" = "$(realpath "$prefix/lib")" ] || { echo "libdir $libdir is not in the prefix"; exit 1; }
mkdir -p "$work/pc"
examples=$prefix/share/murcore/examples
cc -std=c11 -Wall -Wextra -Werror "$examples/c/paint_stroke.c" -o "$work/pc/paint_stroke" \
    $(pkg-config --cflags --libs murcore libpng) -lm -Wl,-rpath,"$libdir"
c++ -std=c++17 -Wall -Wextra -Werror "$examples/cpp/paint_stroke.cpp" -o "$work/pc/paint_stroke_cpp" \
    $(pkg-config --cflags --libs murcore libpng) -Wl,-rpath,"$libdir"
(cd "$work/pc" && ./paint_stroke stroke.png && ./paint_stroke_cpp stroke_cpp.png)
check_picture "$work/pc/stroke.png"
check_picture "$work/pc/stroke_cpp.png"

# The guide's code, as the reference shows it, paints its stroke.
awk '/^~~~\{\.c\}/ {on = 1; next} /^~~~/ {on = 0} on' "$source/docs/guide.md" >"$work/pc/guide_stroke.c"
cat >>"$work/pc/guide_stroke.c" <<'C'
#include <stdio.h>
int main(void)
{
    static uint8_t bgr[320 * 200 * 3];
    paint_one_stroke(bgr);
    int inked = 0;
    for (int i = 0; i < 320 * 200 * 3; i += 3) inked += bgr[i] < 200;  /* blue ink */
    printf("the guide's stroke inked %d pixels\n", inked);
    return inked > 2000 ? 0 : 1;
}
C
cc -std=c11 -Wall -Wextra -Werror "$work/pc/guide_stroke.c" -o "$work/pc/guide_stroke" \
    $(pkg-config --cflags --libs murcore) -Wl,-rpath,"$libdir"
"$work/pc/guide_stroke"

# Through find_package(murcore).
unset PKG_CONFIG_PATH
cmake -S "$examples" -B "$work/cm" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/cm" -j 2 >/dev/null
(cd "$work/cm" && ./paint_stroke stroke.png && ./paint_stroke_cpp stroke_cpp.png)
check_picture "$work/cm/stroke.png"
check_picture "$work/cm/stroke_cpp.png"

# The version file turns down a request for another major version.
mkdir -p "$work/v2"
cat >"$work/v2/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(wants_v2 NONE)
find_package(murcore 2 REQUIRED)
CMAKE
if cmake -S "$work/v2" -B "$work/v2/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null 2>&1; then
    echo "find_package(murcore 2) accepted this version"; exit 1
fi
# The Python package: as cmake installed it, and as a wheel found through pkg-config.
if [ -n "$python" ]; then
    check_import='import murcore, sys
print(murcore.header_path, murcore.library_path)
assert murcore.header_path.startswith(sys.argv[1]) and murcore.library_path.startswith(sys.argv[1])
with murcore.Image(64, 48) as image:
    image.create_layer(1)
    image.select_layer(1)
    assert image.render().shape == (48, 64, 3)'
    (cd "$work" && PYTHONPATH=$prefix/lib/python3/dist-packages "$python" -c "$check_import" "$prefix")
    cp -r "$source/python" "$work/pysrc"
    "$python" -m pip wheel --no-build-isolation --no-deps -q -w "$work/wheel" "$work/pysrc"
    "$python" -m pip install --no-deps --no-index -q --target "$work/site" "$work"/wheel/murcore-*.whl
    (cd "$work" && PYTHONPATH=$work/site PKG_CONFIG_PATH=$prefix/lib/pkgconfig "$python" -c "$check_import" "$prefix")
fi
echo "consumer test passed"
