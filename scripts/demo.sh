#!/usr/bin/env bash
# make demo: builds the programs and the workstation installer, installs it silently into
# a fresh demo Wine prefix (build/demo-prefix) with a loopback FTP server as the support
# centre, then opens Corvida.exe as a technician would: interactive on your display when
# DISPLAY is set, otherwise a scripted fill and Submit under Xvfb with screenshots.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
"$repo/scripts/deps.sh" >/dev/null
BUILD_TARGETS="Corvida TrovelLib trovel corvida_demo installer" "$repo/scripts/build.sh" >/dev/null
. "$repo/scripts/wine-env.sh"
export WINEPREFIX="$BUILD_DIR/demo-prefix"
interactive=${DISPLAY:-}

. "$repo/scripts/demo-common.sh"

# A fresh workstation every time: the prefix is made anew.
"$WINESERVER" -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
echo "== preparing the demo workstation (new Wine prefix $WINEPREFIX)"
"$repo/scripts/wine-session.sh" start >/dev/null
. "$repo/scripts/wine-env.sh"

start_ftp 900

echo "== silent install, support centre ftp://$FTP_ADDRESS/incoming"
"$repo/tools/installer/demo-install.sh" --ftp "$FTP_ADDRESS\\incoming"
station="$WINEPREFIX/drive_c/Velmora/Corvida"
echo "   installed: $(cd "$station" && ls | tr '\n' ' ')"

status=0
if [ -n "$interactive" ]; then
    echo "== Corvida.exe is open on $interactive: fill in the report and Submit (or Close)"
    (cd "$station" && "$WINE" 'C:\Velmora\Corvida\Corvida.exe') || status=$?
else
    shots="$BUILD_DIR/screenshots"
    mkdir -p "$shots"
    echo "== no display: a scripted session under Xvfb (test fill, every page, Submit)"
    CORVIDA_DOCS_DIR="$shots" "$WINE" "$BUILD_DIR/tests/gui/corvida_demo.exe" 'C:\Velmora\Corvida' \
        2>&1 | tr -d '\r' || status=$?
    echo "== screenshots: $shots"
fi

echo
echo "== uploaded to ftp://$FTP_ADDRESS/incoming/:"
ls -l "$ftp_root/incoming"
archive=$(ls "$ftp_root/incoming"/*.zip 2>/dev/null | head -1 || true)
if [ -n "$archive" ]; then
    echo "== listing of $(basename "$archive")"
    unzip -l "$archive"
fi
echo "== workstation after the session:"
ls "$station"
exit "$status"
