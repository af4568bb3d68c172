#!/usr/bin/env bash
# Configures (once) and builds everything into build/.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/wine-env.sh"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S "$repo" -B "$BUILD_DIR" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
# BUILD_TARGETS (space-separated) limits the build to some targets while working on one area.
targets=()
for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$BUILD_DIR" "${targets[@]}" -- -j"$(nproc)"
