// Framing and the thumbnail's picture (see model_framing.h).
#include "render/model_framing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/gl.h"
#include "render/frame.h"
#include "render/model_bounds.h"
#include "render/start_state.h"

namespace {

// The three-quarter view: turned 35 degrees about the vertical axis so that
// a side shows, then tipped 30 degrees towards the viewer so that the top
// shows. A camera close enough to fill the 45-degree picture sits below the
// top of a compact model (a cube), and 20 degrees would still hide its top.
constexpr float kTurnX = 30.0f;
constexpr float kTurnY = 35.0f;
// The model spans this share of the picture: a margin of 5 % on each side.
constexpr double kFill = 0.9;
// The model's front after the projection's scaling, in near-plane distances.
constexpr double kFrontInNears = 1.5;

bool anyPixelShows(const std::vector<unsigned char>& rgba) {
  for (size_t i = 3; i < rgba.size(); i += 4) {
    if (rgba[i] != 0) return true;
  }
  return false;
}

}  // namespace

Perspective currentPerspective() {
  GLdouble m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  Perspective perspective;
  perspective.tanHalfX = 1.0 / m[0];
  perspective.tanHalfY = 1.0 / m[5];
  perspective.nearPlane = m[14] / (m[10] - 1.0);
  perspective.farPlane = m[14] / (m[10] + 1.0);
  return perspective;
}

// The nearest camera whose frustum, narrowed to fill, holds every drawn
// corner. Along x, the corners satisfy |x - cx| <= k (cz - z) with
// k = fill x tan(half angle) exactly when cz >= (A - B) / 2k, where A is
// the reach along (1, 0, k) and -B the reach along (-1, 0, k), and cx is then
// (A + B) / 2; y likewise, and the camera takes the larger distance.
bool frameModel(const Model& model, ViewState& view, double fill, std::string& failure) {
  const Perspective perspective = currentPerspective();
  const double kx = fill * perspective.tanHalfX;
  const double ky = fill * perspective.tanHalfY;
  std::vector<ModelReach> reaches(6);
  const double directions[6][3] = {{1, 0, kx},  {-1, 0, kx}, {0, 1, ky},
                                   {0, -1, ky}, {0, 0, 1},   {0, 0, -1}};
  for (size_t d = 0; d < reaches.size(); ++d) {
    std::memcpy(reaches[d].direction, directions[d], sizeof directions[d]);
  }
  if (!drawnModelReach(model, view.rotationX, view.rotationY, view.rotationZ, reaches)) {
    failure = "the model has no triangle to draw";
    return false;
  }
  const double centreX = (reaches[0].reach - reaches[1].reach) / 2;
  const double centreY = (reaches[2].reach - reaches[3].reach) / 2;
  const double nearest = reaches[4].reach;
  const double farthest = -reaches[5].reach;
  double cameraZ = std::max((reaches[0].reach + reaches[1].reach) / (2 * kx),
                            (reaches[2].reach + reaches[3].reach) / (2 * ky));
  // A model pointing at the camera could put the camera on its tip: keep
  // the front at least a quarter of the depth away. A model with no extent
  // at all shows nothing, from any distance.
  double front = std::max(cameraZ - nearest, (nearest - farthest) / 4);
  if (!(front > 0)) front = 1;
  cameraZ = nearest + front;
  // The front just behind the near plane; a back beyond the far plane is cut.
  const double scale = kFrontInNears * perspective.nearPlane / front;
  const auto unusable = [](double value) {
    return !std::isfinite(value) || std::fabs(value) > 1e30;
  };
  if (unusable(centreX) || unusable(centreY) || unusable(cameraZ) || unusable(farthest)) {
    failure = "the model is too large to frame";
    return false;
  }
  // Only the projection's scale grows without bound, as the model shrinks.
  if (unusable(scale)) {
    failure = "the model is too small to frame";
    return false;
  }
  view.cameraX = static_cast<float>(centreX);
  view.cameraY = static_cast<float>(centreY);
  view.cameraZ = static_cast<float>(cameraZ);
  glMatrixMode(GL_PROJECTION);
  glScaled(scale, scale, scale);
  glMatrixMode(GL_MODELVIEW);
  return true;
}

bool drawThumbnailPicture(const Model& model, int size, const FixedTextures& textures,
                          const BitmapFont& font, std::vector<unsigned char>& rgba,
                          std::vector<std::string>& messages) {
  rgba.assign(static_cast<size_t>(size) * size * 4, 0);
  for (const float turnY : {kTurnY, kTurnY + 180.0f}) {
    ViewState view;
    resetView(view, model);
    view.rotationX = kTurnX;
    view.rotationY = turnY;
    view.rotationZ = 0;
    view.renderMode = kRenderSmooth;
    view.texturing = true;
    view.lighting = true;
    view.envMapping = false;
    view.hudVisible = false;
    view.helpVisible = false;
    resizeView(size, size);
    std::string failure;
    if (!frameModel(model, view, kFill, failure)) {
      messages.push_back(failure);
      return false;
    }
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    drawStill(view, model, textures, font);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    if (anyPixelShows(rgba)) return true;
    char line[64];
    std::snprintf(line, sizeof line, "nothing shows from %g degrees", static_cast<double>(turnY));
    messages.push_back(line);
  }
  return false;
}
