// Model drawing: the hierarchy walk, the parent-chain translations and the
// immediate-mode triangles of each mesh, with the axis mapping
// (x, y, z) -> (-x, z, y) for positions, normals, node positions and pivots.
//
// The reader stores indices unchecked, so this file is where they are made
// safe: a face with a vertex index outside its mesh is skipped, a face whose
// material or texture vertex lies outside its array (or whose material has a
// width or height of 0) is drawn untextured, a node whose mesh is out of
// range draws nothing, an out-of-range parent ends the chain, and a parent
// loop counts each of its nodes once. Each node's place is resolved once per
// pass, so deep and cyclic hierarchies cost the number of nodes, not its
// square.
//
// A record of type 2 is drawn with blending (GL_ONE_MINUS_SRC_COLOR, GL_ONE)
// and then gives back the blending it found: off in the model pass, and in
// the environment pass (which blends the whole pass) on again with the
// pass's own function, so the records after it are still blended there.
//
// Drawn through a ModelDrawCache, each way of drawing a model (textured or
// not, and the blending found at the start, which type-2 records give back)
// is sent directly the first time, recorded with GL_COMPILE_AND_EXECUTE the
// second time and replayed from then on. The list holds the calls the direct
// drawing makes, except that records with no state change between them share
// one glBegin/glEnd pair: the same triangles with the same values, so every
// frame has the same pixels (the tests compare them), and a list that replays
// faster. The state queries of the direct drawing are answered by the
// blending that is part of the list's key.
//
// Drawn directly, the triangles are handed to the GL with a glFlush after
// every kTrianglesPerFlush of them (between records, never inside a
// glBegin/glEnd pair). A software rasterizer such as Mesa's llvmpipe then
// draws what it has on its own threads while the rest is still being sent,
// and what it holds queued stays small (docs/PERFORMANCE.md has the
// figures). The same triangles reach the same pixels; a list does not record
// the flushes and replays as one piece.
#include "render/model_draw.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/gl.h"

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

namespace {

// The texture tracker of one drawMesh call. 0 means "nothing bound yet by
// this call" (as GL names go, a real texture is never 0); kUntexturedBound
// means this call bound the image-less texture 0 for an untextured face.
constexpr uint64_t kUntexturedBound = 0x100000000ull;

// The blending in force before the first type-2 record of a drawMesh call.
struct BlendBefore {
  bool known = false;
  bool enabled = false;
  GLint source = GL_ONE;
  GLint destination = GL_ZERO;
};

// The triangles of one drawMesh call between glBegin and glEnd. Drawn
// directly, every record has its own pair; while a list is recorded, records
// with no state change between them share one pair (the same triangles, and
// far cheaper to replay).
struct Batch {
  bool merge = false;
  bool open = false;
  int32_t* sinceFlush = nullptr;  // triangles drawn directly since the last glFlush
};

constexpr int32_t kTrianglesPerFlush = 4096;

void endBatch(Batch& batch) {
  if (batch.open) glEnd();
  batch.open = false;
}

void drawRecord(const Model& model, const Mesh& mesh, const Face& face, bool textured,
                uint64_t& lastBound, BlendBefore& blendBefore, Batch& batch) {
  if (!faceVerticesInRange(mesh, face)) return;
  const Material* material = texturableMaterial(model, mesh, face);
  if (textured) {
    if (material) {
      if (material->textureName != lastBound) {
        endBatch(batch);
        glBindTexture(GL_TEXTURE_2D, material->textureName);
        lastBound = material->textureName;
      }
    } else if (lastBound != kUntexturedBound) {
      // Texture 0 never receives an image, so it is incomplete and GL draws
      // the face as if texturing were off.
      endBatch(batch);
      glBindTexture(GL_TEXTURE_2D, 0);
      lastBound = kUntexturedBound;
    }
  }
  const bool blended = face.type == 2;
  if (blended) {
    endBatch(batch);
    if (!blendBefore.known) {
      blendBefore.known = true;
      blendBefore.enabled = glIsEnabled(GL_BLEND) == GL_TRUE;
      if (blendBefore.enabled) {
        glGetIntegerv(GL_BLEND_SRC, &blendBefore.source);
        glGetIntegerv(GL_BLEND_DST, &blendBefore.destination);
      }
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE_MINUS_SRC_COLOR, GL_ONE);
  }
  if (!batch.open) glBegin(GL_TRIANGLES);
  batch.open = true;
  for (int corner = 0; corner < 3; ++corner) {
    if (material) {
      const TexVertex& tex = mesh.texVertices[face.texVertex[corner]];
      glTexCoord2f(tex.u / static_cast<float>(material->width),
                   tex.v / static_cast<float>(material->height));
    } else {
      glTexCoord2f(0.0f, 0.0f);
    }
    const Vertex& vertex = mesh.vertices[face.vertex[corner]];
    glNormal3f(-vertex.normal.x, vertex.normal.z, vertex.normal.y);
    glVertex3f(-vertex.position.x, vertex.position.z, vertex.position.y);
  }
  if (!batch.merge || blended) endBatch(batch);
  if (blended) {
    if (blendBefore.enabled) {
      glBlendFunc(static_cast<GLenum>(blendBefore.source),
                  static_cast<GLenum>(blendBefore.destination));
    } else {
      glDisable(GL_BLEND);
    }
  }
  if (!batch.merge && ++*batch.sinceFlush >= kTrianglesPerFlush) {
    glFlush();
    *batch.sinceFlush = 0;
  }
}

void drawMeshInPass(const Model& model, int mesh, bool textured, MeshPass& pass) {
  if (!model.meshes || mesh < 0 || mesh >= model.meshCount) return;
  const Mesh& drawn = model.meshes[mesh];
  uint64_t lastBound = 0;
  BlendBefore blendBefore;
  Batch batch;
  batch.merge = pass.merge;
  batch.sinceFlush = &pass.sinceFlush;
  if (drawn.faces) {
    for (int i = 0; i < drawn.faceCount; ++i) {
      drawRecord(model, drawn, drawn.faces[i], textured, lastBound, blendBefore, batch);
    }
  }
  if (drawn.extraTriangles) {
    for (int i = 0; i < drawn.extraTriangleCount; ++i) {
      drawRecord(model, drawn, drawn.extraTriangles[i], textured, lastBound, blendBefore, batch);
    }
  }
  endBatch(batch);
}

}  // namespace

