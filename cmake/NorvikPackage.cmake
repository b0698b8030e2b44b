# The Debian package (cpack -G DEB, or ./package.sh): dependencies from dpkg-shlibdeps, and
# maintainer scripts that make udev take the rule in (or drop it) when udev runs.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Norvik developers")
set(CPACK_PACKAGE_CONTACT "The Norvik developers <dev@norvik.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "configuration tool for Norvik gaming keyboards, mice, mouse pads and headsets")
# The long description; CPack indents it under the summary and turns the empty line into " .".
set(CPACK_PACKAGE_DESCRIPTION
    "Norvik sets key assignments, lighting effects, macros, DPI stages and recoil
patterns of a family of USB gaming peripherals, and the equaliser and
microphone of their headset, kept in named per-device profiles.

The package holds the desktop program norvik, the command line norvikctl, a
built-in device emulator, and a udev rule that gives the user at the seat
access to the supported devices.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The packaging revision of this version (its changelog is changelog.Debian).
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://norvik.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The stand-in is a private plugin of the emulator: no shlibs entry of its own.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/debian/postinst ${CMAKE_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# The package installs under /usr whatever prefix the build tree was configured with: the
# programs find their files relative to their own folder.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
