// drawnModelReach: the turned bounds of what drawModel draws. The rotation is
// linear, so each mesh's reaches are measured once in the turned axes (from
// the corners of its drawable triangles) and every node that draws the mesh
// only adds its own turned placement: the cost is the triangles plus the
// nodes, however many nodes share a mesh.
#include "render/model_bounds.h"

#include <cmath>
#include <cstddef>

#include "model/drawn_model.h"

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

// The product Rx * Ry * Rz of drawFrame's three glRotatef calls.
struct Rotation {
  double m[3][3] = {};
};

void multiply(const double a[3][3], const double b[3][3], double out[3][3]) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      out[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
    }
  }
}

Rotation viewRotation(float rotationX, float rotationY, float rotationZ) {
  const double cx = std::cos(rotationX * kRadiansPerDegree);
  const double sx = std::sin(rotationX * kRadiansPerDegree);
  const double cy = std::cos(rotationY * kRadiansPerDegree);
  const double sy = std::sin(rotationY * kRadiansPerDegree);
  const double cz = std::cos(rotationZ * kRadiansPerDegree);
  const double sz = std::sin(rotationZ * kRadiansPerDegree);
  const double rx[3][3] = {{1, 0, 0}, {0, cx, -sx}, {0, sx, cx}};
  const double ry[3][3] = {{cy, 0, sy}, {0, 1, 0}, {-sy, 0, cy}};
  const double rz[3][3] = {{cz, -sz, 0}, {sz, cz, 0}, {0, 0, 1}};
  double xy[3][3];
  multiply(rx, ry, xy);
  Rotation rotation;
  multiply(xy, rz, rotation.m);
  return rotation;
}

// A vector already in GL axes, rotated.
void turn(const Rotation& rotation, const double gl[3], double out[3]) {
  for (int i = 0; i < 3; ++i) {
    out[i] = rotation.m[i][0] * gl[0] + rotation.m[i][1] * gl[1] + rotation.m[i][2] * gl[2];
  }
}

double dot(const double a[3], const double b[3]) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

bool cornersDrawable(const Mesh& mesh, const Face& face) {
  if (!faceVerticesInRange(mesh, face)) return false;
  for (int corner = 0; corner < 3; ++corner) {
    const Vec3& p = mesh.vertices[face.vertex[corner]].position;
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
  }
  return true;
}

// The reaches of one mesh's drawable corners, in its own place; `found`
// tells whether there is any.
struct MeshReach {
  bool measured = false;
  bool found = false;
  std::vector<double> reach;
};

void reachByTriangles(MeshReach& out, const Rotation& rotation,
                      const std::vector<ModelReach>& reaches, const Mesh& mesh, const Face* faces,
                      int32_t count) {
  if (!faces) return;
  for (int32_t i = 0; i < count; ++i) {
    if (!cornersDrawable(mesh, faces[i])) continue;
    for (int corner = 0; corner < 3; ++corner) {
      const Vec3 p = toGlAxes(mesh.vertices[faces[i].vertex[corner]].position);
      const double gl[3] = {p.x, p.y, p.z};
      double turned[3];
      turn(rotation, gl, turned);
      for (size_t d = 0; d < reaches.size(); ++d) {
        const double along = dot(reaches[d].direction, turned);
        if (!out.found || along > out.reach[d]) out.reach[d] = along;
      }
      out.found = true;
    }
  }
}

void measureMesh(MeshReach& out, const Rotation& rotation, const std::vector<ModelReach>& reaches,
                 const Mesh& mesh) {
  out.measured = true;
  out.reach.assign(reaches.size(), 0.0);
  if (!mesh.vertices) return;
  reachByTriangles(out, rotation, reaches, mesh, mesh.faces, mesh.faceCount);
  reachByTriangles(out, rotation, reaches, mesh, mesh.extraTriangles, mesh.extraTriangleCount);
}

}  // namespace

bool drawnModelReach(const Model& model, float rotationX, float rotationY, float rotationZ,
                     std::vector<ModelReach>& reaches) {
  if (!model.nodes || model.nodeCount <= 0 || !model.meshes || model.meshCount <= 0) return false;
  const Rotation rotation = viewRotation(rotationX, rotationY, rotationZ);
  NodeChains chains;
  walkNodeChains(model, chains);
  std::vector<MeshReach> meshes(static_cast<size_t>(model.meshCount));
  std::vector<double> total(reaches.size(), 0.0);
  bool found = false;
  for (int32_t i = 0; i < model.nodeCount; ++i) {
    const HierarchyNode& node = model.nodes[i];
    if (node.mesh < 0 || node.mesh >= model.meshCount) continue;
    MeshReach& mesh = meshes[static_cast<size_t>(node.mesh)];
    if (!mesh.measured) measureMesh(mesh, rotation, reaches, model.meshes[node.mesh]);
    if (!mesh.found) continue;
    // drawModel's two translations before the mesh: the chain offset, then
    // the pivot.
    const Vec3& offset = chains.offsets[static_cast<size_t>(i)];
    const Vec3 pivot = toGlAxes(node.pivot);
    const double gl[3] = {static_cast<double>(offset.x) + pivot.x,
                          static_cast<double>(offset.y) + pivot.y,
                          static_cast<double>(offset.z) + pivot.z};
    double place[3];
    turn(rotation, gl, place);
    if (!std::isfinite(place[0]) || !std::isfinite(place[1]) || !std::isfinite(place[2])) continue;
    for (size_t d = 0; d < reaches.size(); ++d) {
      const double along = mesh.reach[d] + dot(reaches[d].direction, place);
      if (!found || along > total[d]) total[d] = along;
    }
    found = true;
  }
  if (!found) return false;
  for (size_t d = 0; d < reaches.size(); ++d) reaches[d].reach = total[d];
  return true;
}
