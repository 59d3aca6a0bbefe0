// The scene vistrel-tool export writes, gathered from a real load of a
// hostile model: every node must stand where the drawing puts it once the
// exported tree is composed (parent loops, a chain into a loop, a parent out
// of range, a self-parent, a chain far deeper than the tree may go), the tree
// must end at a root within 64 levels, and faces must be skipped, drawn plain
// or blended exactly as the drawing does; and an OBJ vertex placed past the
// float range is written as 0.
#include "interchange/export_scene.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "image/fixed_textures.h"
#include "model/drawn_model.h"
#include "model/model_reader.h"
#include "render/model_draw.h"
#include "render/start_state.h"
#include "tests/support/test_support.h"

namespace {

// Mesh 0: a quad (two faces, the second blended), a face with a vertex out of
// range and one whose material is out of range. Mesh 1: one triangle.
std::string hostileModel(int chain) {
  std::string text =
      "MODEL\n3DO 2.1\nRESOURCES\nMATERIALS 1\n 0: absent.mat\n"
      "GEOMETRY\nRADIUS 3.0\nINSERT OFFSET 0 0 0\nLEVELS 1\nLEVEL 0\nMESHES 2\n"
      "MESH 0\nNAME quad\nRADIUS 1.5\nDRAW MODE 4\nLIGHT MODE 3\nTEXTURE MODE 3\n"
      "VERTICES 4\n 0: 1 0 -1\n 1: -1 0 -1\n 2: -1 0 1\n 3: 1 0 1\n"
      "TEXTURE VERTICES 4\n 0: 0 0\n 1: 64 0\n 2: 64 64\n 3: 0 64\n"
      "VERTEX NORMALS\n 0: 0 2 0\n 1: 0 2 0\n 2: 0 0 0\n 3: 0 1 0\n"
      "FACES 4\n"
      " 0: 0 0x0000 1 3 0 0.0 3 0,0 1,1 2,2\n"
      " 1: 0 0x0002 1 3 0 0.0 3 0,0 2,2 3,3\n"
      " 2: 0 0x0000 1 3 0 0.0 3 0,0 1,1 9,2\n"
      " 3: 7 0x0000 1 3 0 0.0 3 0,0 2,2 3,3\n"
      "FACE NORMALS\n 0: 0 1 0\n 1: 0 1 0\n 2: 0 1 0\n 3: 0 1 0\n"
      "MESH 1\nNAME tri\nRADIUS 1.5\nDRAW MODE 4\nLIGHT MODE 3\nTEXTURE MODE 3\n"
      "VERTICES 3\n 0: 0 0 0\n 1: 1 0 0\n 2: 0 0 1\n"
      "TEXTURE VERTICES 1\n 0: 0 0\n"
      "VERTEX NORMALS\n 0: 0 1 0\n 1: 0 1 0\n 2: 0 1 0\n"
      "FACES 1\n 0: 0 0x0000 1 3 0 0.0 3 0,0 1,0 2,0\n"
      "FACE NORMALS\n 0: 0 1 0\n"
      "HIERARCHY\n";
  // node: mesh, parent, position, pivot
  struct Row {
    int mesh;
    int parent;
    float x, y, z, px, py, pz;
  };
  std::vector<Row> rows = {
      {0, -1, 1, 0, 0, 0, 0, 0},  // a root
      {1, 2, 0, 1, 0, 0, 0, 0},   // 1 -> 2 -> 3 -> 1: a loop
      {0, 3, 0, 0, 1, 0, 0, 0.5f}, {1, 1, 2, 0, 0, 0, 0, 0},
      {0, 1, 0, 0, 3, 0.5f, 0, 0},  // leads into the loop
      {1, 99, 1, 1, 1, 0, 0, 0},    // parent out of range
      {0, 6, 0, 2, 0, 0, 0, 0},     // its own parent
  };
  for (int i = 0; i < chain; ++i) {
    rows.push_back({1, i == 0 ? 0 : static_cast<int>(rows.size()) - 1, 0.01f, 0, 0.02f, 0, 0, 0});
  }
  text += "HIERARCHY NODES " + std::to_string(rows.size()) + "\n";
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    char line[256];
    std::snprintf(line, sizeof line, " %zu: 0x0 0 %d %d 0 0 0 %g %g %g 0 0 0 %g %g %g n\n", i,
                  r.mesh, r.parent, r.x, r.y, r.z, r.px, r.py, r.pz);
    text += line;
  }
  return text;
}

class ExportSceneTest : public GlTest {};

