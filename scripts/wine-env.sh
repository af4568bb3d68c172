# Sourced by the scripts that run Windows programs: one quiet Wine prefix per build folder.
_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$_repo/build}
export WINEPREFIX=${WINEPREFIX:-$BUILD_DIR/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
export WINEARCH=win64
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
# Xvfb display of the running session, if one was started (scripts/wine-session.sh).
if [ -z "${DISPLAY:-}" ] && [ -f "$WINEPREFIX/.session-display" ]; then
    export DISPLAY=$(cat "$WINEPREFIX/.session-display")
fi
