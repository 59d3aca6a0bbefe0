// Model drawing: walks the hierarchy nodes, places each node's mesh by its
// parent chain and pivot, and sends every triangle in immediate mode with the
// axis mapping (x, y, z) -> (-x, z, y). A caller that draws the same loaded
// model frame after frame (the viewer) hands in a ModelDrawCache and gets
// display lists; everyone else draws directly.
#pragma once

#include <cstdint>
#include <vector>

#include "model/model.h"

// Working arrays of one pass over the hierarchy, kept by the caller so that
// drawing frame after frame allocates nothing.
struct ModelDrawScratch {
  std::vector<Vec3> offsets;     // each node's parent-chain offset, GL axes
  std::vector<uint8_t> state;    // resolution state per node
  std::vector<int32_t> pending;  // the chain being resolved
};

// Each node's parent-chain offset (the sum of the positions from its root
// down to it, in GL axes) into scratch.offsets, one per node: where
// drawModel places a node's mesh before its pivot. Also what
// render/model_bounds.h measures with, so the box and the picture agree.
// The model's nodes must exist when its node count is above 0.
void chainOffsets(const Model& model, ModelDrawScratch& scratch);

// Display lists replaying the drawing of one model: one per way of drawing
// (textured or not, and the blending in force), recorded the second time
// that way is drawn. It belongs to the caller, is keyed by the model (and its
// arrays) it was recorded for, and must be released with releaseDrawCache
// in the context that made it before the model is released or the context
// goes. The model must not change while a cache is used with it.
struct ModelDrawCache {
  static constexpr int kSlots = 4;
  const Model* model = nullptr;          // the model the lists were recorded for
  const Mesh* meshes = nullptr;          // its arrays and counts then: a reload
  const HierarchyNode* nodes = nullptr;  // starts afresh
  int32_t meshCount = 0;
  int32_t nodeCount = 0;
  int32_t used = 0;             // slots in use
  uint64_t keys[kSlots] = {};   // the way of drawing of each slot
  uint32_t lists[kSlots] = {};  // its list, 0 while seen only once
  bool failed[kSlots] = {};     // recording failed: drawn directly
  ModelDrawScratch scratch;
};

// What one pass over a model carries from mesh to mesh: whether records are
// merged (while a list is recorded) and the triangles sent since the last
// flush.
struct MeshPass {
  bool merge = false;
  int32_t sinceFlush = 0;
};

// Draws the model directly.
void drawModel(const Model& model, bool textured);
// Draws the model through the cache's lists; a null cache draws directly.
void drawModel(const Model& model, bool textured, ModelDrawCache* cache);
// Deletes the cache's lists (in the current context) and empties it.
void releaseDrawCache(ModelDrawCache& cache);
// Deletes the textures the model's materials were given (each once, in the
// current context), never the fallback texture they share with every model,
// and sets the materials' texture names to 0. The viewer keeps its textures
// for the context's life; a program that loads model after model into one
// context (vistrel-tool's batches) calls it before releaseModel, so that
// memory stays flat however many models go by.
void releaseModelTextures(Model& model);

void translateToNode(const Model& model, int node);
// One mesh's triangles at the current matrix, as part of a pass or alone.
void drawMesh(const Model& model, int mesh, bool textured, MeshPass& pass);
void drawMesh(const Model& model, int mesh, bool textured);

// The drawing's rules for one triangle record, which the model exporter
// follows too. A record is drawn only when every vertex index lies inside
// its mesh.
bool faceVerticesInRange(const Mesh& mesh, const Face& face);
// The record's material when it is drawn textured: material and texture
// vertices in range and a material with a non-zero size; null when the record
// is drawn untextured.
const Material* texturableMaterial(const Model& model, const Mesh& mesh, const Face& face);
