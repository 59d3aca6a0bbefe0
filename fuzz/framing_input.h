// The layout of the inputs of fuzz_framing, shared with the test that replays
// its seeds and findings. The first byte says which kind an input is: odd, the
// rest is a model input as fuzz_model reads it (model_input.h), read by the
// 3DO reader; even, the rest is a small binary model decoded straight into a
// Model record, so that every float, NaN and infinity included, reaches the
// framing exactly. The view comes first in both: three rotation bytes (a
// step of 360 / 256 degrees), the fill (byte + 1) / 256 and the picture's
// width and height (byte + 1 pixels each).
//
// A binary model, after the view: a vertex layout byte (0 as given, 1 every
// vertex equal to the first, 2 on the line from the first through steps of
// the second, 3 every vertex in the first one's z plane), the model's radius
// and insert offset, a material count (byte % 3) with each material's side
// (byte % 5 texels), a mesh count (1 + byte % 3) and the meshes, a node count
// (1 + byte % 6) and the nodes. A mesh: radius, vertex count (byte % 9) and
// each vertex's position and normal, texture vertex count (byte % 5) and
// their coordinates, face count (byte % 9) and extra triangle count (byte % 3)
// and the triangles. A triangle: three vertex and three texture vertex
// indices and its material, each byte % (count + 2) - 1 (so one past either
// end too), its type (byte % 4) and its normal. A node: mesh (byte % (meshes
// + 2) - 1), parent (byte % (nodes + 1) - 1, loops allowed), position and
// pivot. Every number is one selector byte: below 16 a hostile constant
// (kFramingNumbers), below 128 (byte - 72) / 8, else the next four bytes as a
// raw float. Missing bytes read as 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "model/model.h"

struct FramingView {
  float rotation[3] = {0, 0, 0};
  double fill = 1;
  int width = 1;
  int height = 1;
};

constexpr float kFramingNumbers[16] = {0.0f,
                                       1.0f,
                                       -1.0f,
                                       0.5f,
                                       1e38f,
                                       -1e38f,
                                       1e-38f,
                                       -1e-38f,
                                       std::numeric_limits<float>::max(),
                                       -std::numeric_limits<float>::max(),
                                       std::numeric_limits<float>::infinity(),
                                       -std::numeric_limits<float>::infinity(),
                                       std::numeric_limits<float>::quiet_NaN(),
                                       std::numeric_limits<float>::denorm_min(),
                                       1e30f,
                                       1e-30f};

struct FramingBytes {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t at = 0;

  uint8_t byte() { return at < size ? data[at++] : 0; }
  int32_t pick(int32_t count) { return byte() % (count + 2) - 1; }
  float number() {
    const uint8_t selector = byte();
    if (selector < 16) return kFramingNumbers[selector];
    if (selector < 128) return static_cast<float>(selector - 72) / 8.0f;
    uint8_t raw[4] = {byte(), byte(), byte(), byte()};
    float value = 0;
    std::memcpy(&value, raw, sizeof value);
    return value;
  }
  Vec3 vec3() {
    Vec3 v;
    v.x = number();
    v.y = number();
    v.z = number();
    return v;
  }
};

inline void decodeFramingView(FramingBytes& in, FramingView& view) {
  for (float& angle : view.rotation) angle = static_cast<float>(in.byte()) * (360.0f / 256.0f);
  view.fill = (in.byte() + 1) / 256.0;
  view.width = in.byte() + 1;
  view.height = in.byte() + 1;
}

template <typename T>
T* framingArray(int32_t count) {
  return count > 0 ? static_cast<T*>(std::calloc(static_cast<size_t>(count), sizeof(T))) : nullptr;
}

inline void decodeFramingFace(FramingBytes& in, const Mesh& mesh, int32_t materials, Face& face) {
  for (int32_t& index : face.vertex) index = in.pick(mesh.vertexCount);
  for (int32_t& index : face.texVertex) index = in.pick(mesh.texVertexCount);
  face.material = in.pick(materials);
  face.type = in.byte() % 4;
  face.normal = in.vec3();
}

inline void decodeFramingMesh(FramingBytes& in, int layout, int32_t materials, Mesh& mesh) {
  mesh.radius = in.number();
  mesh.vertexCount = in.byte() % 9;
  mesh.vertices = framingArray<Vertex>(mesh.vertexCount);
  Vec3 step;
  for (int32_t i = 0; i < mesh.vertexCount; ++i) {
    Vertex& vertex = mesh.vertices[i];
    vertex.position = in.vec3();
    vertex.normal = in.vec3();
    if (i == 0) continue;
    const Vec3& first = mesh.vertices[0].position;
    if (layout == 1) vertex.position = first;
    if (layout == 2) {
      if (i == 1) step = vertex.position;
      vertex.position =
          Vec3{first.x + static_cast<float>(i) * step.x, first.y + static_cast<float>(i) * step.y,
               first.z + static_cast<float>(i) * step.z};
    }
    if (layout == 3) vertex.position.z = first.z;
  }
  mesh.texVertexCount = in.byte() % 5;
  mesh.texVertices = framingArray<TexVertex>(mesh.texVertexCount);
  for (int32_t i = 0; i < mesh.texVertexCount; ++i) {
    mesh.texVertices[i].u = in.number();
    mesh.texVertices[i].v = in.number();
  }
  mesh.faceCount = in.byte() % 9;
  mesh.extraTriangleCount = in.byte() % 3;
  mesh.faces = framingArray<Face>(mesh.faceCount);
  mesh.extraTriangles = framingArray<Face>(mesh.extraTriangleCount);
  for (int32_t i = 0; i < mesh.faceCount; ++i)
    decodeFramingFace(in, mesh, materials, mesh.faces[i]);
  for (int32_t i = 0; i < mesh.extraTriangleCount; ++i) {
    decodeFramingFace(in, mesh, materials, mesh.extraTriangles[i]);
  }
}

// Fills the empty model (arrays from calloc, as releaseModel frees them) from
// a binary model; the materials keep texture name 0.
inline void decodeFramingModel(FramingBytes& in, Model& model) {
  const int layout = in.byte() % 4;
  model.radius = in.number();
  model.insertOffset = in.vec3();
  model.materialCount = in.byte() % 3;
  model.materialNames = framingArray<char[32]>(model.materialCount);
  model.materials = framingArray<Material>(model.materialCount);
  for (int32_t i = 0; i < model.materialCount; ++i) {
    model.materialNames[i][0] = static_cast<char>('0' + i);
    const uint32_t side = in.byte() % 5;
    model.materials[i].width = side;
    model.materials[i].height = side;
  }
  model.meshCount = 1 + in.byte() % 3;
  model.meshes = framingArray<Mesh>(model.meshCount);
  for (int32_t i = 0; i < model.meshCount; ++i) {
    model.meshes[i].name[0] = static_cast<char>('a' + i);
    decodeFramingMesh(in, layout, model.materialCount, model.meshes[i]);
  }
  model.nodeCount = 1 + in.byte() % 6;
  model.nodes = framingArray<HierarchyNode>(model.nodeCount);
  for (int32_t i = 0; i < model.nodeCount; ++i) {
    HierarchyNode& node = model.nodes[i];
    node.mesh = in.pick(model.meshCount);
    node.parent = in.byte() % (model.nodeCount + 1) - 1;
    node.position = in.vec3();
    node.pivot = in.vec3();
  }
}
