// The offscreen context really is a compatibility OpenGL context in which
// textures, GLU mipmaps and reading pixels back work.
#include "image/image_data.h"
#include "platform/gl.h"
#include "tests/support/test_support.h"

class GlContextTest : public GlTest {};

TEST_F(GlContextTest, OddRowLengthUploadIsNotSkewedByUnpackAlignment) {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  ASSERT_NE(version, nullptr);
  EXPECT_NE(std::string(version).find("Compatibility"), std::string::npos) << version;

  unsigned char pixels[2 * 2 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  ImageData image;
  image.pixels = pixels;
  image.width = 2;
  image.height = 2;
  image.bitsPerPixel = 24;
  image.format = kGlRgb;
  uploadTexture(image, 3, kGlRgb);
  EXPECT_NE(image.textureName, 0u);
  GLint width = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 2);
  unsigned char back[2 * 2 * 3] = {};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back), 12),
            std::string(reinterpret_cast<char*>(pixels), 12));

  glClearColor(0.0f, 0.0f, 1.0f, 0.5f);
  glClear(GL_COLOR_BUFFER_BIT);
  unsigned char rgba[4] = {};
  glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  EXPECT_EQ(rgba[0], 0);
  EXPECT_EQ(rgba[2], 255);
}
