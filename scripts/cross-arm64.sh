#!/usr/bin/env bash
# The project built for 64-bit ARM on this x86-64 Debian machine and tested under qemu:
#   1. installs what is missing: the arm64 architecture in dpkg, Debian's cross compiler, qemu's
#      user-mode emulator and the arm64 -dev packages of every library the project uses (beside
#      the native ones; scripts/install-deps.sh brings the native tools);
#   2. lets the kernel start arm64 programs through qemu (binfmt_misc), so that tests which start
#      harukaze-tool themselves work as they would on an ARM machine;
#   3. configures and builds into build-arm64 with cmake/aarch64-linux-gnu.cmake;
#   4. runs the test suite under qemu, leaving out by label what cannot run there (each reason is
#      printed);
#   5. runs bench_pixel_ops once on the NEON path: it checks every path's pixels against the scalar
#      path before timing, and the timings themselves mean nothing under emulation;
#   6. builds the arm64 .deb and prints its control data.
#
#   scripts/cross-arm64.sh [extra ctest arguments...]
#
# ARM_BUILD_DIR overrides the build directory, JOBS the parallelism. CROSS_TESTS says how much of
# the suite runs under qemu:
#   quick  leaves out the tests that generate or play the whole sample game (CI does, for its time
#          limit);
#   full   (the default; "all" says the same) runs them too, and the Wayland window check with
#          the arm64 Qt Wayland plugin, within the budget stated in step 4.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ARM_BUILD_DIR:-build-arm64}
jobs=${JOBS:-$(nproc)}
mode=${CROSS_TESTS:-full}
case "$mode" in
quick | full) ;;
all) mode=full ;;
*) echo "FAIL: CROSS_TESTS is quick or full, not '$mode'"; exit 1 ;;
esac
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# ---- 1. Packages.
native_packages=(g++-aarch64-linux-gnu qemu-user-static)
arm64_packages=(qt6-base-dev libsdl2-dev libvorbis-dev libpng-dev libjpeg-dev zlib1g-dev libfreetype-dev
    libfontconfig-dev libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev)
# The Wayland check starts the arm64 window build under the machine's own weston (scripts/install-deps.sh
# installs it): the arm64 program needs the arm64 build of Qt's Wayland platform plugin.
if [ "$mode" = full ]; then arm64_packages+=(qt6-wayland); fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

install_packages() {
    bash scripts/install-deps.sh
    local missing=() p
    for p in "${native_packages[@]}"; do installed "$p" || missing+=("$p"); done
    for p in "${arm64_packages[@]}"; do installed "$p:arm64" || missing+=("$p:arm64"); done
    [ ${#missing[@]} -eq 0 ] && return 0
    if ! dpkg --print-foreign-architectures | grep -qx arm64; then
        $SUDO dpkg --add-architecture arm64
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -q
    # The arm64 libraries must be the very versions of their amd64 twins, so apt may bring some
    # of those up to date on the way.
    $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# ---- 2. binfmt_misc: the kernel hands arm64 programs to qemu (Debian's own registration, which
# systemd would load at boot on a machine that runs it).
enable_binfmt() {
    local dir=/proc/sys/fs/binfmt_misc entry=/usr/lib/binfmt.d/qemu-aarch64.conf
    if [ ! -e "$dir/register" ]; then
        $SUDO mount -t binfmt_misc binfmt_misc "$dir" || return 1
    fi
    if [ -e "$dir/qemu-aarch64" ]; then
        grep -qx enabled "$dir/qemu-aarch64" || echo 1 | $SUDO tee "$dir/qemu-aarch64" >/dev/null
    else
        [ -f "$entry" ] || return 1
        $SUDO sh -c "cat '$entry' > '$dir/register'" || return 1
    fi
    grep -qx enabled "$dir/qemu-aarch64"
}

install_packages
if ! enable_binfmt; then
    echo "FAIL: cannot let the kernel run arm64 programs through qemu (binfmt_misc needs root and a kernel"
    echo "      that has it); the tests start harukaze-tool themselves, so they cannot run without it."
    exit 1
fi

# ---- 3. Build, as the native build is made.
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$jobs"
file "$build/tools/harukaze-tool" | grep -q 'ARM aarch64' || { echo "FAIL: harukaze-tool is not an arm64 program"; exit 1; }

# ---- 4. Tests under qemu, leaving out by label:
skipped=(
    "xvfb|starts the window build under an X server and waits for its windows in real time, which qemu's slowness defeats"
)
if [ "$mode" = quick ]; then
    skipped+=(
        "sample_game|generates or plays the whole sample game, 20 to 40 times slower under qemu (the native run plays it; scripts/compare-arm64-playthrough.sh compares the two architectures' playthroughs)"
    )
fi
# The full mode's budget on two cores, from times measured under qemu on a busy two-core machine:
# the sample game's generation takes about 8 minutes, and the scripted checks share one
# (tests/scripts/sample_game.bash), then play it in 1 to 9 minutes each (about 17 in all);
# demo.game, the longest test, generates the game twice itself and checks it, about 20 minutes.
# ctest starts demo.game first (its COST), so it runs beside all the rest, and the full mode takes
# about 25 minutes more than the quick one.
budget_minutes=60
exclude=""
echo "== arm64 tests under $(qemu-aarch64-static --version | head -n1), CROSS_TESTS=$mode"
if [ "$mode" = full ]; then
    echo "   budget: $budget_minutes minutes on two cores (CROSS_TESTS=quick leaves out the sample game)"
fi
for entry in "${skipped[@]}"; do
    echo "   left out, label ${entry%%|*}: ${entry#*|}"
    exclude+="${exclude:+|}^${entry%%|*}\$"
done
started=$SECONDS
(cd "$build" && ctest --output-on-failure -j "$jobs" -LE "$exclude" "$@")
minutes=$(((SECONDS - started + 59) / 60))
echo "   the tests took $minutes minutes under qemu"
if [ "$mode" = full ] && [ "$minutes" -gt "$budget_minutes" ]; then
    echo "   note: over the budget of $budget_minutes minutes (a busier machine, or fewer cores, than it assumes)"
fi

# ---- 5. The pixel benchmark on the NEON path: a check of its pixels, not a measurement.
echo "== bench_pixel_ops under qemu (times under emulation mean nothing; the pixels are checked)"
"$build/bench/bench_pixel_ops" --benchmark_min_time=0.01 --benchmark_filter='/(scalar|neon)$' |
    tee "$build/bench_pixel_ops.txt"
if grep -q 'ERROR OCCURRED' "$build/bench_pixel_ops.txt"; then
    echo "FAIL: a pixel path differs from the scalar path under qemu"
    exit 1
fi
grep -q '/neon' "$build/bench_pixel_ops.txt" || { echo "FAIL: the NEON path did not run"; exit 1; }

# ---- 6. The arm64 package.
rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$build/package" >"$build/cpack.log" 2>&1 ||
    { tail -n 20 "$build/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(cd "$build/package" && pwd)/$(cd "$build/package" && ls harukaze_*_arm64.deb)
dpkg-deb --info "$deb" | grep -E '^ (Package|Version|Architecture|Depends):'
# apt resolves the dependencies for the package's architecture: the arm64 libraries.
apt-get install -s "$deb" >"$build/apt-arm64.log" 2>&1 || { tail -n 5 "$build/apt-arm64.log"; exit 1; }
grep -q '^Inst harukaze:arm64 ' "$build/apt-arm64.log" || { tail -n 5 "$build/apt-arm64.log"; exit 1; }
echo "ok: $deb installs on arm64 (apt-get -s)"
echo "cross-arm64: ok"
