// The face list: read as a stream of words, faces cut into fans sharing
// corner 0, the limit of 1024 extra triangles per mesh, and comments where a
// face begins.
#include <string>

#include "model/model_reader.h"
#include "tests/model/model_test_files.h"
#include "tests/support/test_support.h"

namespace {

class ModelFacesTest : public ModelFileTest {
 protected:
  static std::string face(int number, int corners, int type = 0, int material = 0) {
    std::string text = std::to_string(number) + ": " + std::to_string(material) + " 0x000" +
                       std::to_string(type) + " 1 3 0 0.0 " + std::to_string(corners);
    for (int k = 0; k < corners; ++k) {
      text += " " + std::to_string(k % 4) + "," + std::to_string((k + 1) % 4);
    }
    return text;
  }
  static std::string faces(int count, int corners) {
    std::string text;
    for (int i = 0; i < count; ++i) text += face(i, corners) + "\n";
    return text;
  }
};

TEST_F(ModelFacesTest, FacesBecomeFansSharingCornerZero) {
  // A triangle, a quad, a hexagon and a pentagon; two faces share a line and
  // one runs over three lines.
  std::string list =
      "0: 0 0x0000 a b c d 3 0,0 1,1 2,2  1: 1 0x0002 a b c d 4 0,3 1,2\n"
      " 2,1 3,0\n"
      "2: 2 0x0010 a b c d\n"
      "   6 0,0 1,1 2,2 3,3\n"
      "   1,2 2,3\n"
      "3: 0 0x0003 a b c d 5 3,0 2,1 1,2 0,3 2,2\n";
  ASSERT_TRUE(load(modelText({}, {squareMesh(0, list, 4)})));
  const Mesh& mesh = model_.meshes[0];
  ASSERT_EQ(mesh.faceCount, 4);
  ASSERT_EQ(mesh.extraTriangleCount, 1 + 3 + 2);
  EXPECT_NE(report().find("\tNumber of Triangles = 4\n\tConverted polygons to 6 triangles.\n"),
            std::string::npos);

  struct Expected {
    int vertex[3];
    int texVertex[3];
    int face;
  } expected[] = {
      {{0, 2, 3}, {3, 1, 0}, 1},  // quad: (c0, c2, c3)
      {{0, 2, 3}, {0, 2, 3}, 2},  // hexagon: (c0, c2, c3), (c0, c3, c4), (c0, c4, c5)
      {{0, 3, 1}, {0, 3, 2}, 2}, {{0, 1, 2}, {0, 2, 3}, 2}, {{3, 1, 0}, {0, 2, 3}, 3},  // pentagon
      {{3, 0, 2}, {0, 3, 2}, 3},
  };
  for (int j = 0; j < 6; ++j) {
    const Face& got = mesh.extraTriangles[j];
    const Face& from = mesh.faces[expected[j].face];
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(got.vertex[k], expected[j].vertex[k]) << j << " " << k;
      EXPECT_EQ(got.texVertex[k], expected[j].texVertex[k]) << j << " " << k;
    }
    EXPECT_EQ(got.type, from.type) << j;
    EXPECT_EQ(got.material, from.material) << j;
    // Face normal i is (0, i, 1): each fan triangle carries its own face's.
    EXPECT_FLOAT_EQ(got.normal.y, static_cast<float>(expected[j].face)) << j;
  }
  EXPECT_EQ(mesh.faces[1].type, 2);
  EXPECT_EQ(mesh.faces[2].type, 10);  // the digits after 0x, read as decimal
  EXPECT_EQ(mesh.faces[2].material, 2);
  EXPECT_EQ(mesh.faces[3].vertex[0], 3);
  EXPECT_EQ(mesh.faces[3].texVertex[2], 2);
}

TEST_F(ModelFacesTest, AtMost1024ExtraTrianglesPerMesh) {
  // 1024 quads load; two meshes of 1000 each load.
  ASSERT_TRUE(load(modelText({}, {squareMesh(0, faces(1024, 4), 1024)})));
  EXPECT_EQ(model_.meshes[0].extraTriangleCount, 1024);
  ASSERT_TRUE(load(
      modelText({}, {squareMesh(0, faces(1000, 4), 1000), squareMesh(1, faces(500, 5), 500)})));
  EXPECT_EQ(model_.meshes[0].extraTriangleCount, 1000);
  EXPECT_EQ(model_.meshes[1].extraTriangleCount, 1000);

  // The 1025th fails, whether from many faces or from one face of 1028
  // corners, quoting the FACES line.
  struct Case {
    std::string list;
    int count;
  } cases[] = {{faces(1025, 4), 1025}, {faces(1, 1028), 1}, {faces(3, 3) + faces(1, 1028), 4}};
  for (const Case& c : cases) {
    EXPECT_FALSE(
        load(modelText({}, {squareMesh(0, faces(2, 4), 2), squareMesh(1, c.list, c.count)})));
    std::string countLine = "FACES " + std::to_string(c.count) + "\n";
    std::string end = "\tNumber of Triangles = " + std::to_string(c.count) + "\n" +
                      "\nLast Line Read in model.3do: " + countLine + "\n";
    std::string got = report();
    ASSERT_GE(got.size(), end.size());
    EXPECT_EQ(got.substr(got.size() - end.size()), end);
    EXPECT_NE(got.find("Converted polygons to 2 triangles.\nMesh #1"), std::string::npos);
    EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Too Many non-3-sided faces!"});
    expectModelConsistent(model_);
    EXPECT_EQ(model_.meshes[1].extraTriangleCount, 0);
  }
}

