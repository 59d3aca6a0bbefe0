// The shipped samples and `vistrel-tool stats`, run as the real program on
// copies of the samples: its report on stdout equals the ModelStats.txt it
// wrote beside the model, boxes go to stderr, and its exit statuses.
#include <filesystem>
#include <string>

#include "model/model_reader.h"
#include "tests/model/model_test_files.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::string tool() {
  return "'" + runtimePath("vistrel-tool") + "'";
}

// A copy of the samples folder inside a scratch folder.
class SamplesCopy {
 public:
  SamplesCopy() {
    fs::copy(sourcePath("samples"), scratch_.file("samples"), fs::copy_options::recursive);
  }
  std::string path(const std::string& name) const { return scratch_.file("samples/" + name); }
  const ScratchDir& scratch() const { return scratch_; }

 private:
  ScratchDir scratch_;
};

TEST(StatsToolTest, PrintsTheReportItWroteBesideTheModel) {
  SamplesCopy samples;
  std::string out, err;
  // A relative path: the report names the absolute one and lands beside the model.
  EXPECT_EQ(runCommand(tool() + " stats samples/robot.3do", &out, &err), 0) << err;
  EXPECT_EQ(out, readFile(samples.path("ModelStats.txt")));
  EXPECT_FALSE(fileExists(samples.scratch().file("ModelStats.txt")));
  EXPECT_EQ(out.rfind("- Model Statistics for " + samples.path("robot.3do") + " -\n\n", 0), 0u)
      << out;
  EXPECT_EQ(out.find("? x ?"), std::string::npos) << out;
  EXPECT_EQ(err.find(".mat"), std::string::npos) << err;

  // A missing MAT: the box on stderr, the "? x ?" line, still a success.
  EXPECT_EQ(runCommand(tool() + " stats '" + samples.path("missing_mat.3do") + "'", &out, &err), 0);
  EXPECT_EQ(out, readFile(samples.path("ModelStats.txt")));
  EXPECT_NE(out.find("\tMat #1 = not_here.mat\t\t? x ? Error: Could not load texture\n"),
            std::string::npos);
  EXPECT_NE(err.find("ERROR: Could not open not_here.mat.\\nUsing default texture.\\n\n"),
            std::string::npos)
      << err;
}

TEST(StatsToolTest, FailedLoadsExitWithOneAndUsageErrorsWithTwo) {
  SamplesCopy samples;
  std::string out, err;
  writeFile(samples.path("bad.3do"), "MODEL\nnot a header\n");
  EXPECT_EQ(runCommand(tool() + " stats '" + samples.path("bad.3do") + "'", &out, &err), 1);
  EXPECT_EQ(out, "- Model Statistics for " + samples.path("bad.3do") + " -\n\n");
  EXPECT_EQ(out, readFile(samples.path("ModelStats.txt")));
  EXPECT_NE(err.find("ERROR: File header does not match 3do\n"), std::string::npos) << err;

  EXPECT_EQ(runCommand(tool() + " stats '" + samples.path("absent.3do") + "'", &out, &err), 1);
  EXPECT_EQ(out, "");
  EXPECT_NE(err.find("ERROR: Could not open 3do file\n"), std::string::npos) << err;

  for (const char* arguments : {"stats", "stats a.3do b.3do", "stats --frobnicate a.3do"}) {
    EXPECT_EQ(runCommand(tool() + " " + arguments, &out, &err), 2) << arguments;
    EXPECT_EQ(out, "") << arguments;
    EXPECT_NE(err.find("usage: vistrel-tool stats"), std::string::npos) << arguments;
  }
  EXPECT_EQ(runCommand(tool() + " stats --help", &out, &err), 0);
  EXPECT_EQ(out.rfind("usage: vistrel-tool stats MODEL.3do\n", 0), 0u) << out;
}

