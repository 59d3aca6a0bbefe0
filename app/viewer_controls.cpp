// The keyboard and mouse controls: once per frame the key table is polled in
// its fixed order; one-shot keys clear their flag, held keys move the camera
// and turn the model by the elapsed time; then the mouse's drags and wheel
// since the last frame apply. Also the loads of another model (F9 with the
// file dialog, a drop, PageDown and PageUp through the model's folder).
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/app_frame.h"
#include "app/viewer.h"
#include "image/screenshot.h"
#include "model/model_reader.h"
#include "platform/gl.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "render/start_state.h"

namespace {

namespace fs = std::filesystem;

constexpr int kVkA = 'A', kVkD = 'D', kVkF = 'F', kVkG = 'G', kVkH = 'H', kVkI = 'I', kVkJ = 'J',
              kVkK = 'K', kVkL = 'L', kVkR = 'R', kVkS = 'S', kVkT = 'T', kVkW = 'W';

// Half the projection's 45-degree vertical field of view.
const double kHalfFieldTangent = std::tan(22.5 * 3.14159265358979323846 / 180.0);
// The least camera distance a pan drag measures by, so that a camera at the
// model's origin still pans.
constexpr double kLeastPanDistance = 1e-3;
// The wheel's step a notch for a model whose radius gives none (0, or not a
// number).
constexpr double kFixedWheelStep = 0.1;

constexpr unsigned kErrorBoxStyle = kMbOk | kMbIconWarning;

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool namesModel(const std::string& path) {
  return lowerCase(fs::u8path(path).extension().u8string()) == ".3do";
}

// The name order of PageDown and PageUp: case-insensitive, then by the exact
// name, so that two names differing only in case keep a fixed order.
bool nameBefore(const std::string& a, const std::string& b) {
  const std::string lowerA = lowerCase(a);
  const std::string lowerB = lowerCase(b);
  return lowerA != lowerB ? lowerA < lowerB : a < b;
}

// Releases the current model and loads the one at path (the reader's own
// messages on failure); on success the view resets and path is remembered.
bool replaceModel(Viewer& viewer, const char* path) {
  releaseViewerModel(viewer);
  if (!loadModel(viewer.model, path)) return false;
  resetView(viewer.view, viewer.model);
  std::error_code error;
  viewer.modelPath = fs::absolute(fs::u8path(path), error).lexically_normal();
  if (error) viewer.modelPath = fs::u8path(path);
  return true;
}

// PageDown (step 1) and PageUp (step -1) from the model at current.
bool loadNeighbourModel(const fs::path& current, int step) {
  if (current.empty()) return true;
  const fs::path next = neighbourModel(current, step);
  if (next.empty()) return true;
  return loadModelFile(next);
}

// A waiting drop: the first model among its files, or a box and no change.
bool takeDrop(MouseState& mouse) {
  const std::vector<std::string> dropped = std::move(mouse.droppedFiles);
  mouse.droppedFiles.clear();
  const fs::path model = firstDroppedModel(dropped);
  if (model.empty()) {
    platformMessageBox(dropped.size() == 1 ? "The dropped file is not a 3DO model."
                                           : "None of the dropped files is a 3DO model.",
                       "Error", kErrorBoxStyle);
    return true;
  }
  return loadModelFile(model);
}

}  // namespace

float wrapDown(float degrees) {
  return degrees < 0.0f ? degrees + 360.0f : degrees;
}

float wrapUp(float degrees) {
  return degrees > 360.0f ? degrees - 360.0f : degrees;
}

float wrapTurn(float degrees, double turn) {
  double turned = static_cast<double>(degrees) + turn;
  if (turn >= 0.0 && turned > 360.0) {
    turned = std::fmod(turned, 360.0);
    if (turned == 0.0) turned = 360.0;
  } else if (turn < 0.0 && turned < 0.0) {
    turned = std::fmod(turned, 360.0) + 360.0;
    if (turned >= 360.0) turned = 0.0;
  }
  return static_cast<float>(turned);
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
  return replaceModel(viewer, path);
}

