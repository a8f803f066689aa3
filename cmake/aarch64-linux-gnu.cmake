# Cross build for 64-bit ARM Linux on a Debian x86-64 machine, with Debian's cross compiler
# (g++-aarch64-linux-gnu) and the arm64 -dev packages installed beside the native ones (multiarch:
# arm64 libraries in /usr/lib/aarch64-linux-gnu, headers shared in /usr/include):
#
#   cmake -S . -B build-arm64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
#
# scripts/cross-arm64.sh installs all of that, builds and runs the tests under qemu-aarch64.
# Programs the build itself runs (Qt's moc, uic and rcc) are the machine's own x86-64 ones; the
# test programs, which the build runs to list their tests, go through qemu.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# Debian's wrapper reads only the arm64 .pc files.
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "pkg-config for the arm64 libraries")

# Qt's build tools come from the native Qt (qt6-base-dev-tools), as Qt wants it for a cross build.
set(QT_HOST_PATH /usr CACHE PATH "Prefix of the Qt whose tools run on this machine")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "CMake files of that Qt")

# The arm64 loader and libraries sit at their usual places, so qemu's prefix is the root itself.
find_program(HARUKAZE_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64)
if(HARUKAZE_QEMU_AARCH64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${HARUKAZE_QEMU_AARCH64} -L /)
endif()
