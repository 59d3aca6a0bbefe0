// Model drawing on real Mesa: where stored points land, how the hierarchy
// places meshes, texture coordinates, blending, culling, render modes and
// lighting as a user sees them, and hostile models drawn without reading
// outside any array (the sanitizer build runs these too).
#include <array>
#include <functional>

#include "tests/render/render_fixture.h"

namespace {

using WindowPoint = std::array<float, 3>;

// Window positions of the vertices GL really receives, through feedback
// mode: one entry per vertex of every polygon that survives culling.
std::vector<WindowPoint> feedbackVertices(const std::function<void()>& draw) {
  std::vector<GLfloat> buffer(1 << 16);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint used = glRenderMode(GL_RENDER);
  std::vector<WindowPoint> points;
  for (GLint i = 0; i < used;) {
    const GLint token = static_cast<GLint>(buffer[i++]);
    if (token == GL_POLYGON_TOKEN) {
      const GLint count = static_cast<GLint>(buffer[i++]);
      for (GLint k = 0; k < count; ++k, i += 3) {
        points.push_back({buffer[i], buffer[i + 1], buffer[i + 2]});
      }
    } else if (token == GL_PASS_THROUGH_TOKEN) {
      i += 1;
    } else {
      break;
    }
  }
  return points;
}

bool whiteNear(int x, int y, int radius) {
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      if (near(readPixel(x + dx, y + dy), 255, 255, 255, 3)) return true;
    }
  }
  return false;
}

class ModelDrawTest : public RenderTest {
 protected:
  void drawUnlit(const Model& model, ViewState view = plainView()) {
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    drawFrame(view, model, textures_, font_, frameRate_);
  }
  FixedTextures textures_;
  BitmapFont font_;
  FrameRate frameRate_;
};

TEST_F(ModelDrawTest, StoredPointsAndNormalsReachGlAsMinusXZY) {
  // Corner 0 is stored as (1, 2, 3); the other two corners are placed so the
  // triangle faces the camera once mapped.
  MeshSpec mesh;
  Vertex corner;
  corner.position = Vec3{1, 2, 3};
  corner.normal = Vec3{0, 1, 0};
  mesh.vertices = {corner, glVertex(-0.7f, 3, 2), glVertex(-0.85f, 3.3f, 2)};
  mesh.texVertices = {{0, 0}, {0, 0}, {0, 0}};
  mesh.faces = {triangle(0, 1, 2)};
  Model model = buildModel({mesh}, {}, {node(0)});

  ViewState view = plainView();
  glDisable(GL_LIGHTING);
  std::vector<WindowPoint> points =
      feedbackVertices([&] { drawFrame(view, model, textures_, font_, frameRate_); });
  ASSERT_EQ(points.size(), 3u) << "the triangle was culled or clipped";
  GLdouble modelview[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble wx, wy, wz;
  gluProject(-1, 3, 2, modelview, projection, viewport, &wx, &wy, &wz);
  EXPECT_NEAR(points[0][0], wx, 0.01);
  EXPECT_NEAR(points[0][1], wy, 0.01);
  EXPECT_NEAR(points[0][2], wz, 0.0001);
  // Not where an unmapped, or a mapping without the x sign, would put it.
  gluProject(1, 3, 2, modelview, projection, viewport, &wx, &wy, &wz);
  EXPECT_GT(std::abs(points[0][0] - wx), 50);
  gluProject(1, 2, 3, modelview, projection, viewport, &wx, &wy, &wz);
  EXPECT_GT(std::abs(points[0][0] - wx) + std::abs(points[0][1] - wy), 30);
  freeModel(model);

  // Normals: stored (0, 1, 0) becomes GL (0, 0, 1), facing the light (bright);
  // stored (0, 0, 1) becomes GL (0, 1, 0), edge-on to it (ambient and
  // emission only).
  MeshSpec facing = square(-1.5f, 0, 1);
  MeshSpec edgeOn = square(1.5f, 0, 1);
  for (Vertex& v : facing.vertices) v.normal = Vec3{0, 1, 0};
  for (Vertex& v : edgeOn.vertices) v.normal = Vec3{0, 0, 1};
  Model lit = buildModel({facing, edgeOn}, {}, {node(0), node(1)});
  glEnable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  drawFrame(view, lit, textures_, font_, frameRate_);
  int x, y;
  projectPoint(-1.5, 0, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 255, 255, 255)) << readPixel(x, y);
  projectPoint(1.5, 0, 0, x, y);
  // 0.2 light-model ambient x material ambient 1, plus emission 0.2.
  EXPECT_TRUE(near(readPixel(x, y), 102, 102, 102)) << readPixel(x, y);
  freeModel(lit);
}

