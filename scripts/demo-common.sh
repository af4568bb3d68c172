# Sourced by the demo scripts: the loopback FTP server that stands in for the support
# centre, and stopping it and the Wine session when the demo ends, however it ends.
FTP_ADDRESS=${DEMO_FTP_ADDRESS:-127.0.0.2}
ftp_root="$BUILD_DIR/demo-ftp"
ftp_pid="$BUILD_DIR/demo-ftp.pid"

stop_all() {
    if [ -f "$ftp_pid" ]; then
        kill "$(cat "$ftp_pid")" 2>/dev/null || true
        rm -f "$ftp_pid"
    fi
    "$repo/scripts/wine-session.sh" stop
}
trap stop_all EXIT

# start_ftp LIFETIME_SECONDS: anonymous server with an empty "incoming" folder.
start_ftp() {
    rm -rf "$ftp_root"
    /usr/bin/python3 "$repo/tests/support/ftp_server.py" --address "$FTP_ADDRESS" --root "$ftp_root" \
        --folders incoming --pid-file "$ftp_pid" --lifetime "$1"
}
