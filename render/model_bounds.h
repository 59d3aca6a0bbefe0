// The bounds of a model as the frame draws it: every corner of every
// triangle drawModel sends, placed by its node's parent chain and pivot in
// GL axes, then turned by the view's rotations as drawFrame applies them.
// The bounds are measured as reaches along directions: along +x, -x, +y, -y,
// +z and -z they are the model's box; along slanted directions they are the
// sides of a view frustum, which is how the thumbnailer frames its camera.
#pragma once

#include <vector>

#include "model/model.h"

// A direction in the frame's world axes (before the camera: x to the right,
// y up, z towards the viewer) and how far the drawn model reaches along it:
// the largest dot product of the direction with a drawn corner. In double,
// so that a model of huge coordinates gives huge reaches, never infinite.
struct ModelReach {
  double direction[3] = {0, 0, 0};
  double reach = 0;
};

// Fills the reach of each entry for the model turned by rotationX, rotationY
// and rotationZ degrees (drawFrame's glRotatef order: X, then Y, then Z, so
// Z turns the model first). Counts only the triangles drawModel draws (a node
// with a mesh in range, every corner's vertex in range) whose corners and
// placement are finite. False, with the reaches untouched, when there is no
// such triangle.
bool drawnModelReach(const Model& model, float rotationX, float rotationY, float rotationZ,
                     std::vector<ModelReach>& reaches);
