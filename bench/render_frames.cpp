// Drawing speed: frames per second of the viewer's own drawFrame, offscreen
// at 640 x 480 in the start-up view (lit, textured, frame-rate text), for a
// generated 200,000-triangle model (100 textured meshes) and for every
// sample model beside the programs; and the time `vistrel-tool render` takes
// for each, from process start to written image.
//
// Run: build/bench/bench_render_frames [frames]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/config_file.h"
#include "image/fixed_textures.h"
#include "model/model_reader.h"
#include "overlay/bitmap_font.h"
#include "platform/gl.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "render/frame.h"
#include "render/start_state.h"
#include "render/view_state.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// 100 meshes in a 10 x 10 grid, each a 25 x 40 grid of quads cut into 2000
// triangle faces: 200,000 triangles, every mesh textured with one material.
bool writeBigModel(const fs::path& path, const std::string& materialName) {
  FILE* file = std::fopen(path.c_str(), "w");
  if (!file) return false;
  const int columns = 25, rows = 40, meshes = 100;
  std::fprintf(file, "MODEL\n3DO 2.1\nRESOURCES\nMATERIALS 1\n 0: %s\n", materialName.c_str());
  std::fprintf(file, "GEOMETRY\nRADIUS 6.0\nINSERT OFFSET 0 0 0\nLEVELS 1\nLEVEL 0\n");
  std::fprintf(file, "MESHES %d\n", meshes);
  for (int m = 0; m < meshes; ++m) {
    std::fprintf(file, "MESH %d\nNAME tile%d\nRADIUS 0.6\nDRAW MODE 4\nLIGHT MODE 3\n", m, m);
    std::fprintf(file, "TEXTURE MODE 3\nVERTICES %d\n", (columns + 1) * (rows + 1));
    const float size = 0.9f;
    for (int j = 0; j <= rows; ++j) {
      for (int i = 0; i <= columns; ++i) {
        // A gentle bump so lighting varies across the tile.
        const float x = size * i / columns - size / 2, z = size * j / rows - size / 2;
        const float y = 0.05f * (1 - (x * x + z * z) * 4);
        std::fprintf(file, " %d: %f %f %f\n", j * (columns + 1) + i, x, y, z);
      }
    }
    std::fprintf(file, "TEXTURE VERTICES %d\n", (columns + 1) * (rows + 1));
    for (int j = 0; j <= rows; ++j) {
      for (int i = 0; i <= columns; ++i) {
        std::fprintf(file, " %d: %f %f\n", j * (columns + 1) + i, 32.0f * i / columns,
                     32.0f * j / rows);
      }
    }
    std::fprintf(file, "VERTEX NORMALS\n");
    for (int k = 0; k < (columns + 1) * (rows + 1); ++k) std::fprintf(file, " %d: 0 1 0\n", k);
    std::fprintf(file, "FACES %d\n", 2 * columns * rows);
    int face = 0;
    for (int j = 0; j < rows; ++j) {
      for (int i = 0; i < columns; ++i) {
        const int a = j * (columns + 1) + i, b = a + 1, c = a + columns + 2, d = a + columns + 1;
        std::fprintf(file, " %d: 0 0x0000 1 3 0 0.0 3 %d,%d %d,%d %d,%d\n", face++, a, a, b, b, c,
                     c);
        std::fprintf(file, " %d: 0 0x0000 1 3 0 0.0 3 %d,%d %d,%d %d,%d\n", face++, a, a, c, c, d,
                     d);
      }
    }
    std::fprintf(file, "FACE NORMALS\n");
    for (int k = 0; k < face; ++k) std::fprintf(file, " %d: 0 1 0\n", k);
  }
  std::fprintf(file, "HIERARCHY\nHIERARCHY NODES %d\n", meshes);
  for (int m = 0; m < meshes; ++m) {
    const float x = (m % 10) - 4.5f, z = (m / 10) - 4.5f;
    std::fprintf(file, " %d: 0x0000 0 %d -1 0 0 0 %f 0 %f 0 0 0 0 0 0 tile%d\n", m, m, x, z, m);
  }
  return std::fclose(file) == 0;
}

