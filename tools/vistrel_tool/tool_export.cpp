// vistrel-tool export: loads a model exactly as `stats` and `render` do (the
// same messages, the same ModelStats.txt beside the model) and writes it as
// glTF 2.0 (.glb, or .gltf with a .bin) or OBJ (with an MTL), each texture as
// a PNG, the format chosen by the output's extension, through the model
// interchange (interchange/export_scene.h). It draws nothing, so it starts no
// GL: the textures are written from the decoded MAT pictures.
//
// Nothing is left half-written: every file is staged beside the output
// (platform/files.h), and only when all of them are complete are they
// renamed to their places, the side files first and the output itself last.
// On any failure the staged files are removed and nothing that was on disk
// before has changed.
#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "interchange/export_scene.h"
#include "platform/files.h"
#include "runner/session.h"
#include "tools/vistrel_tool/tool.h"

namespace fs = std::filesystem;

namespace {

enum class ExportFormat { kGlb, kGltf, kObj };

void printExportUsage(FILE* out) {
  std::fprintf(out,
               "usage: vistrel-tool export MODEL.3do -o OUT.glb|OUT.gltf|OUT.obj\n"
               "\n"
               "Loads MODEL.3do as the viewer does (ModelStats.txt is written beside it) and\n"
               "writes it as the viewer draws it: glTF 2.0 binary (.glb, textures inside),\n"
               "glTF 2.0 text (.gltf with OUT.bin and OUT_MAT.png beside it) or OBJ (.obj\n"
               "with OUT.mtl and OUT_MAT.png beside it); the format follows OUT's extension,\n"
               "in any case. Existing files are replaced only once every file is complete;\n"
               "a relative path is taken from the current folder.\n"
               "\n"
               "options:\n"
               "  -o OUT                  the file to write (required)\n"
               "  --help                  show this text\n"
               "\n"
               "exit status: 0 written, 1 the model did not load or a file could not be\n"
               "written, 2 usage error\n");
}

bool formatOf(const fs::path& path, ExportFormat& format) {
  std::string extension = path.extension().u8string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".glb") {
    format = ExportFormat::kGlb;
  } else if (extension == ".gltf") {
    format = ExportFormat::kGltf;
  } else if (extension == ".obj") {
    format = ExportFormat::kObj;
  } else {
    return false;
  }
  return true;
}

// The side files' stem: the output's stem with anything but letters, digits,
// '-', '_' and '.' made '_', so that the names read the same in a URI, an
// MTL line and every file system.
std::string sideStem(const fs::path& output) {
  std::string stem = output.stem().u8string();
  for (char& c : stem) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.';
    if (!plain) c = '_';
  }
  return stem.empty() ? "model" : stem;
}

void printMessages(const ExportMessages& messages) {
  for (const std::string& line : messages.png) {
    std::fprintf(stderr, "vistrel-tool: %s\n", line.c_str());
  }
  if (!messages.failure.empty()) {
    std::fprintf(stderr, "vistrel-tool export: %s\n", messages.failure.c_str());
  }
}

void reportCuts(const ExportScene& scene) {
  if (scene.skippedTriangles > 0) {
    std::fprintf(stderr,
                 "vistrel-tool export: left out %lld triangles with a vertex index outside "
                 "their mesh (the viewer skips them too)\n",
                 static_cast<long long>(scene.skippedTriangles));
  }
  if (scene.brokenLoops > 0) {
    std::fprintf(stderr,
                 "vistrel-tool export: %d parent loops cut: each node on a loop is a root, "
                 "placed where the viewer draws it\n",
                 static_cast<int>(scene.brokenLoops));
  }
  if (scene.deepNodes > 0) {
    std::fprintf(stderr,
                 "vistrel-tool export: %d nodes more than 64 levels deep made roots, placed "
                 "where the viewer draws them\n",
                 static_cast<int>(scene.deepNodes));
  }
}

