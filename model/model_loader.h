// The 3DO loader written once over its text access: every reading step of
// loadModel as a template on the object that hands out lines, words and
// numbers. model_reader.cpp instantiates it with the block-buffered reading;
// the tests' stdio reference reading (tests/reference/) instantiates the very
// same steps, so the two can differ only in how text is read. Include it only
// from those two places.
//
// Beyond the plain positional reading, the loader guards against bad files:
// the end of the file before the sequence is complete, negative counts and
// counts too large to allocate each end the load with a message and the
// report's "Last Line Read" tail. No array is ever given more elements than
// the rest of the file could fill (each element needs at least one word and
// its separator, two bytes), so a small file that claims a huge count fails
// at its end without touching large amounts of memory, with the same result
// as a full allocation. After any failure every count equals the number of
// elements of its array, so the Model is safe to draw and to release.
//
// Reading needs no GL: every MAT file is decoded into its material's pixels
// and the textures to make are listed in reading order (TextureUpload), so
// that a caller may read on one thread and make the textures on the thread
// that owns the context (uploadModelTextures). loadWith does both in turn,
// which gives the same textures, made in the same order, as uploading each
// one as it is read.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "image/mat_reader.h"
#include "image/resolve_path.h"
#include "model/model.h"
#include "model/model_reader.h"
#include "model/model_text_buffer.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace model_loader {

constexpr int32_t kMaxExtraTriangles = 1024;
constexpr size_t kMaterialNameSize = 32;
constexpr size_t kMeshNameSize = 16;

// A fan triangle waiting for the normals of the face it was cut from.
struct PendingTriangle {
  int32_t vertex[3];
  int32_t texVertex[3];
  int32_t face;
};

template <class Text>
struct Loader {
  Model* model = nullptr;
  const char* path = nullptr;
  const char* folder = nullptr;  // where MAT names are taken from; null: the current folder
  std::vector<TextureUpload>* uploads = nullptr;
  FILE* file = nullptr;
  Text text;
  FILE* report = nullptr;
  std::string* reportCopy = nullptr;
  long long fileSize = -1;
  char line[256] = {};
  char word[256] = {};
  int32_t cornerCount = 0;  // like every target, keeps its value when a read fails
  PendingTriangle pending[kMaxExtraTriangles];
  int32_t pendingCount = 0;
};

template <class Text>
void writeReport(Loader<Text>& loader, const char* format, ...) {
  char small[512];
  va_list arguments;
  va_start(arguments, format);
  int length = std::vsnprintf(small, sizeof small, format, arguments);
  va_end(arguments);
  if (length < 0) return;
  const char* text = small;
  std::vector<char> large;
  if (static_cast<size_t>(length) >= sizeof small) {
    large.resize(static_cast<size_t>(length) + 1);
    va_start(arguments, format);
    std::vsnprintf(large.data(), large.size(), format, arguments);
    va_end(arguments);
    text = large.data();
  }
  if (loader.report) std::fwrite(text, 1, static_cast<size_t>(length), loader.report);
  if (loader.reportCopy) loader.reportCopy->append(text, static_cast<size_t>(length));
}

inline bool fail(const char* message) {
  platformMessageBox(message, "ERROR", kMbOk);
  return false;
}

// A failure after the header: the report's tail quotes the line buffer.
template <class Text>
bool failWithLine(Loader<Text>& loader, const char* message) {
  writeReport(loader, "\nLast Line Read in %s: %s\n", loader.path, loader.line);
  return fail(message);
}

template <class Text>
bool nextLine(Loader<Text>& loader) {
  if (loader.text.line(loader.line)) return true;
  return failWithLine(loader, "Unexpected end of 3do file");
}

template <class Text>
bool skipLines(Loader<Text>& loader, int count) {
  for (int i = 0; i < count; ++i) {
    if (!nextLine(loader)) return false;
  }
  return true;
}

// Matches the line against a "KEYWORD %d" format; a line that does not match
// leaves the count at 0.
template <class Text>
int32_t matchCount(Loader<Text>& loader, const char* format) {
  int value = 0;
  loader.text.scan(loader.line, format, &value);
  return value;
}

