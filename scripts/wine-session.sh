#!/usr/bin/env bash
# start: make sure the build's Wine prefix exists, then start one persistent wineserver,
#        an Xvfb display and a Wine virtual desktop, so each program starts in ~0.1 s and
#        windows close without the window-manager delay.
# stop:  end all of it; nothing outlives the session.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"

start_prefix() {
    if [ ! -f "$WINEPREFIX/.corvida-ready" ]; then
        echo "wine: creating prefix $WINEPREFIX"
        "$WINESERVER" -k >/dev/null 2>&1 || true
        rm -rf "$WINEPREFIX"; mkdir -p "$WINEPREFIX"
        "$WINE" wineboot -i >/dev/null 2>&1 </dev/null
        # Wine does not load its own fonts by itself: dialogs need "MS Sans Serif" and Marlett.
        cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        "$WINESERVER" -w >/dev/null 2>&1 </dev/null
        touch "$WINEPREFIX/.corvida-ready"
    fi
}

case "${1:-}" in
start)
    start_prefix
    # A server left running for this prefix (an earlier session that was not stopped)
    # makes -p fail: that server is reused.
    "$WINESERVER" -p >/dev/null 2>&1 </dev/null || echo "wine: reusing the running wineserver" >&2
    "$WINE" wineboot >/dev/null 2>&1 </dev/null || { echo "wine: wineboot failed" >&2; exit 1; }
    # A crashing test program must end as it would unattended: Wine's debugger would
    # otherwise wait on a crash dialog that nobody answers.
    "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
    if [ -z "${DISPLAY:-}" ]; then
        dispfile=$(mktemp)
        setsid Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$dispfile" >/dev/null 2>&1 </dev/null &
        echo $! > "$WINEPREFIX/.session-xvfb"
        for _ in $(seq 50); do [ -s "$dispfile" ] && break; sleep 0.1; done
        echo ":$(head -1 "$dispfile")" > "$WINEPREFIX/.session-display"
        rm -f "$dispfile"
        export DISPLAY=$(cat "$WINEPREFIX/.session-display")
    fi
    setsid "$WINE" explorer /desktop=Default,1024x768 >/dev/null 2>&1 </dev/null &
    echo "wine: session ready (DISPLAY=$DISPLAY)"
    ;;
stop)
    "$WINESERVER" -k >/dev/null 2>&1 || true
    if [ -f "$WINEPREFIX/.session-xvfb" ]; then
        kill "$(cat "$WINEPREFIX/.session-xvfb")" 2>/dev/null || true
        rm -f "$WINEPREFIX/.session-xvfb"
    fi
    rm -f "$WINEPREFIX/.session-display"
    ;;
*) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
