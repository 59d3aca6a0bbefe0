// The 3DO reader against real files and real Mesa OpenGL: the report byte
// for byte, the loaded records, the textures made from MAT files, and every
// failure with its message and report tail.
#include "model/model_reader.h"

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/gl.h"
#include "tests/model/model_test_files.h"
#include "tests/support/test_support.h"

namespace {

// Two materials (one MAT present, one missing), two meshes, two nodes, with
// comments and blank lines inside lists and indented data rows.
const char kModel[] =
    "# a representative model\n"
    "MODEL\n"
    "3DO 2.1\n"
    "RESOURCES\n"
    "MATERIALS 2\n"
    "  0: two.mat\n"
    "\n"
    "# between materials\n"
    "  1: missing.mat\n"
    "GEOMETRY\n"
    "RADIUS 1.5\n"
    "INSERT OFFSET 0.25 -0.5 2\n"
    "LEVELS 1\n"
    "LEVEL 0\n"
    "MESHES 2\n"
    "MESH 0\n"
    "NAME quad\n"
    "RADIUS 0.75\n"
    "A\nB\nC\n"
    "VERTICES 5\n"
    "0: 0 0 0\n"
    "1: 1 0 0\n"
    "   \t\n"
    "2: 1 1 0\n"
    "#3: 9 9 9\n"
    "3: 0 1 0\n"
    "4: 0.5 0.5 1\n"
    "TEXTURE VERTICES 4\n"
    "0: 0 0\n"
    "1: 2 0\n"
    "# comment\n"
    "2: 2 1\n"
    "3: 0 1\n"
    "VERTEX NORMALS\n"
    "0: 0 0 1\n"
    "1: 0 0 1\n"
    "2: 0 0.5 0.5\n"
    "\n"
    "3: 0 0 1\n"
    "4: 1 0 0\n"
    "FACES 2\n"
    "0: 0 0x0002 a b c d 4 0,0 1,1 2, 2 3,3\n"
    "1: 1 0x0000 a b c d 3 0,0 1,1 4,2\n"
    "FACE NORMALS\n"
    "0: 0 0 1\n"
    "# comment\n"
    "1: 0 -1 0\n"
    "MESH 1\n"
    "NAME tri\n"
    "RADIUS 0.5\n"
    "A\nB\nC\n"
    "VERTICES 3\n"
    "0: 0 0 0\n1: 1 0 0\n2: 0 1 0\n"
    "TEXTURE VERTICES 3\n"
    "0: 0 0\n1: 1 0\n2: 0 1\n"
    "VERTEX NORMALS\n"
    "0: 0 0 1\n1: 0 0 1\n2: 0 0 1\n"
    "FACES 1\n"
    "0: 1 0x0001 a b c d 3 0,0 1,1 2,2\n"
    "FACE NORMALS\n"
    "0: 0 0 -1\n"
    "HIERARCHY\n"
    "HIERARCHY NODES 2\n"
    "0: 0x0 0 0 -1 0 0 0 1 2 3 0 0 0 0.5 0.5 0.5 root\n"
    "\n"
    "1: 0x0 0 1 0 0 0 0 4 5 6 7 8 9 -1 -2 -3 child\n"
    "this line is never read\n";

const char kModelReport[] =
    "- Model Statistics for model.3do -\n"
    "\n"
    "There are 2 Mats\n"
    "\tMat #0 = two.mat\t\t2 x 1\n"
    "\tMat #1 = missing.mat\t\t? x ? Error: Could not load texture\n"
    "Model Radius = 1.500000\n"
    "Model Offset = 0.250000, -0.500000, 2.000000\n"
    "There are 2 Meshes\n"
    "Mesh #0 = quad\n"
    "\tMesh Radius = 0.750000\n"
    "\tNumber of Verts = 5\n"
    "\tNumber of Tex Verts = 4\n"
    "\tNumber of Triangles = 2\n"
    "\tConverted polygons to 1 triangles.\n"
    "Mesh #1 = tri\n"
    "\tMesh Radius = 0.500000\n"
    "\tNumber of Verts = 3\n"
    "\tNumber of Tex Verts = 3\n"
    "\tNumber of Triangles = 1\n"
    "\tConverted polygons to 0 triangles.\n"
    "Number of Hierarchy Nodes = 2\n";

class ModelReaderTest : public ModelFileTest {
 protected:
  void SetUp() override {
    ModelFileTest::SetUp();
    // A 4 x 4 fallback texture standing in for the checker.
    unsigned char checker[4 * 4 * 3] = {};
    ImageData image;
    image.pixels = checker;
    image.width = 4;
    image.height = 4;
    image.bitsPerPixel = 24;
    image.format = kGlRgb;
    uploadTexture(image, 3, kGlRgb);
    model_.fallbackTexture = image.textureName;
    model_.fallbackTextureSize = 4;
    writeFile("two.mat", matBytes(2, 1, {6, 31}));
  }
  std::string tail(const std::string& line) const {
    return "\nLast Line Read in model.3do: " + line + "\n";
  }
};

TEST_F(ModelReaderTest, RepresentativeFileGivesExactReportRecordsAndTextures) {
  ASSERT_TRUE(load(kModel));
  EXPECT_EQ(report(), kModelReport);
  EXPECT_EQ(boxLines(), std::vector<std::string>{
                            "ERROR: Could not open missing.mat.\\nUsing default texture.\\n"});

  EXPECT_FLOAT_EQ(model_.radius, 1.5f);
  EXPECT_FLOAT_EQ(model_.insertOffset.z, 2.0f);
  ASSERT_EQ(model_.materialCount, 2);
  EXPECT_STREQ(model_.materialNames[0], "two.mat");
  EXPECT_STREQ(model_.materialNames[1], "missing.mat");

  // The loaded MAT is a real 2 x 1 texture with the palette colours.
  const Material& loaded = model_.materials[0];
  EXPECT_EQ(loaded.width, 2u);
  EXPECT_EQ(loaded.height, 1u);
  EXPECT_EQ(loaded.pixels, nullptr);  // released once uploaded
  ASSERT_NE(loaded.textureName, 0u);
  ASSERT_NE(loaded.textureName, model_.fallbackTexture);
  glBindTexture(GL_TEXTURE_2D, loaded.textureName);
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  EXPECT_EQ(width, 2);
  EXPECT_EQ(height, 1);
  unsigned char texels[6] = {};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
  const unsigned char expected[6] = {0xFF, 0, 0, 0, 0, 0xFF};
  EXPECT_EQ(std::memcmp(texels, expected, 6), 0);

  // The missing one takes the fallback texture and its size.
  EXPECT_EQ(model_.materials[1].textureName, model_.fallbackTexture);
  EXPECT_EQ(model_.materials[1].width, 4u);
  EXPECT_EQ(model_.materials[1].height, 4u);

  ASSERT_EQ(model_.meshCount, 2);
  const Mesh& quad = model_.meshes[0];
  EXPECT_STREQ(quad.name, "quad");
  EXPECT_FLOAT_EQ(quad.radius, 0.75f);
  ASSERT_EQ(quad.vertexCount, 5);
  EXPECT_FLOAT_EQ(quad.vertices[3].position.y, 1.0f);  // the "#3" line was a comment
  EXPECT_FLOAT_EQ(quad.vertices[4].position.z, 1.0f);
  EXPECT_FLOAT_EQ(quad.vertices[2].normal.y, 0.5f);
  EXPECT_FLOAT_EQ(quad.vertices[4].normal.x, 1.0f);
  ASSERT_EQ(quad.texVertexCount, 4);
  EXPECT_FLOAT_EQ(quad.texVertices[2].u, 2.0f);
  EXPECT_FLOAT_EQ(quad.texVertices[3].v, 1.0f);
  ASSERT_EQ(quad.faceCount, 2);
  const Face& first = quad.faces[0];
  EXPECT_EQ(first.material, 0);
  EXPECT_EQ(first.type, 2);
  EXPECT_EQ(first.vertex[2], 2);
  EXPECT_EQ(first.texVertex[2], 2);  // "2, 2": blank after the comma
  EXPECT_FLOAT_EQ(first.normal.z, 1.0f);
  EXPECT_EQ(quad.faces[1].material, 1);
  EXPECT_EQ(quad.faces[1].vertex[2], 4);
  EXPECT_FLOAT_EQ(quad.faces[1].normal.y, -1.0f);
  // The quad's second triangle (0, 2, 3) carries its face's type, normal and material.
  ASSERT_EQ(quad.extraTriangleCount, 1);
  const Face& extra = quad.extraTriangles[0];
  EXPECT_EQ(extra.vertex[0], 0);
  EXPECT_EQ(extra.vertex[1], 2);
  EXPECT_EQ(extra.vertex[2], 3);
  EXPECT_EQ(extra.texVertex[1], 2);
  EXPECT_EQ(extra.texVertex[2], 3);
  EXPECT_EQ(extra.type, 2);
  EXPECT_EQ(extra.material, 0);
  EXPECT_FLOAT_EQ(extra.normal.z, 1.0f);

  const Mesh& tri = model_.meshes[1];
  EXPECT_EQ(tri.extraTriangleCount, 0);
  EXPECT_NE(tri.extraTriangles, nullptr);  // allocated even when empty
  EXPECT_EQ(tri.faces[0].type, 1);

  ASSERT_EQ(model_.nodeCount, 2);
  EXPECT_EQ(model_.nodes[0].mesh, 0);
  EXPECT_EQ(model_.nodes[0].parent, -1);
  EXPECT_FLOAT_EQ(model_.nodes[0].position.z, 3.0f);
  EXPECT_FLOAT_EQ(model_.nodes[0].pivot.x, 0.5f);
  EXPECT_EQ(model_.nodes[1].mesh, 1);
  EXPECT_EQ(model_.nodes[1].parent, 0);
  EXPECT_FLOAT_EQ(model_.nodes[1].position.x, 4.0f);
  EXPECT_FLOAT_EQ(model_.nodes[1].pivot.z, -3.0f);

  // Releasing twice, and releasing an empty model, do nothing more.
  GLuint fallback = model_.fallbackTexture;
  GLuint loadedName = loaded.textureName;
  releaseModel(model_);
  releaseModel(model_);
  EXPECT_EQ(model_.meshCount, 0);
  EXPECT_EQ(model_.meshes, nullptr);
  EXPECT_EQ(model_.materials, nullptr);
  EXPECT_EQ(model_.fallbackTexture, fallback);
  EXPECT_EQ(model_.fallbackTextureSize, 4);
  EXPECT_TRUE(glIsTexture(loadedName));  // GL objects stay with the context
  EXPECT_TRUE(glIsTexture(fallback));
}

TEST_F(ModelReaderTest, HeaderRulesAndUnopenableFiles) {
  std::string body =
      std::string(kModel).substr(std::strlen("# a representative model\nMODEL\n3DO 2.1\n"));
  EXPECT_TRUE(load("X\n3DOX\n" + body)) << boxLines().size();
  EXPECT_TRUE(load("X\n   3DO\n" + body));  // the header word may be indented

  for (const char* header : {"X\n3do\n", "X\n3D\n", "X\nD3O\n", "3DO\n", "", "\n\n# only\n"}) {
    releaseModel(model_);
    EXPECT_FALSE(load(std::string(header) + (std::strlen(header) > 4 ? body : ""))) << header;
    EXPECT_EQ(report(), "- Model Statistics for model.3do -\n\n") << header;
    EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: File header does not match 3do"})
        << header;
  }

  // A model that cannot be opened leaves an empty report; an empty path too.
  writeFile("ModelStats.txt", "old report");
  clearBoxes();
  EXPECT_FALSE(loadModel(model_, "absent.3do"));
  EXPECT_EQ(report(), "");
  EXPECT_TRUE(fileExists("ModelStats.txt"));
  EXPECT_FALSE(loadModel(model_, ""));
  EXPECT_EQ(boxLines(), (std::vector<std::string>{"ERROR: Could not open 3do file",
                                                  "ERROR: Could not open 3do file"}));
  expectModelConsistent(model_);
}

TEST_F(ModelReaderTest, MeshHeaderMustCarryItsNumberInTheFirstColumn) {
  std::string text = kModel;
  struct Case {
    const char* from;
    const char* to;
    int meshesBefore;  // meshes reported before the failing MESH line
  } cases[] = {
      {"MESH 0\n", "MESH 1\n", 0}, {"MESH 0\n", " MESH 0\n", 0}, {"MESH 0\n", "mesh 0\n", 0},
      {"MESH 1\n", "MESH 0\n", 1}, {"MESH 1\n", "MESH 2 \n", 1},
  };
  for (const Case& c : cases) {
    std::string changed = text;
    changed.replace(changed.find(c.from), std::strlen(c.from), c.to);
    releaseModel(model_);
    EXPECT_FALSE(load(changed)) << c.to;
    std::string expected = kModelReport;
    size_t cut = expected.find(c.meshesBefore == 0 ? "Mesh #0" : "Mesh #1");
    expected = expected.substr(0, cut) + tail(c.to);
    EXPECT_EQ(report(), expected) << c.to;
    ASSERT_FALSE(boxLines().empty());
    EXPECT_EQ(boxLines().back(), "ERROR: MESH header read error");
    expectModelConsistent(model_);
  }
}

TEST_F(ModelReaderTest, UnmatchedKeywordLinesKeepTheirTargets) {
  // An indented RADIUS line and a lower-case INSERT OFFSET line leave the
  // values at zero; the load goes on.
  std::string text = kModel;
  text.replace(text.find("RADIUS 1.5"), 10, " RADIUS 1.5");
  text.replace(text.find("INSERT OFFSET"), 13, "insert offset");
  ASSERT_TRUE(load(text));
  std::string expected = kModelReport;
  expected.replace(expected.find("Model Radius = 1.500000"), 23, "Model Radius = 0.000000");
  expected.replace(expected.find("0.250000, -0.500000, 2.000000"), 29,
                   "0.000000, 0.000000, 0.000000");
  EXPECT_EQ(report(), expected);
}

TEST_F(ModelReaderTest, EndOfFileAfterTheHeaderIsAFailureQuotingTheLastLine) {
  std::string text = kModel;
  // Ends right after the vertex list of mesh 0: the next read finds nothing.
  size_t cut = text.find("TEXTURE VERTICES 4\n");
  EXPECT_FALSE(load(text.substr(0, cut)));
  std::string expected = kModelReport;
  expected =
      expected.substr(0, expected.find("\tNumber of Tex Verts = 4")) + tail("4: 0.5 0.5 1\n");
  EXPECT_EQ(report(), expected);
  EXPECT_EQ(boxLines().back(), "ERROR: Unexpected end of 3do file");
  expectModelConsistent(model_);
  ASSERT_EQ(model_.meshCount, 2);
  EXPECT_EQ(model_.meshes[0].vertexCount, 5);
  EXPECT_EQ(model_.meshes[0].faceCount, 0);
  EXPECT_EQ(model_.meshes[1].vertexCount, 0);

  // A last line without a line end is quoted as it stands; a trailing
  // comment line is the last line read.
  releaseModel(model_);
  EXPECT_FALSE(load(text.substr(0, cut - 1)));
  EXPECT_NE(report().find(tail("4: 0.5 0.5 1")), std::string::npos);
  releaseModel(model_);
  EXPECT_FALSE(load(text.substr(0, cut) + "# trailing comment\n\n"));
  EXPECT_NE(report().find(tail("\n")), std::string::npos) << report();

  // Ending inside the node list.
  releaseModel(model_);
  std::string nodesCut = text.substr(0, text.find("1: 0x0 0 1 0"));
  EXPECT_FALSE(load(nodesCut));
  EXPECT_EQ(report(), std::string(kModelReport) + tail("\n"));
  EXPECT_EQ(model_.nodeCount, 2);
  EXPECT_EQ(model_.nodes[1].parent, -1);  // never read: a root without a mesh
  EXPECT_EQ(model_.nodes[1].mesh, -1);
}

TEST_F(ModelReaderTest, NegativeCountsAreRefused) {
  struct Case {
    const char* from;
    const char* to;
    const char* reportLine;  // the count's own report line, written before the tail
  } cases[] = {
      {"MATERIALS 2\n", "MATERIALS -2\n", "There are -2 Mats\n"},
      {"MESHES 2\n", "MESHES -1\n", "There are -1 Meshes\n"},
      {"VERTICES 5\n", "VERTICES -5\n", "\tNumber of Verts = -5\n"},
      {"TEXTURE VERTICES 4\n", "TEXTURE VERTICES -4\n", "\tNumber of Tex Verts = -4\n"},
      {"FACES 2\n", "FACES -2147483648\n", "\tNumber of Triangles = -2147483648\n"},
      {"HIERARCHY NODES 2\n", "HIERARCHY NODES -7\n", "Number of Hierarchy Nodes = -7\n"},
  };
  for (const Case& c : cases) {
    std::string text = kModel;
    text.replace(text.find(c.from), std::strlen(c.from), c.to);
    releaseModel(model_);
    EXPECT_FALSE(load(text)) << c.to;
    std::string got = report();
    std::string expectedEnd = std::string(c.reportLine) + tail(c.to);
    ASSERT_GE(got.size(), expectedEnd.size()) << c.to;
    EXPECT_EQ(got.substr(got.size() - expectedEnd.size()), expectedEnd) << c.to;
    EXPECT_EQ(boxLines().back(), "ERROR: Invalid count in 3do file") << c.to;
    expectModelConsistent(model_);
  }
}

TEST_F(ModelReaderTest, LongNamesAreCutToTheirSlots) {
  std::string longMat = "abcdefghijklmnopqrstuvwxyz0123456789.mat";  // 40 characters
  std::string text = kModel;
  text.replace(text.find("two.mat"), 7, longMat);
  text.replace(text.find("NAME quad"), 9, "NAME a_mesh_name_of_30_characters");
  EXPECT_TRUE(load(text));
  EXPECT_STREQ(model_.materialNames[0], longMat.substr(0, 31).c_str());
  EXPECT_STREQ(model_.meshes[0].name, "a_mesh_name_of_");
  std::string got = report();
  EXPECT_NE(got.find("\tMat #0 = " + longMat.substr(0, 31) + "\t\t? x ?"), std::string::npos);
  EXPECT_NE(got.find("Mesh #0 = a_mesh_name_of_\n"), std::string::npos);
  EXPECT_EQ(boxLines().front(),
            "ERROR: Could not open " + longMat.substr(0, 31) + ".\\nUsing default texture.\\n");
}

TEST_F(ModelReaderTest, MatNamesResolveBackslashesAndLetterCaseAndShareOneTexturePerFile) {
  std::filesystem::create_directories("Textures");
  writeFile("Textures/two.mat", matBytes(2, 1, {6, 31}));
  std::string text = kModel;
  text.replace(text.find("two.mat"), 7, "textures\\TWO.MAT");
  text.replace(text.find("missing.mat"), 11, "TEXTURES\\two.Mat");
  ASSERT_TRUE(load(text));
  EXPECT_TRUE(boxLines().empty());
  std::string got = report();
  EXPECT_NE(got.find("\tMat #0 = textures\\TWO.MAT\t\t2 x 1\n"), std::string::npos) << got;
  EXPECT_NE(got.find("\tMat #1 = TEXTURES\\two.Mat\t\t2 x 1\n"), std::string::npos) << got;
  // Both names reach the same file, so the second material shares the
  // texture of the first rather than uploading the file again.
  EXPECT_EQ(model_.materials[0].textureName, model_.materials[1].textureName);
  EXPECT_TRUE(glIsTexture(model_.materials[1].textureName));
  EXPECT_EQ(model_.materials[1].width, 2u);
  EXPECT_EQ(model_.materials[1].height, 1u);
}

// Regression: a small model naming one MAT file on every material line used
// to read the file and upload a texture of its own for each line, so memory
// grew with lines times image size (hundreds of megabytes from kilobytes).
TEST_F(ModelReaderTest, ManyMaterialsNamingOneFileCostOneTextureAndEachMissingNameItsOwnBox) {
  writeFile("one.mat", matBytes(2, 1, {6, 31}));
  const int kLines = 300;
  std::string text = kModel;
  std::string list;
  for (int i = 0; i < kLines; ++i) {
    const char* variants[] = {"one.mat", "ONE.MAT", ".\\one.mat", "gone.mat"};
    list += std::to_string(i) + ": " + variants[i % 4] + "\n";
  }
  text.replace(text.find("MATERIALS 2\n"), std::strlen("MATERIALS 2\n"),
               "MATERIALS " + std::to_string(kLines) + "\n");
  size_t from = text.find("  0: two.mat");
  size_t to = text.find("GEOMETRY");
  text.replace(from, to - from, list);
  ASSERT_TRUE(load(text));
  ASSERT_EQ(model_.materialCount, kLines);
  const uint32_t texture = model_.materials[0].textureName;
  EXPECT_NE(texture, model_.fallbackTexture);
  for (int i = 0; i < kLines; ++i) {
    if (i % 4 == 3) {
      EXPECT_EQ(model_.materials[i].textureName, model_.fallbackTexture) << i;
    } else {
      EXPECT_EQ(model_.materials[i].textureName, texture) << i;
      EXPECT_EQ(model_.materials[i].width, 2u) << i;
    }
  }
  // Every line that names the missing file tries it and says so.
  EXPECT_EQ(boxLines().size(), static_cast<size_t>(kLines / 4));
  std::string got = report();
  EXPECT_NE(got.find("\tMat #298 = .\\one.mat\t\t2 x 1\n"), std::string::npos) << got;
  EXPECT_NE(got.find("\tMat #299 = gone.mat\t\t? x ? Error: Could not load texture\n"),
            std::string::npos);
}

TEST_F(ModelReaderTest, LoadGoesOnWhenTheReportCannotBeCreated) {
  std::filesystem::create_directory("ModelStats.txt");  // a folder in its place
  std::string copy;
  writeFile("model.3do", kModel);
  EXPECT_TRUE(loadModelWithReport(model_, "model.3do", &copy));
  EXPECT_EQ(copy, kModelReport);
  EXPECT_EQ(model_.meshCount, 2);
}

}  // namespace
