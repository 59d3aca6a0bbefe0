// bench_model_load: how fast the 3DO reader loads and how much memory it
// takes. Generates a large model (100 meshes, 200,000 triangles, ten 64 x 64
// MAT textures) in a temporary folder, then loads it and every shipped sample
// (when run from the folder that holds samples/) a few times in an offscreen
// GL context and prints the best load time, MB/s and the peak resident size.
//
// usage: bench_model_load [SAMPLES_FOLDER]   (default: samples beside the program)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "model/model_reader.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMeshes = 100;
constexpr int kVerticesPerMesh = 1000;
constexpr int kTrianglesPerMesh = 1000;  // faces of three corners
constexpr int kQuadsPerMesh = 500;       // each two triangles
constexpr int kMaterials = 10;

long peakKilobytes() {
  struct rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void writeMat(const std::string& path, int seed) {
  std::vector<unsigned char> bytes(140, 0);
  const char* signature = "MAT 2";
  std::copy(signature, signature + 5, bytes.begin());
  bytes[116] = 64;
  bytes[120] = 64;
  for (int i = 0; i < 64 * 64; ++i)
    bytes.push_back(static_cast<unsigned char>((i / 64 + seed * 17) % 192));
  FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// The large model: every mesh a wavy sheet of vertices with triangles and
// quads over it.
void writeLargeModel(const std::string& folder) {
  for (int m = 0; m < kMaterials; ++m) writeMat(folder + "/large" + std::to_string(m) + ".mat", m);
  FILE* f = std::fopen((folder + "/large.3do").c_str(), "w");
  std::fprintf(f, "# large benchmark model\nMODEL\n3DO 2.1\n\nRESOURCES\nMATERIALS %d\n",
               kMaterials);
  for (int m = 0; m < kMaterials; ++m) std::fprintf(f, "%6d: large%d.mat\n", m, m);
  std::fprintf(f, "\nGEOMETRY\nRADIUS 12.000000\nINSERT OFFSET 0.000000 0.000000 0.000000\n");
  std::fprintf(f, "LEVELS 1\nLEVEL 0\nMESHES %d\n", kMeshes);
  unsigned seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return static_cast<float>((seed >> 8) & 0xFFFF) / 65535.0f;
  };
  for (int mesh = 0; mesh < kMeshes; ++mesh) {
    std::fprintf(f, "\nMESH %d\nNAME part%d\nRADIUS 1.500000\nDRAW MODE 4\nLIGHT MODE 3\n", mesh,
                 mesh);
    std::fprintf(f, "TEXTURE MODE 3\n\nVERTICES %d\n", kVerticesPerMesh);
    for (int v = 0; v < kVerticesPerMesh; ++v) {
      std::fprintf(f, "%6d: %10.6f %10.6f %10.6f\n", v, next() * 2 - 1, next() * 2 - 1,
                   next() * 2 - 1);
    }
    std::fprintf(f, "\nTEXTURE VERTICES %d\n", kVerticesPerMesh);
    for (int v = 0; v < kVerticesPerMesh; ++v) {
      std::fprintf(f, "%6d: %10.6f %10.6f\n", v, next() * 64, next() * 64);
    }
    std::fprintf(f, "\nVERTEX NORMALS\n");
    for (int v = 0; v < kVerticesPerMesh; ++v) {
      std::fprintf(f, "%6d: %10.6f %10.6f %10.6f\n", v, 0.0, 0.0, 1.0);
    }
    int faces = kTrianglesPerMesh + kQuadsPerMesh;
    std::fprintf(f, "\nFACES %d\n", faces);
    for (int i = 0; i < faces; ++i) {
      int corners = i < kTrianglesPerMesh ? 3 : 4;
      std::fprintf(f, "%6d: %3d 0x%04d  1 3 0 0.000000  %d ", i, i % kMaterials, i % 7 == 0 ? 2 : 0,
                   corners);
      for (int k = 0; k < corners; ++k) {
        int v = (i + k * 7) % kVerticesPerMesh;
        std::fprintf(f, " %d,%d", v, v);
      }
      std::fprintf(f, "\n");
    }
    std::fprintf(f, "\nFACE NORMALS\n");
    for (int i = 0; i < faces; ++i)
      std::fprintf(f, "%6d: %10.6f %10.6f %10.6f\n", i, 0.0, 0.0, 1.0);
  }
  std::fprintf(f, "\nHIERARCHY\nHIERARCHY NODES %d\n", kMeshes);
  for (int n = 0; n < kMeshes; ++n) {
    std::fprintf(f,
                 "%6d: 0x0000 0 %3d %3d  0 0 0  %9.6f %9.6f %9.6f  0.000000 0.000000 0.000000  "
                 "0.000000 0.000000 0.000000  part%d\n",
                 n, n, n == 0 ? -1 : 0, (n % 10) * 2.0, (n / 10) * 2.0, 0.0, n);
  }
  std::fclose(f);
}

// Loads path from its own folder `runs` times; prints the best time.
void measure(const std::string& path, int runs) {
  fs::path file(path);
  fs::path previous = fs::current_path();
  fs::current_path(file.parent_path());
  double bytes = static_cast<double>(fs::file_size(file));
  double best = 1e30;
  bool ok = true;
  long triangles = 0;
  for (int run = 0; run < runs; ++run) {
    Model model;
    auto start = std::chrono::steady_clock::now();
    ok = loadModel(model, file.filename().string().c_str()) && ok;
    auto end = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(end - start).count());
    triangles = 0;
    for (int32_t m = 0; m < model.meshCount; ++m) {
      triangles += model.meshes[m].faceCount + model.meshes[m].extraTriangleCount;
    }
    releaseModel(model);
  }
  fs::current_path(previous);
  std::printf(
      "%-18s %9.1f KB %8ld tris  %s  best of %2d: %9.3f ms  %8.1f MB/s  peak RSS %7.1f MB\n",
      file.filename().string().c_str(), bytes / 1024, triangles, ok ? "ok    " : "FAILED", runs,
      best * 1000, bytes / best / 1e6, static_cast<double>(peakKilobytes()) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
  headlessSetEchoBoxes(false);
  OffscreenGl gl;
  if (!createOffscreenGl(gl, 64, 64)) {
    std::fprintf(stderr, "bench_model_load: no offscreen OpenGL context\n");
    return 1;
  }
  std::string samples = argc > 1 ? argv[1] : platformExecutableDir() + "/../bin/samples";
  std::printf("peak RSS before loading: %.1f MB\n", static_cast<double>(peakKilobytes()) / 1024);
  if (fs::is_directory(samples)) {
    for (const auto& entry : fs::directory_iterator(samples)) {
      if (entry.path().extension() == ".3do") measure(fs::absolute(entry.path()).string(), 50);
    }
  } else {
    std::printf("(no samples folder at %s)\n", samples.c_str());
  }

  fs::path folder = fs::temp_directory_path() / "vistrel-bench-model";
  fs::create_directories(folder);
  writeLargeModel(folder.string());
  measure((folder / "large.3do").string(), 5);
  fs::remove_all(folder);
  destroyOffscreenGl(gl);
  return 0;
}
