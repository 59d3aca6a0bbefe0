// Shared pieces of the rendering tests: models built in memory exactly as
// the reader leaves them (one malloc'd array per count), small textures of
// distinct colours, the viewer's start-up GL state on a real offscreen
// context, pixel reads and projections through the GL matrices.
#pragma once

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/image_data.h"
#include "model/model.h"
#include "platform/gl.h"
#include "render/frame.h"
#include "render/model_draw.h"
#include "render/start_state.h"
#include "render/view_state.h"
#include "tests/support/test_support.h"

struct Rgba {
  int r = 0;
  int g = 0;
  int b = 0;
  int a = 0;
};

inline bool near(const Rgba& c, int r, int g, int b, int tolerance = 2) {
  return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance &&
         std::abs(c.b - b) <= tolerance;
}

inline std::ostream& operator<<(std::ostream& out, const Rgba& c) {
  return out << "(" << c.r << "," << c.g << "," << c.b << "," << c.a << ")";
}

inline Rgba readPixel(int x, int y) {
  unsigned char p[4] = {};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return Rgba{p[0], p[1], p[2], p[3]};
}

// The whole colour buffer, RGBA rows bottom first.
inline std::vector<unsigned char> readPicture(int width, int height) {
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

// Where a GL-space point lands in the window under the current matrices.
inline void projectPoint(double x, double y, double z, int& windowX, int& windowY) {
  GLdouble modelview[16];
  GLdouble projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble wx = 0;
  GLdouble wy = 0;
  GLdouble wz = 0;
  gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
  windowX = static_cast<int>(std::floor(wx));
  windowY = static_cast<int>(std::floor(wy));
}

// A model vector given in GL axes, stored the way the file holds it: GL gets
// (-x, z, y) of the stored (x, y, z), so the stored form of GL (X, Y, Z) is
// (-X, Z, Y).
inline Vec3 stored(float x, float y, float z) {
  return Vec3{-x, z, y};
}

// A vertex at GL (x, y, z) with a GL-space normal (default: towards the
// viewer, +z).
inline Vertex glVertex(float x, float y, float z, float nx = 0, float ny = 0, float nz = 1) {
  Vertex v;
  v.position = stored(x, y, z);
  v.normal = stored(nx, ny, nz);
  return v;
}

inline Face triangle(int a, int b, int c, int material = 0, int type = 0) {
  Face f;
  f.vertex[0] = a;
  f.vertex[1] = b;
  f.vertex[2] = c;
  f.texVertex[0] = a;
  f.texVertex[1] = b;
  f.texVertex[2] = c;
  f.material = material;
  f.type = type;
  return f;
}

struct MeshSpec {
  std::vector<Vertex> vertices;
  std::vector<TexVertex> texVertices;
  std::vector<Face> faces;
  std::vector<Face> extra;
};

// A square in the GL plane z, centred on (cx, cy), counter-clockwise as seen
// from +z (front-facing for the camera), texture vertices (0,0)..(u,v).
inline MeshSpec square(float cx, float cy, float half, float z = 0, int material = 0, int type = 0,
                       float u = 1, float v = 1) {
  MeshSpec m;
  m.vertices = {glVertex(cx - half, cy - half, z), glVertex(cx + half, cy - half, z),
                glVertex(cx + half, cy + half, z), glVertex(cx - half, cy + half, z)};
  m.texVertices = {{0, 0}, {u, 0}, {u, v}, {0, v}};
  m.faces = {triangle(0, 1, 2, material, type), triangle(0, 2, 3, material, type)};
  return m;
}

template <typename T>
T* copyArray(const std::vector<T>& items) {
  if (items.empty()) return nullptr;
  T* array = static_cast<T*>(std::malloc(items.size() * sizeof(T)));
  std::memcpy(static_cast<void*>(array), items.data(), items.size() * sizeof(T));
  return array;
}

// Every array malloc'd to exactly its count, as the reader allocates them.
inline Model buildModel(const std::vector<MeshSpec>& meshes, const std::vector<Material>& materials,
                        const std::vector<HierarchyNode>& nodes) {
  Model model;
  model.radius = 1;
  model.meshCount = static_cast<int32_t>(meshes.size());
  std::vector<Mesh> records;
  for (const MeshSpec& spec : meshes) {
    Mesh mesh;
    mesh.vertexCount = static_cast<int32_t>(spec.vertices.size());
    mesh.texVertexCount = static_cast<int32_t>(spec.texVertices.size());
    mesh.faceCount = static_cast<int32_t>(spec.faces.size());
    mesh.extraTriangleCount = static_cast<int32_t>(spec.extra.size());
    mesh.vertices = copyArray(spec.vertices);
    mesh.texVertices = copyArray(spec.texVertices);
    mesh.faces = copyArray(spec.faces);
    mesh.extraTriangles = copyArray(spec.extra);
    records.push_back(mesh);
  }
  model.meshes = copyArray(records);
  model.materialCount = static_cast<int32_t>(materials.size());
  model.materials = copyArray(materials);
  model.nodeCount = static_cast<int32_t>(nodes.size());
  model.nodes = copyArray(nodes);
  return model;
}

inline void freeModel(Model& model) {
  for (int i = 0; model.meshes && i < model.meshCount; ++i) {
    std::free(model.meshes[i].vertices);
    std::free(model.meshes[i].texVertices);
    std::free(model.meshes[i].faces);
    std::free(model.meshes[i].extraTriangles);
  }
  std::free(model.meshes);
  std::free(model.materials);
  std::free(model.nodes);
  model = Model{};
}

inline HierarchyNode node(int mesh, int parent = -1, Vec3 position = {}, Vec3 pivot = {}) {
  HierarchyNode n;
  n.mesh = mesh;
  n.parent = parent;
  n.position = position;
  n.pivot = pivot;
  return n;
}

// A texture made through the program's own upload from RGB or RGBA bytes,
// rows in memory order (the first row is t = 0).
inline ImageData makeTexture(int width, int height, const std::vector<unsigned char>& pixels,
                             bool alpha = false) {
  ImageData image;
  image.width = static_cast<uint32_t>(width);
  image.height = static_cast<uint32_t>(height);
  image.bitsPerPixel = alpha ? 32 : 24;
  image.format = alpha ? kGlRgba : kGlRgb;
  std::vector<unsigned char> copy = pixels;
  image.pixels = copy.data();
  uploadTexture(image, alpha ? 4 : 3, image.format);
  image.pixels = nullptr;
  return image;
}

// The viewer's start-up state on the test's context: projection for the
// size, fixed state with a dark background, light and material.
class RenderTest : public GlTest {
 protected:
  static constexpr float kBackground[3] = {0.1f, 0.2f, 0.3f};
  void SetUp() override {
    GlTest::SetUp();
    headlessSetTickOverride(false, 0);  // every test starts on the real clock
    resizeView(contextWidth(), contextHeight());
    setFixedGlState(kBackground[0], kBackground[1], kBackground[2]);
    setLightAndMaterial();
  }
  // The background as it reads back from an 8-bit colour buffer.
  static bool isBackground(const Rgba& c) { return near(c, 26, 51, 77, 1); }

  // A view looking at the GL origin from 10 units away, without overlay.
  static ViewState plainView() {
    ViewState view;
    view.cameraZ = 10;
    view.hudVisible = false;
    view.texturing = false;
    return view;
  }
};
