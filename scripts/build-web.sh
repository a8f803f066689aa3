#!/usr/bin/env bash
# The WebAssembly build, made with Debian's emscripten: the C libraries first (from Debian's own
# source packages, scripts/build-web-deps.sh, kept in a cache between runs), then the engine and
# `harukaze-tool`, which runs under node on the machine's files:
#   scripts/build-web.sh [BUILD_DIR]        (default: build-web)
#   node --no-experimental-fetch BUILD_DIR/tools/harukaze-tool.js run GAME SCRIPT OUT
# Builds without fontconfig find the IPA Gothic faces in one folder: HARUKAZE_FONT_DIR, or
# /usr/share/fonts/opentype/ipafont-gothic.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-web}"
deps="${HARUKAZE_WEB_DEPS:-$HOME/.cache/harukaze/web-deps}"
# Debian's node modules, for emscripten's own tools on machines whose node is not Debian's.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"

bash scripts/build-web-deps.sh "$deps"
mkdir -p "$build"
command -v ninja > /dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ninja-build > /dev/null

PKG_CONFIG_PATH="$deps/lib/pkgconfig" PKG_CONFIG_LIBDIR="$deps/lib/pkgconfig" emcmake cmake -S . -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DHARUKAZE_BUILD_QT=OFF -DHARUKAZE_BUILD_TESTS=OFF -DHARUKAZE_BUILD_BENCH=OFF \
    -DHARUKAZE_FONT_LOOKUP=folder -DCMAKE_PREFIX_PATH="$deps" -DCMAKE_FIND_ROOT_PATH="$deps" > "$build/configure.log" 2>&1 ||
    { tail -30 "$build/configure.log" >&2; exit 1; }
cmake --build "$build" --target harukaze-tool
echo "build-web: $build/tools/harukaze-tool.js and .wasm"
