// Shared ground of the fuzz targets (see fuzz_support.h).
#include "fuzz/fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/image_data.h"
#include "platform/gl.h"
#include "platform/headless/headless.h"

void fuzzFail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

void fuzzEnterScratchFolder() {
  headlessSetEchoBoxes(false);
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/vistrel-fuzz-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data()) || chdir(buffer.data()) != 0) fuzzFail("no scratch folder");
}

void fuzzCreateGl(int width, int height) {
  static OffscreenGl gl;
  if (gl.context) return;
  if (!createOffscreenGl(gl, width, height)) fuzzFail("no offscreen OpenGL context");
}

void fuzzInSourceTree(const std::function<void()>& step) {
  char previous[4096];
  if (!getcwd(previous, sizeof previous)) fuzzFail("no current folder");
  if (chdir(VISTREL_SOURCE_DIR) == 0) step();
  if (chdir(previous) != 0) fuzzFail("cannot return to the current folder");
}

std::string fuzzReadSourceFile(const char* path) {
  std::string bytes;
  if (FILE* file = std::fopen((std::string(VISTREL_SOURCE_DIR "/") + path).c_str(), "rb")) {
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    std::fclose(file);
  }
  return bytes;
}

void fuzzClearBoxes() {
  headlessCapturedBoxes().clear();
}

void fuzzWriteFile(const char* name, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(name, "wb");
  if (!file) fuzzFail("cannot write a scratch file");
  if (size > 0 && std::fwrite(data, 1, size, file) != size) fuzzFail("short scratch write");
  if (std::fclose(file) != 0) fuzzFail("cannot close a scratch file");
}

void fuzzWriteModelInput(const uint8_t* data, size_t size) {
  for (int i = 1; i <= kMaxMatFiles; ++i) std::remove(kModelInputNames[i]);
  const std::vector<std::string> parts = splitModelInput(reinterpret_cast<const char*>(data), size);
  for (size_t i = 0; i < parts.size(); ++i) {
    fuzzWriteFile(kModelInputNames[i], reinterpret_cast<const uint8_t*>(parts[i].data()),
                  parts[i].size());
  }
}

void fuzzSetFallbackTexture(Model& model) {
  static uint32_t texture = 0;
  if (texture == 0) {
    unsigned char pixels[4 * 4 * 3];
    for (int i = 0; i < 16; ++i) {
      const bool light = ((i % 4) + (i / 4)) % 2 == 0;
      pixels[3 * i] = light ? 230 : 40;
      pixels[3 * i + 1] = light ? 230 : 40;
      pixels[3 * i + 2] = light ? 60 : 200;
    }
    ImageData checker;
    checker.pixels = pixels;
    checker.bitsPerPixel = 24;
    checker.width = 4;
    checker.height = 4;
    checker.format = kGlRgb;
    uploadTexture(checker, 3, kGlRgb);
    texture = checker.textureName;
  }
  model.fallbackTexture = texture;
  model.fallbackTextureSize = 4;
}

namespace {

// Folds the bytes of n records into a sum the compiler cannot drop, so that
// every byte is really read.
template <typename T>
unsigned touch(const T* records, int32_t count) {
  if (count < 0) fuzzFail("negative count in the model");
  if (count > 0 && !records) fuzzFail("positive count without an array");
  unsigned sum = 0;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(records);
  for (size_t i = 0; i < static_cast<size_t>(count) * sizeof(T); ++i) sum += bytes[i];
  return sum;
}

volatile unsigned sink;

}  // namespace

void fuzzCheckModelArrays(const Model& model) {
  unsigned sum = 0;
  sum += touch(model.materialNames, model.materialCount);
  sum += touch(model.materials, model.materialCount);
  sum += touch(model.nodes, model.nodeCount);
  sum += touch(model.meshes, model.meshCount);
  for (int32_t i = 0; i < model.meshCount; ++i) {
    const Mesh& mesh = model.meshes[i];
    if (mesh.extraTriangleCount > 1024) fuzzFail("more than 1024 extra triangles in a mesh");
    if (std::memchr(mesh.name, '\0', sizeof mesh.name) == nullptr) {
      fuzzFail("mesh name without its terminator");
    }
    sum += touch(mesh.vertices, mesh.vertexCount);
    sum += touch(mesh.texVertices, mesh.texVertexCount);
    sum += touch(mesh.faces, mesh.faceCount);
    sum += touch(mesh.extraTriangles, mesh.extraTriangleCount);
  }
  for (int32_t i = 0; i < model.materialCount; ++i) {
    if (std::memchr(model.materialNames[i], '\0', 32) == nullptr) {
      fuzzFail("material name without its terminator");
    }
  }
  sink = sum;
}

void fuzzReleaseModel(Model& model) {
  for (int32_t i = 0; model.materials && i < model.materialCount; ++i) {
    const GLuint name = model.materials[i].textureName;
    if (name != 0 && name != model.fallbackTexture) glDeleteTextures(1, &name);
  }
  releaseModel(model);
  if (model.materialNames || model.materials || model.meshes || model.nodes ||
      model.materialCount != 0 || model.meshCount != 0 || model.nodeCount != 0) {
    fuzzFail("releaseModel left the model not empty");
  }
  releaseModel(model);
}

void fuzzUploadGuarded(const ImageData& image, int components) {
  const size_t size = static_cast<size_t>(image.width) * image.height * (image.bitsPerPixel / 8);
  if (!image.pixels || size == 0) return;
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t dataPages = (size + page - 1) / page;
  const size_t total = (dataPages + 2) * page;  // a guard page on either side
  void* mapped = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) fuzzFail("mmap failed");
  unsigned char* base = static_cast<unsigned char*>(mapped);
  if (mprotect(base, page, PROT_NONE) != 0 ||
      mprotect(base + (dataPages + 1) * page, page, PROT_NONE) != 0) {
    fuzzFail("mprotect failed");
  }
  unsigned char* pixels = base + (dataPages + 1) * page - size;
  std::memcpy(pixels, image.pixels, size);
  ImageData copy = image;
  copy.pixels = pixels;
  copy.textureName = 0;
  uploadTexture(copy, components, copy.format);
  glFinish();
  const GLuint name = copy.textureName;
  glDeleteTextures(1, &name);
  munmap(mapped, total);
}