TEST_F(ExportSceneTest, EveryNodeStandsWhereTheDrawingPutsItAndTheTreeEndsAtARoot) {
  writeFile("hostile.3do", hostileModel(200));
  std::filesystem::copy(runtimePath("systemtex"), "systemtex",
                        std::filesystem::copy_options::recursive);
  FixedTextures textures;
  readFixedImages(textures);
  Model model;
  useCheckerFallback(model, textures);
  std::vector<TextureUpload> uploads;
  ASSERT_TRUE(
      readModelData(model, scratch_->file("hostile.3do").c_str(), nullptr, nullptr, uploads));

  ExportScene scene;
  buildExportScene(model, uploads, textures.checkerTexture, "out", scene);
  NodeChains drawing;
  walkNodeChains(model, drawing);

  ASSERT_EQ(scene.nodes.size(), static_cast<size_t>(model.nodeCount));
  EXPECT_EQ(scene.brokenLoops, 2);  // 1 -> 2 -> 3 -> 1 and 6 -> 6
  EXPECT_GT(scene.deepNodes, 0);
  for (size_t i = 0; i < scene.nodes.size(); ++i) {
    // The exported tree composed from the node up to its root.
    float world[3] = {0, 0, 0};
    int levels = 0;
    for (int n = static_cast<int>(i); n >= 0; n = scene.nodes[static_cast<size_t>(n)].parent) {
      ASSERT_LT(++levels, 65) << "node " << i << " is not below a root within 64 levels";
      for (int c = 0; c < 3; ++c) world[c] += scene.nodes[static_cast<size_t>(n)].translation[c];
    }
    const Vec3& drawn = drawing.offsets[i];
    const float* pivot = scene.nodes[i].pivot;
    const float expected[3] = {drawn.x + pivot[0], drawn.y + pivot[1], drawn.z + pivot[2]};
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(world[c] + pivot[c], expected[c], 1e-4) << "node " << i << " axis " << c;
      EXPECT_NEAR(scene.nodes[i].placement[c], expected[c], 1e-4) << "node " << i;
    }
  }

  // Mesh 0: the face with vertex 9 is left out; the face with material 7 is
  // plain; the type-2 face wears the blended twin of absent.mat, whose
  // texture (the checker) carries the twin's alpha.
  EXPECT_EQ(scene.skippedTriangles, 1);
  const ExportMesh& quad = scene.meshes[0];
  ASSERT_EQ(quad.primitives.size(), 3u);
  int triangles = 0;
  bool plain = false;
  bool blended = false;
  for (const ExportPrimitive& primitive : quad.primitives) {
    triangles += static_cast<int>(primitive.indices.size() / 3);
    const ExportMaterial& material = scene.materials[static_cast<size_t>(primitive.material)];
    if (material.image < 0) plain = material.name == "untextured" && !material.blended;
    if (material.blended) {
      blended = material.name == "absent.mat_blended" && material.image >= 0 &&
                scene.images[static_cast<size_t>(material.image)].alpha < 255;
    }
    for (const ExportVertex& vertex : primitive.vertices) {
      const float length =
          std::sqrt(vertex.normal[0] * vertex.normal[0] + vertex.normal[1] * vertex.normal[1] +
                    vertex.normal[2] * vertex.normal[2]);
      EXPECT_NEAR(length, 1.0f, 1e-5f);
    }
  }
  EXPECT_EQ(triangles, 3);
  EXPECT_TRUE(plain);
  EXPECT_TRUE(blended);
  releaseModel(model);
  std::free(textures.checkerTexture.pixels);
}

// A vertex that its node places past the float range (3e38 + 3e38) was
// written as "v inf", which OBJ readers refuse; it is written as 0, as the
// scene writes every number that no format can carry.
TEST_F(ExportSceneTest, AnObjVertexPlacedPastTheFloatRangeIsWrittenAsZero) {
  ExportScene scene;
  scene.materials.push_back(ExportMaterial{"untextured", -1, false});
  ExportPrimitive primitive;
  for (float x : {3e38f, 0.0f, 1.0f}) primitive.vertices.push_back({{x, 0, 0}, {0, 1, 0}, {0, 0}});
  primitive.indices = {0, 1, 2};
  scene.meshes.push_back(ExportMesh{"tri", {primitive}});
  ExportNode node;
  node.name = "tri";
  node.mesh = 0;
  node.placement[0] = 3e38f;
  scene.nodes.push_back(node);
  std::vector<std::string> written;
  ExportCounts counts;
  ExportMessages messages;
  ASSERT_TRUE(writeObj(scene, scratch_->path(), "out", "out.obj", written, counts, messages));
  const std::string obj = readFile("out.obj");
  EXPECT_EQ(obj.find("inf"), std::string::npos);
  EXPECT_NE(obj.find("\nv 0 0 0\n"), std::string::npos);
}

}  // namespace
