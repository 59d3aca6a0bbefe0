// vistrel-tool render: loads a model as the viewer does, gives the offscreen
// context the viewer's start-up state (fixed GL state, light, material,
// font), applies the requested view, draws one frame with the viewer's own
// drawFrame and writes the picture as a 32-bit TGA in the screenshot
// writer's layout (18-byte header, B,G,R,A, bottom row first, descriptor 0).
//
// Given several models (or --from LIST) and an output folder, it renders them
// all in one process (runner/batch.h): one context, fixed textures and font
// for the run, the start state restored before each model, the models read
// on a second thread from their own folders, and each picture the same, byte
// for byte, as a run of its own.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/config_file.h"
#include "app/data_folder.h"
#include "image/tga_header.h"
#include "platform/gl.h"
#include "render/frame.h"
#include "render/start_state.h"
#include "render/view_state.h"
#include "runner/output_file.h"
#include "runner/session.h"
#include "tools/vistrel_tool/tool.h"

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
  ViewState view;  // rotations, render mode, toggles and overlay asked for
  bool backgroundGiven = false;
  float background[3] = {0, 0, 0};
};

// A value from a list of names: its index, or -1.
int pick(const char* value, std::initializer_list<const char*> names) {
  int index = 0;
  for (const char* name : names) {
    if (value && std::strcmp(value, name) == 0) return index;
    ++index;
  }
  return -1;
}

std::vector<ToolOption> renderOptions(RenderOptions& o) {
  auto flag = [](const char* name, bool& target, bool value) {
    return ToolOption{name, nullptr, false,
                      [&target, value](const char*, const char*, std::string&) {
                        target = value;
                        return true;
                      }};
  };
  auto triple = [](const char* name, float* values, bool* given, const char* problemText) {
    return ToolOption{name, nullptr, true,
                      [=](const char*, const char* value, std::string& problem) {
                        if (!value || !parseTriple(value, values)) {
                          problem = problemText;
                          return false;
                        }
                        if (given) *given = true;
                        return true;
                      }};
  };
  ViewState& view = o.view;
  return {
      {"-o", "--output", true,
       [&o](const char* given, const char* value, std::string& problem) {
         if (!value || value[0] == '\0') {
           problem = withDetail("%s needs a file name", given);
           return false;
         }
         o.outputPath = value;
         return true;
       }},
      {"--from", nullptr, true,
       [&o](const char*, const char* value, std::string& problem) {
         if (!value || value[0] == '\0') {
           problem = "--from needs a list file or -";
           return false;
         }
         o.lists.push_back(value);
         return true;
       }},
      flag("--no-report", o.noReport, true),
      {"--size", nullptr, true,
       [&o](const char*, const char* value, std::string& problem) {
         if (!value || !parseSize(value, o.width, o.height)) {
           problem = "--size needs WxH, each from 1 to 8192";
           return false;
         }
         return true;
       }},
      triple("--camera", o.camera, &o.cameraGiven, "--camera needs X,Y,Z"),
      triple("--rotate", o.rotation, nullptr, "--rotate needs X,Y,Z in degrees"),
      triple("--background", o.background, &o.backgroundGiven,
             "--background needs R,G,B, each from 0 to 1"),
      {"--mode", nullptr, true,
       [&view](const char*, const char* value, std::string& problem) {
         const int32_t modes[] = {kRenderSmooth, kRenderFlat, kRenderWire};
         const int index = pick(value, {"smooth", "flat", "wire"});
         if (index < 0) {
           problem = value ? withDetail("unknown mode '%s' (smooth, flat or wire)", value)
                           : "--mode needs smooth, flat or wire";
           return false;
         }
         view.renderMode = modes[index];
         return true;
       }},
      {"--text", nullptr, true,
       [&view](const char*, const char* value, std::string& problem) {
         const int index = pick(value, {"none", "fps", "help"});
         if (index < 0) {
           problem = value ? withDetail("unknown text mode '%s' (none, fps or help)", value)
                           : "--text needs none, fps or help";
           return false;
         }
         view.hudVisible = index > 0;
         view.helpVisible = index == 2;
         return true;
       }},
      flag("--no-texture", view.texturing, false),
      flag("--no-lighting", view.lighting, false),
      flag("--envmap", view.envMapping, true),
  };
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
  OutputFailure failure;
  int errorNumber = 0;
  return writeOutputFile(
      path,
      [&](FILE* file) {
        return std::fwrite(header, 1, sizeof header, file) == sizeof header &&
               std::fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size();
      },
      failure, errorNumber);
}

