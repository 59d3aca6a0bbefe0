// releaseModel: the one place that frees what the 3DO reader allocated.
#include "model/model.h"

#include <cstdlib>

void releaseModel(Model& model) {
  std::free(model.materialNames);
  if (model.materials) {
    for (int32_t i = 0; i < model.materialCount; ++i) std::free(model.materials[i].pixels);
  }
  std::free(model.materials);
  std::free(model.nodes);
  if (model.meshes) {
    for (int32_t i = 0; i < model.meshCount; ++i) {
      Mesh& mesh = model.meshes[i];
      std::free(mesh.vertices);
      std::free(mesh.texVertices);
      std::free(mesh.faces);
      std::free(mesh.extraTriangles);
    }
  }
  std::free(model.meshes);
  model.materialNames = nullptr;
  model.materials = nullptr;
  model.nodes = nullptr;
  model.meshes = nullptr;
  model.materialCount = 0;
  model.meshCount = 0;
  model.nodeCount = 0;
  model.radius = 0;
  model.insertOffset = Vec3();
}
