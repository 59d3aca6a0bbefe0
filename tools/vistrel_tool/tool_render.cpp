// vistrel-tool render: loads a model as the viewer does, gives the offscreen
// context the viewer's start-up state (fixed GL state, light, material,
// font), applies the requested view, draws one frame with the viewer's own
// drawFrame and writes the picture as a 32-bit TGA in the screenshot
// writer's layout (18-byte header, B,G,R,A, bottom row first, descriptor 0).
//
// Given several models (or --from LIST) and an output folder, it renders them
// all in one process (tool_batch.h): one context, fixed textures and font
// for the run, the start state restored before each model, the models read
// on a second thread from their own folders without changing the current
// folder, and each picture the same, byte for byte, as a run of its own.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/config_file.h"
#include "app/data_folder.h"
#include "image/tga_header.h"
#include "model/model_reader.h"
#include "overlay/bitmap_font.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "render/frame.h"
#include "render/start_state.h"
#include "render/view_state.h"
#include "tools/vistrel_tool/tool.h"
#include "tools/vistrel_tool/tool_batch.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMaxSide = 8192;

void printRenderUsage(FILE* out) {
  std::fprintf(out,
               "usage: vistrel-tool render MODEL.3do -o OUT.tga [options]\n"
               "       vistrel-tool render MODEL.3do... [--from LIST] -o FOLDER/ [options]\n"
               "\n"
               "Loads MODEL.3do as the viewer does and draws one frame offscreen with the\n"
               "viewer's own start-up state and drawing code, then writes it to OUT.tga as a\n"
               "32-bit uncompressed TGA (the viewer's screenshot format). OUT.tga is\n"
               "overwritten; a relative path is taken from the current folder.\n"
               "With several models, or an existing FOLDER, each model is drawn in turn in\n"
               "one process and written as FOLDER/NAME.tga (robot.3do -> robot.tga; a name\n"
               "already used in the run gets -2, -3, ...); a model that fails is reported\n"
               "and the run goes on. The last line says \"N written, M failed\".\n"
               "\n"
               "options:\n"
               "  -o OUT.tga | FOLDER/    the picture to write, or the existing folder of\n"
               "                          the pictures (required)\n"
               "  --from LIST             also the models named in LIST, one path per line\n"
               "                          (- reads standard input)\n"
               "  --no-report             write no ModelStats.txt beside the models\n"
               "  --size WxH              picture size in pixels (default 640x480)\n"
               "  --camera X,Y,Z          eye position (default 0,0,2.3 x model radius)\n"
               "  --rotate X,Y,Z          model rotation in degrees (default 0,0,0)\n"
               "  --mode smooth|flat|wire render mode (default smooth)\n"
               "  --no-texture            draw without the material textures\n"
               "  --no-lighting           draw with lighting off\n"
               "  --envmap                add the environment-map pass\n"
               "  --text none|fps|help    overlay: none (default), status bar, or help page\n"
               "  --background R,G,B      clear colour, each 0 to 1 (default: config.txt\n"
               "                          beside the program)\n"
               "  --help                  show this text\n"
               "\n"
               "exit status: 0 written (every picture of a batch), 1 a model did not load or\n"
               "a picture could not be written, 2 usage error\n");
}

int usageError(const char* format, const char* detail) {
  std::fprintf(stderr, "vistrel-tool render: ");
  std::fprintf(stderr, format, detail);
  std::fprintf(stderr, "\n");
  printRenderUsage(stderr);
  return kToolUsage;
}

// Three finite numbers separated by commas, nothing else.
bool parseTriple(const char* text, float values[3]) {
  const char* cursor = text;
  for (int i = 0; i < 3; ++i) {
    if (*cursor == '\0' || std::isspace(static_cast<unsigned char>(*cursor))) return false;
    char* end = nullptr;
    const float value = std::strtof(cursor, &end);
    if (end == cursor || !std::isfinite(value)) return false;
    values[i] = value;
    cursor = end;
    if (i < 2) {
      if (*cursor != ',') return false;
      ++cursor;
    }
  }
  return *cursor == '\0';
}