class SamplesTest : public GlTest {
 protected:
  void TearDown() override {
    releaseModel(model_);
    GlTest::TearDown();
  }
  void SetUp() override {
    GlTest::SetUp();
    fs::copy(sourcePath("samples"), scratch_->file("samples"), fs::copy_options::recursive);
  }
  // Loads a copy of a sample from its own folder, as the viewer would.
  bool load(const std::string& name) {
    releaseModel(model_);
    fs::current_path(scratch_->file("samples"));
    clearBoxes();
    std::string copy;
    bool ok = loadModelWithReport(model_, name.c_str(), &copy);
    fs::current_path(scratch_->path());
    return ok;
  }
  // Every index of every face and node points into its array.
  void expectIndicesInRange() {
    for (int32_t m = 0; m < model_.meshCount; ++m) {
      const Mesh& mesh = model_.meshes[m];
      for (int pass = 0; pass < 2; ++pass) {
        const Face* faces = pass == 0 ? mesh.faces : mesh.extraTriangles;
        int32_t count = pass == 0 ? mesh.faceCount : mesh.extraTriangleCount;
        for (int32_t f = 0; f < count; ++f) {
          for (int k = 0; k < 3; ++k) {
            ASSERT_LT(faces[f].vertex[k], mesh.vertexCount) << mesh.name;
            ASSERT_GE(faces[f].vertex[k], 0) << mesh.name;
            ASSERT_LT(faces[f].texVertex[k], mesh.texVertexCount) << mesh.name;
            ASSERT_GE(faces[f].texVertex[k], 0) << mesh.name;
          }
          ASSERT_LT(faces[f].material, model_.materialCount) << mesh.name;
          ASSERT_GE(faces[f].material, 0) << mesh.name;
        }
      }
    }
    for (int32_t n = 0; n < model_.nodeCount; ++n) {
      ASSERT_LT(model_.nodes[n].mesh, model_.meshCount);
      ASSERT_LT(model_.nodes[n].parent, n);  // parents come first: no cycles
    }
  }
  Model model_;
};

TEST_F(SamplesTest, SamplesLoadWithWhatEachOneShows) {
  ASSERT_TRUE(load("robot.3do"));
  EXPECT_TRUE(boxLines().empty());
  expectIndicesInRange();
  EXPECT_GE(model_.meshCount, 6);
  EXPECT_GE(model_.materialCount, 4);
  EXPECT_GE(model_.nodeCount, 8);
  int children = 0;
  for (int32_t n = 0; n < model_.nodeCount; ++n) children += model_.nodes[n].parent >= 0;
  EXPECT_GE(children, 6);
  for (int32_t i = 0; i < model_.materialCount; ++i) {
    EXPECT_GE(model_.materials[i].width, 32u);
    EXPECT_LE(model_.materials[i].width, 64u);
  }
  EXPECT_GT(model_.radius, 0.5f);
  EXPECT_LT(model_.radius, 2.0f);

  ASSERT_TRUE(load("cube.3do"));
  expectIndicesInRange();
  EXPECT_EQ(model_.meshes[0].faceCount, 6);
  EXPECT_EQ(model_.meshes[0].extraTriangleCount, 6);

  ASSERT_TRUE(load("ngon.3do"));
  expectIndicesInRange();
  EXPECT_EQ(model_.meshes[0].extraTriangleCount, 2 * 5 + 8);  // two octagons and eight quads

  ASSERT_TRUE(load("glass.3do"));
  expectIndicesInRange();
  bool blended = false;
  for (int32_t f = 0; f < model_.meshes[0].faceCount; ++f) {
    blended = blended || model_.meshes[0].faces[f].type == 2;
  }
  EXPECT_TRUE(blended);

  model_.fallbackTexture = 77;
  model_.fallbackTextureSize = 16;
  headlessSetEchoBoxes(false);
  ASSERT_TRUE(load("missing_mat.3do"));
  headlessSetEchoBoxes(true);
  expectIndicesInRange();
  EXPECT_EQ(boxLines().size(), 1u);
  EXPECT_EQ(model_.materials[1].textureName, 77u);
  EXPECT_EQ(model_.materials[1].width, 16u);
}

}  // namespace
