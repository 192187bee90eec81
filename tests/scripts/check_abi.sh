#!/usr/bin/env bash
# Compares a built libmurcore.so with the stored ABI description. Fails when
# abidiff reports an incompatible change or any removed or changed function
# or variable (a changed signature is only an "ABI change" to abidiff, not an
# incompatible one, so its summary is read too). Added exports pass.
#
# usage: check_abi.sh STORED.abi LIBRARY HEADERS_DIR
set -uo pipefail
stored=$1 library=$2 headers=$3
report=$(abidiff --headers-dir2 "$headers" --exported-interfaces-only "$stored" "$library")
status=$?
echo "$report"
# abidiff's status bits: 1 error, 2 usage error, 4 ABI change, 8 incompatible ABI change.
if (( status & 3 )); then echo "abidiff could not compare (status $status)"; exit 1; fi
changed=$(grep -E 'changes summary:' <<<"$report" | grep -E '[1-9][0-9]* (Removed|Changed)' || true)
if (( status & 8 )) || [ -n "$changed" ]; then
    echo "ABI BROKEN against $stored: keep the old signatures, or change the soname on purpose"
    echo "and run scripts/update_abi.sh (README, 'The ABI')"
    exit 1
fi
if (( status & 4 )); then echo "compatible ABI change (exports added): ABI kept"; else echo "ABI unchanged"; fi
exit 0
