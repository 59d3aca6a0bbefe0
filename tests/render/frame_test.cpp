// Frame drawing on real Mesa: the clear colour, projection and camera, the
// order of the three rotations, the environment pass, the GL state a frame
// leaves, and the frame-rate counter (also across the 32-bit tick wrap).
#include "tests/render/render_fixture.h"

namespace {

class FrameTest : public RenderTest {
 protected:
  void TearDown() override {
    headlessSetTickOverride(false, 0);
    RenderTest::TearDown();
  }
  FixedTextures textures_;
  BitmapFont font_;
  FrameRate frameRate_;
};

TEST_F(FrameTest, ClearColourFillsTheFrameAndProjectionFollowsTheSize) {
  Model empty;
  drawFrame(plainView(), empty, textures_, font_, frameRate_);
  const int corners[4][2] = {{0, 0}, {639, 0}, {0, 479}, {639, 479}};
  for (const auto& corner : corners) {
    Rgba c = readPixel(corner[0], corner[1]);
    EXPECT_TRUE(isBackground(c)) << c;
    EXPECT_NEAR(c.a, 128, 1) << "clear alpha is 0.5";
  }

  GLfloat projection[16];
  GLint viewport[4];
  resizeView(800, 600);
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 800);
  EXPECT_EQ(viewport[3], 600);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
  EXPECT_NEAR(projection[5], f, 1e-5) << "45 degrees vertical field of view";
  EXPECT_NEAR(projection[0], f / (800.0 / 600.0), 1e-5);
  EXPECT_NEAR(projection[10], (40.0 + 0.03) / (0.03 - 40.0), 1e-5);
  EXPECT_NEAR(projection[14], 2 * 40.0 * 0.03 / (0.03 - 40.0), 1e-6);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);

  // A window of no height: the aspect uses a height of 1, the matrix stays finite.
  resizeView(640, 0);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  for (float value : projection) EXPECT_TRUE(std::isfinite(value));
  EXPECT_NEAR(projection[0], f / 640.0, 1e-6);
}

TEST_F(FrameTest, CameraPansAlongMinusZAndRotationsTurnZThenYThenX) {
  Model empty;
  ViewState view = plainView();
  view.cameraX = 1;
  view.cameraY = 2;
  view.cameraZ = 5;
  drawFrame(view, empty, textures_, font_, frameRate_);
  GLfloat modelview[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  const GLfloat panned[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -2, -5, 1};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(modelview[i], panned[i], 1e-6) << i;

  // GL (1, 0, 0) turned by z, then y, then x, 90 degrees each, points at the
  // viewer: it lands in the centre.
  view = plainView();
  view.rotationX = 90;
  view.rotationY = 90;
  view.rotationZ = 90;
  drawFrame(view, empty, textures_, font_, frameRate_);
  int x, y;
  projectPoint(1, 0, 0, x, y);
  EXPECT_NEAR(x, 320, 1);
  EXPECT_NEAR(y, 240, 1);
  // With x and y only, (1, 0, 0) goes to the top: y applies before x.
  view.rotationZ = 0;
  drawFrame(view, empty, textures_, font_, frameRate_);
  int ux, uy;
  projectPoint(1, 0, 0, x, y);
  view = plainView();
  drawFrame(view, empty, textures_, font_, frameRate_);
  projectPoint(0, 1, 0, ux, uy);
  EXPECT_NEAR(x, ux, 1);
  EXPECT_NEAR(y, uy, 1);
  EXPECT_GT(uy, 290);
}

TEST_F(FrameTest, EnvironmentPassAddsTheSphereMapWithAndWithoutTexturing) {
  textures_.envMapTexture = makeTexture(2, 2, {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0});
  ImageData blue = makeTexture(1, 1, {0, 0, 200});
  Material blueMaterial = blue;
  Model model = buildModel({square(0, 0, 2)}, {blueMaterial}, {node(0)});
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  ViewState view = plainView();
  auto centre = [&] {
    glColor3f(0.3f, 0.3f, 0.3f);
    drawFrame(view, model, textures_, font_, frameRate_);
    return readPixel(320, 240);
  };

  Rgba plain = centre();
  EXPECT_TRUE(near(plain, 77, 77, 77)) << plain;
  view.envMapping = true;
  Rgba mapped = centre();
  // (GL_ONE, GL_SRC_ALPHA): the red map times the grey colour, plus the
  // picture below.
  EXPECT_TRUE(near(mapped, 154, 77, 77)) << mapped;

  view.texturing = true;
  view.envMapping = false;
  Rgba textured = centre();
  EXPECT_TRUE(near(textured, 0, 0, 60)) << textured;
  view.envMapping = true;
  Rgba texturedMapped = centre();
  EXPECT_TRUE(near(texturedMapped, 77, 0, 60)) << texturedMapped;

  // What a frame leaves behind for the next one.
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  GLint envMode = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
  EXPECT_EQ(envMode, GL_MODULATE);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  freeModel(model);
}

TEST_F(FrameTest, TypeTwoRecordKeepsTheEnvironmentPassBlended) {
  // Regression: a glass (type 2) face early in a mesh switched blending off
  // for every record after it in the environment pass, which then painted
  // the rest of the model with the bare, mostly dark sphere map.
  textures_.envMapTexture = makeTexture(1, 1, {255, 0, 0});
  MeshSpec mesh = square(-1.5f, 0, 1, 0, 0, 2);
  MeshSpec opaque = square(1.5f, 0, 1);
  for (const Vertex& v : opaque.vertices) mesh.vertices.push_back(v);
  for (const TexVertex& t : opaque.texVertices) mesh.texVertices.push_back(t);
  mesh.faces.push_back(triangle(4, 5, 6));
  mesh.faces.push_back(triangle(4, 6, 7));
  Model model = buildModel({mesh}, {}, {node(0)});
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glColor3f(0.3f, 0.3f, 0.3f);
  ViewState view = plainView();
  view.envMapping = true;
  drawFrame(view, model, textures_, font_, frameRate_);
  int x, y;
  projectPoint(1.5, 0, 0, x, y);
  EXPECT_TRUE(near(readPixel(x, y), 154, 77, 77)) << readPixel(x, y);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));

  // Inside a blended pass the type-2 record hands back the pass's blending.
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_SRC_ALPHA);
  drawModel(model, false);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLint source = 0, destination = 0;
  glGetIntegerv(GL_BLEND_SRC, &source);
  glGetIntegerv(GL_BLEND_DST, &destination);
  EXPECT_EQ(source, GL_ONE);
  EXPECT_EQ(destination, GL_SRC_ALPHA);
  glDisable(GL_BLEND);
  freeModel(model);
}

