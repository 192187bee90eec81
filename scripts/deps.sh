#!/usr/bin/env bash
# Installs the Debian packages that murcore's build, tests and benchmarks
# need, skipping those already installed. Run as root (or with sudo).
#
#   scripts/deps.sh          what the build and the tests need
#   scripts/deps.sh bench    and the peers the benchmarks measure beside the
#                            engine (pixman, OpenCV, icoutils' wrestool,
#                            ImageMagick's MagickWand, ffmpeg's x11grab),
#                            which nothing else needs
set -euo pipefail

packages=(
    # toolchain
    g++ make cmake pkg-config binutils
    # libraries
    zlib1g-dev libpng-dev libjpeg62-turbo-dev libgif-dev libtiff-dev liblua5.1-0-dev libluajit-5.1-dev
    liblqr-1-0-dev libglib2.0-dev  # seam carving (its header needs GLib's)
    libraw-dev libwmf-dev
    libfreetype-dev libfontconfig-dev fonts-dejavu-core  # text (the tests draw with DejaVu)
    libhpdf-dev  # PDF documents (libharu, zlib licence)
    # the desktop clipboard and screen capture over X11 (XCB, MIT; the
    # library is loaded at run time, the headers describe it) and the
    # virtual X server the tests exchange pictures through
    libxcb1-dev libxcb-shm0-dev xvfb
    # scanners: SANE's header (the library is loaded at run time when there)
    # and the library itself, whose test backend the scanner tests use
    libsane-dev libsane1
    # tests, benchmarks and fuzzing (clang with libFuzzer and its OpenMP)
    libgtest-dev libgmock-dev libbenchmark-dev python3 imagemagick time
    # independent readers of the files the engine writes (ffmpeg's ffprobe for
    # AVI files, poppler's pdfinfo and pdftoppm for PDF documents; test tools
    # only, nothing links them)
    python3-pil libtiff-tools ffmpeg poppler-utils
    clang libclang-rt-14-dev libomp-14-dev
    # host-developer checks: API reference, ABI check, Debian packages, the
    # Python binding (its tests run on /usr/bin/python3, which these belong to)
    doxygen abigail-tools lintian dpkg-dev fakeroot file
    python3-cffi python3-numpy python3-pip python3-setuptools python3-wheel
)
if [ "${1:-}" = bench ]; then
    packages+=(libpixman-1-dev libopencv-dev icoutils libcairo2-dev libmagickwand-6.q16-dev ffmpeg)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
        echo "deps.sh: need root to install ${missing[*]}" >&2; exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