// Regression: the fan triangles are made, not read, so their array is not
// bounded by the bytes left in the file (the last mesh of a file once kept
// only as many as the node lines could have held).
TEST_F(ModelFacesTest, FanTrianglesOfTheLastMeshAreAllKept) {
  ASSERT_TRUE(load(modelText({}, {squareMesh(0, faces(300, 6), 300)})));
  const Mesh& mesh = model_.meshes[0];
  ASSERT_EQ(mesh.extraTriangleCount, 900);
  EXPECT_EQ(mesh.extraTriangles[899].vertex[2], 5 % 4);
  EXPECT_FLOAT_EQ(mesh.extraTriangles[899].normal.y, 299.0f);
}

TEST_F(ModelFacesTest, CommentWhereAFaceBeginsSkipsOnlyItsOwnLine) {
  // Regression guard: a comment line in the face list (also one holding only
  // "#") never swallows the face on the next line.
  std::string list = "#\n" + face(0, 3, 1) + "\n# a comment\n" + face(1, 3, 2) + "\n  #x " +
                     face(9, 4) + "\n" + face(2, 4, 3) + " #tail words\n";
  ASSERT_TRUE(load(modelText({}, {squareMesh(0, list, 3)})));
  const Mesh& mesh = model_.meshes[0];
  EXPECT_EQ(mesh.faces[0].type, 1);
  EXPECT_EQ(mesh.faces[1].type, 2);
  EXPECT_EQ(mesh.faces[2].type, 3);
  EXPECT_EQ(mesh.extraTriangleCount, 1);  // the commented-out quad made none
  // The face normals are still aligned with the faces.
  EXPECT_FLOAT_EQ(mesh.faces[2].normal.y, 2.0f);
  EXPECT_TRUE(boxLines().empty());

  // A "#" word inside a face is one of its words, not a comment.
  ASSERT_TRUE(load(modelText({}, {squareMesh(0, "0: 0 0x0002 #a #b #c #d 3 0,0 1,1 2,2\n", 1)})));
  EXPECT_EQ(model_.meshes[0].faces[0].type, 2);
  EXPECT_EQ(model_.meshes[0].faces[0].vertex[2], 2);
}

TEST_F(ModelFacesTest, WordsAfterTheLastFaceFormTheIgnoredLine) {
  // The rest of the last face's line is the line ignored after the list, so
  // "FACE NORMALS" is read as the first normal (no number: it keeps zero) and
  // every normal lands one face later.
  MeshText mesh = squareMesh(0, face(0, 3) + "\n" + face(1, 3) + " extra\n", 2);
  std::string text = modelText({}, {mesh});
  // Give the model one more line after the normals for the shifted read.
  text.replace(text.find("HIERARCHY\n"), 10, "2: 0 2 1\nHIERARCHY\n");
  ASSERT_TRUE(load(text));
  EXPECT_FLOAT_EQ(model_.meshes[0].faces[0].normal.z, 0.0f);
  EXPECT_FLOAT_EQ(model_.meshes[0].faces[1].normal.z, 1.0f);
  EXPECT_FLOAT_EQ(model_.meshes[0].faces[1].normal.y, 0.0f);
}

TEST_F(ModelFacesTest, EndOfFileInsideTheFaceListFailsWithoutLooping) {
  std::string full = modelText({}, {squareMesh(0, faces(3, 5), 3)});
  std::string head = full.substr(0, full.find("1: 0 0x"));
  const std::string endings[] = {
      head,                                        // ends where a face begins
      head + "#",                                  // a comment word at the very end
      head + "# comment\n#\n",                     // comment lines at the end
      head + "1: 0 0x0000 1 3",                    // inside a face's head
      head + "1: 0 0x0000 1 3 0 0 5 0,1 1,",       // inside a corner
      head + "1: 0 0x0000 1 3 0 0 5 0,1 1,2 2,3",  // before its further corners
  };
  for (const std::string& text : endings) {
    EXPECT_FALSE(load(text)) << text.substr(head.size());
    std::string end = "\tNumber of Triangles = 3\n\nLast Line Read in model.3do: FACES 3\n\n";
    std::string got = report();
    ASSERT_GE(got.size(), end.size());
    EXPECT_EQ(got.substr(got.size() - end.size()), end) << text.substr(head.size());
    EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Unexpected end of 3do file"});
    expectModelConsistent(model_);
    EXPECT_EQ(model_.meshes[0].extraTriangleCount, 0);
  }
}

}  // namespace
