// Field-by-field comparison of two loaded Models for the reader equivalence
// test: every count, value and array element, floats compared by their bits
// (so -0 and 0, and NaNs with different payloads, differ). GL texture names
// are compared by kind only (the fallback texture, or a texture of its own),
// as each load makes new textures. Returns an empty string when equal, else
// the first difference.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "model/model.h"

namespace model_compare {

inline bool sameBits(const void* a, const void* b, size_t size) {
  return std::memcmp(a, b, size) == 0;
}

template <typename T>
std::string compareArray(const char* what, const T* a, const T* b, int32_t count) {
  if (count <= 0) return "";
  if (!a || !b) return std::string(what) + ": array missing";
  for (int32_t i = 0; i < count; ++i) {
    if (!sameBits(&a[i], &b[i], sizeof(T)))
      return std::string(what) + "[" + std::to_string(i) + "]";
  }
  return "";
}

}  // namespace model_compare

inline std::string compareModels(const Model& a, const Model& b) {
  using model_compare::compareArray;
  using model_compare::sameBits;
  if (!sameBits(&a.radius, &b.radius, sizeof a.radius)) return "radius";
  if (a.materialCount != b.materialCount) return "materialCount";
  if (a.meshCount != b.meshCount) return "meshCount";
  if (a.nodeCount != b.nodeCount) return "nodeCount";
  if (!sameBits(&a.insertOffset, &b.insertOffset, sizeof a.insertOffset)) return "insertOffset";
  for (int32_t i = 0; i < a.materialCount; ++i) {
    const std::string where = "material " + std::to_string(i);
    if (!sameBits(a.materialNames[i], b.materialNames[i], 32)) return where + " name";
    const Material& x = a.materials[i];
    const Material& y = b.materials[i];
    if (x.width != y.width || x.height != y.height) return where + " size";
    if ((x.textureName == a.fallbackTexture) != (y.textureName == b.fallbackTexture)) {
      return where + " texture";
    }
  }
  std::string difference = compareArray("node", a.nodes, b.nodes, a.nodeCount);
  if (!difference.empty()) return difference;
  for (int32_t m = 0; m < a.meshCount; ++m) {
    const Mesh& x = a.meshes[m];
    const Mesh& y = b.meshes[m];
    const std::string where = "mesh " + std::to_string(m) + " ";
    if (!sameBits(x.name, y.name, sizeof x.name)) return where + "name";
    if (!sameBits(&x.radius, &y.radius, sizeof x.radius)) return where + "radius";
    if (x.vertexCount != y.vertexCount || x.texVertexCount != y.texVertexCount ||
        x.faceCount != y.faceCount || x.extraTriangleCount != y.extraTriangleCount) {
      return where + "counts";
    }
    if (!(difference = compareArray("vertex", x.vertices, y.vertices, x.vertexCount)).empty() ||
        !(difference = compareArray("texVertex", x.texVertices, y.texVertices, x.texVertexCount))
             .empty() ||
        !(difference = compareArray("face", x.faces, y.faces, x.faceCount)).empty() ||
        !(difference = compareArray("extraTriangle", x.extraTriangles, y.extraTriangles,
                                    x.extraTriangleCount))
             .empty()) {
      return where + difference;
    }
    if ((x.extraTriangles == nullptr) != (y.extraTriangles == nullptr))
      return where + "extra array";
  }
  return "";
}
