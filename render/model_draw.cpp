// Model drawing: the parent-chain translations and the immediate-mode
// triangles of each mesh, in GL axes (model/drawn_model.h's toGlAxes for
// positions, normals, node positions and pivots).
//
// The reader stores indices unchecked; the rules of model/drawn_model.h make
// them safe: a face with a vertex index outside its mesh is skipped, a face
// whose material or texture vertex lies outside its array (or whose material
// has a width or height of 0) is drawn untextured, and the walk of the parent
// chains places each node once per pass. Here a node whose mesh is out of
// range draws nothing.
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

#include "model/drawn_model.h"
#include "platform/gl.h"

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
    const Vec3 normal = toGlAxes(vertex.normal);
    const Vec3 position = toGlAxes(vertex.position);
    glNormal3f(normal.x, normal.y, normal.z);
    glVertex3f(position.x, position.y, position.z);
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

namespace {

void drawModelDirect(const Model& model, bool textured, bool merge, NodeChains& chains) {
  if (!model.nodes || model.nodeCount <= 0) return;
  walkNodeChains(model, chains);
  const std::vector<Vec3>& offsets = chains.offsets;
  MeshPass pass;
  pass.merge = merge;
  for (int i = 0; i < model.nodeCount; ++i) {
    glPushMatrix();
    const HierarchyNode& node = model.nodes[i];
    if (node.mesh != -1) {
      const Vec3& offset = offsets[static_cast<size_t>(i)];
      const Vec3 pivot = toGlAxes(node.pivot);
      glTranslatef(offset.x, offset.y, offset.z);
      glTranslatef(pivot.x, pivot.y, pivot.z);
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
  NodeChains chains;
  drawModelDirect(model, textured, false, chains);
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
    drawModelDirect(model, textured, false, cache->chains);
    return;
  }
  const uint64_t key = drawingKey(textured);
  int slot = 0;
  while (slot < cache->used && cache->keys[slot] != key) ++slot;
  if (slot == cache->used) {
    // First time this way: draw directly and remember it. With every slot
    // taken, this way is always drawn directly.
    if (cache->used < ModelDrawCache::kSlots) cache->keys[cache->used++] = key;
    drawModelDirect(model, textured, false, cache->chains);
    return;
  }
  if (cache->lists[slot] != 0) {
    glCallList(cache->lists[slot]);
    return;
  }
  const GLuint list = cache->failed[slot] ? 0 : glGenLists(1);
  if (list == 0) {
    drawModelDirect(model, textured, false, cache->chains);
    return;
  }
  for (int pending = 0; pending < 16 && glGetError() != GL_NO_ERROR; ++pending) {
  }
  glNewList(list, GL_COMPILE_AND_EXECUTE);
  drawModelDirect(model, textured, true, cache->chains);
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
  NodeChains chains = std::move(cache.chains);
  cache = ModelDrawCache();
  cache.chains = std::move(chains);
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
  NodeChains chains;
  walkNodeChains(model, chains);
  const Vec3& offset = chains.offsets[static_cast<size_t>(node)];
  glTranslatef(offset.x, offset.y, offset.z);
}

void drawMesh(const Model& model, int mesh, bool textured, MeshPass& pass) {
  drawMeshInPass(model, mesh, textured, pass);
}

void drawMesh(const Model& model, int mesh, bool textured) {
  MeshPass pass;
  drawMesh(model, mesh, textured, pass);
}
