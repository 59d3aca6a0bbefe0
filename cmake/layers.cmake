# The sources of each layer (docs/ARCHITECTURE.md), listed once and used by
# the Linux and the Windows builds alike, and the libraries made of them.
# The including file sets VISTREL_GL_LIBRARIES (OpenGL and GLU of its
# system) before it includes this one.
set(VISTREL_ROOT ${CMAKE_SOURCE_DIR})

function(vistrel_sources variable folder)
  set(files ${ARGN})
  list(TRANSFORM files PREPEND ${VISTREL_ROOT}/${folder}/)
  set(${variable} ${files} PARENT_SCOPE)
endfunction()

vistrel_sources(VISTREL_IMAGE_SOURCES image fixed_textures.cpp mat_palette.cpp mat_reader.cpp
  resolve_path.cpp screenshot.cpp tga_header.cpp tga_reader.cpp upload_texture.cpp)
# PNG writing: one interface (image/png_writer.h), libpng on Linux,
# stb_image_write with zlib's deflate on Windows (no libpng for mingw-w64
# among Debian's packages).
if(WIN32)
  vistrel_sources(VISTREL_PNG_SOURCES image png_writer_stb.cpp)
else()
  vistrel_sources(VISTREL_PNG_SOURCES image png_writer.cpp)
endif()
vistrel_sources(VISTREL_MODEL_SOURCES model drawn_model.cpp model.cpp model_reader.cpp
  model_scan.cpp model_text_buffer.cpp)
vistrel_sources(VISTREL_OVERLAY_SOURCES overlay bitmap_font.cpp hud.cpp)
vistrel_sources(VISTREL_RENDER_SOURCES render frame.cpp model_bounds.cpp model_draw.cpp
  model_framing.cpp start_state.cpp)
vistrel_sources(VISTREL_INTERCHANGE_SOURCES interchange export_gltf.cpp export_images.cpp
  export_obj.cpp export_scene.cpp)
vistrel_sources(VISTREL_APP_SOURCES app app_frame.cpp command_line.cpp config_file.cpp
  data_folder.cpp key_state.cpp mouse_state.cpp viewer_controls.cpp viewer_startup.cpp
  window_procedure.cpp)
vistrel_sources(VISTREL_RUNNER_SOURCES runner batch.cpp messages.cpp options.cpp
  output_file.cpp session.cpp)
# The commands of vistrel-tool; thumbnail and export are options below.
vistrel_sources(VISTREL_TOOL_SOURCES tools/vistrel_tool tool_main.cpp tool_stats.cpp
  tool_decode.cpp tool_render.cpp)
vistrel_sources(VISTREL_TOOL_THUMBNAIL_SOURCES tools/vistrel_tool tool_thumbnail.cpp)
vistrel_sources(VISTREL_TOOL_EXPORT_SOURCES tools/vistrel_tool tool_export.cpp)
# platform/ itself: what ports share.
vistrel_sources(VISTREL_PLATFORM_QUEUE_SOURCES platform message_queue.cpp dropped_files.cpp)
vistrel_sources(VISTREL_PLATFORM_HEADLESS_SOURCES platform headless_services.cpp)

# The portable core: everything from image/ to app/ that needs no optional
# library. The version is set once, by project(), for every file.
add_library(vistrel_core STATIC ${VISTREL_IMAGE_SOURCES} ${VISTREL_MODEL_SOURCES}
  ${VISTREL_OVERLAY_SOURCES} ${VISTREL_RENDER_SOURCES} ${VISTREL_APP_SOURCES})
target_include_directories(vistrel_core PUBLIC ${VISTREL_ROOT})
target_link_libraries(vistrel_core PUBLIC ${VISTREL_GL_LIBRARIES})
target_compile_definitions(vistrel_core PUBLIC VISTREL_VERSION="${PROJECT_VERSION}")

# What vistrel-tool's commands share (runner/).
add_library(vistrel_runner STATIC ${VISTREL_RUNNER_SOURCES})
target_link_libraries(vistrel_runner PUBLIC vistrel_core)

