// vistrel-tool export: loads a model exactly as `stats` and `render` do (the
// same messages, the same ModelStats.txt beside the model) and writes it as
// glTF 2.0 (.glb, or .gltf with a .bin) or OBJ (with an MTL), each texture as
// a PNG, the format chosen by the output's extension.
//
// Nothing is left half-written: every file goes first into a private
// temporary folder made beside the output (so the renames stay on one file
// system), and only when all of them are complete are they renamed to their
// places, the side files first and the output itself last. On any failure
// the temporary folder and what it holds are removed and nothing that was on
// disk before has changed.
//
// The texture pixels are read back from the textures the load made: the very
// texels the viewer draws with (the MAT image decoded through the palette, or
// the checker that stands in for a MAT file that cannot be read), without
// changing what the load keeps for the viewer.
#include "tools/vistrel_tool/tool_export.h"

#include <dirent.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "model/model_reader.h"
#include "platform/gl.h"
#include "render/start_state.h"
#include "tools/vistrel_tool/tool.h"
#include "tools/vistrel_tool/tool_png.h"

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

int usageError(const char* format, const char* detail) {
  std::fprintf(stderr, "vistrel-tool export: ");
  std::fprintf(stderr, format, detail);
  std::fprintf(stderr, "\n");
  printExportUsage(stderr);
  return kToolUsage;
}

bool formatOf(const fs::path& path, ExportFormat& format) {
  std::string extension = path.extension().string();
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
  std::string stem = output.stem().string();
  for (char& c : stem) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.';
    if (!plain) c = '_';
  }
  return stem.empty() ? "model" : stem;
}

// The level-0 texels of the image's texture with the image's alpha. False when
// the texture does not hold an image of the material's size (GL refused it),
// which the viewer then draws untextured.
bool readTexture(ExportImage& image) {
  glBindTexture(GL_TEXTURE_2D, image.textureName);
  GLint width = 0;
  GLint height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  if (width != image.width || height != image.height || width <= 0 || height <= 0) return false;
  image.rgba.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  for (size_t i = 3; i < image.rgba.size(); i += 4) image.rgba[i] = image.alpha;
  return glGetError() == GL_NO_ERROR;
}

// Removes the temporary folder and every file in it.
void removeFolder(const std::string& folder) {
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
      unlink((folder + "/" + entry->d_name).c_str());
    }
    closedir(dir);
  }
  rmdir(folder.c_str());
}

}  // namespace

void readTextures(ExportScene& scene) {
  std::vector<int32_t> renumbered(scene.images.size(), -1);
  std::vector<ExportImage> kept;
  for (size_t i = 0; i < scene.images.size(); ++i) {
    if (!readTexture(scene.images[i])) continue;
    renumbered[i] = static_cast<int32_t>(kept.size());
    kept.push_back(std::move(scene.images[i]));
  }
  scene.images = std::move(kept);
  for (ExportMaterial& material : scene.materials) {
    if (material.image >= 0) material.image = renumbered[static_cast<size_t>(material.image)];
  }
}

bool writeImagePng(const ExportImage& image, FILE* file, bool opaque) {
  if (!opaque || image.alpha == 255) {
    return writePngRgba(file, image.width, image.height, image.rgba.data());
  }
  std::vector<unsigned char> pixels = image.rgba;
  for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
  return writePngRgba(file, image.width, image.height, pixels.data());
}

bool writeImageFiles(const ExportScene& scene, const std::string& folder, bool opaque,
                     std::vector<std::string>& writtenFiles) {
  for (const ExportImage& image : scene.images) {
    const std::string name = image.fileStem + ".png";
    FILE* file = std::fopen((folder + "/" + name).c_str(), "wb");
    bool written = file && writeImagePng(image, file, opaque);
    if (file && std::fclose(file) != 0) written = false;
    if (file) writtenFiles.push_back(name);
    if (!written) {
      std::fprintf(stderr, "vistrel-tool export: could not write %s\n", name.c_str());
      return false;
    }
  }
  return true;
}

