// Fuzz target of framing (render/model_framing.h) under hostile numbers:
// non-finite, huge, tiny and degenerate coordinates, offsets, pivots and
// radii, from a binary model decoded straight into a Model record or from a
// model text read by the 3DO reader (framing_input.h). frameModel must either
// fail with a reason, or leave a camera whose every number is finite and a
// projection, as read back from GL, whose numbers are all finite with its near
// plane in front of the camera and before its far plane. A model that loads
// is then drawn as the thumbnailer draws it (drawThumbnailPicture, 32 x 32),
// which must give a picture or its reasons, never crash or hang.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/framing_input.h"
#include "fuzz/fuzz_support.h"
#include "image/fixed_textures.h"
#include "model/model_reader.h"
#include "overlay/bitmap_font.h"
#include "platform/gl.h"
#include "platform/headless/headless.h"
#include "render/frame.h"
#include "render/model_framing.h"
#include "render/start_state.h"

namespace {

constexpr int kPictureSize = 32;
const float kBackground[3] = {0.1f, 0.2f, 0.3f};

FixedTextures fixedTextures;
BitmapFont font;

bool finite(double value) {
  return std::isfinite(value);
}

// The camera and the projection frameModel left. The projection is the start
// state's perspective scaled uniformly, so its last column row 3 (-scale)
// divides out to give the planes that the scaled matrix clips at.
void checkFramedView(const ViewState& view) {
  if (!finite(view.cameraX) || !finite(view.cameraY) || !finite(view.cameraZ)) {
    fuzzFail("frameModel set a camera that is not finite");
  }
  GLdouble m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  for (double value : m) {
    if (!finite(value)) fuzzFail("frameModel left a projection that is not finite");
  }
  const double nearPlane = m[14] / (m[10] + m[11]);
  const double farPlane = m[14] / (m[10] - m[11]);
  if (!finite(nearPlane) || !finite(farPlane) || !(nearPlane > 0) || !(nearPlane < farPlane)) {
    fuzzFail("frameModel left a projection without a near plane before its far plane");
  }
  const Perspective read = currentPerspective();
  if (!finite(read.tanHalfX) || !finite(read.tanHalfY) || !finite(read.nearPlane) ||
      !finite(read.farPlane)) {
    fuzzFail("currentPerspective read numbers that are not finite");
  }
}

void frameAndCheck(const Model& model, const FramingView& framing) {
  resizeView(framing.width, framing.height);
  ViewState view;
  resetView(view, model);
  view.rotationX = framing.rotation[0];
  view.rotationY = framing.rotation[1];
  view.rotationZ = framing.rotation[2];
  std::string failure;
  if (frameModel(model, view, framing.fill, failure)) {
    checkFramedView(view);
  } else if (failure.empty()) {
    fuzzFail("frameModel failed without a reason");
  }
}

void drawThumbnail(const Model& model) {
  std::vector<unsigned char> rgba;
  std::vector<std::string> messages;
  const bool drawn = drawThumbnailPicture(model, kPictureSize, fixedTextures, font, rgba, messages);
  if (!drawn && messages.empty()) fuzzFail("drawThumbnailPicture failed without a reason");
  if (rgba.size() != static_cast<size_t>(kPictureSize) * kPictureSize * 4) {
    fuzzFail("drawThumbnailPicture gave a picture of the wrong size");
  }
  glFinish();
  const GLenum error = glGetError();
  if (error == GL_STACK_OVERFLOW || error == GL_STACK_UNDERFLOW) {
    fuzzFail("matrix stack overflow while drawing the thumbnail");
  }
  while (glGetError() != GL_NO_ERROR) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzCreateGl(64, 64);
  headlessSetEchoBoxes(false);
  resizeView(64, 64);
  fuzzInSourceTree([] { startDrawing(kBackground, fixedTextures, font); });
  fuzzEnterScratchFolder();
  // Warm up: the first pictures compile Mesa's shaders for each state, which
  // must not count against the per-input time limit.
  const std::string seed = fuzzReadSourceFile("fuzz/corpus/framing/cube_text.bin");
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(seed.data()), seed.size());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FramingBytes in{data, size, 0};
  const bool text = (in.byte() & 1) != 0;
  FramingView framing;
  decodeFramingView(in, framing);
  // Each model starts from the state the thumbnailer gives each model of a
  // batch.
  restartDrawing(kPictureSize, kPictureSize, kBackground, font);
  Model model;
  fuzzSetFallbackTexture(model);
  bool loaded = true;
  if (text) {
    fuzzWriteModelInput(data + in.at, size - in.at);
    loaded = loadModel(model, "model.3do");
  } else {
    decodeFramingModel(in, model);
  }
  frameAndCheck(model, framing);
  if (loaded) drawThumbnail(model);
  fuzzReleaseModel(model);
  fuzzClearBoxes();
  return 0;
}
