// uploadTexture: the one texture upload of the program.
//
// Pixel buffers are tightly packed, so rows are unpacked with an alignment of
// 1 during the upload; GL's default of 4 would skew every row of an image
// whose row is not a multiple of 4 bytes long and read past the end of the
// buffer. The alignment is set back to GL's default of 4 afterwards.
//
// GLU's mipmap scaling reads one pixel past the end of an image whose width
// is a power of two and whose height is not (Mesa's libGLU 9.0: 64 x 48,
// 4 x 33, 1 x 3), so it works from a copy of the pixels with a spare row
// behind them; the caller's buffer is read only by glTexImage2D.
#include <cstring>
#include <vector>

#include "image/image_data.h"
#include "platform/gl.h"

void uploadTexture(ImageData& image, int components, uint32_t format) {
  GLuint name = 0;
  glGenTextures(1, &name);
  image.textureName = name;
  glBindTexture(GL_TEXTURE_2D, name);
  if (image.pixels) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, components, static_cast<GLsizei>(image.width),
                 static_cast<GLsizei>(image.height), 0, format, GL_UNSIGNED_BYTE, image.pixels);
    const size_t row = static_cast<size_t>(image.width) * (format == GL_RGBA ? 4 : 3);
    const size_t size = row * image.height;
    std::vector<unsigned char> padded(size + row + 4);
    std::memcpy(padded.data(), image.pixels, size);
    gluBuild2DMipmaps(GL_TEXTURE_2D, components, static_cast<GLint>(image.width),
                      static_cast<GLint>(image.height), format, GL_UNSIGNED_BYTE, padded.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}
