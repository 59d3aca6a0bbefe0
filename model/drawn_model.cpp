// The drawing's rules for triangle records and the walk of the parent chains
// (see drawn_model.h). The reader stores indices unchecked, so these are
// where they are made safe for every user of a model.
#include "model/drawn_model.h"

#include <cstddef>

bool faceVerticesInRange(const Mesh& mesh, const Face& face) {
  if (!mesh.vertices) return false;
  for (int corner = 0; corner < 3; ++corner) {
    if (face.vertex[corner] < 0 || face.vertex[corner] >= mesh.vertexCount) return false;
  }
  return true;
}

const Material* texturableMaterial(const Model& model, const Mesh& mesh, const Face& face) {
  if (!model.materials || face.material < 0 || face.material >= model.materialCount) {
    return nullptr;
  }
  if (!mesh.texVertices) return nullptr;
  for (int corner = 0; corner < 3; ++corner) {
    if (face.texVertex[corner] < 0 || face.texVertex[corner] >= mesh.texVertexCount) {
      return nullptr;
    }
  }
  const Material& material = model.materials[face.material];
  if (material.width == 0 || material.height == 0) return nullptr;
  return &material;
}

void walkNodeChains(const Model& model, NodeChains& chains, int32_t maxDepth) {
  enum : uint8_t { kUnknown, kResolving, kResolved };
  std::vector<Vec3>& offsets = chains.offsets;
  std::vector<uint8_t>& state = chains.state;
  std::vector<int32_t>& pending = chains.pending;
  const int32_t count = model.nodeCount > 0 ? model.nodeCount : 0;
  offsets.assign(static_cast<size_t>(count), Vec3{});
  state.assign(static_cast<size_t>(count), kUnknown);
  chains.kind.assign(static_cast<size_t>(count), kNodeInTree);
  chains.depth.assign(static_cast<size_t>(count), 0);
  chains.loops = 0;
  chains.tooDeep = 0;
  auto add = [&](Vec3& sum, int32_t node) {
    const Vec3 position = toGlAxes(model.nodes[node].position);
    sum.x += position.x;
    sum.y += position.y;
    sum.z += position.z;
  };
  // Places pending[k] below the node above it, at the level after `above`.
  auto place = [&](size_t k, Vec3& base, int32_t above) {
    const int32_t node = pending[k];
    add(base, node);
    offsets[node] = base;
    state[node] = kResolved;
    int32_t level = above + 1;
    if (maxDepth > 0 && level >= maxDepth) {
      chains.kind[node] = kNodeTooDeep;
      ++chains.tooDeep;
      level = 0;
    }
    chains.depth[node] = level;
    return level;
  };
  for (int32_t start = 0; start < count; ++start) {
    pending.clear();
    int32_t current = start;
    while (current >= 0 && current < count && state[current] == kUnknown) {
      state[current] = kResolving;
      pending.push_back(current);
      current = model.nodes[current].parent;
    }
    Vec3 base;
    int32_t above = -1;
    size_t chainEnd = pending.size();
    if (current >= 0 && current < count) {
      if (state[current] == kResolved) {
        base = offsets[current];
        above = chains.depth[current];
      } else {
        // current closes a loop of the nodes pending from it on.
        size_t first = pending.size();
        while (first > 0 && pending[first - 1] != current) --first;
        --first;
        for (size_t k = first; k < pending.size(); ++k) add(base, pending[k]);
        for (size_t k = first; k < pending.size(); ++k) {
          offsets[pending[k]] = base;
          state[pending[k]] = kResolved;
          chains.kind[pending[k]] = kNodeOnLoop;
        }
        ++chains.loops;
        above = 0;
        chainEnd = first;
      }
    }
    for (size_t k = chainEnd; k-- > 0;) above = place(k, base, above);
  }
}
