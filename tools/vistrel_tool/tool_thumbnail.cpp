// vistrel-tool thumbnail: a PNG preview of a model for file managers. The
// model is loaded and drawn by the viewer's own code (start state, smooth,
// textured, lit, drawFrame), turned to a three-quarter view and framed to
// fill the picture (render/model_framing.h), over a transparent background.
//
// A thumbnailer reads files the user never chose, so the command is careful
// about what it leaves and what it spends: it writes no file but OUT.png (the
// load writes no "ModelStats.txt"; MAT names still resolve from the model's
// folder, as in the viewer); OUT.png appears whole through a rename of a
// staged file beside it, or not at all (runner/output_file.h); models over
// kMaxModelBytes and anything but regular files are refused before reading;
// CPU time, wall time and writable memory are capped (platform/run_limits.h),
// and a limit reached ends the run with status 1 and the staged file removed.
//
// Given several models (or --from LIST) and -o FOLDER, it makes every
// thumbnail in one process (runner/batch.h), each the same PNG, byte for
// byte, as a run of its own, under the same bounds applied per model: the
// size cap before each model is read, and fresh CPU and wall time for each
// model, counted from the end of the one before it (the reading of the next
// model overlaps the drawing of this one). A model that reaches a limit
// cannot be abandoned halfway through the reader or the GL, so a limit still
// ends the run: what is written stays, the staged file goes, and the closing
// line counts the model and those not reached as failed. The memory cap is
// the same for the run, which holds one model at a time, plus at most the
// next ones read ahead; a model file over kReadAheadBytes is read only once
// the models before it are drawn and freed, so that it has the room it has
// alone.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "image/png_writer.h"
#include "platform/gl.h"
#include "platform/run_limits.h"
#include "render/model_framing.h"
#include "render/start_state.h"
#include "runner/output_file.h"
#include "runner/session.h"
#include "tools/vistrel_tool/tool.h"

namespace fs = std::filesystem;