// Loads the model as the viewer does (from its own folder) and draws frames
// in the start-up view; returns frames per second, or -1 when it does not load.
double measureFrames(const fs::path& modelPath, int frames, const FixedTextures& textures,
                     const BitmapFont& font, int& triangles) {
  Model model;
  useCheckerFallback(model, textures);
  std::error_code error;
  const fs::path previous = fs::current_path(error);
  fs::current_path(modelPath.parent_path(), error);
  const bool loaded = loadModel(model, modelPath.c_str());
  fs::current_path(previous, error);
  if (!loaded) {
    releaseModel(model);
    return -1;
  }
  triangles = 0;
  for (int n = 0; n < model.nodeCount; ++n) {
    const int m = model.nodes[n].mesh;
    if (m >= 0 && m < model.meshCount) {
      triangles += model.meshes[m].faceCount + model.meshes[m].extraTriangleCount;
    }
  }
  ViewState view;
  resetView(view, model);
  view.rotationX = 30;
  view.rotationY = 20;
  FrameRate frameRate;
  frameRate.windowStart = platformTickCount();
  ModelDrawCache cache;  // as the viewer draws: lists from the second frame
  drawFrame(view, model, textures, font, frameRate, &cache);  // warm-up
  glFinish();
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    view.rotationY += 1;
    drawFrame(view, model, textures, font, frameRate, &cache);
    glFinish();
  }
  const double seconds = secondsSince(start);
  releaseDrawCache(cache);
  releaseModel(model);
  return frames / seconds;
}

// Wall time of one `vistrel-tool render` run, start to exit; -1 on failure.
double timeToolRender(const std::string& tool, const fs::path& modelPath, const fs::path& output) {
  std::vector<std::string> arguments = {tool, "render", modelPath.string(), "-o", output.string()};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::error_code error;
  fs::remove(output, error);
  const Clock::time_point start = Clock::now();
  pid_t child = 0;
  const int spawned = posix_spawn(&child, tool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(child, &status, 0);
  const double seconds = secondsSince(start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !fs::exists(output, error)) return -1;
  return seconds;
}

double medianToolTime(const std::string& tool, const fs::path& modelPath, const fs::path& output,
                      int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double t = timeToolRender(tool, modelPath, output);
    if (t < 0) return -1;
    times.push_back(t);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  const fs::path programDir = fs::path(platformExecutableDir()).parent_path() / "bin";
  const std::string tool = (programDir / "vistrel-tool").string();
  headlessSetEchoBoxes(false);

  OffscreenGl gl;
  if (!createOffscreenGl(gl, 640, 480)) {
    std::fprintf(stderr, "no offscreen OpenGL context\n");
    return 1;
  }
  // The viewer's start-up, with the data beside the programs.
  std::error_code error;
  const fs::path startFolder = fs::current_path(error);
  resizeView(640, 480);
  float background[3] = {0, 0, 0};
  readBackgroundColour((programDir / "config.txt").c_str(), background);
  FixedTextures textures;
  BitmapFont font;
  fs::current_path(programDir, error);
  startDrawing(background, textures, font);
  fs::current_path(startFolder, error);

  const fs::path work = fs::temp_directory_path() / "vistrel-bench-render";
  fs::create_directories(work, error);
  std::string material = "absent.mat";
  if (fs::exists(programDir / "samples" / "cube.mat", error)) {
    fs::copy_file(programDir / "samples" / "cube.mat", work / "tile.mat",
                  fs::copy_options::overwrite_existing, error);
    material = "tile.mat";
  }
  std::vector<fs::path> models;
  if (writeBigModel(work / "big200k.3do", material)) models.push_back(work / "big200k.3do");
  std::vector<fs::path> samples;
  for (const auto& entry : fs::directory_iterator(programDir / "samples", error)) {
    if (entry.path().extension() == ".3do") samples.push_back(entry.path());
  }
  std::sort(samples.begin(), samples.end());
  models.insert(models.end(), samples.begin(), samples.end());

  std::printf("drawFrame at 640 x 480 (lit, textured, frame-rate text), %d frames each;\n", frames);
  std::printf("vistrel-tool render: median of 5 runs, process start to written image\n\n");
  std::printf("%-20s %10s %12s %14s\n", "model", "triangles", "frames/s", "tool render");
  for (const fs::path& model : models) {
    int triangles = 0;
    const double fps = measureFrames(model, frames, textures, font, triangles);
    const double toolSeconds = medianToolTime(tool, model, work / "out.tga", 5);
    std::printf("%-20s %10d %12.1f %11.1f ms\n", model.filename().c_str(), triangles, fps,
                toolSeconds * 1000);
  }
  destroyOffscreenGl(gl);
  fs::remove_all(work, error);
  return 0;
}
