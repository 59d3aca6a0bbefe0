// The in-memory form of one 3DO file: materials, meshes with their vertices,
// texture vertices and triangles, and the hierarchy nodes that place the
// meshes. Counts and indices are signed 32-bit; coordinates are stored exactly
// as the file gives them (the axis change happens when drawing).
#pragma once

#include <cstdint>

#include "image/image_data.h"

struct Vec3 {
  float x = 0;
  float y = 0;
  float z = 0;
};

struct Vertex {
  Vec3 position;
  Vec3 normal;
};

struct TexVertex {
  float u = 0;  // texels of the material's image
  float v = 0;
};

// One triangle of a mesh.
struct Face {
  int32_t vertex[3] = {0, 0, 0};
  int32_t texVertex[3] = {0, 0, 0};
  int32_t type = 0;  // digits after "0x", read as decimal; 2 draws blended
  Vec3 normal;
  int32_t material = 0;
};

struct HierarchyNode {
  Vec3 position;  // offset from the parent
  Vec3 pivot;     // applied to the node's own mesh only
  int32_t parent = -1;
  int32_t mesh = -1;
};

struct Mesh {
  char name[16] = {};
  float radius = 0;
  int32_t vertexCount = 0;
  int32_t faceCount = 0;
  int32_t extraTriangleCount = 0;  // at most 1024
  int32_t texVertexCount = 0;
  Vertex* vertices = nullptr;
  TexVertex* texVertices = nullptr;
  Face* faces = nullptr;           // first triangle of each file face
  Face* extraTriangles = nullptr;  // fan triangles of faces with more corners
};

using Material = ImageData;

struct Model {
  float radius = 0;
  uint32_t fallbackTexture = 0;     // texture of materials whose MAT file failed
  int32_t fallbackTextureSize = 0;  // their width and height
  int32_t materialCount = 0;
  int32_t meshCount = 0;
  int32_t nodeCount = 0;
  Vec3 insertOffset;
  char (*materialNames)[32] = nullptr;
  Mesh* meshes = nullptr;
  Material* materials = nullptr;
  HierarchyNode* nodes = nullptr;
};

// Frees every array of the model, and the pixels of materials read but not
// uploaded yet, and leaves it empty (no arrays, counts 0). Keeps
// fallbackTexture and fallbackTextureSize; deletes no texture. Safe on an
// empty model and when called twice.
void releaseModel(Model& model);