// How many elements an array for count may get: count itself, but never more
// than the rest of the file could fill.
template <class Text>
long long boundedCount(Loader<Text>& loader, int32_t count) {
  long long bounded = count;
  long long remaining = loader.text.remaining(loader.fileSize);
  if (remaining >= 0 && bounded > remaining / 2 + 2) bounded = remaining / 2 + 2;
  return bounded;
}

// Allocates the array for a count: each element value-initialised (defaults
// where the file does not say otherwise), at least one element so that an
// array of count 0 exists too. An array that the rest of the file fills is
// bounded by what the file can hold. allocated receives the number of usable
// elements.
template <class Text, typename T>
bool allocateArray(Loader<Text>& loader, int32_t count, T*& array, int32_t& allocated,
                   bool filledFromFile = true) {
  if (count < 0) return failWithLine(loader, "Invalid count in 3do file");
  long long elements = filledFromFile ? boundedCount(loader, count) : count;
  size_t slots = elements > 0 ? static_cast<size_t>(elements) : 1;
  if (static_cast<unsigned long long>(elements) > SIZE_MAX / sizeof(T) ||
      slots > SIZE_MAX / sizeof(T)) {
    return failWithLine(loader, "Could not allocate memory for model");
  }
  void* memory = std::malloc(slots * sizeof(T));
  if (!memory) return failWithLine(loader, "Could not allocate memory for model");
  T* typed = static_cast<T*>(memory);
  for (size_t i = 0; i < slots; ++i) new (&typed[i]) T();
  array = typed;
  allocated = static_cast<int32_t>(elements);
  return true;
}

// Copies at most size - 1 characters of source into a NUL-terminated slot.
inline void copyCut(char* slot, size_t size, const char* source) {
  size_t length = std::strlen(source);
  if (length > size - 1) length = size - 1;
  std::memcpy(slot, source, length);
  slot[length] = '\0';
}

template <class Text>
bool readHeader(Loader<Text>& loader) {
  if (!loader.text.line(loader.line) || !loader.text.line(loader.line)) {
    return fail("File header does not match 3do");
  }
  loader.word[0] = '\0';
  loader.text.scan(loader.line, "%255s", loader.word);
  if (std::strncmp(loader.word, "3DO", 3) != 0) return fail("File header does not match 3do");
  return true;
}

template <class Text>
bool readMaterials(Loader<Text>& loader) {
  Model& model = *loader.model;
  if (!skipLines(loader, 2)) return false;
  int32_t count = matchCount(loader, "MATERIALS %d");
  writeReport(loader, "There are %d Mats\n", count);
  Material* materials = nullptr;
  int32_t allocated = 0;
  if (!allocateArray(loader, count, materials, allocated)) return false;
  size_t slots = allocated > 0 ? static_cast<size_t>(allocated) : 1;
  auto* names = static_cast<char(*)[kMaterialNameSize]>(std::calloc(slots, kMaterialNameSize));
  if (!names) {
    std::free(materials);
    return failWithLine(loader, "Could not allocate memory for model");
  }
  model.materials = materials;
  model.materialNames = names;
  model.materialCount = allocated;

  // Materials that name a file already loaded in this load share its texture,
  // so a model naming one MAT file many times costs one texture, not one per
  // line (memory would otherwise grow with lines times image size). A file
  // that failed is tried again by each material that names it, so each
  // failure still shows its own message.
  std::unordered_map<std::string, int32_t> loadedByFile;
  std::vector<TextureUpload>& uploads = *loader.uploads;
  for (int32_t i = 0; i < count; ++i) {
    if (!nextLine(loader)) return false;
    if (i >= allocated) return failWithLine(loader, "Unexpected end of 3do file");
    char first[256];
    if (loader.text.scan(loader.line, "%255s %255s", first, loader.word) == 2) {
      copyCut(names[i], kMaterialNameSize, loader.word);
    }
    Material& material = materials[i];
    std::string fileKey = resolvedFileKey(names[i], loader.folder);
    auto loaded = fileKey.empty() ? loadedByFile.end() : loadedByFile.find(fileKey);
    if (loaded != loadedByFile.end()) {
      const Material& shared = materials[loaded->second];
      uploads.push_back({i, loaded->second});  // its texture, once made
      material.width = shared.width;
      material.height = shared.height;
      material.bitsPerPixel = shared.bitsPerPixel;
      material.format = shared.format;
      writeReport(loader, "\tMat #%d = %s\t\t%d x %d\n", i, names[i],
                  static_cast<int>(material.width), static_cast<int>(material.height));
      continue;
    }
    if (loadMat(material, names[i], loader.folder)) {
      if (!fileKey.empty()) loadedByFile.emplace(fileKey, i);
      uploads.push_back({i, i});  // the pixels wait for the upload
      writeReport(loader, "\tMat #%d = %s\t\t%d x %d\n", i, names[i],
                  static_cast<int>(material.width), static_cast<int>(material.height));
    } else {
      material.textureName = model.fallbackTexture;
      material.width = static_cast<uint32_t>(model.fallbackTextureSize);
      material.height = static_cast<uint32_t>(model.fallbackTextureSize);
      writeReport(loader, "\tMat #%d = %s\t\t? x ? Error: Could not load texture\n", i, names[i]);
    }
  }
  return true;
}