int runExport(int argc, char** argv) {
  const char* modelPath = nullptr;
  const char* outputText = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      printExportUsage(stdout);
      return kToolOk;
    } else if (std::strcmp(arg, "-o") == 0 || std::strcmp(arg, "--output") == 0) {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') return usageError("%s needs a file name", arg);
      outputText = argv[++i];
    } else if (std::strcmp(arg, "--") == 0 && i + 1 < argc && !modelPath) {
      modelPath = argv[++i];
    } else if (arg[0] == '-' && arg[1] != '\0') {
      return usageError("unknown option '%s'", arg);
    } else if (modelPath) {
      return usageError("unexpected argument '%s' (one model only)", arg);
    } else {
      modelPath = arg;
    }
  }
  if (!modelPath || modelPath[0] == '\0') return usageError("no model given%s", "");
  if (!outputText) return usageError("no output file given (-o OUT.glb|.gltf|.obj)%s", "");
  ExportFormat format = ExportFormat::kGlb;
  if (!formatOf(fs::path(outputText), format)) {
    return usageError("'%s' does not end in .glb, .gltf or .obj", outputText);
  }

  // The output is taken from the folder the tool was started in, before the
  // model's folder becomes the current one.
  std::error_code error;
  const fs::path output = fs::absolute(fs::path(outputText), error).lexically_normal();
  if (error || output.filename().empty()) {
    std::fprintf(stderr, "vistrel-tool export: cannot use the output path '%s'\n", outputText);
    return kToolFailed;
  }

  headlessSetEchoBoxes(true);
  ToolSession session;
  const float black[3] = {0, 0, 0};
  if (!openToolSession(session, 64, 64, black)) return kToolFailed;
  Model model;
  useCheckerFallback(model, session.textures);
  std::string absoluteModel;
  if (!enterModelFolder(modelPath, absoluteModel)) {
    std::fprintf(stderr, "vistrel-tool export: cannot use the path '%s'\n", modelPath);
    closeToolSession(session);
    return kToolFailed;
  }
  if (!loadModel(model, absoluteModel.c_str())) {
    releaseModel(model);
    closeToolSession(session);
    return kToolFailed;
  }

  const std::string stem = sideStem(output);
  ExportScene scene;
  bool gathered = true;
  try {
    buildExportScene(model, stem, scene);
    readTextures(scene);
  } catch (const std::exception& failure) {
    // Memory runs out on a model far larger than the machine can hold twice.
    std::fprintf(stderr, "vistrel-tool export: %s\n", failure.what());
    gathered = false;
  }
  releaseModel(model);
  closeToolSession(session);
  if (!gathered) return kToolFailed;

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

  const std::string folder = output.parent_path().string();
  std::string temporary = folder + "/." + output.filename().string() + ".export-XXXXXX";
  std::vector<char> pattern(temporary.begin(), temporary.end());
  pattern.push_back('\0');
  if (!mkdtemp(pattern.data())) {
    std::fprintf(stderr, "vistrel-tool export: cannot write in '%s'\n", folder.c_str());
    return kToolFailed;
  }
  temporary = pattern.data();

  std::vector<std::string> written;
  ExportCounts counts;
  const std::string mainName = output.filename().string();
  bool complete = false;
  try {
    if (format == ExportFormat::kObj) {
      complete = writeObj(scene, temporary, stem, mainName, written, counts);
    } else {
      complete = writeGltf(scene, temporary, stem, mainName, format == ExportFormat::kGlb, written,
                           counts);
    }
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "vistrel-tool export: %s\n", failure.what());
    complete = false;
  }
  // The side files first, the output itself last.
  for (size_t i = 0; complete && i < written.size(); ++i) {
    if (std::rename((temporary + "/" + written[i]).c_str(), (folder + "/" + written[i]).c_str()) !=
        0) {
      complete = false;
    }
  }
  removeFolder(temporary);
  if (!complete) {
    std::fprintf(stderr, "vistrel-tool export: could not write '%s'\n", output.string().c_str());
    return kToolFailed;
  }
  std::printf(
      "vistrel-tool export: wrote %s (%lld triangles, %lld vertices, %lld materials, %zu "
      "textures)\n",
      output.string().c_str(), static_cast<long long>(counts.triangles),
      static_cast<long long>(counts.vertices), static_cast<long long>(counts.materials),
      scene.images.size());
  return kToolOk;
}
