// Guards the texture upload against reading past the pixel buffer it is
// given. The sanitizers do not see into GL and GLU, so each upload here reads
// from a copy of the pixels that ends right at an inaccessible page: a read
// past the end faults, in a child process, and fails the test.
//
// Found by fuzzing: GLU's mipmap scaling read one pixel past images whose
// width is a power of two and whose height is not (64 x 48, 4 x 33, 1 x 3),
// as the MAT and TGA readers deliver them.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "image/mat_reader.h"
#include "image/tga_reader.h"
#include "platform/gl.h"
#include "tests/support/test_support.h"

namespace {

// Uploads the image with uploadTexture from a copy whose last byte lies right
// before a page that cannot be read.
void uploadFromGuardedCopy(const ImageData& image, int components) {
  const size_t size = static_cast<size_t>(image.width) * image.height * (image.bitsPerPixel / 8);
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t pages = (size + page - 1) / page;
  void* mapped =
      mmap(nullptr, (pages + 1) * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) std::abort();
  unsigned char* base = static_cast<unsigned char*>(mapped);
  if (mprotect(base + pages * page, page, PROT_NONE) != 0) std::abort();
  ImageData copy = image;
  copy.pixels = base + pages * page - size;
  std::memcpy(copy.pixels, image.pixels, size);
  uploadTexture(copy, components, copy.format);
  glFinish();
  munmap(mapped, (pages + 1) * page);
}

ImageData syntheticImage(uint32_t width, uint32_t height, uint32_t bits) {
  ImageData image;
  image.width = width;
  image.height = height;
  image.bitsPerPixel = bits;
  image.format = bits == 32 ? kGlRgba : kGlRgb;
  const size_t size = static_cast<size_t>(width) * height * (bits / 8);
  image.pixels = static_cast<unsigned char*>(std::malloc(size));
  for (size_t i = 0; i < size; ++i) image.pixels[i] = static_cast<unsigned char>(i * 37 + 11);
  return image;
}

class TextureUploadBoundsTest : public GlTest {
 protected:
  void SetUp() override {
    // The child of each check runs the test afresh, with its own context.
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    GlTest::SetUp();
  }
};

TEST_F(TextureUploadBoundsTest, MipmapsReadOnlyThePixelBufferOfDecodedImages) {
  // A 64 x 48 MAT as the model reader uploads it: 3 components, GL_RGB.
  writeFile("wide.mat", readFile(sourcePath("tests/fuzz/inputs/mat/glu_overread_64x48.mat")));
  ImageData mat;
  ASSERT_TRUE(loadMat(mat, "wide.mat"));
  EXPECT_EXIT(
      {
        uploadFromGuardedCopy(mat, 3);
        _exit(0);  // no exit-time work (leak checks, destructors) in the child
      },
      ::testing::ExitedWithCode(0), "")
      << "64 x 48 MAT";
  std::free(mat.pixels);

  // A 4 x 33 run-length TGA as the fixed textures upload it.
  writeFile("tall.tga", readFile(sourcePath("tests/fuzz/inputs/tga/glu_overread_4x33.tga")));
  ImageData tga;
  ASSERT_TRUE(loadTga(tga, "tall.tga"));
  ASSERT_EQ(tga.width, 4u);
  ASSERT_EQ(tga.height, 33u);
  EXPECT_EXIT(
      {
        uploadFromGuardedCopy(tga, static_cast<int>(tga.bitsPerPixel / 8));
        _exit(0);  // no exit-time work (leak checks, destructors) in the child
      },
      ::testing::ExitedWithCode(0), "")
      << "4 x 33 TGA";
  std::free(tga.pixels);
}

TEST_F(TextureUploadBoundsTest, MipmapsReadOnlyThePixelBufferAtEveryShape) {
  // Widths and heights on both sides of powers of two, at 24 and 32 bits.
  const uint32_t sides[] = {1, 3, 4, 5, 8, 33};
  for (uint32_t bits : {24u, 32u}) {
    for (uint32_t width : sides) {
      for (uint32_t height : sides) {
        ImageData image = syntheticImage(width, height, bits);
        EXPECT_EXIT(
            {
              uploadFromGuardedCopy(image, static_cast<int>(bits / 8));
              _exit(0);  // no exit-time work (leak checks, destructors) in the child
            },
            ::testing::ExitedWithCode(0), "")
            << width << " x " << height << " at " << bits << " bits";
        std::free(image.pixels);
      }
    }
  }
}

}  // namespace
