// The set-up every command of vistrel-tool shares: offscreen GL, fixed
// textures from the program's own folder, and the model's folder as the
// current folder, as the viewer's file dialog leaves it.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/vistrel_tool/tool.h"

namespace fs = std::filesystem;

bool openToolSession(ToolSession& session, int width, int height) {
  if (!createOffscreenGl(session.gl, width, height)) {
    std::fprintf(stderr, "vistrel-tool: could not create an offscreen OpenGL context\n");
    return false;
  }
  session.programDir = headlessExecutableDir();
  std::error_code error;
  fs::path previous = fs::current_path(error);
  fs::current_path(session.programDir, error);
  loadFixedTextures(session.textures);
  if (!previous.empty()) fs::current_path(previous, error);
  return true;
}

void closeToolSession(ToolSession& session) {
  destroyOffscreenGl(session.gl);
}

bool enterModelFolder(const char* modelPath, std::string& absolutePath) {
  std::error_code error;
  fs::path absolute = fs::absolute(fs::path(modelPath), error);
  if (error) return false;
  absolute = absolute.lexically_normal();
  absolutePath = absolute.string();
  fs::path folder = absolute.parent_path();
  if (!folder.empty()) fs::current_path(folder, error);
  return true;
}
