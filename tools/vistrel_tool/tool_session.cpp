// The set-up every command of vistrel-tool shares: offscreen GL with the
// viewer's start state, fixed textures and font from the program's own
// folder, and the model's folder as the current folder, as the viewer's file
// dialog leaves it.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/data_folder.h"
#include "render/frame.h"
#include "render/start_state.h"
#include "tools/vistrel_tool/tool.h"

namespace fs = std::filesystem;

bool openToolSession(ToolSession& session, int width, int height, const float background[3]) {
  if (!createOffscreenGl(session.gl, width, height)) {
    std::fprintf(stderr, "vistrel-tool: could not create an offscreen OpenGL context\n");
    return false;
  }
  session.programDir = programDataFolder().string();
  resizeView(width, height);
  std::error_code error;
  fs::path previous = fs::current_path(error);
  fs::current_path(session.programDir, error);
  startDrawing(background, session.textures, session.font);
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
