#!/usr/bin/env bash
# Runs one Windows program under Wine in the build's prefix (the CTest emulator).
. "$(dirname "$0")/wine-env.sh"
exec "$WINE" "$@"
