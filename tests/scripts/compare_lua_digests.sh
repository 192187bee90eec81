#!/usr/bin/env bash
# Runs every Lua test script, shipped example and texture script under both
# Lua builds and compares what they wrote.
# usage: compare_lua_digests.sh DIGESTS DIGESTS_OTHER SCRIPTS_DIR EXAMPLES_DIR PICTURE
set -euo pipefail
one=$1 other=$2 scripts=$3 examples=$4 picture=$5
textures="$(dirname "$examples")/textures"
files=("$scripts"/*.lua "$examples"/*.lua "$textures"/*.lua)
a=$("$one" "$picture" "${files[@]}")
b=$("$other" "$picture" "${files[@]}")
echo "this build:";  echo "$a"
echo "other build:"; echo "$b"
if [ "$a" != "$b" ]; then
    echo "the builds differ:"; diff <(echo "$a") <(echo "$b") || true
    exit 1
fi
echo "digests agree (${#files[@]} scripts)"
