# What `cmake --install` puts where, and the Debian package CPack builds from it.
#
#   cmake --install BUILD --prefix /usr/local     # bin/, share/applications, share/icons, share/man
#   cpack --config BUILD/CPackConfig.cmake -G DEB  # harukaze_VERSION_ARCH.deb
#
# The programs install their own targets into bin/ (app/ and tools/); this file adds the desktop
# integration (menu entry, AppStream metainfo, icon), the manuals, the documentation and the sample
# game's sources.
include(GNUInstallDirs)

set(HARUKAZE_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

# Manual pages are installed compressed, as Debian keeps them.
set(man_pages harukaze-tool.1)
if(TARGET harukaze)
    list(APPEND man_pages harukaze.6)
endif()
set(man_outputs)
foreach(page IN LISTS man_pages)
    set(out ${PROJECT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND sh -c "gzip -9nc \"$1\" > \"$2\"" sh ${HARUKAZE_PACKAGING_DIR}/${page} ${out}
        DEPENDS ${HARUKAZE_PACKAGING_DIR}/${page}
        COMMENT "Compressing manual page ${page}"
        VERBATIM)
    list(APPEND man_outputs ${out})
    string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section ${page})
    install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
add_custom_target(harukaze_man ALL DEPENDS ${man_outputs})

if(TARGET harukaze)
    install(FILES ${HARUKAZE_PACKAGING_DIR}/harukaze.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${HARUKAZE_PACKAGING_DIR}/org.harukaze.Harukaze.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${HARUKAZE_PACKAGING_DIR}/harukaze.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

install(FILES
        ${PROJECT_SOURCE_DIR}/README.md
        ${PROJECT_SOURCE_DIR}/docs/playing.md
        ${PROJECT_SOURCE_DIR}/docs/authoring.md
        ${PROJECT_SOURCE_DIR}/docs/script-format.md
        ${PROJECT_SOURCE_DIR}/docs/archive-format.md
    DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The sample game's sources, so an installed harukaze-tool can generate it:
#   harukaze-tool demo DIR --source /usr/share/harukaze/demo
install(DIRECTORY ${PROJECT_SOURCE_DIR}/demo/ DESTINATION ${CMAKE_INSTALL_DATADIR}/harukaze/demo)

# ---- Debian package -------------------------------------------------------------------------------
set(HARUKAZE_PACKAGE_MAINTAINER "Harukaze developers <harukaze@localhost>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME harukaze)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Harukaze")
set(CPACK_PACKAGE_CONTACT ${HARUKAZE_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "visual-novel engine that plays the Harukaze game from its own data")
set(CPACK_PACKAGE_INSTALL_DIRECTORY harukaze)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# CPack asks dpkg for the architecture, which names the build machine's; a cross build (see
# cmake/aarch64-linux-gnu.cmake) packages for its target instead. The runtime packages below have
# the same names on every architecture, so apt resolves them for the package's own.
if(CMAKE_CROSSCOMPILING)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
        set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
    elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
        set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
    else()
        message(WARNING "No Debian architecture known for ${CMAKE_SYSTEM_PROCESSOR}: the .deb would be mislabelled")
    endif()
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "visual-novel engine that plays the Harukaze game from its own data
 harukaze runs the Japanese visual novel Harukaze on Linux from a folder holding
 the game's original files (SCR.IFP, GRP.IFP, Sound/, VOICE/). Save files are
 written into that folder and stay compatible with the original game.
 .
 harukaze-tool reads and writes the game's archives, turns scenes into text and
 back, plays a game folder headless from an input script for testing, and
 generates a small sample game.")
# The runtime libraries of both programs, by their Debian package names. qt6-qpa-plugins carries
# the X11 platform plugin without which Qt cannot open a window, qt6-wayland the Wayland one (the
# game runs natively on Wayland desktops); the IPA fonts stand in for the Gothic faces the game's
# texts are set in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.2), libqt6gui6 (>= 6.2), libqt6core6 (>= 6.2), qt6-qpa-plugins, qt6-wayland, libsdl2-2.0-0 (>= 2.0.12), libvorbisfile3, libvorbisenc2, libvorbis0a, libogg0, libpng16-16, libjpeg62-turbo, libfreetype6, libfontconfig1, fonts-ipafont-gothic, libstdc++6 (>= 12), libgcc-s1, libc6 (>= 2.34)")

include(CPack)
