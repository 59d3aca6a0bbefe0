// The set-up every command of vistrel-tool shares: offscreen GL with the
// viewer's start state (or, for a command that draws nothing, the same
// images read without GL), fixed textures and font from the program's own
// folder, and the model read from its own folder, as the viewer's file
// dialog leaves it.
#include "runner/session.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/data_folder.h"
#include "model/model_reader.h"
#include "render/frame.h"
#include "render/start_state.h"

namespace fs = std::filesystem;

namespace {

// Runs start with the data folder as the current folder, where the fixed
// images are named from, and gives the previous folder back.
template <typename Start>
void startInDataFolder(ToolSession& session, Start start) {
  session.programDir = programDataFolder().u8string();
  std::error_code error;
  fs::path previous = fs::current_path(error);
  fs::current_path(fs::u8path(session.programDir), error);
  start();
  if (!previous.empty()) fs::current_path(previous, error);
}

}  // namespace

bool openToolSession(ToolSession& session, int width, int height, const float background[3]) {
  if (!createOffscreenGl(session.gl, width, height)) {
    std::fprintf(stderr, "vistrel-tool: could not create an offscreen OpenGL context\n");
    return false;
  }
  session.drawing = true;
  resizeView(width, height);
  startInDataFolder(session, [&] { startDrawing(background, session.textures, session.font); });
  return true;
}

void openReadingSession(ToolSession& session) {
  startInDataFolder(session, [&] {
    readFixedImages(session.textures);
    readFontImage();
  });
}

void closeToolSession(ToolSession& session) {
  if (session.drawing) destroyOffscreenGl(session.gl);
  session.drawing = false;
  std::free(session.textures.checkerTexture.pixels);
  session.textures.checkerTexture.pixels = nullptr;
}

void readToolModel(const char* command, const ToolSession& session, const BatchModel& model,
                   BatchRead& read, const ReadOptions& options) {
  useCheckerFallback(read.model, session.textures);
  if (model.path.empty()) {
    toolMessage("vistrel-tool %s: cannot use the path '%s'", command, model.given.c_str());
    return;
  }
  const std::string report = (fs::u8path(model.folder) / "ModelStats.txt").u8string();
  read.loaded =
      readModelData(read.model, model.path.c_str(), model.folder.c_str(),
                    options.report ? report.c_str() : nullptr, read.uploads, options.reportCopy);
}

void prepareToolModel(ToolSession& session, BatchRead& read, int width, int height,
                      const float background[3]) {
  restartDrawing(width, height, background, session.font);
  uploadModelTextures(read.model, read.uploads);
}
