#!/usr/bin/env bash
# Installs the build into a prefix of its own and checks what a desktop finds
# there: the two programs, a valid desktop entry that offers itself for CSV
# files without claiming to be their default, the icons, a valid AppStream file
# naming this version, and the manual page.
#   install_check.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
id=org.tarvell.Nimbrel
for f in bin/nimbrel bin/nimbrel-cli share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/48x48/apps/$id.png \
         share/icons/hicolor/256x256/apps/$id.png share/man/man1/nimbrel-cli.1.gz; do
  [ -s "$prefix/$f" ] || fail "$f is not installed"
done
file -b "$prefix/share/icons/hicolor/48x48/apps/$id.png" | grep -q '48 x 48' || fail "the 48 px icon is not 48 px"
file -b "$prefix/share/icons/hicolor/256x256/apps/$id.png" | grep -q '256 x 256' || fail "the 256 px icon is not 256 px"

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

entry=$prefix/share/applications/$id.desktop
grep -qx 'Exec=nimbrel %f' "$entry" || fail "Exec does not take a file"
grep -qx 'MimeType=text/csv;' "$entry" || fail "not offered for CSV files"
grep -qx "Icon=$id" "$entry" || fail "the icon is not named by the id"
# Offered in "Open With", never made the default: no mimeapps.list anywhere.
[ -z "$(find "$prefix" -name 'mimeapps.list' -o -name 'defaults.list')" ] || fail "a default handler list is installed"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$id.metainfo.xml" || fail "the AppStream release is not $version"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/share/metainfo/$id.metainfo.xml" \
  || fail "the AppStream file does not launch the desktop entry"

zcat "$prefix/share/man/man1/nimbrel-cli.1.gz" | grep -q "Nimbrel $version" || fail "the manual page is not of $version"
[ "$("$prefix/bin/nimbrel-cli" --version)" = "nimbrel-cli $version" ] || fail "the installed nimbrel-cli --version"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/nimbrel" --version | grep -qx "Nimbrel $version" \
  || fail "the installed nimbrel --version"
echo "installed tree checked"
