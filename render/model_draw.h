// Model drawing: walks the hierarchy nodes, places each node's mesh by its
// parent chain and pivot, and sends every triangle in immediate mode with the
// axis mapping (x, y, z) -> (-x, z, y).
#pragma once

#include "model/model.h"

void drawModel(const Model& model, bool textured);
void translateToNode(const Model& model, int node);
void drawMesh(const Model& model, int mesh, bool textured);
