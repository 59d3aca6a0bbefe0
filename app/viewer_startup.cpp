// Start-up of a freshly created window: the program-wide viewer records get
// their first values, the context its fixed state, textures, font and model.
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/config_file.h"
#include "app/viewer.h"
#include "model/model_reader.h"
#include "platform/platform.h"
#include "render/start_state.h"

Viewer& programViewer() {
  static Viewer viewer;
  return viewer;
}

namespace {

// The command line's model in place of the dialog's answer: its path in the
// reader's buffer and its folder as the current folder, as the dialog leaves
// them. A path the buffer cannot hold is refused, never cut. Once only: the
// start-up after a full-screen toggle asks with the dialog.
bool takeInitialModel(Viewer& viewer, char* modelPath) {
  const std::string path = viewer.initialModel.u8string();
  const std::filesystem::path folder = viewer.initialModel.parent_path();
  viewer.initialModel.clear();
  if (path.size() >= kModelPathSize) {
    platformMessageBox("The path of the model is too long (more than 255 characters).", "Error",
                       kMbOk | kMbIconWarning);
    return false;
  }
  std::memcpy(modelPath, path.c_str(), path.size() + 1);
  std::error_code error;
  std::filesystem::current_path(folder, error);  // a missing folder fails in the reader
  return true;
}

}  // namespace

bool initialiseViewer(AppWindow& window, KeyState& keys) {
  Viewer& viewer = programViewer();
  char modelPath[kModelPathSize] = {};
  viewer.window = &window;
  viewer.keys = &keys;

  ViewState& view = viewer.view;
  view.slowPan = true;
  view.helpVisible = false;
  view.hudVisible = true;
  view.texturing = true;
  view.lighting = true;
  view.envMapping = false;
  view.renderMode = kRenderSmooth;

  // A second start-up (after a full-screen toggle) finds "config.txt" and
  // the systemtex images where the first one did, not in the folder of the
  // model chosen since.
  if (!viewer.startFolder.empty()) {
    std::error_code error;
    std::filesystem::current_path(viewer.startFolder, error);
  }

  float colour[3] = {0, 0, 0};
  if (!readBackgroundColour("config.txt", colour)) return false;
  startDrawing(colour, viewer.textures, viewer.font);
  useCheckerFallback(viewer.model, viewer.textures);

  if (!viewer.initialModel.empty()) {
    if (!takeInitialModel(viewer, modelPath)) return false;
  } else {
    chooseModelFile(modelPath);  // after a cancel the name stays empty
  }
  if (!loadModel(viewer.model, modelPath)) return false;
  std::error_code error;
  const std::filesystem::path chosen = std::filesystem::u8path(modelPath);
  viewer.modelPath = std::filesystem::absolute(chosen, error).lexically_normal();
  if (error) viewer.modelPath = chosen;

  resetView(view, viewer.model);

  viewer.frameRate.windowStart = platformTickCount();
  viewer.frameRate.frameCount = 0;
  return true;
}