template <class Text>
bool readPlacement(Loader<Text>& loader) {
  Model& model = *loader.model;
  if (!skipLines(loader, 2)) return false;
  loader.text.scan(loader.line, "RADIUS %f", &model.radius);
  writeReport(loader, "Model Radius = %f\n", model.radius);
  if (!nextLine(loader)) return false;
  loader.text.scan(loader.line, "INSERT OFFSET %f %f %f", &model.insertOffset.x,
                   &model.insertOffset.y, &model.insertOffset.z);
  writeReport(loader, "Model Offset = %f, %f, %f\n", model.insertOffset.x, model.insertOffset.y,
              model.insertOffset.z);
  return true;
}

// One "%s %f %f %f" row per element; the first word is ignored.
template <class Text>
bool readVec3Rows(Loader<Text>& loader, int32_t count, Vertex* vertices, int32_t allocated,
                  bool normals) {
  for (int32_t i = 0; i < count; ++i) {
    if (!nextLine(loader)) return false;
    if (i >= allocated) return failWithLine(loader, "Unexpected end of 3do file");
    Vec3& target = normals ? vertices[i].normal : vertices[i].position;
    loader.text.rowScan(loader.line, loader.word, &target.x, &target.y, &target.z);
  }
  return true;
}

// The face list, read from the stream as words and numbers. Each face's first
// triangle goes into faces; the fan triangles of faces with more corners wait
// in loader.pending for their face's normal.
template <class Text>
bool readFaceList(Loader<Text>& loader, Mesh& mesh, int32_t count) {
  loader.pendingCount = 0;
  for (int32_t i = 0; i < count;) {
    if (!loader.text.word(loader.word, sizeof loader.word)) {
      return failWithLine(loader, "Unexpected end of 3do file");
    }
    if (loader.word[0] == '#') {
      // A comment where a face begins ends with its physical line.
      loader.text.skipRest();
      continue;
    }
    if (i >= mesh.faceCount) return failWithLine(loader, "Unexpected end of 3do file");
    Face& face = mesh.faces[i];
    if (loader.text.faceHead(face.material, face.type, loader.cornerCount) == EOF) {
      return failWithLine(loader, "Unexpected end of 3do file");
    }
    for (int corner = 0; corner < 3; ++corner) {
      if (loader.text.cornerPair(face.vertex[corner], face.texVertex[corner]) == EOF) {
        return failWithLine(loader, "Unexpected end of 3do file");
      }
    }
    int32_t previousVertex = face.vertex[2];
    int32_t previousTexVertex = face.texVertex[2];
    int32_t vertex = previousVertex;
    int32_t texVertex = previousTexVertex;
    for (int32_t corner = 3; corner < loader.cornerCount; ++corner) {
      if (loader.text.cornerPair(vertex, texVertex) == EOF) {
        return failWithLine(loader, "Unexpected end of 3do file");
      }
      if (loader.pendingCount == kMaxExtraTriangles) {
        return failWithLine(loader, "Too Many non-3-sided faces!");
      }
      PendingTriangle& triangle = loader.pending[loader.pendingCount++];
      triangle.vertex[0] = face.vertex[0];
      triangle.vertex[1] = previousVertex;
      triangle.vertex[2] = vertex;
      triangle.texVertex[0] = face.texVertex[0];
      triangle.texVertex[1] = previousTexVertex;
      triangle.texVertex[2] = texVertex;
      triangle.face = i;
      previousVertex = vertex;
      previousTexVertex = texVertex;
    }
    ++i;
  }
  return true;
}