// Where each node's parent chain places it: the sum of the positions from
// its root down to itself, in GL axes. Each node is resolved once per call,
// so a pass costs the number of nodes, not the number of nodes times the
// depth. A parent outside the nodes ends a chain. A parent loop has no root:
// each node of the loop is placed by the whole loop, every member counted
// once, and a chain leading into the loop continues from there (as
// translateToNode walks it).
void chainOffsets(const Model& model, ModelDrawScratch& scratch) {
  enum : uint8_t { kUnknown, kResolving, kResolved };
  std::vector<Vec3>& offsets = scratch.offsets;
  std::vector<uint8_t>& state = scratch.state;
  std::vector<int32_t>& pending = scratch.pending;
  const size_t count = static_cast<size_t>(model.nodeCount);
  offsets.assign(count, Vec3{});
  state.assign(count, kUnknown);
  auto add = [&](Vec3& sum, int32_t node) {
    const Vec3& position = model.nodes[node].position;
    sum.x += -position.x;
    sum.y += position.z;
    sum.z += position.y;
  };
  for (int32_t start = 0; start < model.nodeCount; ++start) {
    pending.clear();
    int32_t current = start;
    while (current >= 0 && current < model.nodeCount && state[current] == kUnknown) {
      state[current] = kResolving;
      pending.push_back(current);
      current = model.nodes[current].parent;
    }
    Vec3 base;
    size_t chainEnd = pending.size();
    if (current >= 0 && current < model.nodeCount) {
      if (state[current] == kResolved) {
        base = offsets[current];
      } else {
        // current closes a loop of the nodes pending from it on.
        size_t first = pending.size();
        while (first > 0 && pending[first - 1] != current) --first;
        --first;
        for (size_t k = first; k < pending.size(); ++k) add(base, pending[k]);
        for (size_t k = first; k < pending.size(); ++k) {
          offsets[pending[k]] = base;
          state[pending[k]] = kResolved;
        }
        chainEnd = first;
      }
    }
    for (size_t k = chainEnd; k-- > 0;) {
      add(base, pending[k]);
      offsets[pending[k]] = base;
      state[pending[k]] = kResolved;
    }
  }
}

namespace {

void drawModelDirect(const Model& model, bool textured, bool merge, ModelDrawScratch& scratch) {
  if (!model.nodes || model.nodeCount <= 0) return;
  chainOffsets(model, scratch);
  const std::vector<Vec3>& offsets = scratch.offsets;
  MeshPass pass;
  pass.merge = merge;
  for (int i = 0; i < model.nodeCount; ++i) {
    glPushMatrix();
    const HierarchyNode& node = model.nodes[i];
    if (node.mesh != -1) {
      const Vec3& offset = offsets[static_cast<size_t>(i)];
      glTranslatef(offset.x, offset.y, offset.z);
      glTranslatef(-node.pivot.x, node.pivot.z, node.pivot.y);
      drawMesh(model, node.mesh, textured, pass);
    }
    glPopMatrix();
  }
}

// The way of drawing: textured, and the blending in force at the start
// (enable flag and, when enabled, the function that type-2 records restore).
uint64_t drawingKey(bool textured) {
  uint64_t key = textured ? 1 : 0;
  if (glIsEnabled(GL_BLEND) == GL_TRUE) {
    GLint source = 0;
    GLint destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    key |= 2 | (static_cast<uint64_t>(static_cast<uint32_t>(source) & 0xFFFFu) << 16) |
           (static_cast<uint64_t>(static_cast<uint32_t>(destination) & 0xFFFFu) << 32);
  }
  return key;
}

}  // namespace

