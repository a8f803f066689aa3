#!/usr/bin/env bash
# Builds the C libraries the engine links (zlib, libpng, libjpeg-turbo, libogg, libvorbis,
# FreeType) for WebAssembly with Debian's emscripten, from Debian's own source packages, into one
# prefix: PREFIX/lib/*.a and PREFIX/include. Nothing is fetched but Debian's sources ("apt-get
# source"; a deb-src entry for the machine's suite is added when there is none). Each library is
# built once: a later run with the same prefix finds its stamp and skips it, so the prefix can be
# kept between runs as a cache.
#   scripts/build-web-deps.sh [PREFIX]      (default: $HARUKAZE_WEB_DEPS or ~/.cache/harukaze/web-deps)
set -euo pipefail

prefix="${1:-${HARUKAZE_WEB_DEPS:-$HOME/.cache/harukaze/web-deps}}"
mkdir -p "$prefix"
prefix="$(cd "$prefix" && pwd)"
sources="$prefix/src"
mkdir -p "$sources"
jobs="$(nproc)"

# Debian's node modules, for emscripten's own tools on machines whose node is not Debian's.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"

need_packages=()
command -v emcc > /dev/null || need_packages+=(emscripten)
command -v dpkg-source > /dev/null || need_packages+=(dpkg-dev)
command -v cmake > /dev/null || need_packages+=(cmake)
command -v make > /dev/null || need_packages+=(make)
if ((${#need_packages[@]})); then
    [[ $(id -u) -eq 0 ]] || { echo "build-web-deps: install ${need_packages[*]} (as root)" >&2; exit 1; }
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need_packages[@]}" > /dev/null
fi

# A deb-src entry for the suites the machine installs from, when it has none.
ensure_source_lists() {
    if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return
    fi
    [[ $(id -u) -eq 0 ]] || { echo "build-web-deps: add a deb-src entry to apt's sources (as root)" >&2; exit 1; }
    local template
    template="$(ls /etc/apt/sources.list.d/debian.sources 2> /dev/null || true)"
    if [[ -n "$template" ]]; then
        sed -n '1,/^$/p' "$template" | sed 's/^Types:.*/Types: deb-src/' > /etc/apt/sources.list.d/harukaze-deb-src.sources
    else
        grep -E '^deb ' /etc/apt/sources.list | head -1 | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/harukaze-deb-src.list
    fi
    apt-get update -qq
}

# Unpacks Debian's source of package $1 into $sources and prints its folder.
unpack() {
    local package="$1" folder
    folder="$(find "$sources" -maxdepth 1 -mindepth 1 -type d -name "${2:-$1}-*" | head -1)"
    if [[ -z "$folder" ]]; then
        ensure_source_lists
        (cd "$sources" && apt-get source -qq "$package" > /dev/null 2>&1) ||
            (apt-get update -qq && cd "$sources" && apt-get source -qq "$package" > /dev/null)
        folder="$(find "$sources" -maxdepth 1 -mindepth 1 -type d -name "${2:-$1}-*" | head -1)"
    fi
    [[ -n "$folder" ]] || { echo "build-web-deps: no source folder for $package" >&2; exit 1; }
    echo "$folder"
}

done_already() { [[ -f "$prefix/.built-$1" ]]; }
mark_done() { touch "$prefix/.built-$1"; }

cmake_library() { # source folder, build folder, cmake options...
    local source="$1" build="$2"
    shift 2
    emcmake cmake -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" > "$build.log" 2>&1 ||
        { tail -30 "$build.log" >&2; exit 1; }
    cmake --build "$build" -j"$jobs" >> "$build.log" 2>&1 || { tail -30 "$build.log" >&2; exit 1; }
    cmake --install "$build" >> "$build.log" 2>&1 || { tail -30 "$build.log" >&2; exit 1; }
}

if ! done_already zlib; then
    echo "build-web-deps: zlib"
    src="$(unpack zlib)"
    # Debian's zlib source lacks the files its CMake build names; its configure script works.
    (cd "$src" && emconfigure ./configure --static --prefix="$prefix" > "$prefix/zlib.log" 2>&1 &&
        emmake make -j"$jobs" libz.a >> "$prefix/zlib.log" 2>&1 &&
        mkdir -p "$prefix/lib" "$prefix/include" && cp libz.a "$prefix/lib/" && cp zlib.h zconf.h "$prefix/include/")
    mark_done zlib
fi

if ! done_already libpng; then
    echo "build-web-deps: libpng"
    src="$(unpack libpng1.6 libpng1.6)"
    cmake_library "$src" "$prefix/build-libpng" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
        -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
    mark_done libpng
fi

if ! done_already libjpeg; then
    echo "build-web-deps: libjpeg-turbo"
    src="$(unpack libjpeg-turbo)"
    # CMake's size probe reads a wrong size_t under emscripten; WebAssembly's is 4 bytes.
    cmake_library "$src" "$prefix/build-libjpeg" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
        -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DHAVE_SIZE_T=TRUE -DSIZE_T=4
    mark_done libjpeg
fi

# CMake's type-size probes fail under this emscripten ("No 16 bit type found"); the two Xiph
# libraries' configure scripts work.
configure_library() { # source folder, log name, configure options...
    local source="$1" log="$prefix/$2.log"
    shift 2
    (cd "$source" && emconfigure ./configure --host=wasm32-unknown-none --prefix="$prefix" --disable-shared --enable-static "$@" > "$log" 2>&1 &&
        emmake make -j"$jobs" >> "$log" 2>&1 && emmake make install >> "$log" 2>&1) || { tail -30 "$log" >&2; exit 1; }
}

if ! done_already libogg; then
    echo "build-web-deps: libogg"
    configure_library "$(unpack libogg)" libogg
    mark_done libogg
fi

if ! done_already libvorbis; then
    echo "build-web-deps: libvorbis"
    configure_library "$(unpack libvorbis)" libvorbis --with-ogg="$prefix" --disable-docs --disable-examples \
        --disable-oggtest
    mark_done libvorbis
fi

# FreeType flattens curves one way on x86-64 and ARM64 (the desktops) and another elsewhere, which
# changes a few pixels of some glyphs; with SSE2 (which emscripten turns into WebAssembly SIMD) it
# takes the desktops' way, so the text comes out as on the desktop, pixel for pixel.
if ! done_already freetype-sse2; then
    echo "build-web-deps: FreeType"
    src="$(unpack freetype)"
    rm -rf "$prefix/build-freetype"
    cmake_library "$src" "$prefix/build-freetype" -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BZIP2=ON \
        -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_ZLIB=OFF -DZLIB_LIBRARY="$prefix/lib/libz.a" \
        -DZLIB_INCLUDE_DIR="$prefix/include" -DCMAKE_C_FLAGS="-msimd128 -msse2"
    mark_done freetype-sse2
fi

echo "build-web-deps: the libraries are in $prefix/lib"
ls "$prefix/lib"/*.a
