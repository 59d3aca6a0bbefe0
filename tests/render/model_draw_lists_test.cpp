// Display lists of model drawing against direct drawing: every sample model
// (and one with fans, a glass face, a missing MAT and bad indices) is drawn
// in every render mode, with and without texturing, lighting and the
// environment pass, first directly and then through the lists (the first,
// recording and replayed frames); every pixel must be the same, and so must
// the GL state drawModel leaves. Lists live in the caller's cache, go with
// releaseDrawCache and are made anew for the next model.
#include <filesystem>
#include <string>
#include <vector>

#include "image/fixed_textures.h"
#include "model/model_reader.h"
#include "overlay/bitmap_font.h"
#include "tests/model/model_test_files.h"
#include "tests/render/render_fixture.h"

namespace fs = std::filesystem;

namespace {

class ModelDrawListsTest : public RenderTest {
 protected:
  int contextWidth() const override { return 320; }
  int contextHeight() const override { return 240; }
  void SetUp() override {
    RenderTest::SetUp();
    headlessSetEchoBoxes(false);
    fs::copy(runtimePath("systemtex"), "systemtex", fs::copy_options::recursive);
    for (const auto& entry : fs::directory_iterator(sourcePath("samples"))) {
      fs::copy_file(entry.path(), entry.path().filename(), fs::copy_options::overwrite_existing);
    }
    loadFixedTextures(textures_);
    model_.fallbackTexture = textures_.checkerTexture.textureName;
    model_.fallbackTextureSize = static_cast<int32_t>(textures_.checkerTexture.width);
  }
  void TearDown() override {
    releaseDrawCache(cache_);
    releaseModel(model_);
    headlessSetEchoBoxes(true);
    RenderTest::TearDown();
  }

  // One frame of the viewer in the given state, read back whole.
  std::vector<unsigned char> frame(const ViewState& view) {
    drawFrame(view, model_, textures_, font_, frameRate_, drawnWith_);
    return readPicture(contextWidth(), contextHeight());
  }

  int listsMade() const {
    int made = 0;
    for (int i = 0; i < cache_.used; ++i) {
      if (cache_.lists[i] != 0 && glIsList(cache_.lists[i]) == GL_TRUE) ++made;
    }
    return made;
  }

  Model model_;
  ModelDrawCache cache_;
  ModelDrawCache* drawnWith_ = &cache_;  // null: drawn directly
  FixedTextures textures_;
  BitmapFont font_;
  FrameRate frameRate_;
};

// Fans, a type-2 face, a missing MAT (checker), a face whose material and
// texture vertex are out of range (untextured) and one with a bad vertex.
std::string mixedModel() {
  MeshText first = squareMesh(0,
                              "0: 0 0x0000 1 3 0 0 4 0,0 1,1 2,2 3,3\n"
                              "1: 1 0x0002 1 3 0 0 3 0,0 2,2 3,3\n",
                              2);
  MeshText second = squareMesh(1,
                               "0: 5 0x0000 1 3 0 0 3 0,9 1,1 2,2\n"
                               "1: 0 0x0002 1 3 0 0 3 0,0 1,1 2,2\n"
                               "2: 0 0x0000 1 3 0 0 3 0,0 7,1 2,2\n",
                               3);
  std::string text = modelText({"cube.mat", "missing.mat"}, {first, second});
  // The second mesh's node hangs below the first, moved a little.
  const std::string node = "1: 0x0 0 1 -1 0 0 0 0 0 0";
  text.replace(text.find(node), node.size(), "1: 0x0 0 1 0 0 0 0 0.2 0.1 0.3");
  return text;
}

// A grid of columns x rows quads as two triangles each, every 97th of them
// blended (type 2), over the square from -1 to 1.
MeshText gridMesh(int number, int columns, int rows) {
  MeshText mesh;
  mesh.number = number;
  for (int j = 0; j <= rows; ++j) {
    for (int i = 0; i <= columns; ++i) {
      const float x = -1.0f + 2.0f * static_cast<float>(i) / static_cast<float>(columns);
      const float y = -1.0f + 2.0f * static_cast<float>(j) / static_cast<float>(rows);
      mesh.vertices.push_back(std::to_string(x) + " " + std::to_string(y) + " 0");
      mesh.texVertices.push_back(std::to_string(i % 9) + " " + std::to_string(j % 7));
    }
  }
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < columns; ++i) {
      const int a = j * (columns + 1) + i;
      const int corners[2][3] = {{a, a + 1, a + columns + 2},
                                 {a, a + columns + 2, a + columns + 1}};
      for (const auto& corner : corners) {
        const int face = mesh.faceCount++;
        mesh.faces +=
            std::to_string(face) + ": 0 " + (face % 97 == 5 ? "0x0002" : "0x0000") + " 1 3 0 0 3";
        for (int c : corner) mesh.faces += " " + std::to_string(c) + "," + std::to_string(c);
        mesh.faces += "\n";
      }
    }
  }
  return mesh;
}