# PNG writing (image/png_writer), for the thumbnailer and the exporter.
# Header-only libraries that the cross-build takes from the host's Debian
# packages live in VISTREL_HOST_HEADERS (platform/win32/windows_build.cmake).
if(VISTREL_THUMBNAIL OR VISTREL_EXPORT)
  add_library(vistrel_png STATIC ${VISTREL_PNG_SOURCES})
  if(WIN32)
    find_package(ZLIB REQUIRED)
    target_include_directories(vistrel_png SYSTEM PRIVATE ${VISTREL_HOST_HEADERS})
    target_link_libraries(vistrel_png PUBLIC vistrel_core ZLIB::ZLIB)
  else()
    find_package(PNG REQUIRED)
    target_link_libraries(vistrel_png PUBLIC vistrel_core PNG::PNG)
  endif()
endif()

# The model interchange: glTF through Debian's tinygltf (whose JSON comes
# from nlohmann-json), OBJ, textures as PNG. Linux links tinygltf's shared
# library; Windows compiles the same header's implementation in
# (interchange/tinygltf_implementation.cpp).
if(VISTREL_EXPORT)
  if(WIN32)
    add_library(vistrel_interchange STATIC ${VISTREL_INTERCHANGE_SOURCES}
      ${VISTREL_ROOT}/interchange/tinygltf_implementation.cpp)
    target_include_directories(vistrel_interchange SYSTEM PUBLIC ${VISTREL_HOST_HEADERS})
    target_compile_definitions(vistrel_interchange PUBLIC TINYGLTF_NO_STB_IMAGE
      TINYGLTF_NO_STB_IMAGE_WRITE)
    # The library's own code, built as its authors wrote it.
    set_source_files_properties(${VISTREL_ROOT}/interchange/tinygltf_implementation.cpp
      PROPERTIES COMPILE_OPTIONS "-w")
    target_link_libraries(vistrel_interchange PUBLIC vistrel_core vistrel_png)
  else()
    find_package(TinyGLTF REQUIRED)
    add_library(vistrel_interchange STATIC ${VISTREL_INTERCHANGE_SOURCES})
    target_link_libraries(vistrel_interchange PUBLIC vistrel_core vistrel_png TinyGLTF::TinyGLTF)
  endif()
endif()

# The data the programs read beside themselves.
set(VISTREL_RUNTIME_DIR ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${VISTREL_RUNTIME_DIR})
add_custom_target(vistrel_runtime_data ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VISTREL_RUNTIME_DIR}/systemtex
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${VISTREL_ROOT}/systemtex ${VISTREL_RUNTIME_DIR}/systemtex
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${VISTREL_ROOT}/samples ${VISTREL_RUNTIME_DIR}/samples
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VISTREL_ROOT}/config.txt ${VISTREL_RUNTIME_DIR}/config.txt
  COMMENT "Copying config.txt, systemtex/ and samples/ beside the programs")

# vistrel-tool: its commands over the runner, with the port's headless
# services in VISTREL_TOOL_PORT (a target the including file makes first).
function(vistrel_add_tool port)
  set(sources ${VISTREL_TOOL_SOURCES})
  set(libraries vistrel_runner ${port})
  if(VISTREL_THUMBNAIL)
    list(APPEND sources ${VISTREL_TOOL_THUMBNAIL_SOURCES})
    list(APPEND libraries vistrel_png)
  endif()
  if(VISTREL_EXPORT)
    list(APPEND sources ${VISTREL_TOOL_EXPORT_SOURCES})
    list(APPEND libraries vistrel_interchange)
  endif()
  add_executable(vistrel-tool ${sources})
  target_link_libraries(vistrel-tool PRIVATE ${libraries})
  if(VISTREL_THUMBNAIL)
    target_compile_definitions(vistrel-tool PRIVATE VISTREL_TOOL_THUMBNAIL=1)
  endif()
  if(VISTREL_EXPORT)
    target_compile_definitions(vistrel-tool PRIVATE VISTREL_TOOL_EXPORT=1)
  endif()
  add_dependencies(vistrel-tool vistrel_runtime_data)
endfunction()
