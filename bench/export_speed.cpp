// bench_export_speed: how long `vistrel-tool export` takes for its own work
// against the reading it starts from. Reads MODEL.3do (from its folder, as
// the tool does, without GL), then gathers the scene with its textures from
// the decoded MAT pictures and writes a .glb into a temporary folder with the
// tool's own code, RUNS times each, and prints the best and median of both
// and their ratio. The goal: the export's own work costs no more than the load, so the
// whole export takes at most twice the load.
//
// usage: bench_export_speed MODEL.3do [RUNS]   (default 7 runs)
// e.g.   build/bench/bench_make_torus /tmp/torus large
//        build/bench/bench_export_speed /tmp/torus/torus.3do
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "interchange/export_scene.h"
#include "model/model_reader.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_export_speed MODEL.3do [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  const fs::path model = fs::absolute(argv[1]);
  headlessSetEchoBoxes(false);
  fs::current_path(model.parent_path());
  const fs::path folder = fs::temp_directory_path() / "vistrel-bench-export";
  fs::create_directories(folder);

  std::vector<double> loads;
  std::vector<double> exports;
  long long triangles = 0;
  for (int run = 0; run < runs; ++run) {
    Model loaded;
    std::vector<TextureUpload> textures;
    auto start = std::chrono::steady_clock::now();
    if (!readModelData(loaded, model.string().c_str(), nullptr, "ModelStats.txt", textures)) {
      std::fprintf(stderr, "%s does not load\n", model.string().c_str());
      return 1;
    }
    loads.push_back(millisecondsSince(start));

    start = std::chrono::steady_clock::now();
    ExportScene scene;
    buildExportScene(loaded, textures, ImageData(), "bench", scene);
    std::vector<std::string> written;
    ExportCounts counts;
    ExportMessages messages;
    const bool ok =
        writeGltf(scene, folder.string(), "bench", "bench.glb", true, written, counts, messages);
    exports.push_back(millisecondsSince(start));
    if (!ok) return 1;
    triangles = counts.triangles;
    releaseModel(loaded);
  }
  const double size = static_cast<double>(fs::file_size(folder / "bench.glb"));
  fs::remove_all(folder);

  std::printf("%s: %lld triangles, .glb of %.1f MB, %d runs\n", model.filename().string().c_str(),
              triangles, size / 1e6, runs);
  std::printf("  read (readModelData)                 best %8.1f ms   median %8.1f ms\n",
              *std::min_element(loads.begin(), loads.end()), median(loads));
  std::printf("  export (scene, textures, .glb file)  best %8.1f ms   median %8.1f ms\n",
              *std::min_element(exports.begin(), exports.end()), median(exports));
  std::printf("  whole export / read (medians): %.2f (goal: at most 2)\n",
              (median(loads) + median(exports)) / median(loads));
  return 0;
}