// The view of the options on the loaded model, drawn into the back buffer.
void drawView(const RenderOptions& options, const Model& model, const ToolSession& session) {
  ViewState view = options.view;
  ViewState start;
  resetView(start, model);
  view.cameraX = options.cameraGiven ? options.camera[0] : start.cameraX;
  view.cameraY = options.cameraGiven ? options.camera[1] : start.cameraY;
  view.cameraZ = options.cameraGiven ? options.camera[2] : start.cameraZ;
  view.rotationX = options.rotation[0];
  view.rotationY = options.rotation[1];
  view.rotationZ = options.rotation[2];
  drawStill(view, model, session.textures, session.font);
}

// One model, or every model in one context: each read from its own folder
// (on the reading thread in a batch), then drawn from the start state.
int render(const RenderOptions& options, bool batch, const std::vector<std::string>& paths,
           const float background[3]) {
  std::string output;
  if (!batch && !absolutePath(options.outputPath, output)) {
    std::fprintf(stderr, "vistrel-tool render: cannot use the output path '%s'\n",
                 options.outputPath);
    return kToolFailed;
  }
  ToolSession session;
  if (!openToolSession(session, options.width, options.height, background)) return kToolFailed;
  BatchSteps steps;
  ReadOptions read;
  read.report = !options.noReport;
  steps.read = [&](const BatchModel& model, BatchRead& into) {
    readToolModel("render", session, model, into, read);
  };
  steps.make = [&](const BatchModel& model, BatchRead& into) {
    prepareToolModel(session, into, options.width, options.height, background);
    drawView(options, into.model, session);
    if (!writePicture(model.output, options.width, options.height)) {
      toolMessage("vistrel-tool render: could not write '%s'", model.output.c_str());
      return false;
    }
    return true;
  };
  const int status = batch ? runBatch("render", planBatch(paths, options.outputPath, ".tga"), steps)
                           : runSingle("render", planSingle(options.models[0], output), steps);
  closeToolSession(session);
  return status;
}

}  // namespace

int runRender(int argc, char** argv) {
  const ToolCommand command{"render", printRenderUsage};
  RenderOptions options;
  options.view.hudVisible = false;
  const int parsed =
      parseToolArguments(command, argc, argv, renderOptions(options), options.models);
  if (parsed == kToolHelpShown) return kToolOk;
  if (parsed != kToolOk) return parsed;
  if (options.lists.empty() &&
      (options.models.empty() || (options.models.size() == 1 && options.models[0][0] == '\0'))) {
    return usageError(command, "no model given");
  }
  if (!options.outputPath) return usageError(command, "no output file given (-o OUT.tga)");
  const bool batch = makesBatch(options.models.size(), options.lists.size(), options.outputPath);
  if (batch) {
    const std::string problem = batchFolderProblem(options.outputPath);
    if (!problem.empty()) return usageError(command, problem);
  }
  std::vector<std::string> paths(options.models.begin(), options.models.end());
  if (batch && !readModelLists("render", options.lists, paths)) return kToolUsage;

  headlessSetEchoBoxes(true);
  float background[3] = {0, 0, 0};
  if (options.backgroundGiven) {
    std::memcpy(background, options.background, sizeof background);
  } else {
    const std::string programDir = programDataFolder().u8string();
    if (!readBackgroundColour((programDir + "/config.txt").c_str(), background)) {
      std::fprintf(stderr, "vistrel-tool render: no colour in %s/config.txt; black background\n",
                   programDir.c_str());
    }
  }
  return render(options, batch, paths, background);
}
