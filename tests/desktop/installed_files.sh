#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop sees: the
# files where the freedesktop specifications look, named by one id, passing
# desktop-file-validate and appstreamcli, and the tools finding the installed
# presets. A validator that is not installed is skipped with a message.
# usage: installed_files.sh BUILD_DIR SOURCE_DIR VERSION
set -uo pipefail
build=$1
source=$2
version=$3
id=io.github.trevalin.Trevalin
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/usr
if ! cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log"
    fail "cmake --install"
    exit 1
fi
share=$prefix/share

for f in bin/trevalin bin/trevalin-render bin/trevalin-formula \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/256x256/apps/$id.png \
         share/mime/packages/$id.xml share/trevalin/presets.txt; do
    [ -e "$prefix/$f" ] || fail "not installed: $f"
done

desktop=$share/applications/$id.desktop
metainfo=$share/metainfo/$id.metainfo.xml
# One id ties the desktop file, its icon and the metainfo together.
grep -qx "Icon=$id" "$desktop" || fail "desktop file's Icon is not $id"
grep -q "<id>$id</id>" "$metainfo" || fail "metainfo id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "metainfo does not launch $id.desktop"
# The newest release noted is the version being built.
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1 | cut -d'"' -f2)
[ "$newest" = "$version" ] || fail "metainfo's newest release is '$newest', the build is $version"
# Every MIME type the desktop file claims is known: the system's or ours.
ours=$(grep -o 'mime-type type="[^"]*"' "$share/mime/packages/$id.xml" | cut -d'"' -f2)
for type in $(grep '^MimeType=' "$desktop" | cut -d= -f2 | tr ';' ' '); do
    if ! grep -qx "$type" <<<"$ours" && ! [ -e "/usr/share/mime/$type.xml" ]; then
        fail "desktop file claims an unknown MIME type $type"
    fi
done

if command -v desktop-file-validate >/dev/null; then
    out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate"
    [ -z "$out" ] || { echo "$out"; fail "desktop-file-validate complains"; }
else
    echo "skipped: desktop-file-validate is not installed (Debian: desktop-file-utils)"
fi

if command -v appstreamcli >/dev/null; then
    # --no-net: the screenshot's address is not fetched.
    appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli validate"
    appstreamcli validate-tree --no-net "$scratch" || fail "appstreamcli validate-tree"
else
    echo "skipped: appstreamcli is not installed (Debian: appstream)"
fi

if command -v update-mime-database >/dev/null; then
    # With the folder on the search path, so that it does not say it is not.
    out=$(XDG_DATA_DIRS=$share update-mime-database "$share/mime" 2>&1) || fail "update-mime-database"
    [ -z "$out" ] || { echo "$out"; fail "update-mime-database complains"; }
else
    echo "skipped: update-mime-database is not installed (Debian: shared-mime-info)"
fi

# The installed tool reads the installed presets, not the source tree's: give
# the installed file a preset of its own and look for it.
awk '/^ *PRESET /{n++} n==1{print} n==1 && /ENDPRESET/{exit}' "$source/data/presets.txt" |
    sed 's/^\( *\)PRESET .*/\1PRESET Installed Copy/' >"$share/trevalin/presets.txt"
# A presets file the desktop program saved in the user's data folder would come first.
listed=$(cd "$scratch" && env -u TREVALIN_DATA XDG_DATA_HOME="$scratch/xdg" "$prefix/bin/trevalin-render" --list 2>&1)
grep -q "Installed Copy" <<<"$listed" || { echo "$listed"; fail "trevalin-render --list did not read the installed presets"; }

[ "$failures" -eq 0 ] || exit 1
echo "installed files: all checks passed"
