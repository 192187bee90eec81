#!/usr/bin/env bash
# Compares a built libmurcore.so with the stored ABI description: fails when
# abidiff finds an incompatible change (a removed export, a changed
# signature, another soname). Added exports are compatible and pass.
#
# usage: check_abi.sh STORED.abi LIBRARY HEADERS_DIR
set -uo pipefail
stored=$1 library=$2 headers=$3
abidiff --headers-dir2 "$headers" --exported-interfaces-only "$stored" "$library"
status=$?
# abidiff's status bits: 1 error, 2 usage error, 4 ABI change, 8 incompatible ABI change.
if (( status & 3 )); then echo "abidiff could not compare (status $status)"; exit 1; fi
if (( status & 8 )); then
    echo "INCOMPATIBLE ABI CHANGE against $stored: keep the old signatures, or bump the soname"
    echo "and run scripts/update_abi.sh (see README, 'The ABI')"; exit 1
fi
if (( status & 4 )); then echo "compatible ABI change (exports added): ABI kept"; else echo "ABI unchanged"; fi
exit 0