bool parseSize(const char* text, int& width, int& height) {
  char* end = nullptr;
  if (!std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  const long w = std::strtol(text, &end, 10);
  if (*end != 'x' && *end != 'X') return false;
  const char* second = end + 1;
  if (!std::isdigit(static_cast<unsigned char>(second[0]))) return false;
  const long h = std::strtol(second, &end, 10);
  if (*end != '\0') return false;
  if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide) return false;
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

struct RenderOptions {
  std::vector<const char*> models;
  std::vector<const char*> lists;  // --from
  const char* outputPath = nullptr;
  bool noReport = false;
  int width = 640;
  int height = 480;
  bool cameraGiven = false;
  float camera[3] = {0, 0, 0};
  float rotation[3] = {0, 0, 0};
  int32_t mode = kRenderSmooth;
  bool texturing = true;
  bool lighting = true;
  bool envMapping = false;
  bool hudVisible = false;
  bool helpVisible = false;
  bool backgroundGiven = false;
  float background[3] = {0, 0, 0};
};

// 0 when the options are complete, kToolUsage after a usage message, or -1
// when --help was asked for (already printed).
int parseOptions(int argc, char** argv, RenderOptions& options) {
  bool positionalOnly = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (positionalOnly) {
      options.models.push_back(arg);
      continue;
    }
    auto value = [&](const char*& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    const char* text = nullptr;
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      printRenderUsage(stdout);
      return -1;
    } else if (std::strcmp(arg, "-o") == 0 || std::strcmp(arg, "--output") == 0) {
      if (!value(text) || text[0] == '\0') return usageError("%s needs a file name", arg);
      options.outputPath = text;
    } else if (std::strcmp(arg, "--from") == 0) {
      if (!value(text) || text[0] == '\0') return usageError("--from needs a list file or -%s", "");
      options.lists.push_back(text);
    } else if (std::strcmp(arg, "--no-report") == 0) {
      options.noReport = true;
    } else if (std::strcmp(arg, "--size") == 0) {
      if (!value(text) || !parseSize(text, options.width, options.height)) {
        return usageError("--size needs WxH, each from 1 to 8192%s", "");
      }
    } else if (std::strcmp(arg, "--camera") == 0) {
      if (!value(text) || !parseTriple(text, options.camera)) {
        return usageError("--camera needs X,Y,Z%s", "");
      }
      options.cameraGiven = true;
    } else if (std::strcmp(arg, "--rotate") == 0) {
      if (!value(text) || !parseTriple(text, options.rotation)) {
        return usageError("--rotate needs X,Y,Z in degrees%s", "");
      }
    } else if (std::strcmp(arg, "--background") == 0) {
      if (!value(text) || !parseTriple(text, options.background)) {
        return usageError("--background needs R,G,B, each from 0 to 1%s", "");
      }
      options.backgroundGiven = true;
    } else if (std::strcmp(arg, "--mode") == 0) {
      if (!value(text)) return usageError("--mode needs smooth, flat or wire%s", "");
      if (std::strcmp(text, "smooth") == 0) {
        options.mode = kRenderSmooth;
      } else if (std::strcmp(text, "flat") == 0) {
        options.mode = kRenderFlat;
      } else if (std::strcmp(text, "wire") == 0) {
        options.mode = kRenderWire;
      } else {
        return usageError("unknown mode '%s' (smooth, flat or wire)", text);
      }
    } else if (std::strcmp(arg, "--text") == 0) {
      if (!value(text)) return usageError("--text needs none, fps or help%s", "");
      if (std::strcmp(text, "none") == 0) {
        options.hudVisible = false;
        options.helpVisible = false;
      } else if (std::strcmp(text, "fps") == 0) {
        options.hudVisible = true;
        options.helpVisible = false;
      } else if (std::strcmp(text, "help") == 0) {
        options.hudVisible = true;
        options.helpVisible = true;
      } else {
        return usageError("unknown text mode '%s' (none, fps or help)", text);
      }
    } else if (std::strcmp(arg, "--no-texture") == 0) {
      options.texturing = false;
    } else if (std::strcmp(arg, "--no-lighting") == 0) {
      options.lighting = false;
    } else if (std::strcmp(arg, "--envmap") == 0) {
      options.envMapping = true;
    } else if (std::strcmp(arg, "--") == 0) {
      positionalOnly = true;
    } else if (arg[0] == '-' && arg[1] != '\0') {
      return usageError("unknown option '%s'", arg);
    } else {
      options.models.push_back(arg);
    }
  }
  if (options.lists.empty() &&
      (options.models.empty() || (options.models.size() == 1 && options.models[0][0] == '\0'))) {
    return usageError("no model given%s", "");
  }
  if (!options.outputPath) return usageError("no output file given (-o OUT.tga)%s", "");
  return 0;
}

