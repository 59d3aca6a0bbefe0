// Guards the one parent-chain walk that the drawing, the bounds and the
// exporter share: a loop's members become roots placed by the whole loop, a
// chain into the loop goes on below it, and the depth limit cuts a long
// chain into roots without moving any node.
#include "model/drawn_model.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(DrawnModelTest, LoopsAndTheDepthLimitMakeRootsWhereTheChainsPlaceThem) {
  // 0 <-> 1 is a loop, 2 hangs below 1, 3..9 is a chain of seven from a root.
  std::vector<HierarchyNode> nodes(10);
  const int parents[10] = {1, 0, 1, -1, 3, 4, 5, 6, 7, 8};
  for (int i = 0; i < 10; ++i) {
    nodes[i].parent = parents[i];
    nodes[i].position = Vec3{1.0f, 2.0f, 3.0f};  // GL axes: (-1, 3, 2)
  }
  Model model;
  model.nodes = nodes.data();
  model.nodeCount = 10;
  NodeChains chains;
  walkNodeChains(model, chains, 4);
  EXPECT_EQ(chains.loops, 1);
  EXPECT_EQ(chains.kind[0], kNodeOnLoop);
  EXPECT_EQ(chains.kind[1], kNodeOnLoop);
  EXPECT_EQ(chains.kind[2], kNodeInTree);
  EXPECT_EQ(chains.depth[2], 1);
  EXPECT_FLOAT_EQ(chains.offsets[0].x, -2.0f) << "a loop member counts the whole loop";
  EXPECT_FLOAT_EQ(chains.offsets[2].y, 9.0f) << "the chain into the loop goes on from it";
  // Depths 0,1,2,3 then the fifth node of the chain (node 7) is cut.
  EXPECT_EQ(chains.kind[7], kNodeTooDeep);
  EXPECT_EQ(chains.depth[7], 0);
  EXPECT_EQ(chains.depth[9], 2);
  EXPECT_EQ(chains.tooDeep, 1);
  EXPECT_FLOAT_EQ(chains.offsets[9].x, -7.0f) << "a cut moves no node";
  EXPECT_FLOAT_EQ(toGlAxes(Vec3{1, 2, 3}).y, 3.0f);
}

}  // namespace
