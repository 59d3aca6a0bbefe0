# What `cmake --install` lays out under the prefix on Linux, and the Debian
# package CPack makes of it:
#   bin/vistrel (when the viewer is built), bin/vistrel-tool
#   share/vistrel/{config.txt,systemtex/,samples/}   the programs' data folder
#   share/applications, share/mime/packages, share/thumbnailers,
#   share/icons/hicolor, share/man/man1              the desktop's files
# Nothing else is installed: the libraries, tests, benchmarks, generators and
# fuzzers have no install rules.
include(GNUInstallDirs)

set(VISTREL_DESKTOP_SOURCE ${CMAKE_SOURCE_DIR}/desktop)
set(VISTREL_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/vistrel)

if(TARGET vistrel)
  install(TARGETS vistrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS vistrel-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${CMAKE_SOURCE_DIR}/config.txt DESTINATION ${VISTREL_DATA_DESTINATION})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/systemtex DESTINATION ${VISTREL_DATA_DESTINATION}
  FILES_MATCHING PATTERN "*.tga")
# Only the models and textures: a ModelStats.txt or screenshot left in the
# source folder by a run stays out.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/samples DESTINATION ${VISTREL_DATA_DESTINATION}
  FILES_MATCHING PATTERN "*.3do" PATTERN "*.mat")

install(FILES ${VISTREL_DESKTOP_SOURCE}/vistrel.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VISTREL_DESKTOP_SOURCE}/vistrel-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME vistrel.xml)
install(FILES ${VISTREL_DESKTOP_SOURCE}/vistrel.thumbnailer
  DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES ${VISTREL_DESKTOP_SOURCE}/icons/vistrel.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${VISTREL_DESKTOP_SOURCE}/icons/vistrel-${size}x${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME vistrel.png)
endforeach()

# Manual pages go in compressed, as Debian installs them (gzip -9n: no name
# or time stamp in the header, so the same page gives the same bytes).
find_program(VISTREL_GZIP gzip)
if(NOT VISTREL_GZIP)
  message(FATAL_ERROR "gzip not found: it compresses the manual pages")
endif()
set(VISTREL_MAN_PAGES "")
foreach(page vistrel.1 vistrel-tool.1)
  set(compressed ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E copy ${VISTREL_DESKTOP_SOURCE}/man/${page} ${CMAKE_BINARY_DIR}/man/${page}
    COMMAND ${VISTREL_GZIP} -9nf ${CMAKE_BINARY_DIR}/man/${page}
    DEPENDS ${VISTREL_DESKTOP_SOURCE}/man/${page}
    COMMENT "Compressing the manual page ${page}"
    VERBATIM)
  list(APPEND VISTREL_MAN_PAGES ${compressed})
endforeach()
add_custom_target(vistrel_man_pages ALL DEPENDS ${VISTREL_MAN_PAGES})
install(FILES ${VISTREL_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package: `cpack -G DEB` in a build (scripts/package.sh).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vistrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vistrel developers")
set(CPACK_PACKAGE_CONTACT "Vistrel developers <vistrel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small, fast viewer for 3DO models")
# Lines of the long description as they appear in the control file.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Vistrel shows 3DO models (text-format, textured polygon models whose
textures are MAT palette images) in an OpenGL window, lit and textured,
with keys to turn, move and pan, wire-frame, flat and smooth shading, an
environment-map pass and screenshots.

vistrel-tool, its headless companion, loads, decodes and renders models
with the same code, without a display. The package also registers the
model/x-3do file type, a desktop entry, icons and a thumbnailer entry.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vistrel developers <vistrel@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from the binaries (dpkg-shlibdeps); the file
# dialog and the message boxes use zenity when it is there.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS zenity)
include(CPack)
