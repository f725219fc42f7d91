#!/usr/bin/env bash
# Installs the build into a temporary prefix, as a packager would, and checks what a desktop finds there: the
# executable and its library, the desktop file, the icons and the AppStream metainfo, each accepted by the
# desktop's own checkers, and the installed executable running from its new place.
# Usage: install_test.sh BUILD_DIR LIBDIR
set -euo pipefail
build=$1
libdir=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}

for file in bin/ambrel share/applications/ambrel.desktop \
    share/metainfo/app.ambrel.Ambrel.metainfo.xml share/icons/hicolor/scalable/apps/ambrel.svg \
    share/icons/hicolor/symbolic/apps/ambrel-symbolic.svg share/doc/Ambrel/COPYING; do
    [[ -s "$prefix/$file" ]] || fail "$file is not installed"
done
[[ -x "$prefix/bin/ambrel" ]] || fail "bin/ambrel is not executable"

desktop=$prefix/share/applications/ambrel.desktop
if command -v desktop-file-validate >/dev/null; then
    out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
    [[ -z "$out" ]] || fail "desktop-file-validate has remarks: $out"
fi
grep -qx 'Exec=ambrel %F' "$desktop" || fail "the desktop file does not pass files to ambrel"
grep -qx 'Icon=ambrel' "$desktop" || fail "the desktop file does not use the program's icon"
for type in application/pdf image/png image/jpeg image/tiff; do
    grep -q "^MimeType=.*$type;" "$desktop" || fail "the desktop file does not offer $type"
done

# validate-tree reads the metainfo as a software centre does, with the desktop file it launches beside it.
if command -v appstreamcli >/dev/null; then
    out=$(appstreamcli validate --no-net "$prefix/share/metainfo/app.ambrel.Ambrel.metainfo.xml" 2>&1) ||
        fail "appstreamcli validate: $out"
    out=$(appstreamcli validate-tree --no-net "$prefix" 2>&1) || fail "appstreamcli validate-tree: $out"
fi

for svg in "$prefix"/share/icons/hicolor/*/apps/*.svg; do
    /usr/bin/python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "$svg" ||
        fail "$svg is not well-formed XML"
done

# The installed executable finds its library under the prefix: drawing the sample needs it.
sample=$prefix/sample.png
if ! QT_QPA_PLATFORM=offscreen "$prefix/bin/ambrel" --make-sample "$sample" >/dev/null 2>&1 || [[ ! -s "$sample" ]]; then
    fail "the installed ambrel could not draw the sample"
fi

exit $status
