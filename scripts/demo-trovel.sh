#!/usr/bin/env bash
# make demo-trovel: builds the collector and its command-line host, prepares a demo workstation
# in the build's Wine prefix (definitions, a package, log files, a registry key), starts
# a loopback FTP server, runs "trovel run" against it and shows where the archive landed.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
"$repo/scripts/deps.sh" >/dev/null
BUILD_TARGETS="TrovelLib trovel" "$repo/scripts/build.sh" >/dev/null
. "$repo/scripts/wine-env.sh"

. "$repo/scripts/demo-common.sh"
"$repo/scripts/wine-session.sh" start >/dev/null
. "$repo/scripts/wine-env.sh"

# --- the demo workstation: C:\TrovelDemo ------------------------------------------------
station="$WINEPREFIX/drive_c/TrovelDemo"
rm -rf "$station"
mkdir -p "$station/Current" "$station/Logs/Archive"
printf '\r\n\r\n [DIRECTORY]  \r\n\r\n Path Directory= .\\ \r\n' > "$station/Directory.ini"
cat > "$station/Current/Trovel.ini" <<EOF
[Device Version]
version=1

[CONFIGURATION]
Local Directory=C:\\TrovelDemo\\Collection\\
FTP Path=$FTP_ADDRESS\\incoming
Perform FTP=1
Password Enable=1
Password Value=demo
Computer Name=NULL
Registry Field=NULL
User Defined=DEMO-WS-01
Systeminfo=NULL
Region=EMEA
DEVICE Name=Demo Platesetter
Device ID=1

[SELECT PACKAGE]
0)Name=Logs
EOF
cp "$station/Current/Trovel.ini" "$station/Current/Current_Trovel.ini"
cat > "$station/Current/package_Logs.ini" <<'EOF'
[Package Version]
version=1

[FILES]
; the three newest service logs
0)Filenum=3
0)Recursive=0
0)Directory=%CURRENTDIR%\Logs\
0)FileFormat=service*.log
; the whole archive folder with its subfolders
1)Filenum=0
1)Recursive=1
1)Directory=%CURRENTDIR%\Logs\Archive\
1)FileFormat=*.*

[REGISTRY]
0)HKEY=HKEY_CURRENT_USER\Software\TrovelDemo
EOF
cp "$station/Current/package_Logs.ini" "$station/Current/Current_Package_Logs.ini"
for day in 1 2 3 4 5; do
    printf 'service log of day %s\r\nplates exposed: %s00\r\n' "$day" "$day" > "$station/Logs/service$day.log"
    touch -d "$((6 - day)) days ago" "$station/Logs/service$day.log"
done
printf 'last month\r\n' > "$station/Logs/Archive/month.txt"
"$WINE" reg add 'HKCU\Software\TrovelDemo' /v Serial /d DEMO-4711 /f >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\TrovelDemo' /v Firmware /d 2.4.1 /f >/dev/null 2>&1

# --- the FTP server (anonymous, loopback) ------------------------------------------------
start_ftp 300

# --- the run ---------------------------------------------------------------------------
echo "== trovel run (working folder C:\\TrovelDemo)"
start=$(date +%s.%N)
status=0
(cd "$station" && "$WINE" "$BUILD_DIR/bin/trovel.exe" run -p "Demo Platesetter" -c "Demo Print Shop" \
    -s "Demo collection" -d "Plates come out too light since Monday.") || status=$?
end=$(date +%s.%N)
echo "== trovel exit code $status, wall time $(awk "BEGIN { printf \"%.1f\", $end - $start }") s"

echo
echo "== local archive (C:\\TrovelDemo\\Collection\\):"
ls -l "$station/Collection"
echo
echo "== uploaded to ftp://$FTP_ADDRESS/incoming/ ($ftp_root/incoming):"
ls -l "$ftp_root/incoming"
archive=$(ls "$ftp_root/incoming"/*.zip 2>/dev/null | head -1 || true)
if [ -n "$archive" ]; then
    echo
    echo "== listing of $(basename "$archive") (password: demo)"
    unzip -l "$archive"
fi
exit "$status"
