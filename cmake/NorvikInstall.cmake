# cmake --install: the programs in bin/, their files under share/norvik/, the audio library
# stand-in (for --emulate only) in the private folder lib/norvik/emulator/, and the desktop integration: menu
# entry, icons, AppStream metadata, manual pages, bash completion and the udev rule. The
# programs find their files from their own folder (src/base/program_files.h), so the prefix
# can be moved.

set(_pkg ${CMAKE_SOURCE_DIR}/packaging)
set(_share ${CMAKE_INSTALL_DATADIR}/norvik)

install(TARGETS norvikctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/DefaultData DESTINATION ${_share})
if(NORVIK_BUILD_GUI)
  install(TARGETS norvik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${NORVIK_APP_DIR}/skin DESTINATION ${_share})
  install(FILES ${_pkg}/${NORVIK_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_pkg}/${NORVIK_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${_pkg}/icons/${NORVIK_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 48 64 128 256)
    install(FILES ${_pkg}/icons/${size}/${NORVIK_APP_ID}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()
# Where the emulator's bridge looks: <emulator folder>/SDK/<arch>/linux/libosConfLib.so.
get_filename_component(_standin_dir ${NORVIK_AUDIO_LIBRARY_SUBPATH} DIRECTORY)
# As a target, so packaging strips it; a plugin, so not executable.
install(TARGETS osConfLib LIBRARY DESTINATION lib/norvik/emulator/${_standin_dir}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# udev reads lib/udev/rules.d under the system prefix only; another prefix keeps a copy there
# that the permission banner offers to install.
install(FILES ${_pkg}/70-norvik.rules DESTINATION lib/udev/rules.d)
install(FILES ${_pkg}/completion/norvikctl
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Manual pages, with this version, compressed as Debian wants them.
find_program(NORVIK_GZIP gzip REQUIRED)
set(_man_pages norvikctl)
if(NORVIK_BUILD_GUI)
  list(APPEND _man_pages norvik)
endif()
set(_man_outputs)
foreach(page IN LISTS _man_pages)
  configure_file(${_pkg}/man/${page}.1 ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.1.gz
    COMMAND ${NORVIK_GZIP} -9nkf ${page}.1
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/man
    DEPENDS ${CMAKE_BINARY_DIR}/man/${page}.1
    VERBATIM)
  list(APPEND _man_outputs ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
  install(FILES ${CMAKE_BINARY_DIR}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(norvik_man ALL DEPENDS ${_man_outputs})

# The copyright and changelog where Debian wants them.
configure_file(${_pkg}/debian/changelog ${CMAKE_BINARY_DIR}/doc/changelog.Debian COPYONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz
  COMMAND ${NORVIK_GZIP} -9nkf changelog.Debian
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/doc
  DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.Debian
  VERBATIM)
add_custom_target(norvik_debian_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz)
install(FILES ${_pkg}/debian/copyright ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/norvik)

include(${CMAKE_CURRENT_LIST_DIR}/NorvikPackage.cmake)
