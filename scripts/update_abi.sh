#!/usr/bin/env bash
# Writes the ABI description of a built libmurcore.so (abidw, from its debug
# information and the public header) into abi/libmurcore.abi. Run it only
# when a release changes the ABI on purpose; the ABI test compares every
# build against this file.
#
# usage: scripts/update_abi.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
library=$(ls "$build"/src/libmurcore.so.*.*.* | head -n 1)
abidw --exported-interfaces-only --headers-dir include --drop-private-types \
      --no-corpus-path --no-comp-dir-path --no-show-locs --no-elf-needed --type-id-style hash \
      --out-file abi/libmurcore.abi "$library"
echo "wrote abi/libmurcore.abi from $library ($(grep -c "<function-decl name='" abi/libmurcore.abi) functions)"