TEST_F(ModelDrawTest, HierarchyPlacesMeshAtChainPositionsPlusOwnPivotOnly) {
  // Root and middle node show no mesh; their positions still move the leaf,
  // their pivots do not.
  const Vec3 rootPosition = stored(-1, 0, 0), rootPivot = stored(0, -1, 0);
  const Vec3 midPosition = stored(0, 1, 0), midPivot = stored(2, 0, 0);
  const Vec3 leafPosition = stored(0, 0, 1), leafPivot = stored(0.5f, 0, 0);
  Model model = buildModel({square(0, 0, 0.2f)}, {},
                           {node(-1, -1, rootPosition, rootPivot),
                            node(-1, 0, midPosition, midPivot), node(0, 1, leafPosition, leafPivot),
                            // The same mesh again from a second node.
                            node(0, -1, stored(0, -2, 0))});
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  GLfloat before[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  drawUnlit(model);
  int x, y;
  projectPoint(-0.5, 1, 1, x, y);  // positions -1,0,0 + 0,1,0 + 0,0,1, pivot 0.5,0,0
  EXPECT_TRUE(whiteNear(x, y, 0)) << readPixel(x, y);
  projectPoint(1.5, 0, 1, x, y);  // where the ancestors' pivots would put it
  EXPECT_TRUE(isBackground(readPixel(x, y))) << readPixel(x, y);
  projectPoint(0, -2, 0, x, y);  // the second node's copy
  EXPECT_TRUE(whiteNear(x, y, 0)) << readPixel(x, y);

  // drawModel leaves the matrix stack where it was.
  glLoadIdentity();
  drawModel(model, false);
  GLfloat after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(before[i], after[i]);
  GLint depth = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  freeModel(model);
}

TEST_F(ModelDrawTest, TextureCoordinatesAreDividedByTheMaterialSize) {
  // A 4 x 2 material and an 8 x 8 fallback, each texel its own colour.
  std::vector<unsigned char> small = {255, 0, 0,   0, 255, 0,   0,   0,   255, 255, 255, 0,
                                      255, 0, 255, 0, 255, 255, 255, 255, 255, 128, 128, 128};
  ImageData material = makeTexture(4, 2, small);
  std::vector<unsigned char> checker;
  for (int row = 0; row < 8; ++row) {
    for (int column = 0; column < 8; ++column) {
      checker.push_back(static_cast<unsigned char>(20 + column * 29));
      checker.push_back(static_cast<unsigned char>(20 + row * 29));
      checker.push_back(90);
    }
  }
  ImageData fallbackImage = makeTexture(8, 8, checker);
  // A material whose MAT file failed: the fallback's name, its width as both sizes.
  Material failed;
  failed.textureName = fallbackImage.textureName;
  failed.width = 8;
  failed.height = 8;

  auto constantSquare = [](float cx, int materialIndex, float u, float v) {
    MeshSpec m = square(cx, 0, 0.8f, 0, materialIndex);
    m.texVertices = {{u, v}, {u, v}, {u, v}, {u, v}};
    return m;
  };
  Model model = buildModel({constantSquare(-2.5f, 0, 2.5f, 0.5f), constantSquare(0, 0, 1.5f, 1.5f),
                            constantSquare(2.5f, 1, 5.5f, 2.5f)},
                           {material, failed}, {node(0), node(1), node(2)});
  ViewState view = plainView();
  view.texturing = true;
  glDisable(GL_LIGHTING);
  glColor3f(1, 1, 1);
  drawFrame(view, model, textures_, font_, frameRate_);
  int x, y;
  projectPoint(-2.5, 0, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 0, 0, 255)) << "texel (2, 0): " << readPixel(x, y);
  projectPoint(0, 0, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 0, 255, 255)) << "texel (1, 1): " << readPixel(x, y);
  projectPoint(2.5, 0, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 20 + 5 * 29, 20 + 2 * 29, 90))
      << "fallback texel (5, 2): " << readPixel(x, y);
  // Texturing stays off between frames.
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  freeModel(model);
}