// Writes the scene's files, staged beside the output, and puts them in place.
bool writeScene(const ExportScene& scene, const fs::path& output, ExportFormat format,
                ExportCounts& counts) {
  const std::string folder = output.parent_path().u8string();
  const std::string mainName = output.filename().u8string();
  StagedFiles staged;
  if (!beginStagedFiles(staged, folder, mainName)) {
    std::fprintf(stderr, "vistrel-tool export: cannot write in '%s'\n", folder.c_str());
    return false;
  }
  const std::string stem = sideStem(output);
  ExportMessages messages;
  bool complete = false;
  try {
    if (format == ExportFormat::kObj) {
      complete = writeObj(scene, staged.staging, stem, mainName, staged.names, counts, messages);
    } else {
      complete = writeGltf(scene, staged.staging, stem, mainName, format == ExportFormat::kGlb,
                           staged.names, counts, messages);
    }
  } catch (const std::exception& failure) {
    messages.failure = failure.what();
    complete = false;
  }
  printMessages(messages);
  if (complete) {
    complete = commitStagedFiles(staged);
  } else {
    discardStagedFiles(staged);
  }
  if (!complete) {
    std::fprintf(stderr, "vistrel-tool export: could not write '%s'\n", output.u8string().c_str());
  }
  return complete;
}

}  // namespace

int runExport(int argc, char** argv) {
  const ToolCommand command{"export", printExportUsage};
  const char* outputText = nullptr;
  std::vector<const char*> models;
  const std::vector<ToolOption> options = {
      {"-o", "--output", true, [&](const char* given, const char* value, std::string& problem) {
         if (!value || value[0] == '\0') {
           problem = withDetail("%s needs a file name", given);
           return false;
         }
         outputText = value;
         return true;
       }}};
  const int parsed = parseToolArguments(command, argc, argv, options, models);
  if (parsed == kToolHelpShown) return kToolOk;
  if (parsed != kToolOk) return parsed;
  if (models.size() > 1) {
    return usageError(command, withDetail("unexpected argument '%s' (one model only)", models[1]));
  }
  if (models.empty() || models[0][0] == '\0') return usageError(command, "no model given");
  if (!outputText) return usageError(command, "no output file given (-o OUT.glb|.gltf|.obj)");
  ExportFormat format = ExportFormat::kGlb;
  if (!formatOf(fs::u8path(outputText), format)) {
    return usageError(command, withDetail("'%s' does not end in .glb, .gltf or .obj", outputText));
  }
  std::string outputPath;
  if (!absolutePath(outputText, outputPath) || fs::u8path(outputPath).filename().empty()) {
    std::fprintf(stderr, "vistrel-tool export: cannot use the output path '%s'\n", outputText);
    return kToolFailed;
  }
  const fs::path output = fs::u8path(outputPath);

  headlessSetEchoBoxes(true);
  ToolSession session;
  openReadingSession(session);
  ExportCounts counts;
  ExportScene scene;
  BatchSteps steps;
  steps.read = [&](const BatchModel& model, BatchRead& read) {
    readToolModel("export", session, model, read, ReadOptions());
  };
  steps.make = [&](const BatchModel&, BatchRead& read) {
    try {
      buildExportScene(read.model, read.uploads, session.textures.checkerTexture, sideStem(output),
                       scene);
    } catch (const std::exception& failure) {
      // Memory runs out on a model far larger than the machine can hold twice.
      std::fprintf(stderr, "vistrel-tool export: %s\n", failure.what());
      return false;
    }
    return true;
  };
  const bool gathered = runSingle("export", planSingle(models[0], outputPath), steps) == kToolOk;
  closeToolSession(session);
  if (!gathered) return kToolFailed;
  reportCuts(scene);
  if (!writeScene(scene, output, format, counts)) return kToolFailed;
  std::printf(
      "vistrel-tool export: wrote %s (%lld triangles, %lld vertices, %lld materials, %zu "
      "textures)\n",
      output.u8string().c_str(), static_cast<long long>(counts.triangles),
      static_cast<long long>(counts.vertices), static_cast<long long>(counts.materials),
      scene.images.size());
  return kToolOk;
}
