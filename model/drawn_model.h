// What a model draws, decided without GL: the one axis mapping from the
// file's axes to the drawing's, the rules that make a triangle record
// drawable and textured, and the one walk of the parent chains that places
// every node. The drawing, its bounds, the framing and the exporters all
// follow these, so what they measure or write is what the viewer shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/model.h"

// The file's (x, y, z) in the drawing's GL axes: (-x, z, y). Used for
// positions, normals, node positions and pivots alike.
inline Vec3 toGlAxes(const Vec3& file) {
  return Vec3{-file.x, file.z, file.y};
}

// A record is drawn only when every vertex index lies inside its mesh.
bool faceVerticesInRange(const Mesh& mesh, const Face& face);
// The record's material when it is drawn textured: material and texture
// vertices in range and a material with a non-zero size; null when the record
// is drawn untextured.
const Material* texturableMaterial(const Model& model, const Mesh& mesh, const Face& face);

// How a node stands in the tree the walk finds.
enum : uint8_t {
  kNodeInTree = 0,   // below its parent, or a root by a parent outside the nodes
  kNodeOnLoop = 1,   // on a parent loop: a root placed by the whole loop
  kNodeTooDeep = 2,  // below the depth limit: a root where the chain places it
};

// The result of one walk, kept by the caller so that walking frame after
// frame allocates nothing.
struct NodeChains {
  std::vector<Vec3> offsets;     // each node's parent-chain offset, GL axes
  std::vector<uint8_t> kind;     // kNodeInTree, kNodeOnLoop or kNodeTooDeep
  std::vector<int32_t> depth;    // levels below its root (0: a root)
  int32_t loops = 0;             // parent loops found
  int32_t tooDeep = 0;           // nodes cut at the depth limit
  std::vector<uint8_t> state;    // working: resolution state per node
  std::vector<int32_t> pending;  // working: the chain being resolved
};

// Walks every node's parent chain once. A node's offset is the sum of the
// positions from its root down to itself, in GL axes: where the drawing
// places its mesh before its pivot. A parent outside the nodes ends a chain.
// A parent loop has no root: each node of the loop is placed by the whole
// loop, every member counted once, and a chain leading into the loop goes on
// from there. With maxDepth above 0, a node maxDepth levels below its root
// becomes a root of its own (its offset unchanged) and the levels below it
// count from it. Costs the number of nodes, however deep or cyclic the
// hierarchy. The model's nodes must exist when its node count is above 0.
void walkNodeChains(const Model& model, NodeChains& chains, int32_t maxDepth = 0);