template <class Text>
bool readMesh(Loader<Text>& loader, int32_t index, Mesh& mesh) {
  if (!nextLine(loader)) return false;
  int number = 0;
  if (loader.text.scan(loader.line, "MESH %d", &number) != 1 || number != index) {
    return failWithLine(loader, "MESH header read error");
  }
  if (!nextLine(loader)) return false;
  if (loader.text.scan(loader.line, "NAME %255s", loader.word) == 1) {
    copyCut(mesh.name, kMeshNameSize, loader.word);
  }
  writeReport(loader, "Mesh #%d = %s\n", index, mesh.name);
  if (!nextLine(loader)) return false;
  loader.text.scan(loader.line, "RADIUS %f", &mesh.radius);
  writeReport(loader, "\tMesh Radius = %f\n", mesh.radius);

  if (!skipLines(loader, 4)) return false;
  int32_t vertexCount = matchCount(loader, "VERTICES %d");
  writeReport(loader, "\tNumber of Verts = %d\n", vertexCount);
  if (!allocateArray(loader, vertexCount, mesh.vertices, mesh.vertexCount)) return false;
  if (!readVec3Rows(loader, vertexCount, mesh.vertices, mesh.vertexCount, false)) return false;

  if (!nextLine(loader)) return false;
  int32_t texVertexCount = matchCount(loader, "TEXTURE VERTICES %d");
  writeReport(loader, "\tNumber of Tex Verts = %d\n", texVertexCount);
  if (!allocateArray(loader, texVertexCount, mesh.texVertices, mesh.texVertexCount)) return false;
  for (int32_t i = 0; i < texVertexCount; ++i) {
    if (!nextLine(loader)) return false;
    if (i >= mesh.texVertexCount) return failWithLine(loader, "Unexpected end of 3do file");
    TexVertex& texVertex = mesh.texVertices[i];
    loader.text.rowScan(loader.line, loader.word, &texVertex.u, &texVertex.v, nullptr);
  }

  if (!nextLine(loader)) return false;
  if (!readVec3Rows(loader, vertexCount, mesh.vertices, mesh.vertexCount, true)) return false;

  if (!nextLine(loader)) return false;
  int32_t faceCount = matchCount(loader, "FACES %d");
  writeReport(loader, "\tNumber of Triangles = %d\n", faceCount);
  if (!allocateArray(loader, faceCount, mesh.faces, mesh.faceCount)) return false;
  if (!readFaceList(loader, mesh, faceCount)) return false;
  writeReport(loader, "\tConverted polygons to %d triangles.\n", loader.pendingCount);

  if (!nextLine(loader)) return false;
  for (int32_t i = 0; i < faceCount; ++i) {
    if (!nextLine(loader)) return false;
    if (i >= mesh.faceCount) return failWithLine(loader, "Unexpected end of 3do file");
    Vec3& normal = mesh.faces[i].normal;
    loader.text.rowScan(loader.line, loader.word, &normal.x, &normal.y, &normal.z);
  }

  Face* extra = nullptr;
  int32_t extraCount = 0;
  if (!allocateArray(loader, loader.pendingCount, extra, extraCount, false)) return false;
  for (int32_t j = 0; j < extraCount; ++j) {
    const PendingTriangle& triangle = loader.pending[j];
    const Face& source = mesh.faces[triangle.face];
    Face& target = extra[j];
    for (int corner = 0; corner < 3; ++corner) {
      target.vertex[corner] = triangle.vertex[corner];
      target.texVertex[corner] = triangle.texVertex[corner];
    }
    target.type = source.type;
    target.normal = source.normal;
    target.material = source.material;
  }
  mesh.extraTriangles = extra;
  mesh.extraTriangleCount = extraCount;
  return true;
}

