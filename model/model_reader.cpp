// loadModel: the 3DO reader. Reads the fixed sequence of significant lines of
// a 3DO file into the Model, loads each material's MAT texture, cuts faces
// into triangle fans and writes the "ModelStats.txt" report as the values are
// read, then uploads the textures (readModelData and uploadModelTextures are
// the two parts on their own). The steps are model_loader.h's; this file gives them the
// fast text access: the file read in blocks through model_text_buffer and
// matched by model_scan.
#include "model/model_reader.h"

#include <cstdarg>
#include <cstdlib>
#include <string>

#include "model/model_loader.h"
#include "model/model_scan.h"
#include "model/model_text_buffer.h"

namespace {

// The fast text access: the same operations over a block buffer. Binary
// mode, so that the bytes (CRs included) are those the reference sees.
struct BufferedText {
  static constexpr const char* kOpenMode = "rb";
  ModelTextBuffer buffer;
  void open(FILE* stream) { openModelTextBuffer(buffer, stream); }
  void close() { closeModelTextBuffer(buffer); }
  bool line(char* line) { return readModelLine(line, buffer); }
  int scan(const char* line, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    int result = scanModelLineV(line, format, arguments);
    va_end(arguments);
    return result;
  }
  int rowScan(const char* line, char* word, float* first, float* second, float* third) {
    return scanModelLineWordFloats(line, word, first, second, third);
  }
  bool word(char* word, size_t size) { return readStreamWord(buffer, word, size); }
  void skipRest() { skipRestOfLine(buffer); }
  int faceHead(int32_t& material, int32_t& type, int32_t& corners) {
    return scanFaceHead(buffer, material, type, corners);
  }
  int cornerPair(int32_t& vertex, int32_t& texVertex) {
    return scanCornerPair(buffer, vertex, texVertex);
  }
  long long remaining(long long size) { return bufferRemaining(buffer, size); }
};

}  // namespace

bool readModelData(Model& model, const char* path, const char* folder, const char* reportPath,
                   std::vector<TextureUpload>& uploads, std::string* reportCopy) {
  return model_loader::readWith<BufferedText>(model, path, reportCopy, reportPath, folder, uploads);
}

void uploadModelTextures(Model& model, std::vector<TextureUpload>& uploads) {
  for (const TextureUpload& upload : uploads) {
    if (upload.material < 0 || upload.material >= model.materialCount || upload.source < 0 ||
        upload.source > upload.material) {
      continue;
    }
    Material& material = model.materials[upload.material];
    if (upload.source != upload.material) {
      material.textureName = model.materials[upload.source].textureName;
      continue;
    }
    uploadTexture(material, 3, kGlRgb);
    // Nothing reads the pixels once the texture exists.
    std::free(material.pixels);
    material.pixels = nullptr;
  }
  uploads.clear();
}

bool loadModelWithReport(Model& model, const char* path, std::string* reportCopy) {
  return model_loader::loadWith<BufferedText>(model, path, reportCopy);
}

bool loadModelWithoutReportFile(Model& model, const char* path) {
  return model_loader::loadWith<BufferedText>(model, path, nullptr, nullptr);
}

bool loadModel(Model& model, const char* path) {
  return loadModelWithReport(model, path, nullptr);
}