// Several models, a list, or an output folder make a batch. Its folder must
// exist: a usage message otherwise.
int checkBatchOutput(const RenderOptions& options, bool& batch) {
  batch = options.models.size() > 1 || !options.lists.empty() || namesFolder(options.outputPath);
  if (!batch) return 0;
  std::error_code error;
  if (!fs::is_directory(fs::path(options.outputPath), error)) {
    return usageError("the output folder '%s' does not exist (several models need -o FOLDER/)",
                      options.outputPath);
  }
  return 0;
}

// GL 1.2's BGRA pixel format (the Windows headers stop at GL 1.1).
constexpr GLenum kPixelsBgra = 0x80E1;

// The colour buffer as the screenshot writer lays it out: the 18-byte header
// (type 2, 32 bits, descriptor 0), then B,G,R,A pixels, bottom row first.
// GL hands the pixels over in that order itself, which for the usual BGRA
// colour buffer of a software rasterizer is a plain copy.
bool writePicture(const std::string& path, int width, int height) {
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<unsigned char> pixels(count * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width, height, kPixelsBgra, GL_UNSIGNED_BYTE, pixels.data());
  unsigned char header[kTgaHeaderSize];
  fillTgaHeader(header, static_cast<uint32_t>(width), static_cast<uint32_t>(height), 32);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
                 std::fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size();
  if (std::fclose(file) != 0) written = false;
  return written;
}

// The view of the options on the loaded model, drawn into the back buffer
// of the session (its start state in force) and finished.
void drawView(const RenderOptions& options, const Model& model, const ToolSession& session) {
  ViewState view;
  resetView(view, model);
  if (options.cameraGiven) {
    view.cameraX = options.camera[0];
    view.cameraY = options.camera[1];
    view.cameraZ = options.camera[2];
  }
  view.rotationX = options.rotation[0];
  view.rotationY = options.rotation[1];
  view.rotationZ = options.rotation[2];
  view.renderMode = options.mode;
  view.texturing = options.texturing;
  view.lighting = options.lighting;
  view.envMapping = options.envMapping;
  view.hudVisible = options.hudVisible;
  view.helpVisible = options.helpVisible;
  applyRenderMode(options.mode);
  if (!options.lighting) glDisable(GL_LIGHTING);
  // Texturing switched off shows the model plain, as in the viewer, where
  // every frame after the first leaves GL_TEXTURE_2D disabled.
  if (!options.texturing) glDisable(GL_TEXTURE_2D);

  FrameRate frameRate;
  frameRate.windowStart = platformTickCount();
  frameRate.frameCount = 0;
  drawFrame(view, model, session.textures, session.font, frameRate);
  glFinish();
}

