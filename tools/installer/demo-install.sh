#!/usr/bin/env bash
# Installs the workstation set-up silently into a Wine prefix, as a site engineer's
# unattended roll-out would.
#
#   tools/installer/demo-install.sh [--installer EXE] [--config FILE] [--package FILE]
#                                   [--product MODEL] [--ftp SERVER\FOLDER]
#
# WINEPREFIX (default: the build's prefix, see scripts/wine-env.sh) is the workstation;
# a wineserver for it should be running (scripts/wine-session.sh start), or Wine starts one.
#   --installer  the installer (default: the one in $BUILD_DIR/installer/)
#   --config     site configuration (default: the sample, or with --ftp a copy of it whose
#                "FTP Path" names the given server and folder and that asks for no backup)
#   --package    collector package of the model (default: the sample "Workstation")
#   --product    device model (default: "Aldera 800")
#   --ftp        support centre for the default configuration, e.g. 127.0.0.2\incoming
# Prints the install time; exits with the installer's exit code (README lists them).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env.sh"

installer="" config="" package="" product="" ftp=""
while [ $# -gt 0 ]; do
    case "$1" in
    --installer) installer=$2; shift 2 ;;
    --config) config=$2; shift 2 ;;
    --package) package=$2; shift 2 ;;
    --product) product=$2; shift 2 ;;
    --ftp) ftp=$2; shift 2 ;;
    *) sed -n '2,18p' "$0" >&2; exit 2 ;;
    esac
done
if [ -z "$installer" ]; then
    installer=$(ls "$BUILD_DIR"/installer/Corvida-*-Installer.exe 2>/dev/null | tail -1 || true)
    [ -n "$installer" ] || { echo "demo-install: no installer in $BUILD_DIR/installer (make installer)" >&2; exit 2; }
fi

# Wine maps the Unix root to Z:.
winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }

if [ -z "$config" ] && [ -n "$ftp" ]; then
    config=$(mktemp --suffix=.ini)
    trap 'rm -f "$config"' EXIT
    sed -e "s|^FTP Path=.*|FTP Path=${ftp//\\/\\\\}|" -e 's|^ReliquaRequired=.*|ReliquaRequired=NO|' \
        "$here/Corvida.ini" > "$config"
fi

args=(/S)
[ -n "$product" ] && args+=("/PRODUCT=$product")
[ -n "$config" ] && args+=("/CONFIG=$(winpath "$config")")
[ -n "$package" ] && args+=("/PACKAGE=$(winpath "$package")")

start=$(date +%s%N)
set +e
"$WINE" "$installer" "${args[@]}" </dev/null
code=$?
set -e
end=$(date +%s%N)
ms=$(( (end - start) / 1000000 ))
printf 'demo-install: %s into %s: exit %d in %d.%01d s\n' "$(basename "$installer")" "$WINEPREFIX" "$code" \
    $((ms / 1000)) $((ms % 1000 / 100))
exit $code