TEST_F(ModelDrawListsTest, ListsGiveTheSamePixelsAsDirectDrawingInEveryMode) {
  writeFile("mixed.3do", mixedModel());
  std::vector<std::string> models = {"mixed.3do"};
  for (const auto& entry : fs::directory_iterator(".")) {
    if (entry.path().extension() == ".3do" && entry.path().filename() != "mixed.3do") {
      models.push_back(entry.path().filename().string());
    }
  }
  ASSERT_GE(models.size(), 5u);
  for (const std::string& name : models) {
    releaseDrawCache(cache_);
    releaseModel(model_);
    ASSERT_TRUE(loadModel(model_, name.c_str())) << name;
    ViewState view;
    view.hudVisible = false;
    resetView(view, model_);
    view.rotationX = 35;
    view.rotationY = 300;
    view.rotationZ = 20;
    for (int32_t mode : {kRenderSmooth, kRenderFlat, kRenderWire}) {
      for (int variant = 0; variant < 8; ++variant) {
        view.texturing = (variant & 1) != 0;
        view.lighting = (variant & 2) != 0;
        view.envMapping = (variant & 4) != 0;
        applyRenderMode(mode);
        if (view.lighting) {
          glEnable(GL_LIGHTING);
        } else {
          glDisable(GL_LIGHTING);
        }
        drawnWith_ = nullptr;
        const std::vector<unsigned char> direct = frame(view);
        drawnWith_ = &cache_;
        for (int repeat = 0; repeat < 3; ++repeat) {
          ASSERT_TRUE(frame(view) == direct)
              << name << " mode " << mode << " variant " << variant << " frame " << repeat;
        }
      }
    }
    // Textured, untextured and the environment pass each got their list.
    EXPECT_EQ(listsMade(), 3) << name;
  }
  applyRenderMode(kRenderSmooth);
  glEnable(GL_LIGHTING);
}

// Direct drawing hands the triangles to GL every few thousand of them, in a
// mesh and across meshes: never inside a glBegin/glEnd pair (GL would refuse
// the flush), and with the same pixels as the list, which holds no flushes.
TEST_F(ModelDrawListsTest, FlushesOfDirectDrawingFallBetweenFacesAndKeepThePixels) {
  const MeshText large = gridMesh(0, 75, 60);  // 9,000 triangles
  MeshText small = gridMesh(1, 40, 30);        // 2,400 triangles
  std::string text = modelText({"cube.mat"}, {large, small});
  const std::string node = "1: 0x0 0 1 -1 0 0 0 0 0 0";
  text.replace(text.find(node), node.size(), "1: 0x0 0 1 -1 0 0 0 0.3 0.2 0.4");
  writeFile("grid.3do", text);
  ASSERT_TRUE(loadModel(model_, "grid.3do"));
  ViewState view;
  view.hudVisible = false;
  view.cameraZ = 3.5f;
  view.rotationX = 25;
  view.rotationY = 200;
  for (int variant = 0; variant < 4; ++variant) {
    view.texturing = (variant & 1) != 0;
    view.envMapping = (variant & 2) != 0;
    while (glGetError() != GL_NO_ERROR) {
    }
    drawnWith_ = nullptr;
    const std::vector<unsigned char> direct = frame(view);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "variant " << variant;
    drawnWith_ = &cache_;
    for (int repeat = 0; repeat < 3; ++repeat) {
      ASSERT_TRUE(frame(view) == direct) << "variant " << variant << " frame " << repeat;
    }
  }
}