int renderOne(const RenderOptions& options, const float background[3]) {
  const char* modelPath = options.models[0];
  // The output path is taken from the folder the tool was started in, before
  // the model's folder becomes the current one.
  std::error_code error;
  const fs::path outputPath = fs::absolute(fs::path(options.outputPath), error);
  if (error) {
    std::fprintf(stderr, "vistrel-tool render: cannot use the output path '%s'\n",
                 options.outputPath);
    return kToolFailed;
  }
  // Start-up as the viewer runs it once its window exists.
  ToolSession session;
  if (!openToolSession(session, options.width, options.height, background)) return kToolFailed;
  Model model;
  useCheckerFallback(model, session.textures);

  std::string absoluteModel;
  if (!enterModelFolder(modelPath, absoluteModel)) {
    std::fprintf(stderr, "vistrel-tool render: cannot use the path '%s'\n", modelPath);
    closeToolSession(session);
    return kToolFailed;
  }
  const bool loaded = options.noReport ? loadModelWithoutReportFile(model, absoluteModel.c_str())
                                       : loadModel(model, absoluteModel.c_str());
  if (!loaded) {
    releaseModel(model);
    closeToolSession(session);
    return kToolFailed;
  }
  drawView(options, model, session);
  const bool written = writePicture(outputPath.string(), options.width, options.height);
  if (!written) {
    std::fprintf(stderr, "vistrel-tool render: could not write '%s'\n",
                 outputPath.string().c_str());
  }
  releaseModel(model);
  closeToolSession(session);
  return written ? kToolOk : kToolFailed;
}

// Every model in one context: each read from its own folder on the reading
// thread, then drawn from the start state as a run of its own would draw it.
int renderBatch(const RenderOptions& options, const std::vector<std::string>& paths,
                const float background[3]) {
  const std::vector<BatchModel> models = planBatch(paths, options.outputPath, ".tga");
  ToolSession session;
  if (!openToolSession(session, options.width, options.height, background)) return kToolFailed;
  BatchSteps steps;
  steps.read = [&](const BatchModel& model, BatchRead& read) {
    useCheckerFallback(read.model, session.textures);
    if (model.path.empty()) {
      toolMessage("vistrel-tool render: cannot use the path '%s'", model.given.c_str());
      return;
    }
    const std::string report = (fs::path(model.folder) / "ModelStats.txt").string();
    read.loaded = readModelData(read.model, model.path.c_str(), model.folder.c_str(),
                                options.noReport ? nullptr : report.c_str(), read.uploads);
  };
  steps.draw = [&](const BatchModel& model, BatchRead& read) {
    restartDrawing(options.width, options.height, background, session.font);
    uploadModelTextures(read.model, read.uploads);
    drawView(options, read.model, session);
    if (!writePicture(model.output, options.width, options.height)) {
      toolMessage("vistrel-tool render: could not write '%s'", model.output.c_str());
      return false;
    }
    return true;
  };
  const int status = runBatch("render", models, steps);
  closeToolSession(session);
  return status;
}

}  // namespace

int runRender(int argc, char** argv) {
  RenderOptions options;
  const int parsed = parseOptions(argc, argv, options);
  if (parsed == -1) return kToolOk;
  if (parsed != 0) return parsed;
  bool batch = false;
  if (const int checked = checkBatchOutput(options, batch)) return checked;
  std::vector<std::string> paths(options.models.begin(), options.models.end());
  if (batch && !readModelLists("render", options.lists, paths)) return kToolUsage;

  headlessSetEchoBoxes(true);
  float background[3] = {0, 0, 0};
  if (options.backgroundGiven) {
    std::memcpy(background, options.background, sizeof background);
  } else {
    const std::string programDir = programDataFolder().string();
    if (!readBackgroundColour((programDir + "/config.txt").c_str(), background)) {
      std::fprintf(stderr, "vistrel-tool render: no colour in %s/config.txt; black background\n",
                   programDir.c_str());
    }
  }
  return batch ? renderBatch(options, paths, background) : renderOne(options, background);
}
