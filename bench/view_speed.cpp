// bench_view_speed: what a viewer user waits for, measured offscreen at
// 640 x 480 with the viewer's own start-up state, fixed textures and font:
// the time from a chosen file to the first finished frame (loadModel, the
// view reset, drawFrame and glFinish, as the first frame after the file
// dialog closes), and frames per second in the start-up view (status bar
// on, smooth, textured, lit), with display lists and drawn directly.
//
// usage: bench_view_speed [MODEL.3do ...]   (default: the samples beside
//        the programs); run from anywhere, systemtex comes from build/bin.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "image/fixed_textures.h"
#include "model/model_reader.h"
#include "overlay/bitmap_font.h"
#include "platform/gl.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "render/frame.h"
#include "render/start_state.h"
#include "render/view_state.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Scene {
  FixedTextures textures;
  BitmapFont font;
};

double framesPerSecond(Model& model, ViewState& view, const Scene& scene, ModelDrawCache* cache,
                       int frames) {
  FrameRate frameRate;
  frameRate.windowStart = platformTickCount();
  for (int i = 0; i < 2; ++i) {  // first sight and recording
    drawFrame(view, model, scene.textures, scene.font, frameRate, cache);
    glFinish();
  }
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    drawFrame(view, model, scene.textures, scene.font, frameRate, cache);
    glFinish();
  }
  return frames * 1000.0 / millisecondsSince(start);
}

void measure(const fs::path& path, const Scene& scene) {
  Model model;
  ModelDrawCache cache;
  useCheckerFallback(model, scene.textures);
  std::error_code error;
  const fs::path previous = fs::current_path(error);
  fs::current_path(path.parent_path(), error);

  // The file dialog has just closed: load, reset the view, draw, finish.
  const Clock::time_point start = Clock::now();
  const bool loaded = loadModel(model, path.c_str());
  ViewState view;
  resetView(view, model);
  FrameRate frameRate;
  drawFrame(view, model, scene.textures, scene.font, frameRate, &cache);
  glFinish();
  const double firstFrame = millisecondsSince(start);
  fs::current_path(previous, error);
  if (!loaded) {
    std::printf("%-16s did not load\n", path.filename().c_str());
    releaseDrawCache(cache);
    releaseModel(model);
    return;
  }
  long triangles = 0;
  for (int32_t m = 0; m < model.meshCount; ++m) {
    triangles += model.meshes[m].faceCount + model.meshes[m].extraTriangleCount;
  }
  const int frames = triangles > 50000 ? 60 : 300;
  const double withLists = framesPerSecond(model, view, scene, &cache, frames);
  const double direct = framesPerSecond(model, view, scene, nullptr, frames / 3 + 1);
  std::printf("%-16s %8ld tris  first frame %7.1f ms   fps: lists %7.1f  direct %7.1f\n",
              path.filename().c_str(), triangles, firstFrame, withLists, direct);
  releaseDrawCache(cache);
  releaseModel(model);
}

}  // namespace

int main(int argc, char** argv) {
  headlessSetEchoBoxes(false);
  OffscreenGl gl;
  if (!createOffscreenGl(gl, 640, 480)) {
    std::fprintf(stderr, "bench_view_speed: no offscreen OpenGL context\n");
    return 1;
  }
  std::vector<fs::path> models;
  for (int i = 1; i < argc; ++i) models.push_back(fs::absolute(argv[i]));
  const fs::path runtime = fs::path(platformExecutableDir()) / ".." / "bin";
  if (models.empty()) {
    for (const auto& entry : fs::directory_iterator(runtime / "samples")) {
      if (entry.path().extension() == ".3do") models.push_back(fs::absolute(entry.path()));
    }
    std::sort(models.begin(), models.end());
  }
  std::error_code error;
  fs::current_path(runtime, error);
  resizeView(640, 480);
  Scene scene;
  const float background[3] = {0.1f, 0.1f, 0.2f};
  startDrawing(background, scene.textures, scene.font);
  std::printf("640 x 480, start-up view with the status bar, smooth, textured, lit\n");
  for (const fs::path& path : models) measure(path, scene);
  destroyOffscreenGl(gl);
  return 0;
}
