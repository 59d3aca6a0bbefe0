// Replays the fuzz seeds (fuzz/corpus/<target>/) and the inputs of past
// findings (tests/fuzz/inputs/<target>/) through the readers, the model
// drawing and the framing in the ordinary build, so that the whole suite, and
// its sanitizer build, keeps every hostile file of the fuzzing in view. Files
// built to claim more than they hold must fail with the reader's own message.
#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/config_file.h"
#include "fuzz/framing_input.h"
#include "fuzz/model_input.h"
#include "image/fixed_textures.h"
#include "image/mat_reader.h"
#include "image/tga_reader.h"
#include "model/model_reader.h"
#include "overlay/bitmap_font.h"
#include "platform/gl.h"
#include "render/frame.h"
#include "render/model_draw.h"
#include "render/model_framing.h"
#include "render/view_state.h"
#include "tests/support/test_support.h"

namespace {

struct Input {
  std::string name;   // file name, e.g. "huge_claim.mat"
  std::string bytes;  // whole content
};

std::vector<Input> inputsOf(const std::string& target) {
  std::vector<Input> inputs;
  for (const std::string& folder :
       {sourcePath("fuzz/corpus/" + target), sourcePath("tests/fuzz/inputs/" + target)}) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) continue;
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      inputs.push_back({entry->d_name, readFile(folder + "/" + entry->d_name)});
    }
    closedir(dir);
  }
  std::sort(inputs.begin(), inputs.end(),
            [](const Input& a, const Input& b) { return a.name < b.name; });
  return inputs;
}

std::string firstBox() {
  const std::vector<std::string> lines = boxLines();
  return lines.empty() ? std::string() : lines.front();
}

std::string lastBox() {
  const std::vector<std::string> lines = boxLines();
  return lines.empty() ? std::string() : lines.back();
}

class CorpusReplayTest : public GlTest {
 protected:
  int contextWidth() const override { return 64; }
  int contextHeight() const override { return 48; }
};

