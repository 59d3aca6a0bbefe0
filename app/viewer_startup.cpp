// Start-up of a freshly created window: the program-wide viewer records get
// their first values, the context its fixed state, textures, font and model.
#include <filesystem>
#include <system_error>

#include "app/config_file.h"
#include "app/gl_setup.h"
#include "app/viewer.h"
#include "model/model_reader.h"
#include "platform/platform.h"

Viewer& programViewer() {
  static Viewer viewer;
  return viewer;
}

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
  setFixedGlState(colour[0], colour[1], colour[2]);

  loadFixedTextures(viewer.textures);
  viewer.model.fallbackTexture = viewer.textures.checkerTexture.textureName;
  viewer.model.fallbackTextureSize = static_cast<int32_t>(viewer.textures.checkerTexture.width);

  setLightAndMaterial();

  loadFont(viewer.font);
  setTextColour(viewer.font, 255, 255, 255, 255);

  chooseModelFile(modelPath);  // after a cancel the name stays empty
  if (!loadModel(viewer.model, modelPath)) return false;

  view.rotationX = 0;
  view.rotationY = 0;
  view.rotationZ = 0;
  view.cameraX = 0;
  view.cameraY = 0;
  view.cameraZ = viewer.model.radius * 2.3f;

  viewer.frameRate.windowStart = platformTickCount();
  viewer.frameRate.frameCount = 0;
  return true;
}
