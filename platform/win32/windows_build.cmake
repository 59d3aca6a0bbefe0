# The native Windows build, included by the top-level CMakeLists.txt when the
# target system is Windows (cross-compiled with cmake/mingw-w64-x86_64.cmake).
# It builds the layers' sources (cmake/layers.cmake) with the Win32 port:
# vistrel.exe (a GUI program), vistrel-tool.exe (a console program drawing
# offscreen through a hidden WGL window) and vistrel-post.exe (posts a
# message to the viewer's window; used by the end-to-end run under Wine, not
# shipped). Tests, bench programs and generators are Linux-only.

# Self-contained executables: no libgcc, libstdc++ or winpthread DLLs needed.
add_link_options(-static-libgcc -static-libstdc++ -static)
# zlib too (the PNG writer's deflate): libz-mingw-w64-dev's libz.a, named
# before FindZLIB would pick the DLL's import library.
find_library(ZLIB_LIBRARY NAMES libz.a)

set(VISTREL_GL_LIBRARIES glu32 opengl32)

# Header-only libraries from the host's Debian packages (tinygltf,
# nlohmann-json, stb's stb_image_write), copied into the build so that the
# cross-compiler sees them and nothing else of /usr/include.
set(VISTREL_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
if(VISTREL_THUMBNAIL OR VISTREL_EXPORT)
  find_file(VISTREL_STB_IMAGE_WRITE stb_image_write.h PATHS /usr/include/stb
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT VISTREL_STB_IMAGE_WRITE)
    message(FATAL_ERROR "stb_image_write.h not found: install libstb-dev (scripts/install-deps.sh)")
  endif()
  file(COPY ${VISTREL_STB_IMAGE_WRITE} DESTINATION ${VISTREL_HOST_HEADERS})
endif()
# stb_image, for the thumbnail provider's reading of the tool's PNG.
find_file(VISTREL_STB_IMAGE stb_image.h PATHS /usr/include/stb NO_DEFAULT_PATH
  NO_CMAKE_FIND_ROOT_PATH)
if(NOT VISTREL_STB_IMAGE)
  message(FATAL_ERROR "stb_image.h not found: install libstb-dev (scripts/install-deps.sh)")
endif()
file(COPY ${VISTREL_STB_IMAGE} DESTINATION ${VISTREL_HOST_HEADERS})
if(VISTREL_EXPORT)
  find_file(VISTREL_TINY_GLTF tiny_gltf.h PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_path(VISTREL_NLOHMANN nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH
    NO_CMAKE_FIND_ROOT_PATH)
  if(NOT VISTREL_TINY_GLTF OR NOT VISTREL_NLOHMANN)
    message(FATAL_ERROR "tiny_gltf.h or nlohmann/json.hpp not found: install libtinygltf-dev and "
      "nlohmann-json3-dev (scripts/install-deps.sh)")
  endif()
  file(COPY ${VISTREL_TINY_GLTF} ${VISTREL_NLOHMANN}/nlohmann DESTINATION ${VISTREL_HOST_HEADERS})
endif()
include(${CMAKE_SOURCE_DIR}/cmake/layers.cmake)

# The viewer: the Win32 port's objects first, so that the portable library
# finds every platform function it calls.
set(VISTREL_WIN32_PORT_SOURCES
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_main.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_window.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_messages.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_file_dialog.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_messagebox.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_drop.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_ticks.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_executable_dir.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_unicode.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_files.cpp)
# The icon, in the viewer's resources: the hicolor PNGs packed by icotool
# (the 256-pixel one kept as PNG, as Windows reads it).
find_program(VISTREL_ICOTOOL icotool)
if(NOT VISTREL_ICOTOOL)
  message(FATAL_ERROR "icotool not found: install icoutils (scripts/install-deps.sh)")
endif()
set(VISTREL_ICON_DIR ${CMAKE_SOURCE_DIR}/desktop/icons)
set(VISTREL_ICON_SIZES 16 24 32 48 64 128)
list(TRANSFORM VISTREL_ICON_SIZES REPLACE "(.+)" "${VISTREL_ICON_DIR}/vistrel-\\1x\\1.png"
  OUTPUT_VARIABLE VISTREL_ICON_PNGS)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/resources/vistrel.ico
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
  COMMAND ${VISTREL_ICOTOOL} -c -o ${CMAKE_BINARY_DIR}/resources/vistrel.ico ${VISTREL_ICON_PNGS}
    -r ${VISTREL_ICON_DIR}/vistrel-256x256.png
  DEPENDS ${VISTREL_ICON_PNGS} ${VISTREL_ICON_DIR}/vistrel-256x256.png
  COMMENT "Packing the icon")
set(VISTREL_RESOURCE ${CMAKE_SOURCE_DIR}/platform/win32/vistrel.rc)
set_source_files_properties(${VISTREL_RESOURCE} PROPERTIES
  OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/resources/vistrel.ico)
list(APPEND VISTREL_WIN32_PORT_SOURCES ${VISTREL_RESOURCE})
add_executable(vistrel WIN32 ${VISTREL_WIN32_PORT_SOURCES})
target_include_directories(vistrel PRIVATE ${CMAKE_BINARY_DIR}/resources)
target_link_libraries(vistrel PRIVATE vistrel_core gdi32 comdlg32 user32 shell32)
add_dependencies(vistrel vistrel_runtime_data)

# The tool's port: the portable headless services (boxes on standard error,
# the clock) with a hidden-window WGL context, the executable's folder, the
# UTF-8 paths, the staged files and the run limits from Win32.
add_library(vistrel_win32_headless OBJECT
  ${CMAKE_SOURCE_DIR}/platform/win32/headless/win32_offscreen_gl.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_executable_dir.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_unicode.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_files.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_run_limits.cpp
  ${VISTREL_PLATFORM_HEADLESS_SOURCES})
target_link_libraries(vistrel_win32_headless PUBLIC vistrel_core gdi32 user32 shell32)
vistrel_add_tool(vistrel_win32_headless)

# Explorer's thumbnail provider (platform/win32/shell/): a COM in-process
# server that has vistrel-tool.exe draw the picture.
add_library(vistrel-thumbnails SHARED
  ${CMAKE_SOURCE_DIR}/platform/win32/shell/vistrel_thumbnails.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/shell/png_decoder.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/shell/vistrel_thumbnails.def)
set_target_properties(vistrel-thumbnails PROPERTIES PREFIX "")
target_include_directories(vistrel-thumbnails SYSTEM PRIVATE ${VISTREL_HOST_HEADERS})
target_link_libraries(vistrel-thumbnails PRIVATE ole32 uuid gdi32)
set_source_files_properties(${CMAKE_SOURCE_DIR}/platform/win32/shell/png_decoder.cpp
  PROPERTIES COMPILE_OPTIONS "-w")

# The installer (NSIS's makensis, platform/win32/installer/vistrel.nsi),
# made by scripts/package-windows.sh from the built programs.

add_executable(vistrel-post ${CMAKE_SOURCE_DIR}/tests/win32/post_message.cpp)
target_link_libraries(vistrel-post PRIVATE user32)
set_target_properties(vistrel-post PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-bin)
# Loads the thumbnail provider through COM as Explorer does (the run under Wine).
add_executable(vistrel-thumbnail-com ${CMAKE_SOURCE_DIR}/tests/win32/thumbnail_com.cpp)
target_link_libraries(vistrel-thumbnail-com PRIVATE ole32 uuid gdi32)
target_link_options(vistrel-thumbnail-com PRIVATE -municode)
set_target_properties(vistrel-thumbnail-com PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-bin)
