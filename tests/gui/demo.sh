#!/usr/bin/env bash
# The report program's demo: a prepared workstation C:\Velmora\Corvida in the build's Wine
# prefix (program, collector library, site configuration, package, registry key), a
# loopback FTP server, and a scripted session (test fill, every page, Submit) under Xvfb
# when there is no display. Screenshots land in $BUILD_DIR/screenshots.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
"$repo/scripts/deps.sh" >/dev/null
BUILD_TARGETS="Corvida TrovelLib corvida_demo" "$repo/scripts/build.sh" >/dev/null
. "$repo/scripts/wine-env.sh"

FTP_ADDRESS=${CORVIDA_DEMO_FTP_ADDRESS:-127.0.0.52}
ftp_root="$BUILD_DIR/corvida-demo-ftp"
ftp_pid="$BUILD_DIR/corvida-demo-ftp.pid"
stop_all() {
    if [ -f "$ftp_pid" ]; then
        kill "$(cat "$ftp_pid")" 2>/dev/null || true
        rm -f "$ftp_pid"
    fi
    [ -n "${own_session:-}" ] && "$repo/scripts/wine-session.sh" stop
    return 0
}
trap stop_all EXIT
if [ ! -f "$WINEPREFIX/.session-display" ] || [ -n "${CORVIDA_DEMO_NEW_SESSION:-}" ]; then
    "$repo/scripts/wine-session.sh" start >/dev/null
    own_session=1
fi
. "$repo/scripts/wine-env.sh"

# --- the workstation -----------------------------------------------------------------
station="$WINEPREFIX/drive_c/Velmora/Corvida"
fixture="$repo/tests/fixtures/gui/workstation"
rm -rf "$station"
mkdir -p "$station/Current" "$station/Logs"
cp "$BUILD_DIR/corvida/Corvida.exe" "$BUILD_DIR/bin/TrovelLib.dll" "$station/"
sed -e "s#@FTP@#$FTP_ADDRESS\\\\incoming#" -e "s#@RELIQUA@#NO#" "$fixture/Corvida.ini" > "$station/Corvida.ini"
cp "$fixture/Current/Package_Report.ini" "$station/Current/"
cp "$fixture/Logs/service.log" "$station/Logs/"
"$WINE" reg delete 'HKLM\SOFTWARE\Velmora\Corvida' /f >/dev/null 2>&1 || true
"$WINE" reg add 'HKLM\SOFTWARE\Velmora\Corvida' /v Product /d 'Aldera 800' /f >/dev/null 2>&1
"$WINE" reg add 'HKLM\SOFTWARE\Velmora\Corvida' /v 'First Launch Flag' /d 1 /f >/dev/null 2>&1

# --- the FTP server ------------------------------------------------------------------
rm -rf "$ftp_root"
/usr/bin/python3 "$repo/tests/support/ftp_server.py" --address "$FTP_ADDRESS" --root "$ftp_root" \
    --folders incoming --pid-file "$ftp_pid" --lifetime 300

# --- the session ---------------------------------------------------------------------
mkdir -p "$BUILD_DIR/screenshots"
status=0
CORVIDA_DOCS_DIR="$BUILD_DIR/screenshots" "$WINE" "$BUILD_DIR/tests/gui/corvida_demo.exe" 'C:\Velmora\Corvida' \
    2>&1 | tr -d '\r' || status=$?
echo
echo "== uploaded to ftp://$FTP_ADDRESS/incoming/:"
ls -l "$ftp_root/incoming"
echo "== workstation after the submission (report data and working files removed):"
ls "$station"
echo "== screenshots: $BUILD_DIR/screenshots"
exit "$status"
