# The native Windows build, included by the top-level CMakeLists.txt when the
# target system is Windows (cross-compiled with cmake/mingw-w64-x86_64.cmake).
# It builds the layers' sources (cmake/layers.cmake) with the Win32 port:
# vistrel.exe (a GUI program), vistrel-tool.exe (a console program drawing
# offscreen through a hidden WGL window) and vistrel-post.exe (posts a
# message to the viewer's window; used by the end-to-end run under Wine, not
# shipped). Tests, bench programs and generators are Linux-only;
# VISTREL_THUMBNAIL and VISTREL_EXPORT are off by default here.

# Self-contained executables: no libgcc, libstdc++ or winpthread DLLs needed.
add_link_options(-static-libgcc -static-libstdc++ -static)

set(VISTREL_GL_LIBRARIES glu32 opengl32)
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
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_executable_dir.cpp)
add_executable(vistrel WIN32 ${VISTREL_WIN32_PORT_SOURCES})
target_link_libraries(vistrel PRIVATE vistrel_core gdi32 comdlg32 user32 shell32)
add_dependencies(vistrel vistrel_runtime_data)

# The tool's port: the portable headless services (boxes on standard error,
# the clock) with a hidden-window WGL context, the executable's folder and
# the staged files from Win32.
add_library(vistrel_win32_headless OBJECT
  ${CMAKE_SOURCE_DIR}/platform/win32/headless/win32_offscreen_gl.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_executable_dir.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/win32_files.cpp
  ${VISTREL_PLATFORM_HEADLESS_SOURCES})
target_link_libraries(vistrel_win32_headless PUBLIC vistrel_core gdi32 user32)
vistrel_add_tool(vistrel_win32_headless)

add_executable(vistrel-post ${CMAKE_SOURCE_DIR}/tests/win32/post_message.cpp)
target_link_libraries(vistrel-post PRIVATE user32)
set_target_properties(vistrel-post PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-bin)