namespace {

constexpr int kDefaultSize = 256;
constexpr int kMaxSize = 1024;
constexpr long long kMaxModelBytes = 64ll << 20;
// In a batch, model files up to this size are read while the model before
// them is drawn; larger ones wait until it is freed.
constexpr long long kReadAheadBytes = 4ll << 20;

void printThumbnailUsage(FILE* out) {
  std::fprintf(out,
               "usage: vistrel-tool thumbnail MODEL.3do OUT.png [--size N]\n"
               "       vistrel-tool thumbnail MODEL.3do... [--from LIST] -o FOLDER/ [--size N]\n"
               "\n"
               "Draws MODEL.3do with the viewer's own code (smooth, textured, lit), turned to\n"
               "a three-quarter view and framed to fill the picture, and writes it to OUT.png:\n"
               "N x N pixels, RGBA, transparent around the model. Made for file managers: it\n"
               "writes no file but OUT.png (no ModelStats.txt), replaces OUT.png only with a\n"
               "complete picture, refuses models over 64 MiB and gives up after 5 seconds\n"
               "of processor time or 8 seconds in all.\n"
               "Relative paths are taken from the current folder.\n"
               "With several models, or -o and an existing FOLDER, every model is drawn in\n"
               "turn in one process, written as FOLDER/NAME.png (robot.3do -> robot.png; a\n"
               "name already used in the run gets -2, -3, ...), each with the same bounds\n"
               "(5 seconds of processor time, 8 in all, per model); a model that fails is\n"
               "reported and the run goes on. The last line says \"N written, M failed\".\n"
               "\n"
               "options:\n"
               "  -o OUT.png | FOLDER/  the picture, or the existing folder of the pictures\n"
               "  --from LIST  also the models named in LIST, one path per line (- reads\n"
               "             standard input)\n"
               "  --size N   width and height of the picture in pixels, 1 to 1024\n"
               "             (default 256)\n"
               "  --help     show this text\n"
               "\n"
               "exit status: 0 written (every picture of a batch), 1 a model did not load,\n"
               "shows nothing or the picture could not be written (the file is then left as\n"
               "it was), 2 usage error\n");
}

bool parseSize(const char* text, int& size) {
  if (!std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (*end != '\0' || errno != 0 || value < 1 || value > kMaxSize) return false;
  size = static_cast<int>(value);
  return true;
}

struct ThumbnailOptions {
  std::vector<const char*> models;   // from the command line
  std::vector<const char*> lists;    // and from --from
  const char* outputPath = nullptr;  // the picture, or the folder of a batch
  bool batch = false;
  int size = kDefaultSize;
};

// MODEL OUT.png is one thumbnail, as is MODEL -o OUT.png; several models,
// --from or -o naming a folder make a batch, whose folder must exist.
int parseOptions(const ToolCommand& command, int argc, char** argv, ThumbnailOptions& options) {
  const char* folder = nullptr;
  std::vector<const char*> positional;
  const std::vector<ToolOption> known = {
      {"--size", nullptr, true,
       [&](const char*, const char* value, std::string& problem) {
         if (!value || !parseSize(value, options.size)) {
           problem = "--size needs a whole number from 1 to 1024";
           return false;
         }
         return true;
       }},
      {"-o", "--output", true,
       [&](const char* given, const char* value, std::string& problem) {
         if (!value || value[0] == '\0') {
           problem = withDetail("%s needs a name", given);
           return false;
         }
         folder = value;
         return true;
       }},
      {"--from", nullptr, true,
       [&](const char*, const char* value, std::string& problem) {
         if (!value || value[0] == '\0') {
           problem = "--from needs a list file or -";
           return false;
         }
         options.lists.push_back(value);
         return true;
       }},
  };
  const int parsed = parseToolArguments(command, argc, argv, known, positional);
  if (parsed != kToolOk) return parsed;
  if (!folder) {
    if (!options.lists.empty()) return usageError(command, "--from needs -o FOLDER/");
    if (positional.size() > 2) {
      return usageError(
          command, withDetail("unexpected argument '%s' (one model, one picture)", positional[2]));
    }
    if (positional.size() > 1) options.outputPath = positional[1];
    positional.resize(std::min<size_t>(positional.size(), 1));
  } else if (makesBatch(positional.size(), options.lists.size(), folder)) {
    const std::string problem = batchFolderProblem(folder);
    if (!problem.empty()) return usageError(command, problem);
    options.batch = true;
    options.models = positional;
    options.outputPath = folder;
    return kToolOk;
  } else {
    options.outputPath = folder;
  }
  options.models = positional;
  if (options.models.empty() || options.models[0][0] == '\0') {
    return usageError(command, "no model given");
  }
  if (!options.outputPath || options.outputPath[0] == '\0') {
    return usageError(command, "no output file given");
  }
  return kToolOk;
}

// A regular file of at most kMaxModelBytes; says why not.
bool acceptableModel(const std::string& path) {
  std::error_code error;
  const fs::file_status status = fs::status(fs::u8path(path), error);
  if (error) {
    toolMessage("vistrel-tool thumbnail: cannot read '%s': %s", path.c_str(),
                error.message().c_str());
    return false;
  }
  if (!fs::is_regular_file(status)) {
    toolMessage("vistrel-tool thumbnail: '%s' is not a regular file", path.c_str());
    return false;
  }
  const uintmax_t size = fs::file_size(fs::u8path(path), error);
  if (!error && size > static_cast<uintmax_t>(kMaxModelBytes)) {
    toolMessage("vistrel-tool thumbnail: '%s' is %lld bytes; models over 64 MiB are not read",
                path.c_str(), static_cast<long long>(size));
    return false;
  }
  return true;
}

// The picture as OUT.png, in place only once whole.
bool writeThumbnail(const std::string& output, int size, const std::vector<unsigned char>& rgba) {
  std::vector<std::string> problems;
  OutputFailure failure;
  int errorNumber = 0;
  const bool written = writeOutputFile(
      output, [&](FILE* file) { return writePngRgba(file, size, size, rgba.data(), problems); },
      failure, errorNumber);
  for (const std::string& line : problems) toolMessage("vistrel-tool: %s", line.c_str());
  if (failure == OutputFailure::kStaging) {
    toolMessage("vistrel-tool thumbnail: cannot create a file beside '%s': %s", output.c_str(),
                std::strerror(errorNumber));
  } else if (failure == OutputFailure::kRename) {
    toolMessage("vistrel-tool thumbnail: cannot write '%s': %s", output.c_str(),
                std::strerror(errorNumber));
  }
  return written;
}

// The session of the thumbnails: the offscreen context of the picture's
// size, black, with an alpha channel.
bool openThumbnailSession(ToolSession& session, int size) {
  headlessSetEchoBoxes(true);
  const float black[3] = {0, 0, 0};
  if (!openToolSession(session, size, size, black)) return false;
  GLint alphaBits = 0;
  glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
  if (alphaBits <= 0) {
    std::fprintf(stderr, "vistrel-tool thumbnail: the offscreen context has no alpha channel\n");
    closeToolSession(session);
    return false;
  }
  return true;
}

int makeThumbnails(const ThumbnailOptions& options, const std::vector<std::string>& paths) {
  std::string output;
  if (!options.batch &&
      (!absolutePath(options.outputPath, output) || fs::u8path(output).filename().empty())) {
    std::fprintf(stderr, "vistrel-tool thumbnail: cannot use the output path '%s'\n",
                 options.outputPath);
    return kToolFailed;
  }
  const std::vector<BatchModel> models =
      options.batch ? planBatch(paths, options.outputPath, ".png")
                    : std::vector<BatchModel>{planSingle(options.models[0], output)};
  ToolSession session;
  if (!openThumbnailSession(session, options.size)) return kToolFailed;
  BatchSteps steps;
  steps.startModel = [&](size_t index, size_t written, size_t) {
    renewRunLimits(models[index].given + ": ", written, models.size());
  };
  steps.readAlone = [](const BatchModel& model) {
    std::error_code error;
    return !model.path.empty() &&
           fs::file_size(fs::u8path(model.path), error) > static_cast<uintmax_t>(kReadAheadBytes) &&
           !error;
  };
  ReadOptions read;
  read.report = false;
  steps.read = [&](const BatchModel& model, BatchRead& into) {
    if (!model.path.empty() && !acceptableModel(model.path)) {
      useCheckerFallback(into.model, session.textures);
      return;
    }
    readToolModel("thumbnail", session, model, into, read);
  };
  std::vector<unsigned char> rgba;
  steps.make = [&](const BatchModel& model, BatchRead& into) {
    const float black[3] = {0, 0, 0};
    prepareToolModel(session, into, options.size, options.size, black);
    std::vector<std::string> messages;
    const bool shown = drawThumbnailPicture(into.model, options.size, session.textures,
                                            session.font, rgba, messages);
    for (const std::string& line : messages) {
      toolMessage("vistrel-tool thumbnail: %s", line.c_str());
    }
    const bool written = shown && writeThumbnail(model.output, options.size, rgba);
    if (written) noteRunItemWritten();
    return written;
  };
  const int status = options.batch ? runBatch("thumbnail", models, steps)
                                   : runSingle("thumbnail", models[0], steps);
  closeToolSession(session);
  return status;
}

}  // namespace

int runThumbnail(int argc, char** argv) {
  const ToolCommand command{"thumbnail", printThumbnailUsage};
  ThumbnailOptions options;
  const int parsed = parseOptions(command, argc, argv, options);
  if (parsed == kToolHelpShown) return kToolOk;
  if (parsed != kToolOk) return parsed;
  // The lists are read before the limits start: standard input may come
  // from a program that takes its time.
  std::vector<std::string> paths(options.models.begin(), options.models.end());
  if (options.batch && !readModelLists("thumbnail", options.lists, paths)) return kToolUsage;
  RunLimits limits;
  limits.name = "vistrel-tool thumbnail";
  limits.cpuSeconds = 5;
  limits.wallSeconds = 8;
  limits.writableMB = 512;
  limits.drawingThreads = 4;
  startRunLimits(limits);
  return makeThumbnails(options, paths);
}
