// Fuzz target of model drawing: the input is loaded as in fuzz_model, and the
// model, whatever loadModel left in it (a failed load must stay drawable), is
// drawn offscreen with drawModel, textured and not, and with drawFrame in
// wireframe, flat and smooth shading, with and without lighting and the
// environment-map pass. Hostile indices, cyclic or deep hierarchies and
// materials of size 0 must neither crash nor hang nor read outside the model,
// and a loaded model must look the same drawn directly, while its display
// list is recorded and when the list is replayed.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "image/fixed_textures.h"
#include "model/model_reader.h"
#include "overlay/bitmap_font.h"
#include "platform/gl.h"
#include "platform/headless/headless.h"
#include "render/frame.h"
#include "render/model_draw.h"
#include "render/start_state.h"
#include "render/view_state.h"

namespace {

FixedTextures fixedTextures;
BitmapFont font;
FrameRate frameRate;

void drawEveryWay(const Model& model, ModelDrawCache* cache) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  drawModel(model, true);
  drawModel(model, false);
  ViewState view;
  resetView(view, model);
  view.rotationX = 30;
  view.rotationY = 45;
  view.rotationZ = 10;
  const int32_t modes[] = {kRenderWire, kRenderFlat, kRenderSmooth};
  for (int32_t mode : modes) {
    view.renderMode = mode;
    applyRenderMode(mode);
    view.envMapping = mode != kRenderFlat;
    view.lighting = mode != kRenderWire;
    view.texturing = mode != kRenderWire;
    if (view.lighting) {
      glEnable(GL_LIGHTING);
    } else {
      glDisable(GL_LIGHTING);
    }
    drawFrame(view, model, fixedTextures, font, frameRate, cache);
  }
  view.envMapping = true;
  view.texturing = false;
  drawFrame(view, model, fixedTextures, font, frameRate, cache);
  glFinish();
  if (glGetError() == GL_STACK_OVERFLOW) fuzzFail("matrix stack overflow while drawing");
  while (glGetError() != GL_NO_ERROR) {
  }
}

// A loaded model drawn as the viewer draws it (through a draw cache) is drawn
// directly the first time each way, recorded into a display list the second
// time and replayed from it after that: all three frames must give the same
// picture.
void checkListsDrawAsDirect(const Model& model, ModelDrawCache& cache) {
  ViewState view;
  view.hudVisible = false;
  view.cameraZ = 4;
  view.rotationX = 25;
  view.rotationY = 200;
  view.envMapping = true;
  applyRenderMode(kRenderSmooth);
  glEnable(GL_LIGHTING);
  std::vector<unsigned char> pictures[3];
  for (std::vector<unsigned char>& picture : pictures) {
    drawFrame(view, model, fixedTextures, font, frameRate, &cache);
    picture.resize(64 * 48 * 4);
    glReadPixels(0, 0, 64, 48, GL_RGBA, GL_UNSIGNED_BYTE, picture.data());
  }
  if (pictures[1] != pictures[0]) fuzzFail("recording a display list changed the picture");
  if (pictures[2] != pictures[0]) fuzzFail("replaying the display list changed the picture");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzCreateGl(64, 48);
  // The fixed textures and the font come from the source tree's systemtex
  // folder, as the viewer reads them beside itself.
  headlessSetEchoBoxes(false);
  resizeView(64, 48);
  const float background[3] = {0.1f, 0.2f, 0.3f};
  fuzzInSourceTree([&] { startDrawing(background, fixedTextures, font); });
  fuzzEnterScratchFolder();
  // Warm up: the first frames compile Mesa's shaders for each state, which
  // must not count against the per-input time limit.
  const std::string seed = fuzzReadSourceFile("fuzz/corpus/draw/two_meshes.bin");
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(seed.data()), seed.size());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzWriteModelInput(data, size);
  Model model;
  fuzzSetFallbackTexture(model);
  // Odd-sized inputs draw as when the checker image is missing: failed
  // materials get a texture of size 0.
  if (size % 2 == 1) model.fallbackTextureSize = 0;
  // Only a loaded model is drawn through lists, as only the viewer keeps
  // them; a failed load is drawn directly.
  ModelDrawCache cache;
  const bool loaded = loadModel(model, "model.3do");
  if (loaded) checkListsDrawAsDirect(model, cache);
  drawEveryWay(model, loaded ? &cache : nullptr);
  releaseDrawCache(cache);
  fuzzReleaseModel(model);
  fuzzClearBoxes();
  return 0;
}
