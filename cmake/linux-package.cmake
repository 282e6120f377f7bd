# Installing on Linux (cmake --install) and the Debian package (cpack
# --preset release): the programs, the launcher, the demo game directory as
# read-only shared data, the desktop entry, icons and manual pages.
include(GNUInstallDirs)

install(TARGETS vsk-client vsk-data RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/veskaria DESTINATION ${CMAKE_INSTALL_BINDIR})
# Games' own folder gets the launcher too, where Debian looks for games.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging/games)
file(CREATE_LINK ../${CMAKE_INSTALL_BINDIR}/veskaria ${CMAKE_BINARY_DIR}/packaging/games/veskaria SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/packaging/games/veskaria DESTINATION games)
install(DIRECTORY ${CMAKE_BINARY_DIR}/demo/ DESTINATION ${CMAKE_INSTALL_DATADIR}/veskaria/demo
        PATTERN ".complete" EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/veskaria.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size IN LISTS VSK_ICON_SIZES)
  install(FILES ${CMAKE_BINARY_DIR}/icons/${size}x${size}/veskaria.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages and the changelog compressed as Debian wants them.
set(VSK_COMPRESSED)
foreach(page vsk-client.6 veskaria.6 vsk-data.1)
  string(REGEX REPLACE ".*\\." "" section ${page})
  set(out ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND sh -c "gzip -9n -c '${CMAKE_SOURCE_DIR}/packaging/man/${page}' > '${out}'"
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/man/${page}
    VERBATIM)
  list(APPEND VSK_COMPRESSED ${out})
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
set(changelog ${CMAKE_BINARY_DIR}/man/changelog.gz)
add_custom_command(
  OUTPUT ${changelog}
  COMMAND sh -c "gzip -9n -c '${CMAKE_SOURCE_DIR}/packaging/changelog' > '${changelog}'"
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(manpages ALL DEPENDS ${VSK_COMPRESSED} ${changelog})
install(FILES ${changelog} ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veskaria)
set(CPACK_PACKAGE_VERSION 0.03)
set(CPACK_PACKAGE_CONTACT "Veskaria team <team@veskaria.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "multi-player strategy game client with a demo world")
set(CPACK_PACKAGE_DESCRIPTION "Veskaria is the client of a multi-player strategy game: the title,
the story and the residence of the player's town, shown through an
emulated 640 x 480 palette display or an OpenGL window. The package
holds the client, the data kit that makes and checks game data, and a
demo game directory.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
include(CPack)