TEST_F(FrameTest, FrameRateCountsWholeSecondWindows) {
  Model empty;
  ViewState view = plainView();
  const uint32_t start = 5000;
  frameRate_.windowStart = start;
  for (uint32_t k = 0; k < 100; ++k) {
    headlessSetTickOverride(true, start + 10 * k);
    drawFrame(view, empty, textures_, font_, frameRate_);
    ASSERT_EQ(frameRate_.fps, 0) << "frame " << k;
  }
  // The frame at +1000 ms closes the window: the 100 frames before it.
  headlessSetTickOverride(true, start + 1000);
  drawFrame(view, empty, textures_, font_, frameRate_);
  EXPECT_EQ(frameRate_.fps, 100);
  EXPECT_EQ(frameRate_.windowStart, start + 1000);
  EXPECT_EQ(frameRate_.frameCount, 1u) << "the closing frame counts in the next window";
  // A slow second of 4 frames.
  for (uint32_t k = 1; k <= 4; ++k) {
    headlessSetTickOverride(true, start + 1000 + 250 * k);
    drawFrame(view, empty, textures_, font_, frameRate_);
  }
  EXPECT_EQ(frameRate_.fps, 4);
}

TEST_F(FrameTest, FrameRateWindowSpansTheTickWrap) {
  // Regression: a window that begins just before the 32-bit tick count wraps
  // must close once 1000 ms have passed, and one that begins just after the
  // wrap must not close at once. Frames come every 7 ms, so no frame falls
  // exactly on the 1000 ms mark.
  Model empty;
  ViewState view = plainView();
  for (const uint32_t start : {0xFFFFFE00u, 100u}) {
    frameRate_ = FrameRate{};
    frameRate_.windowStart = start;
    for (uint32_t k = 0; k <= 142; ++k) {  // up to 994 ms
      headlessSetTickOverride(true, start + 7 * k);
      drawFrame(view, empty, textures_, font_, frameRate_);
      ASSERT_EQ(frameRate_.fps, 0) << "frame " << k << " closed the window early";
    }
    headlessSetTickOverride(true, start + 7 * 143);  // 1001 ms
    drawFrame(view, empty, textures_, font_, frameRate_);
    EXPECT_EQ(frameRate_.fps, 143) << start;
    EXPECT_EQ(frameRate_.windowStart, start + 1001u);
  }
}

}  // namespace
