// Model drawing: walks the hierarchy nodes, places each node's mesh by its
// parent chain and pivot, and sends every triangle in immediate mode with the
// axis mapping of model/drawn_model.h. A caller that draws the same loaded
// model frame after frame (the viewer) hands in a ModelDrawCache and gets
// display lists; everyone else draws directly.
#pragma once

#include <cstdint>
#include <vector>

#include "model/drawn_model.h"
#include "model/model.h"

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
  NodeChains chains;            // the walk of the last direct drawing
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

// Translates the current matrix by the node's parent-chain offset, as the
// drawing places the node (walkNodeChains).
void translateToNode(const Model& model, int node);
// One mesh's triangles at the current matrix, as part of a pass or alone.
void drawMesh(const Model& model, int mesh, bool textured, MeshPass& pass);
void drawMesh(const Model& model, int mesh, bool textured);
