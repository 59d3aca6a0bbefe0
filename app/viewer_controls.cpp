// The keyboard controls: once per frame the key table is polled in its fixed
// order; one-shot keys clear their flag, held keys move the camera and turn
// the model by the elapsed time. Also the F9 load and the model file dialog.
#include <cstring>

#include "app/app_frame.h"
#include "app/viewer.h"
#include "image/screenshot.h"
#include "model/model_reader.h"
#include "platform/gl.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "render/start_state.h"

namespace {

constexpr int kVkA = 'A', kVkD = 'D', kVkF = 'F', kVkG = 'G', kVkH = 'H', kVkI = 'I', kVkJ = 'J',
              kVkK = 'K', kVkL = 'L', kVkR = 'R', kVkS = 'S', kVkT = 'T', kVkW = 'W';

}  // namespace

float wrapDown(float degrees) {
  return degrees < 0.0f ? degrees + 360.0f : degrees;
}

float wrapUp(float degrees) {
  return degrees > 360.0f ? degrees - 360.0f : degrees;
}

void cycleText(ViewState& view) {
  if (view.hudVisible && view.helpVisible) {
    view.hudVisible = false;
    view.helpVisible = false;
  } else if (view.hudVisible) {
    view.helpVisible = true;
  } else {
    view.hudVisible = true;
  }
}

void cycleRenderMode(ViewState& view) {
  if (view.renderMode == kRenderSmooth) {
    view.renderMode = kRenderWire;
  } else if (view.renderMode == kRenderFlat) {
    view.renderMode = kRenderSmooth;
  } else {
    view.renderMode = kRenderFlat;
  }
  applyRenderMode(view.renderMode);
}

void releaseViewerModel(Viewer& viewer) {
  releaseDrawCache(viewer.drawCache);
  releaseModel(viewer.model);
}

bool chooseModelFile(char* buffer) {
  return platformChooseOpenFile(buffer, kModelPathSize, "Choose a 3do to Open", "3do files",
                                "*.3do", "3do");
}

bool loadNewModel() {
  Viewer& viewer = programViewer();
  char path[kModelPathSize] = {};
  if (!chooseModelFile(path)) return true;  // cancelled: nothing changes
  releaseViewerModel(viewer);
  if (!loadModel(viewer.model, path)) return false;
  resetView(viewer.view, viewer.model);
  return true;
}

void updateViewer(uint32_t elapsed) {
  Viewer& viewer = programViewer();
  if (viewer.window == nullptr || viewer.keys == nullptr) return;
  AppWindow& window = *viewer.window;
  int32_t* down = viewer.keys->down;
  ViewState& view = viewer.view;

  if (down[kVkEscape]) terminateApplication(window);
  if (down[kVkF1]) {
    view.slowPan = !view.slowPan;
    down[kVkF1] = 0;
  }
  if (down[kVkH]) {
    cycleText(view);
    down[kVkH] = 0;
  }
  if (down[kVkSpace]) resetView(view, viewer.model);
  if (down[kVkF5]) {
    cycleRenderMode(view);
    down[kVkF5] = 0;
  }
  if (down[kVkF6]) {
    view.texturing = !view.texturing;
    down[kVkF6] = 0;
  }
  if (down[kVkF7]) {
    if (view.lighting) {
      glDisable(GL_LIGHTING);
    } else {
      glEnable(GL_LIGHTING);
    }
    view.lighting = !view.lighting;
    down[kVkF7] = 0;
  }
  if (down[kVkF8]) {
    view.envMapping = !view.envMapping;
    down[kVkF8] = 0;
  }
  if (down[kVkF9]) {
    if (!loadNewModel()) terminateApplication(window);
    down[kVkF9] = 0;  // presses made while the dialog was open are dropped
  }
  if (down[kVkF12]) {
    down[kVkF12] = 0;
    saveScreenshot(window.width, window.height);
  }

  // Pan step in model units and turn in degrees, in double precision; the
  // sums are stored as 32-bit floats.
  const double step = elapsed / (90.0 + 1000.0 * (view.slowPan ? 1 : 0));
  const double turn = elapsed / 8.0;
  if (down[kVkL]) view.cameraX = static_cast<float>(view.cameraX - step);
  if (down[kVkJ]) view.cameraX = static_cast<float>(view.cameraX + step);
  if (down[kVkI]) view.cameraY = static_cast<float>(view.cameraY - step);
  if (down[kVkK]) view.cameraY = static_cast<float>(view.cameraY + step);
  if (down[kVkW]) view.cameraZ = static_cast<float>(view.cameraZ - step);
  if (down[kVkS]) view.cameraZ = static_cast<float>(view.cameraZ + step);
  if (down[kVkT]) view.rotationX = wrapDown(static_cast<float>(view.rotationX - turn));
  if (down[kVkG]) view.rotationX = wrapUp(static_cast<float>(view.rotationX + turn));
  if (down[kVkA]) view.rotationY = wrapDown(static_cast<float>(view.rotationY - turn));
  if (down[kVkD]) view.rotationY = wrapUp(static_cast<float>(view.rotationY + turn));
  if (down[kVkR]) view.rotationZ = wrapDown(static_cast<float>(view.rotationZ - turn));
  if (down[kVkF]) view.rotationZ = wrapUp(static_cast<float>(view.rotationZ + turn));
}
