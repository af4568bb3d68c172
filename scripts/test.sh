#!/usr/bin/env bash
# Builds, then runs every test under Wine in the build's prefix with one persistent
# wineserver and an Xvfb display. Extra arguments go to ctest (e.g. -R registry -V).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
"$repo/scripts/deps.sh" >/dev/null
"$repo/scripts/build.sh"
. "$repo/scripts/wine-env.sh"
trap '"$repo/scripts/wine-session.sh" stop' EXIT
"$repo/scripts/wine-session.sh" start
. "$repo/scripts/wine-env.sh"
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 300 -j2 "$@"