TEST_F(CorpusReplayTest, MatFilesDecodeExactlyOrFailWithTheirMessage) {
  const std::map<std::string, std::string> expected = {
      {"four_by_three.mat", ""},
      {"two_by_one.mat", ""},
      {"zero_width.mat", "ERROR: Invalid texture information"},
      {"short_indices.mat", "ERROR: Could not read image data"},
      {"huge_claim.mat", "ERROR: Could not read image data"},
      {"signature_only.mat", "ERROR: Could not read dummy header"},
  };
  const std::vector<Input> inputs = inputsOf("mat");
  ASSERT_GE(inputs.size(), expected.size());
  for (const Input& input : inputs) {
    SCOPED_TRACE(input.name);
    writeFile("image.mat", input.bytes);
    clearBoxes();
    ImageData image;
    const bool read = loadMat(image, "image.mat");
    if (read) {
      ASSERT_NE(image.pixels, nullptr);
      EXPECT_TRUE(boxLines().empty());
      uploadTexture(image, 3, kGlRgb);
      std::free(image.pixels);
    } else {
      EXPECT_EQ(image.pixels, nullptr);
      EXPECT_EQ(boxLines().size(), 1u);
    }
    auto known = expected.find(input.name);
    if (known != expected.end()) {
      EXPECT_EQ(read, known->second.empty());
      EXPECT_EQ(firstBox(), known->second);
    }
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(CorpusReplayTest, TgaFilesDecodeOrFailWithTheirMessage) {
  const std::map<std::string, std::string> expected = {
      {"raw24_3x2.tga", ""},
      {"raw32_2x2.tga", ""},
      {"rle24_4x2.tga", ""},
      {"rle32_1x1.tga", ""},
      {"rle_run_past_end.tga", "ERROR: Too many pixels read"},
      {"huge_claim.tga", "ERROR: Could not read image data"},
      {"sixteen_bits.tga", "ERROR: Invalid texture information"},
  };
  const std::vector<Input> inputs = inputsOf("tga");
  ASSERT_GE(inputs.size(), expected.size());
  for (const Input& input : inputs) {
    SCOPED_TRACE(input.name);
    writeFile("image.tga", input.bytes);
    clearBoxes();
    ImageData image;
    const bool read = loadTga(image, "image.tga");
    if (read) {
      ASSERT_NE(image.pixels, nullptr);
      uploadTexture(image, static_cast<int>(image.bitsPerPixel / 8), image.format);
      std::free(image.pixels);
    } else {
      EXPECT_EQ(image.pixels, nullptr);
      EXPECT_EQ(boxLines().size(), 1u);
    }
    auto known = expected.find(input.name);
    if (known != expected.end()) {
      EXPECT_EQ(read, known->second.empty());
      EXPECT_EQ(firstBox(), known->second);
    }
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(CorpusReplayTest, ConfigFilesGiveTheFirstSignificantLine) {
  for (const Input& input : inputsOf("config")) {
    SCOPED_TRACE(input.name);
    writeFile("config.txt", input.bytes);
    float colour[3] = {-1, -1, -1};
    const bool found = readBackgroundColour("config.txt", colour);
    // Every seed holds a colour line of at least two numbers in range.
    EXPECT_TRUE(found);
    for (float component : colour) {
      EXPECT_GE(component, 0.0f);
      EXPECT_LE(component, 1.0f);
    }
  }
}

// Loads one model input in the scratch folder with a checker of size 4 (or 0,
// as when the checker image is missing) and the given first box expected.
class ModelReplay {
 public:
  explicit ModelReplay(const Input& input, int32_t fallbackSize = 4) {
    for (int i = 1; i <= kMaxMatFiles; ++i) std::remove(kModelInputNames[i]);
    const std::vector<std::string> parts = splitModelInput(input.bytes.data(), input.bytes.size());
    for (size_t i = 0; i < parts.size(); ++i) writeFile(kModelInputNames[i], parts[i]);
    ImageData checker;
    uploadTexture(checker, 3, kGlRgb);
    model.fallbackTexture = checker.textureName;
    model.fallbackTextureSize = fallbackSize;
    clearBoxes();
    loaded = loadModel(model, "model.3do");
  }
  ~ModelReplay() { releaseModel(model); }
  Model model;
  bool loaded = false;
};

// Every count fits its array: each element is read (the sanitizer build
// sees a read past an array), every name is terminated.
void expectArraysFitTheirCounts(const Model& model) {
  ASSERT_GE(model.materialCount, 0);
  ASSERT_GE(model.meshCount, 0);
  ASSERT_GE(model.nodeCount, 0);
  unsigned sum = 0;
  for (int32_t i = 0; i < model.materialCount; ++i) {
    EXPECT_NE(std::memchr(model.materialNames[i], '\0', 32), nullptr);
    sum += model.materials[i].width;
  }
  for (int32_t i = 0; i < model.nodeCount; ++i) sum += model.nodes[i].mesh;
  for (int32_t i = 0; i < model.meshCount; ++i) {
    const Mesh& mesh = model.meshes[i];
    EXPECT_NE(std::memchr(mesh.name, '\0', sizeof mesh.name), nullptr);
    EXPECT_LE(mesh.extraTriangleCount, 1024);
    for (int32_t j = 0; j < mesh.vertexCount; ++j) sum += mesh.vertices[j].position.x > 0;
    for (int32_t j = 0; j < mesh.texVertexCount; ++j) sum += mesh.texVertices[j].u > 0;
    for (int32_t j = 0; j < mesh.faceCount; ++j) sum += mesh.faces[j].vertex[2];
    for (int32_t j = 0; j < mesh.extraTriangleCount; ++j) sum += mesh.extraTriangles[j].type;
  }
  volatile unsigned sink = sum;
  (void)sink;
}

TEST_F(CorpusReplayTest, ModelsClaimingMoreThanTheyHoldFailWithTheReadersMessage) {
  const std::map<std::string, std::string> expected = {
      {"huge_material_count.bin", "ERROR: Unexpected end of 3do file"},
      {"huge_mesh_count.bin", "ERROR: MESH header read error"},
      {"huge_vertex_count.bin", "ERROR: Unexpected end of 3do file"},
      {"huge_tex_vertex_count.bin", "ERROR: Unexpected end of 3do file"},
      {"huge_face_count.bin", "ERROR: Unexpected end of 3do file"},
      {"huge_node_count.bin", "ERROR: Unexpected end of 3do file"},
      {"negative_vertex_count.bin", "ERROR: Invalid count in 3do file"},
      {"huge_corner_count.bin", "ERROR: Too Many non-3-sided faces!"},
  };
  std::map<std::string, Input> byName;
  for (const Input& input : inputsOf("model")) byName[input.name] = input;
  for (const auto& [name, box] : expected) {
    SCOPED_TRACE(name);
    ASSERT_EQ(byName.count(name), 1u);
    ModelReplay replay(byName[name]);
    EXPECT_FALSE(replay.loaded);
    // Lines behind a huge material count are taken as materials first, each
    // with its MAT reader box; the load's own message comes last.
    EXPECT_EQ(lastBox(), box);
    expectArraysFitTheirCounts(replay.model);
  }
}

TEST_F(CorpusReplayTest, EveryModelInputLoadsDrawsAndReleasesSafely) {
  FixedTextures textures;
  loadFixedTextures(textures);  // no systemtex here: image-less textures
  BitmapFont font;
  FrameRate frameRate;
  resizeView(64, 48);
  std::vector<Input> inputs = inputsOf("model");
  for (const Input& input : inputsOf("draw")) inputs.push_back(input);
  ASSERT_GE(inputs.size(), 10u);
  for (const Input& input : inputs) {
    for (int32_t fallbackSize : {4, 0}) {
      SCOPED_TRACE(input.name + " with a fallback of size " + std::to_string(fallbackSize));
      ModelReplay replay(input, fallbackSize);
      expectArraysFitTheirCounts(replay.model);
      ViewState view;
      view.hudVisible = false;
      view.cameraZ = 6;
      view.rotationX = 20;
      for (int32_t mode : {kRenderWire, kRenderFlat, kRenderSmooth}) {
        view.renderMode = mode;
        view.envMapping = mode != kRenderFlat;
        glPolygonMode(GL_FRONT, mode == kRenderWire ? GL_LINE : GL_FILL);
        glShadeModel(mode == kRenderFlat ? GL_FLAT : GL_SMOOTH);
        drawFrame(view, replay.model, textures, font, frameRate);
      }
      glFinish();
      GLint depth = 0;
      glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
      EXPECT_EQ(depth, 1);
      EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
      releaseModel(replay.model);
      EXPECT_EQ(replay.model.meshes, nullptr);
      EXPECT_EQ(replay.model.meshCount, 0);
    }
  }
}

// Framing either fails with its reason or leaves a finite camera and a
// projection (the start state's, scaled uniformly) whose near plane lies in
// front of the camera and before its far plane.
TEST_F(CorpusReplayTest, FramingInputsFrameWithFiniteNumbersOrFailWithAReason) {
  const std::map<std::string, bool> expected = {
      {"square.bin", true}, {"all_equal.bin", true},   {"collinear.bin", true},
      {"flat.bin", true},   {"not_numbers.bin", true}, {"huge.bin", false},
      {"tiny.bin", false},  {"cube_text.bin", true},
  };
  const std::vector<Input> inputs = inputsOf("framing");
  ASSERT_GE(inputs.size(), expected.size());
  for (const Input& input : inputs) {
    SCOPED_TRACE(input.name);
    FramingBytes in{reinterpret_cast<const uint8_t*>(input.bytes.data()), input.bytes.size(), 0};
    const bool text = (in.byte() & 1) != 0;
    FramingView framing;
    decodeFramingView(in, framing);
    ModelReplay replay(Input{input.name, text ? input.bytes.substr(in.at) : std::string()});
    if (!text) {
      releaseModel(replay.model);
      decodeFramingModel(in, replay.model);
    }
    resizeView(framing.width, framing.height);
    ViewState view;
    view.rotationX = framing.rotation[0];
    view.rotationY = framing.rotation[1];
    view.rotationZ = framing.rotation[2];
    std::string failure;
    const bool framed = frameModel(replay.model, view, framing.fill, failure);
    auto known = expected.find(input.name);
    if (known != expected.end()) {
      EXPECT_EQ(framed, known->second) << failure;
    }
    if (!framed) {
      EXPECT_FALSE(failure.empty());
      // A model too small was once called too large.
      const std::map<std::string, std::string> reasons = {
          {"huge.bin", "the model is too large to frame"},
          {"tiny.bin", "the model is too small to frame"}};
      auto reason = reasons.find(input.name);
      if (reason != reasons.end()) {
        EXPECT_EQ(failure, reason->second);
      }
      continue;
    }
    EXPECT_TRUE(std::isfinite(view.cameraX) && std::isfinite(view.cameraY) &&
                std::isfinite(view.cameraZ));
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    for (double value : m) EXPECT_TRUE(std::isfinite(value));
    const double nearPlane = m[14] / (m[10] + m[11]);
    EXPECT_GT(nearPlane, 0);
    EXPECT_LT(nearPlane, m[14] / (m[10] - m[11]));
  }
}

}  // namespace
