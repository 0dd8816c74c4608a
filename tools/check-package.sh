#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a user would meet it: its files
# and dependencies (dpkg-deb), the desktop entry and AppStream metadata (their validators), and
# the installed program run from an extracted root: --version and an export of a sample.
#
#   tools/check-package.sh [BUILD]     (default build; the folder must be configured and built)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
cd "$root"

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/kwl-edytor_*.deb | head -1)
echo "package: $deb"

files=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for f in ./usr/bin/KWL_Edytor ./usr/lib/kwl-edytor/KWL_Edytor ./usr/lib/kwl-edytor/KWL.knf \
         ./usr/lib/kwl-edytor/KWL_kopia.knf ./usr/lib/kwl-edytor/KWL_Style_linii1.knf \
         ./usr/lib/kwl-edytor/KWL_Style_linii2.knf ./usr/lib/kwl-edytor/KWL_BLOKI.knf \
         ./usr/lib/kwl-edytor/KWL_AAA1.BIN ./usr/lib/kwl-edytor/KWL_AAA9.BIN \
         ./usr/lib/kwl-edytor/projekty.prj ./usr/lib/kwl-edytor/kwl_OPIS.rtf \
         ./usr/lib/kwl-edytor/Przyklady/plan.kwl \
         ./usr/share/applications/org.kwl_edytor.KWLEdytor.desktop \
         ./usr/share/metainfo/org.kwl_edytor.KWLEdytor.metainfo.xml \
         ./usr/share/mime/packages/kwl-edytor.xml \
         ./usr/share/icons/hicolor/scalable/apps/org.kwl_edytor.KWLEdytor.svg; do
    grep -qx "$f" <<<"$files" || { echo "missing in the package: $f"; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
for d in libqt6widgets6 libqt6svg6 libdxflib qt6-qpa-plugins qt6-translations-l10n; do
    grep -q "$d" <<<"$depends" || { echo "missing dependency: $d"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/org.kwl_edytor.KWLEdytor.desktop"
appstreamcli validate --no-net --pedantic \
    "$work/root/usr/share/metainfo/org.kwl_edytor.KWLEdytor.metainfo.xml" >/dev/null ||
    appstreamcli validate --no-net \
        "$work/root/usr/share/metainfo/org.kwl_edytor.KWLEdytor.metainfo.xml"

# The installed program, with no display, as a user who cannot write into it.
program=$work/root/usr/bin/KWL_Edytor
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work/home" \
    "$program" --export "$work/plan.pdf" samples/plan.kwl
pdftoppm -r 20 -png "$work/plan.pdf" "$work/page" >/dev/null
[ -s "$work/page-1.png" ] || { echo "the exported PDF does not render"; exit 1; }
echo "package checked"
