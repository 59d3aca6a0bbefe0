// bench_gl_floor: what any program pays to get one picture out of this
// machine's OpenGL, measured from outside (hyperfine, GNU time) beside
// `vistrel-tool render`: the same offscreen context, one 64 x 64 texture,
// one lit and textured triangle, and the 640 x 480 picture read back. No
// model, no files. Its start-up time and peak memory are the floor under
// every row of bench/compare.sh's table.
//
// usage: bench_gl_floor   (exit status 0 when the picture came back)
#include <cstdio>
#include <vector>

#include "platform/gl.h"
#include "platform/headless/headless.h"

int main() {
  OffscreenGl gl;
  if (!createOffscreenGl(gl, 640, 480)) {
    std::fprintf(stderr, "bench_gl_floor: no offscreen OpenGL context\n");
    return 1;
  }
  std::vector<unsigned char> texels(64 * 64 * 3);
  for (size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<unsigned char>(i * 7);
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_DEPTH_TEST);
  glClearColor(0.1f, 0.1f, 0.2f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glBegin(GL_TRIANGLES);
  glNormal3f(0, 0, 1);
  glTexCoord2f(0, 0);
  glVertex3f(-0.8f, -0.8f, 0);
  glTexCoord2f(1, 0);
  glVertex3f(0.8f, -0.8f, 0);
  glTexCoord2f(0.5f, 1);
  glVertex3f(0, 0.8f, 0);
  glEnd();
  std::vector<unsigned char> pixels(640 * 480 * 4);
  glReadPixels(0, 0, 640, 480, 0x80E1 /* GL_BGRA */, GL_UNSIGNED_BYTE, pixels.data());
  const bool drawn = glGetError() == GL_NO_ERROR && pixels[(240 * 640 + 320) * 4 + 3] != 0;
  glDeleteTextures(1, &texture);
  destroyOffscreenGl(gl);
  return drawn ? 0 : 1;
}
