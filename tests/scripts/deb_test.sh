#!/usr/bin/env bash
# Builds the Debian packages of a build folder with CPack, checks their
# dependencies against the libraries the binaries really load, runs lintian,
# and unpacks them into an empty root to use them from there: pkg-config,
# mur, the manual page and the Python package.
#
# usage: deb_test.sh BUILD_DIR WORK_DIR VERSION [PYTHON]
set -euo pipefail
build=$(realpath "$1")
work=$2
version=$3
python=${4:-}
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
cd "$work"
for p in libmurcore0 libmurcore-dev murcore-tools python3-murcore; do
    ls "${p}_${version}-1_"*.deb >/dev/null || { echo "no package $p"; exit 1; }
done
deb() { ls "$work/${1}_${version}-1_"*.deb; }

# Every library libmurcore.so.0 and mur load comes from a package they depend on.
libraries=$(ldconfig -p)
depends_on_needed() {
    local package=$1 binary=$2 depends needed owner path
    depends=$(dpkg-deb -f "$(deb "$package")" Depends)
    echo "$package: Depends: $depends"
    for needed in $(objdump -p "$binary" | awk '/NEEDED/ {print $2}'); do
        if [ "$needed" = libmurcore.so.0 ]; then owner=libmurcore0; else
            path=$(awk -v n="$needed" '$1 == n && !found {print $NF; found = 1}' <<<"$libraries")
            # /lib is /usr/lib on a merged /usr: the package may list either.
            owner=$( (dpkg -S "$path" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null) | head -1 | cut -d: -f1)
        fi
        [ -n "$owner" ] || { echo "$needed: no package owns it"; exit 1; }
        tr ',' '\n' <<<"$depends" | awk '{print $1}' | grep -xF "$owner" >/dev/null || { echo "$package loads $needed but does not depend on $owner"; exit 1; }
    done
}
mkdir -p root
for f in *.deb; do dpkg-deb -x "$f" root; done
depends_on_needed libmurcore0 root/usr/lib/libmurcore.so.0
depends_on_needed murcore-tools root/usr/bin/mur
grep -q "libmurcore0 (= $version-1)" <<<"$(dpkg-deb -f "$(deb libmurcore-dev)" Depends)"
grep -q "libmurcore0 (= $version-1)" <<<"$(dpkg-deb -f "$(deb murcore-tools)" Depends)"
grep -q "^libmurcore 0 libmurcore0" <(dpkg-deb --ctrl-tarfile "$(deb libmurcore0)" | tar xO ./shlibs)

lintian --fail-on error --no-tag-display-limit ./*.deb 2>&1 | grep -v "running with root privileges" || true
lintian --fail-on error ./*.deb >/dev/null 2>&1 || { echo "lintian reports errors"; exit 1; }

# Used from the unpacked root.
[ "$(PKG_CONFIG_PATH=$work/root/usr/lib/pkgconfig pkg-config --modversion murcore)" = "$version" ]
root/usr/bin/mur --version | grep "^mur $version" >/dev/null
zcat root/usr/share/man/man1/mur.1.gz | grep '^\.SH COMMANDS' >/dev/null
[ -f root/usr/share/murcore/textures/canvas_weave.lua ]
if [ -n "$python" ]; then
    PYTHONPATH=$work/root/usr/lib/python3/dist-packages "$python" -c '
import murcore, sys
assert murcore.library_path.startswith(sys.argv[1]), murcore.library_path
print("python3 imports murcore with", len(murcore.exports), "exports from", murcore.library_path)' "$work/root"
fi
echo "packages checked"