TEST_F(ModelDrawTest, EachMeshCallBindsItsFirstTextureAfresh) {
  ImageData red = makeTexture(1, 1, {255, 0, 0});
  ImageData green = makeTexture(1, 1, {0, 255, 0});
  Material redMaterial = red, greenMaterial = green;
  Model model =
      buildModel({square(0, 0, 0.5f, 0, 0), square(0, 0, 0.5f, 0, 1)}, {redMaterial, greenMaterial},
                 {node(0, -1, stored(-1.5f, 0, 0)), node(1), node(0, -1, stored(1.5f, 0, 0))});
  ViewState view = plainView();
  view.texturing = true;
  glDisable(GL_LIGHTING);
  glColor3f(1, 1, 1);
  drawFrame(view, model, textures_, font_, frameRate_);
  int x, y;
  projectPoint(-1.5, 0, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 255, 0, 0)) << readPixel(x, y);
  projectPoint(0, 0, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 0, 255, 0)) << readPixel(x, y);
  projectPoint(1.5, 0, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 255, 0, 0))
      << "second drawing of mesh 0 kept the green texture " << readPixel(x, y);

  // Between frames other drawing (the overlay) binds its own textures; the
  // next frame still binds the material's.
  glBindTexture(GL_TEXTURE_2D, green.textureName);
  drawFrame(view, model, textures_, font_, frameRate_);
  projectPoint(-1.5, 0, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 255, 0, 0)) << readPixel(x, y);
  freeModel(model);
}

TEST_F(ModelDrawTest, TypeTwoFacesBlendAddingAndLeaveBlendingOff) {
  MeshSpec blended = square(-1.5f, 0, 1, 0, 0, 2);
  MeshSpec opaque = square(1.5f, 0, 1, 0, 0, 0);
  // A type-2 record among the extra triangles of a third mesh.
  MeshSpec extra = square(0, 2.5f, 0.7f, 0, 0, 0);
  extra.extra = {triangle(0, 1, 2, 0, 2), triangle(0, 2, 3, 0, 2)};
  extra.faces.clear();
  Model model = buildModel({blended, opaque, extra}, {}, {node(0), node(1), node(2)});
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glColor3f(0.5f, 0.5f, 0.5f);
  drawFrame(plainView(), model, textures_, font_, frameRate_);
  int x, y;
  // (GL_ONE_MINUS_SRC_COLOR, GL_ONE): 0.5 x 0.5 plus the background.
  projectPoint(-1.5, 0, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 90, 115, 140)) << readPixel(x, y);
  projectPoint(0, 2.5, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 90, 115, 140)) << readPixel(x, y);
  projectPoint(1.5, 0, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 128, 128, 128)) << readPixel(x, y);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  GLint source = 0, destination = 0;
  glGetIntegerv(GL_BLEND_SRC, &source);
  glGetIntegerv(GL_BLEND_DST, &destination);
  EXPECT_EQ(source, GL_ONE_MINUS_SRC_COLOR);
  EXPECT_EQ(destination, GL_ONE);
  freeModel(model);
}

TEST_F(ModelDrawTest, BackFacesAreCulled) {
  MeshSpec front = square(-1.5f, 0, 1);
  MeshSpec back = square(1.5f, 0, 1);
  back.faces = {triangle(0, 2, 1), triangle(0, 3, 2)};  // clockwise as seen
  Model model = buildModel({front, back}, {}, {node(0), node(1)});
  drawUnlit(model);
  int x, y;
  projectPoint(-1.5, 0, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 255, 255, 255)) << readPixel(x, y);
  projectPoint(1.5, 0, 0, x, y);
  EXPECT_TRUE(isBackground(readPixel(x, y))) << readPixel(x, y);
  freeModel(model);
}

