# The Windows zip (cpack --preset mingw): the client in a copy of the demo
# game directory, so that unpacking it and starting vsk-client.exe is all a
# player does. The demo comes from a native build of the data kit, which the
# cross-build cannot run: VSK_DEMO_DIR names it (the release preset's by
# default).
set(VSK_DEMO_DIR "${CMAKE_SOURCE_DIR}/build/release/demo" CACHE PATH
    "Demo game directory written by a native vsk-data, put into the Windows zip")

install(TARGETS vsk-client RUNTIME DESTINATION .)
install(DIRECTORY "${VSK_DEMO_DIR}/" DESTINATION . PATTERN ".complete" EXCLUDE)
install(FILES "${CMAKE_SOURCE_DIR}/packaging/README-windows.txt" DESTINATION . RENAME README.txt)
# Without the demo there is no game to pack: say so when packing, not later.
install(CODE "if(NOT EXISTS \"${VSK_DEMO_DIR}/data/path\")
  message(FATAL_ERROR \"no demo game directory in ${VSK_DEMO_DIR}: build the release preset first\")
endif()")

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME veskaria)
set(CPACK_PACKAGE_FILE_NAME veskaria-windows)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
include(CPack)
