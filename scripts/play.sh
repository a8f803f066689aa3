#!/usr/bin/env bash
# Installs what is missing, builds, generates the sample game and plays it in a window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)"
game="$build/game"
mkdir -p "$game"
if "$build/tools/harukaze-tool" demo --help >/dev/null 2>&1; then
    "$build/tools/harukaze-tool" demo "$game"
fi
cd "$game"
exec "../app/harukaze"
