// bench_parse_speed: 3DO parsing throughput of the fast reader (loadModel)
// and of the plain stdio reading it is tested against (loadModelReference),
// on a given model file, loaded from its own folder in an offscreen GL
// context (material textures included, as the viewer loads). Prints the best
// time of several loads and MB/s for each.
//
// usage: bench_parse_speed MODEL.3do [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "model/model_reader.h"
#include "platform/headless/headless.h"
#include "tests/reference/reference_reader.h"

namespace fs = std::filesystem;

namespace {

using Loader = bool (*)(Model&, const char*, std::string*);

double bestSeconds(Loader load, const std::string& name, int runs, bool& ok) {
  double best = 1e30;
  ok = true;
  for (int run = 0; run < runs; ++run) {
    Model model;
    auto start = std::chrono::steady_clock::now();
    ok = load(model, name.c_str(), nullptr) && ok;
    auto end = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(end - start).count());
    releaseModel(model);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_parse_speed MODEL.3do [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  headlessSetEchoBoxes(false);
  OffscreenGl gl;
  if (!createOffscreenGl(gl, 64, 64)) {
    std::fprintf(stderr, "bench_parse_speed: no offscreen OpenGL context\n");
    return 1;
  }
  const fs::path file = fs::absolute(argv[1]);
  fs::current_path(file.parent_path());
  const std::string name = file.filename().string();
  const double megabytes = static_cast<double>(fs::file_size(file)) / 1e6;
  bool fastOk = false, referenceOk = false;
  const double fast = bestSeconds(loadModelWithReport, name, runs, fastOk);
  const double reference = bestSeconds(loadModelReference, name, runs, referenceOk);
  std::printf("3DO parsing, %s (%.1f MB), best of %d loads:\n", name.c_str(), megabytes, runs);
  std::printf("  fast reader (loadModel)          %8.1f ms  %7.1f MB/s%s\n", fast * 1000,
              megabytes / fast, fastOk ? "" : "  FAILED");
  std::printf("  stdio reference (fgets + scanf)  %8.1f ms  %7.1f MB/s%s\n", reference * 1000,
              megabytes / reference, referenceOk ? "" : "  FAILED");
  destroyOffscreenGl(gl);
  return fastOk && referenceOk ? 0 : 1;
}
