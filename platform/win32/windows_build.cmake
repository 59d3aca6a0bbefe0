# The native Windows build, included by the top-level CMakeLists.txt when the
# target system is Windows (cross-compiled with cmake/mingw-w64-x86_64.cmake).
# It builds the portable code with the Win32 port: vistrel.exe (a GUI
# program), vistrel-tool.exe (a console program drawing offscreen through a
# hidden WGL window) and vistrel-post.exe (posts a message to the viewer's
# window; used by the end-to-end run under Wine, not shipped). Tests, bench
# programs and generators are Linux-only.

# Self-contained executables: no libgcc, libstdc++ or winpthread DLLs needed.
add_link_options(-static-libgcc -static-libstdc++ -static)

# All portable code: model, images, rendering, overlay and the application shell.
file(GLOB VISTREL_CORE_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/model/*.cpp
  ${CMAKE_SOURCE_DIR}/image/*.cpp
  ${CMAKE_SOURCE_DIR}/render/*.cpp
  ${CMAKE_SOURCE_DIR}/overlay/*.cpp
  ${CMAKE_SOURCE_DIR}/app/*.cpp)
add_library(vistrel_core STATIC ${VISTREL_CORE_SOURCES})
target_include_directories(vistrel_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vistrel_core PUBLIC glu32 opengl32)
target_compile_definitions(vistrel_core PRIVATE VISTREL_VERSION="${PROJECT_VERSION}")

set(VISTREL_RUNTIME_DIR ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${VISTREL_RUNTIME_DIR})
add_custom_target(vistrel_runtime_data ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VISTREL_RUNTIME_DIR}/systemtex
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/systemtex ${VISTREL_RUNTIME_DIR}/systemtex
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/samples ${VISTREL_RUNTIME_DIR}/samples
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/config.txt ${VISTREL_RUNTIME_DIR}/config.txt
  COMMENT "Copying config.txt, systemtex/ and samples/ beside the programs")

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
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_executable_dir.cpp)
add_executable(vistrel WIN32 ${VISTREL_WIN32_PORT_SOURCES})
target_link_libraries(vistrel PRIVATE vistrel_core gdi32 comdlg32 user32 shell32)
add_dependencies(vistrel vistrel_runtime_data)

# The headless tool: the portable headless services (boxes on standard
# error, the clock) with a hidden-window WGL context and the executable's
# folder from Win32. No thumbnail command (it needs libpng and POSIX limits)
# and no export command (tinygltf and libpng).
file(GLOB VISTREL_TOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/vistrel_tool/*.cpp)
list(FILTER VISTREL_TOOL_SOURCES EXCLUDE REGEX "/tool_(thumbnail|png|export[a-z_]*)\\.cpp$")
file(GLOB VISTREL_WIN32_HEADLESS_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/platform/win32/headless/*.cpp)
add_executable(vistrel-tool ${VISTREL_TOOL_SOURCES} ${VISTREL_WIN32_HEADLESS_SOURCES}
  ${CMAKE_SOURCE_DIR}/platform/headless_services.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_executable_dir.cpp)
target_link_libraries(vistrel-tool PRIVATE vistrel_core gdi32 user32)
target_compile_definitions(vistrel-tool PRIVATE VISTREL_VERSION="${PROJECT_VERSION}")
add_dependencies(vistrel-tool vistrel_runtime_data)

add_executable(vistrel-post ${CMAKE_SOURCE_DIR}/tests/win32/post_message.cpp)
target_link_libraries(vistrel-post PRIVATE user32)
set_target_properties(vistrel-post PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-bin)