bool loadModelFile(const fs::path& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) absolute = path;
  const std::string text = absolute.u8string();
  if (text.size() >= kModelPathSize) {
    platformMessageBox("The path of the model is too long (more than 255 characters).", "Error",
                       kErrorBoxStyle);
    return true;
  }
  // Its MAT files are read, and its report and screenshots written, beside
  // it, as after the file dialog; a folder that is gone fails in the reader.
  fs::current_path(absolute.parent_path(), error);
  return replaceModel(programViewer(), text.c_str());
}

fs::path neighbourModel(const fs::path& current, int step) {
  const fs::path folder = current.parent_path();
  const std::string currentName = current.filename().u8string();
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator entries(folder, fs::directory_options::skip_permission_denied, error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    std::string name;
    try {
      name = entries->path().filename().u8string();
    } catch (const std::exception&) {
      continue;  // a name the narrow code page cannot spell (Windows): no reader could open it
    }
    std::error_code typeError;
    if (!namesModel(name) || !fs::is_regular_file(entries->path(), typeError)) continue;
    names.push_back(name);
  }
  if (names.empty()) return fs::path();
  std::sort(names.begin(), names.end(), nameBefore);
  // The neighbour by name, so that a current model renamed or removed since
  // still has one.
  if (step >= 0) {
    for (const std::string& name : names) {
      if (nameBefore(currentName, name)) return folder / fs::u8path(name);
    }
    return folder / fs::u8path(names.front());
  }
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    if (nameBefore(*name, currentName)) return folder / fs::u8path(*name);
  }
  return folder / fs::u8path(names.back());
}

fs::path firstDroppedModel(const std::vector<std::string>& paths) {
  for (const std::string& text : paths) {
    const fs::path path = fs::u8path(text);
    std::error_code error;
    if (text.empty() || !namesModel(text) || fs::is_directory(path, error)) continue;
    fs::path absolute = fs::absolute(path, error);
    return error ? path : absolute;
  }
  return fs::path();
}

void applyMouse(ViewState& view, MouseState& mouse, const AppWindow& window, const Model& model) {
  if (mouse.rotateX != 0 || mouse.rotateY != 0) {
    const double degreesPerPixel = 180.0 / std::max(window.clientWidth, 1);
    view.rotationY = wrapTurn(view.rotationY, mouse.rotateX * degreesPerPixel);
    view.rotationX = wrapTurn(view.rotationX, mouse.rotateY * degreesPerPixel);
  }
  if (mouse.panX != 0 || mouse.panY != 0) {
    // The height of the view at the model's distance, spread over the
    // client height: the model stays under the pointer.
    const double distance =
        std::max(std::fabs(static_cast<double>(view.cameraZ)), kLeastPanDistance);
    const double unitsPerPixel =
        2.0 * distance * kHalfFieldTangent / std::max(window.clientHeight, 1);
    view.cameraX = static_cast<float>(view.cameraX - mouse.panX * unitsPerPixel);
    view.cameraY = static_cast<float>(view.cameraY + mouse.panY * unitsPerPixel);
  }
  if (mouse.wheel != 0) {
    const double radius = std::fabs(static_cast<double>(model.radius));
    const double notch = std::isfinite(radius) && radius > 0.0 ? 0.2 * radius : kFixedWheelStep;
    view.cameraZ =
        static_cast<float>(view.cameraZ - mouse.wheel / static_cast<double>(kWheelDelta) * notch);
  }
  mouse.rotateX = mouse.rotateY = 0;
  mouse.panX = mouse.panY = 0;
  mouse.wheel = 0;
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
  // PageDown and PageUp walk the model's folder; like F9 their flags are
  // cleared after the load, whose boxes may take a while.
  if (down[kVkNext]) {
    if (!loadNeighbourModel(viewer.modelPath, 1)) terminateApplication(window);
    down[kVkNext] = 0;
  }
  if (down[kVkPrior]) {
    if (!loadNeighbourModel(viewer.modelPath, -1)) terminateApplication(window);
    down[kVkPrior] = 0;
  }
  if (window.mouse != nullptr && !window.mouse->droppedFiles.empty()) {
    if (!takeDrop(*window.mouse)) terminateApplication(window);
  }
  if (down[kVkF12]) {
    down[kVkF12] = 0;
    saveScreenshot(window.clientWidth, window.clientHeight);  // the window as it is now
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

  if (window.mouse != nullptr) applyMouse(view, *window.mouse, window, viewer.model);
}
