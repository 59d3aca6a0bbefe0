// Guards the hierarchy walk of model drawing against the cost that fuzzing
// found: a chain of n nodes, or nodes that are their own parents, made each
// pass cost n x depth translations (6.9 s a frame for a 30,000-node chain;
// the speed itself is checked by the fuzz limits, never by a timed test).
// Each node is now placed once per pass, and a parent loop counts each of its
// nodes once: drawing and translateToNode agree on every node, real chains
// land where the sum of their positions puts them.
#include <cmath>
#include <vector>

#include "tests/render/render_fixture.h"

namespace {

class HierarchyCostTest : public RenderTest {
 protected:
  // The translation that translateToNode leaves in an identity modelview.
  static Vec3 chainTranslation(const Model& model, int node) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    translateToNode(model, node);
    GLfloat matrix[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    glPopMatrix();
    return Vec3{matrix[12], matrix[13], matrix[14]};
  }
  // Whether the centre of a small square drawn at GL (x, y, 0) shows.
  static bool drawnAt(float x, float y) {
    int wx = 0;
    int wy = 0;
    projectPoint(x, y, 0, wx, wy);
    return !isBackground(readPixel(wx, wy));
  }
  void drawOnly(const Model& model) {
    drawFrame(plainView(), model, textures_, font_, frameRate_);
    // The camera and rotations of the frame stay in the modelview matrix for
    // projectPoint.
  }
  FixedTextures textures_;
  BitmapFont font_;
  FrameRate frameRate_;
};

void expectNear(const Vec3& got, float x, float y, float z) {
  EXPECT_NEAR(got.x, x, 1e-5f);
  EXPECT_NEAR(got.y, y, 1e-5f);
  EXPECT_NEAR(got.z, z, 1e-5f);
}

TEST_F(HierarchyCostTest, ParentLoopsCountEachNodeOnceInDrawingAndInTranslateToNode) {
  // Nodes 0 -> 2 -> 1 -> 0 form a loop; node 3 leads into it; node 4 is its
  // own parent. Positions in GL axes.
  std::vector<HierarchyNode> nodes = {
      node(-1, 2, stored(1.0f, 0, 0)),     node(-1, 0, stored(0, 1.0f, 0)),
      node(0, 1, stored(0, 0.5f, 0)),      node(0, 2, stored(-3.0f, 0, 0)),
      node(0, 4, stored(-0.5f, -0.5f, 0)),
  };
  Model model = buildModel({square(0, 0, 0.1f)}, {}, nodes);
  // Every node of the loop at the sum of the loop: (1, 1.5, 0).
  for (int i : {0, 1, 2}) expectNear(chainTranslation(model, i), 1.0f, 1.5f, 0);
  // The node leading into the loop: its own position plus the loop.
  expectNear(chainTranslation(model, 3), -2.0f, 1.5f, 0);
  // Its own parent: its position once, not once per node of the model.
  expectNear(chainTranslation(model, 4), -0.5f, -0.5f, 0);

  drawOnly(model);
  EXPECT_TRUE(drawnAt(1.0f, 1.5f)) << "node 2 on the loop";
  EXPECT_TRUE(drawnAt(-2.0f, 1.5f)) << "node 3 leading into the loop";
  EXPECT_TRUE(drawnAt(-0.5f, -0.5f)) << "node 4, its own parent";
  EXPECT_FALSE(drawnAt(-2.5f, -2.5f)) << "node 4 counted once per node of the model";
  freeModel(model);
}

TEST_F(HierarchyCostTest, LongChainsLandAtTheSumOfTheirPositions) {
  // 20,000 nodes in a chain, every 5,000th showing a square: each lands at
  // the sum of the positions of its chain, in drawing as in translateToNode.
  std::vector<HierarchyNode> nodes(20000);
  for (size_t i = 0; i < nodes.size(); ++i) {
    nodes[i] =
        node(i % 5000 == 4999 ? 0 : -1, static_cast<int>(i) - 1, stored(0.0001f, 0.00005f, 0));
  }
  Model model = buildModel({square(0, 0, 0.1f)}, {}, nodes);
  for (int shown : {4999, 9999, 14999, 19999}) {
    const float steps = static_cast<float>(shown + 1);
    const Vec3 got = chainTranslation(model, shown);
    EXPECT_NEAR(got.x, 0.0001f * steps, 1e-3f);
    EXPECT_NEAR(got.y, 0.00005f * steps, 1e-3f);
  }
  drawOnly(model);
  for (int shown : {4999, 9999, 14999, 19999}) {
    const float steps = static_cast<float>(shown + 1);
    EXPECT_TRUE(drawnAt(0.0001f * steps, 0.00005f * steps)) << "node " << shown;
  }
  freeModel(model);
}

}  // namespace