void drawModel(const Model& model, bool textured) {
  ModelDrawScratch scratch;
  drawModelDirect(model, textured, false, scratch);
}

void drawModel(const Model& model, bool textured, ModelDrawCache* cache) {
  if (cache == nullptr) {
    drawModel(model, textured);
    return;
  }
  // The lists were recorded for one model: another one, or the same record
  // loaded again, starts the cache afresh.
  if (cache->model != &model || cache->meshes != model.meshes || cache->nodes != model.nodes ||
      cache->meshCount != model.meshCount || cache->nodeCount != model.nodeCount) {
    releaseDrawCache(*cache);
    cache->model = &model;
    cache->meshes = model.meshes;
    cache->nodes = model.nodes;
    cache->meshCount = model.meshCount;
    cache->nodeCount = model.nodeCount;
  }
  if (!model.nodes) {
    drawModelDirect(model, textured, false, cache->scratch);
    return;
  }
  const uint64_t key = drawingKey(textured);
  int slot = 0;
  while (slot < cache->used && cache->keys[slot] != key) ++slot;
  if (slot == cache->used) {
    // First time this way: draw directly and remember it. With every slot
    // taken, this way is always drawn directly.
    if (cache->used < ModelDrawCache::kSlots) cache->keys[cache->used++] = key;
    drawModelDirect(model, textured, false, cache->scratch);
    return;
  }
  if (cache->lists[slot] != 0) {
    glCallList(cache->lists[slot]);
    return;
  }
  const GLuint list = cache->failed[slot] ? 0 : glGenLists(1);
  if (list == 0) {
    drawModelDirect(model, textured, false, cache->scratch);
    return;
  }
  for (int pending = 0; pending < 16 && glGetError() != GL_NO_ERROR; ++pending) {
  }
  glNewList(list, GL_COMPILE_AND_EXECUTE);
  drawModelDirect(model, textured, true, cache->scratch);
  glEndList();
  if (glGetError() == GL_NO_ERROR) {
    cache->lists[slot] = list;
  } else {
    // Out of memory while recording: the list may be cut short.
    glDeleteLists(list, 1);
    cache->failed[slot] = true;
  }
}

void releaseDrawCache(ModelDrawCache& cache) {
  for (int32_t i = 0; i < cache.used; ++i) {
    if (cache.lists[i] != 0) glDeleteLists(cache.lists[i], 1);
  }
  ModelDrawScratch scratch = std::move(cache.scratch);
  cache = ModelDrawCache();
  cache.scratch = std::move(scratch);
}

void releaseModelTextures(Model& model) {
  if (!model.materials) return;
  std::vector<GLuint> names;
  for (int32_t i = 0; i < model.materialCount; ++i) {
    uint32_t& name = model.materials[i].textureName;
    if (name != 0 && name != model.fallbackTexture) names.push_back(name);
    name = 0;
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  if (!names.empty()) glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
}

void translateToNode(const Model& model, int node) {
  if (!model.nodes || node < 0 || node >= model.nodeCount) return;
  // The chain from the node up to its root; a parent already in the chain (a
  // cycle) ends it, so each node is visited at most once.
  std::vector<int32_t> chain;
  std::vector<uint8_t> seen(static_cast<size_t>(model.nodeCount), 0);
  int32_t current = node;
  while (current >= 0 && current < model.nodeCount && !seen[current]) {
    seen[current] = 1;
    chain.push_back(current);
    current = model.nodes[current].parent;
  }
  for (std::size_t k = chain.size(); k-- > 0;) {
    const Vec3& position = model.nodes[chain[k]].position;
    glTranslatef(-position.x, position.z, position.y);
  }
}

void drawMesh(const Model& model, int mesh, bool textured, MeshPass& pass) {
  drawMeshInPass(model, mesh, textured, pass);
}

void drawMesh(const Model& model, int mesh, bool textured) {
  MeshPass pass;
  drawMesh(model, mesh, textured, pass);
}