TEST_F(ModelDrawTest, WireAndFlatModesAsTheViewerSetsThem) {
  // Wire: the viewer's F5 state (flat shading, front faces as lines).
  Model big = buildModel({square(0, 0, 2)}, {}, {node(0)});
  glShadeModel(GL_FLAT);
  glPolygonMode(GL_FRONT, GL_LINE);
  drawUnlit(big);
  int x, y;
  projectPoint(1, -1, 0, x, y);  // off the diagonal edge
  EXPECT_TRUE(isBackground(readPixel(x, y))) << "inside of a wire face " << readPixel(x, y);
  projectPoint(0, -2, 0, x, y);
  EXPECT_TRUE(whiteNear(x, y, 1)) << "the bottom edge is drawn";
  glPolygonMode(GL_FRONT, GL_FILL);
  drawUnlit(big);
  projectPoint(1, -1, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 255, 255, 255)) << readPixel(x, y);
  freeModel(big);

  // Flat shading takes the lighting of the third corner: corners 0 and 1
  // turn edge-on to the light, corner 2 faces it.
  MeshSpec mesh;
  mesh.vertices = {glVertex(-3, -2, 0, 0, 1, 0), glVertex(3, -2, 0, 0, 1, 0),
                   glVertex(0, 2.5f, 0, 0, 0, 1)};
  mesh.texVertices = {{0, 0}, {0, 0}, {0, 0}};
  mesh.faces = {triangle(0, 1, 2)};
  Model lit = buildModel({mesh}, {}, {node(0)});
  ViewState view = plainView();
  glEnable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glShadeModel(GL_FLAT);
  drawFrame(view, lit, textures_, font_, frameRate_);
  projectPoint(-2.5, -1.8, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 255, 255, 255)) << "flat " << readPixel(x, y);
  glShadeModel(GL_SMOOTH);
  drawFrame(view, lit, textures_, font_, frameRate_);
  EXPECT_LT(readPixel(x, y).r, 160) << "smooth keeps corner 0 dim";
  freeModel(lit);
}

