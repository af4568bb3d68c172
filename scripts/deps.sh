#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Idempotent: packages already present are skipped, the minizip sources are
# fetched once into the cache folder (outside the source tree).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/versions.sh"
CACHE=${CORVIDA_CACHE:-$HOME/.cache/corvida-deps}

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

want="$MINGW_PACKAGES $WINE_PACKAGES $TEST_PACKAGES $BUILD_PACKAGES $INSTALLER_PACKAGES"
missing=""
want="$want vsftpd"  # a second, real FTP server for the upload tests
for p in $want; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "deps: installing$missing"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# minizip and libdeflate sources: Debian's source packages, pinned to the main-suite versions.
mkdir -p "$CACHE"
need_source=""
[ -f "$CACHE/$ZLIB_ORIG_TARBALL" ] || need_source="$need_source zlib=$ZLIB_SOURCE_VERSION"
[ -f "$CACHE/$LIBDEFLATE_ORIG_TARBALL" ] || need_source="$need_source libdeflate=$LIBDEFLATE_SOURCE_VERSION"
if [ -n "$need_source" ]; then
    echo "deps: fetching source packages$need_source"
    srcfile=/etc/apt/sources.list.d/corvida-src.sources
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $SUDO tee "$srcfile" >/dev/null
    trap '$SUDO rm -f "$srcfile"' EXIT
    $SUDO apt-get update -qq
    for source in $need_source; do
        (cd "$CACHE" && apt-get source --download-only "$source" >/dev/null)
    done
    $SUDO rm -f "$srcfile"
    $SUDO apt-get update -qq || true
    trap - EXIT
fi
if [ ! -d "$CACHE/zlib-src/contrib/minizip" ]; then
    rm -rf "$CACHE/zlib-src" && mkdir -p "$CACHE/zlib-src"
    tar -xjf "$CACHE/$ZLIB_ORIG_TARBALL" -C "$CACHE/zlib-src" --strip-components=1
fi

if [ ! -f "$CACHE/libdeflate-src/libdeflate.h" ]; then
    rm -rf "$CACHE/libdeflate-src" && mkdir -p "$CACHE/libdeflate-src"
    tar -xzf "$CACHE/$LIBDEFLATE_ORIG_TARBALL" -C "$CACHE/libdeflate-src" --strip-components=1
fi

if [ "${1:-}" = "--check" ]; then
    for p in $want; do dpkg-query -W -f='${Package} ${Version}\n' "$p"; done
fi
echo "deps: ready (minizip sources in $CACHE/zlib-src/contrib/minizip, libdeflate in $CACHE/libdeflate-src)"
