// bench_parse_draw: the two parts of one model's turn in a batch of
// `vistrel-tool render`, measured apart in one process after its start-up:
// the parsing (readModelData from the model's folder, MAT files decoded, no
// report file, then the textures made) and the drawing (the start state
// restored, one frame of the start-up view drawn directly at W x H,
// finished and read back), each the best of RUNS. bench/compare.sh holds a
// batch's time per model against their sum: a batch pays neither start-up
// nor anything beyond the two per model.
//
// usage: bench_parse_draw MODEL.3do [WxH] [RUNS]   (default 256x256, 5)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
#include "render/model_draw.h"
#include "render/start_state.h"
#include "render/view_state.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_parse_draw MODEL.3do [WxH] [RUNS]\n");
    return 2;
  }
  int width = 256;
  int height = 256;
  if (argc > 2 && std::sscanf(argv[2], "%dx%d", &width, &height) != 2) {
    std::fprintf(stderr, "bench_parse_draw: size as WxH\n");
    return 2;
  }
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  headlessSetEchoBoxes(false);
  OffscreenGl gl;
  if (!createOffscreenGl(gl, width, height)) {
    std::fprintf(stderr, "bench_parse_draw: no offscreen OpenGL context\n");
    return 1;
  }
  const fs::path model = fs::absolute(argv[1]).lexically_normal();
  const std::string folder = model.parent_path().string();
  std::error_code error;
  fs::current_path(fs::path(platformExecutableDir()) / ".." / "bin", error);
  const float background[3] = {0.1f, 0.1f, 0.2f};
  FixedTextures textures;
  BitmapFont font;
  resizeView(width, height);
  startDrawing(background, textures, font);

  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
  double parse = 1e30;
  double draw = 1e30;
  bool loaded = true;
  for (int run = 0; run < runs; ++run) {
    Model read;
    useCheckerFallback(read, textures);
    std::vector<TextureUpload> uploads;
    Clock::time_point start = Clock::now();
    loaded = readModelData(read, model.c_str(), folder.c_str(), nullptr, uploads) && loaded;
    uploadModelTextures(read, uploads);
    parse = std::min(parse, millisecondsSince(start));

    start = Clock::now();
    restartDrawing(width, height, background, font);
    ViewState view;
    resetView(view, read);
    FrameRate frameRate;
    drawFrame(view, read, textures, font, frameRate);
    glFinish();
    glReadPixels(0, 0, width, height, 0x80E1 /* GL_BGRA */, GL_UNSIGNED_BYTE, pixels.data());
    draw = std::min(draw, millisecondsSince(start));
    releaseModelTextures(read);
    releaseModel(read);
  }
  std::printf("%s, best of %d: parse %.1f ms, draw %.1f ms (%d x %d)%s\n",
              model.filename().string().c_str(), runs, parse, draw, width, height,
              loaded ? "" : ", did not load");
  destroyOffscreenGl(gl);
  return loaded ? 0 : 1;
}