TEST_F(ModelDrawTest, HostileIndicesDrawWithoutReadingOutsideArrays) {
  ImageData red = makeTexture(1, 1, {255, 0, 0});
  Material redMaterial = red;
  Material empty = red;  // a material of width and height 0
  empty.width = 0;
  empty.height = 0;

  // Mesh 0: a textured face first, then faces that must come out untextured
  // (white) although the red texture is still bound.
  MeshSpec faces;
  const float xs[] = {-3, -1.5f, 0, 1.5f, 3};
  for (float cx : xs) {
    MeshSpec s = square(cx, 1.5f, 0.6f);
    int base = static_cast<int>(faces.vertices.size());
    for (const Vertex& v : s.vertices) faces.vertices.push_back(v);
    for (const TexVertex& t : s.texVertices) faces.texVertices.push_back(t);
    faces.faces.push_back(triangle(base, base + 1, base + 2));
    faces.faces.push_back(triangle(base, base + 2, base + 3));
  }
  faces.faces[2].material = 7;  // out of range
  faces.faces[3].material = 7;
  faces.faces[4].material = -1;  // negative
  faces.faces[5].material = -1;
  faces.faces[6].texVertex[1] = 1000;  // texture vertex out of range
  faces.faces[7].texVertex[2] = -3;
  faces.faces[8].material = 1;  // zero-size material
  faces.faces[9].material = 1;
  // Faces with a vertex out of range are skipped (the left square vanishes
  // on the next pass).
  MeshSpec skipped = square(-3, -1.5f, 0.6f);
  skipped.faces[0].vertex[1] = 4;
  skipped.faces[1].vertex[2] = -1;
  skipped.extra = {triangle(0, 1, 99)};
  // A mesh whose counts promise arrays it does not have.
  MeshSpec hollow = square(0, -1.5f, 0.6f);

  std::vector<HierarchyNode> nodes = {
      node(0),
      node(1),
      node(2),
      node(5),                        // mesh out of range
      node(-7),                       // negative mesh index
      node(-1, 42, stored(1, 0, 0)),  // parent out of range
      node(-1, 7, stored(1, 0, 0)),   // cycle 6 -> 7 -> 6
      node(-1, 6, stored(0, 0, 0)),   //
      node(-1, 8, stored(0, 0, 0)),   // parent of itself
  };
  // A square drawn by a node under an out-of-range parent: placed by its own
  // position only.
  nodes.push_back(node(3, 42, stored(1.5f, -1.5f, 0)));
  // A node in a cycle that shows a mesh: placed by its pivot plus the
  // positions of the whole loop, each member once (0.4 + 0.3).
  nodes.push_back(node(3, 11, stored(0.4f, 0, 0), stored(3, -1.5f, 0)));
  nodes.push_back(node(-1, 10, stored(0.3f, 0, 0)));
  Model model =
      buildModel({faces, skipped, hollow, square(0, 0, 0.5f)}, {redMaterial, empty}, nodes);
  std::free(model.meshes[2].vertices);
  model.meshes[2].vertices = nullptr;
  std::free(model.meshes[2].texVertices);
  model.meshes[2].texVertices = nullptr;

  ViewState view = plainView();
  view.texturing = true;
  glDisable(GL_LIGHTING);
  glColor3f(1, 1, 1);
  drawFrame(view, model, textures_, font_, frameRate_);
  int x, y;
  projectPoint(-3, 1.5, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 255, 0, 0)) << readPixel(x, y);
  for (int i = 1; i < 5; ++i) {
    projectPoint(xs[i], 1.5, 0, x, y);
    EXPECT_TRUE(near(readPixel(x, y), 255, 255, 255)) << "square " << i << " " << readPixel(x, y);
  }
  projectPoint(-3, -1.5, 0, x, y);
  EXPECT_TRUE(isBackground(readPixel(x, y))) << readPixel(x, y);
  projectPoint(0, -1.5, 0, x, y);
  EXPECT_TRUE(isBackground(readPixel(x, y))) << readPixel(x, y);
  projectPoint(1.5, -1.5, 0, x, y);  // mesh 3 is textured red
  EXPECT_TRUE(near(readPixel(x, y), 255, 0, 0)) << readPixel(x, y);
  // Node 10's chain loops (10 -> 11 -> 10 ...): its mesh is placed by the
  // loop's two positions once each, centred at x = 3.7, not by as many steps
  // as there are nodes (which would carry it off the picture).
  projectPoint(3.7, -1.5, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 255, 0, 0)) << readPixel(x, y);
  projectPoint(2.7, -1.5, 0, x, y);
  EXPECT_TRUE(isBackground(readPixel(x, y))) << readPixel(x, y);
  GLint depth = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  freeModel(model);

  // A model left half-made: counts without arrays.
  Model broken;
  broken.nodeCount = 3;
  broken.meshCount = 2;
  broken.materialCount = 4;
  drawFrame(view, broken, textures_, font_, frameRate_);
  Model noMeshes = buildModel({}, {}, {node(0), node(1, 0)});
  noMeshes.meshCount = 5;
  drawFrame(view, noMeshes, textures_, font_, frameRate_);
  freeModel(noMeshes);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ModelDrawTest, DeepParentChainIsWalkedWithoutRecursion) {
  // 300,000 nodes in one chain, only the deepest showing a mesh: its place is
  // the sum of every position in the chain.
  std::vector<HierarchyNode> nodes(300000);
  for (size_t i = 0; i < nodes.size(); ++i) {
    nodes[i] = node(-1, static_cast<int>(i) - 1, stored(0.00001f, 0, 0));
  }
  nodes.back().mesh = 0;
  Model model = buildModel({square(0, 0, 0.3f)}, {}, nodes);
  drawUnlit(model);
  int x, y;
  projectPoint(3, 0, 0, x, y);
  EXPECT_TRUE(whiteNear(x, y, 1)) << readPixel(x, y);
  freeModel(model);
}

}  // namespace