// The state drawModel leaves (bound texture, blending, matrices, current
// normal and texture coordinate) is the same after a replay as after a direct
// drawing, in the model pass and under the environment pass's blending.
TEST_F(ModelDrawListsTest, ReplayLeavesTheStateDirectDrawingLeaves) {
  writeFile("mixed.3do", mixedModel());
  ASSERT_TRUE(loadModel(model_, "mixed.3do"));
  struct State {
    GLint texture = -1, blendSource = -1, blendDestination = -1, depth = -1;
    GLboolean blend = GL_FALSE;
    GLfloat normal[3] = {}, texCoord[4] = {};
    bool operator==(const State& o) const {
      return texture == o.texture && blendSource == o.blendSource &&
             blendDestination == o.blendDestination && depth == o.depth && blend == o.blend &&
             std::equal(normal, normal + 3, o.normal) &&
             std::equal(texCoord, texCoord + 4, o.texCoord);
    }
  };
  auto drawAndRead = [&](bool textured, bool blended) {
    glBindTexture(GL_TEXTURE_2D, textures_.envMapTexture.textureName);
    if (blended) {
      glEnable(GL_BLEND);
      glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    } else {
      glDisable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glNormal3f(9, 9, 9);
    glTexCoord2f(9, 9);
    drawModel(model_, textured, drawnWith_);
    State state;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &state.texture);
    glGetIntegerv(GL_BLEND_SRC, &state.blendSource);
    glGetIntegerv(GL_BLEND_DST, &state.blendDestination);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &state.depth);
    state.blend = glIsEnabled(GL_BLEND);
    glGetFloatv(GL_CURRENT_NORMAL, state.normal);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, state.texCoord);
    return state;
  };
  for (bool textured : {true, false}) {
    for (bool blended : {false, true}) {
      drawnWith_ = nullptr;
      const State direct = drawAndRead(textured, blended);
      drawnWith_ = &cache_;
      for (int repeat = 0; repeat < 3; ++repeat) {
        EXPECT_TRUE(drawAndRead(textured, blended) == direct)
            << "textured " << textured << " blended " << blended << " frame " << repeat;
      }
    }
  }
  EXPECT_EQ(listsMade(), 4);
}

// Lists belong to the model they were recorded for: releaseDrawCache deletes
// them, the next model gets its own (its picture, not the previous model's),
// also when a caller forgets the release, and the model itself holds no GL
// object.
TEST_F(ModelDrawListsTest, ListsGoWithTheirModelAndAreMadeAnewForTheNext) {
  ViewState view;
  view.hudVisible = false;
  ASSERT_TRUE(loadModel(model_, "cube.3do"));
  resetView(view, model_);
  view.rotationY = 30;
  frame(view);
  const std::vector<unsigned char> cube = frame(view);
  ASSERT_EQ(listsMade(), 1);
  const GLuint cubeList = cache_.lists[0];

  // F9: release, load another model in the same context.
  releaseDrawCache(cache_);
  releaseModel(model_);
  EXPECT_EQ(glIsList(cubeList), GL_FALSE);
  EXPECT_EQ(cache_.used, 0);
  ASSERT_TRUE(loadModel(model_, "robot.3do"));
  drawnWith_ = nullptr;
  const std::vector<unsigned char> robot = frame(view);
  drawnWith_ = &cache_;
  EXPECT_TRUE(frame(view) == robot);
  EXPECT_TRUE(frame(view) == robot);
  EXPECT_TRUE(frame(view) == robot);
  EXPECT_FALSE(robot == cube);
  const GLuint robotList = cache_.lists[0];
  ASSERT_NE(robotList, 0u);

  // Loaded again without releasing the cache: the old lists go, the new
  // arrays are drawn.
  releaseModel(model_);
  ASSERT_TRUE(loadModel(model_, "cube.3do"));
  EXPECT_TRUE(frame(view) == cube);
  EXPECT_EQ(glIsList(robotList), GL_FALSE);
  EXPECT_TRUE(frame(view) == cube);
  EXPECT_TRUE(frame(view) == cube);
}

}  // namespace