template <class Text>
bool readMeshes(Loader<Text>& loader) {
  Model& model = *loader.model;
  if (!skipLines(loader, 3)) return false;
  int32_t count = matchCount(loader, "MESHES %d");
  writeReport(loader, "There are %d Meshes\n", count);
  if (!allocateArray(loader, count, model.meshes, model.meshCount)) return false;
  for (int32_t i = 0; i < count; ++i) {
    if (i >= model.meshCount) return failWithLine(loader, "Unexpected end of 3do file");
    if (!readMesh(loader, i, model.meshes[i])) return false;
  }
  return true;
}

template <class Text>
bool readNodes(Loader<Text>& loader) {
  Model& model = *loader.model;
  if (!skipLines(loader, 2)) return false;
  int32_t count = matchCount(loader, "HIERARCHY NODES %d");
  writeReport(loader, "Number of Hierarchy Nodes = %d\n", count);
  if (!allocateArray(loader, count, model.nodes, model.nodeCount)) return false;
  for (int32_t i = 0; i < count; ++i) {
    if (!nextLine(loader)) return false;
    if (i >= model.nodeCount) return failWithLine(loader, "Unexpected end of 3do file");
    HierarchyNode& node = model.nodes[i];
    int mesh = node.mesh;
    int parent = node.parent;
    char ignored[8][256];
    loader.text.scan(
        loader.line,
        "%255s %255s %255s %d %d %255s %255s %255s %f %f %f %255s %255s %255s %f %f %f", ignored[0],
        ignored[1], ignored[2], &mesh, &parent, ignored[3], ignored[4], ignored[5],
        &node.position.x, &node.position.y, &node.position.z, ignored[6], ignored[7], loader.word,
        &node.pivot.x, &node.pivot.y, &node.pivot.z);
    node.mesh = mesh;
    node.parent = parent;
  }
  return true;
}

template <class Text>
bool readModelFile(Loader<Text>& loader) {
  writeReport(loader, "- Model Statistics for %s -\n\n", loader.path);
  return readHeader(loader) && readMaterials(loader) && readPlacement(loader) &&
         readMeshes(loader) && readNodes(loader);
}

// Reads the model as loadWith does, without GL: see readModelData
// (model_reader.h). reportPath names the report file, taken from the current
// folder when relative; null writes none (reportCopy still receives the
// report). folder, when given, is where MAT names are taken from.
template <class Text>
bool readWith(Model& model, const char* path, std::string* reportCopy, const char* reportPath,
              const char* folder, std::vector<TextureUpload>& uploads) {
  releaseModel(model);
  uploads.clear();
  if (reportCopy) reportCopy->clear();
  auto loader = std::make_unique<Loader<Text>>();
  loader->model = &model;
  loader->path = path ? path : "";
  loader->folder = folder;
  loader->uploads = &uploads;
  loader->reportCopy = reportCopy;
  loader->file =
      loader->path[0] != '\0' ? platformOpenFile(loader->path, Text::kOpenMode) : nullptr;
  loader->report = reportPath ? platformOpenFile(reportPath, "w") : nullptr;
  if (!loader->file) {
    if (loader->report) std::fclose(loader->report);
    return fail("Could not open 3do file");
  }
  loader->fileSize = streamSize(loader->file);
  loader->text.open(loader->file);
  bool loaded = readModelFile(*loader);
  loader->text.close();
  std::fclose(loader->file);
  if (loader->report) std::fclose(loader->report);
  return loaded;
}

// The whole load in the current folder: the reading, then the textures of
// whatever was read (also after a failure, so that every material read so
// far has its texture).
template <class Text>
bool loadWith(Model& model, const char* path, std::string* reportCopy,
              const char* reportPath = "ModelStats.txt") {
  std::vector<TextureUpload> uploads;
  const bool loaded = readWith<Text>(model, path, reportCopy, reportPath, nullptr, uploads);
  uploadModelTextures(model, uploads);
  return loaded;
}

}  // namespace model_loader
