// The viewer's three own textures: the environment map, the checker image
// (the fallback of every material whose MAT file fails) and the overlay's menu
// background, read from the systemtex folder of the current folder. Each is
// made into a texture object even when its image cannot be read, and its
// pixel buffer is released right after the upload. The commands that draw
// nothing read the same images with the same messages and make no texture.
#include "image/fixed_textures.h"

#include <cstdlib>

#include "image/tga_reader.h"

namespace {

// Reads the three images in their order; upload, when set, makes each one a
// texture. Each start-up fills the records from empty, so that an image
// missing the second time leaves no size of the first behind.
void readImages(FixedTextures& textures, bool upload) {
  struct Entry {
    ImageData* record;
    const char* path;
  };
  // The backslash is the folder separator on every platform (the reader
  // opens through openResolved).
  const Entry entries[] = {{&textures.envMapTexture, "systemtex\\envmap.tga"},
                           {&textures.checkerTexture, "systemtex\\checker.tga"},
                           {&textures.menuBackTexture, "systemtex\\menuback.tga"}};
  for (const Entry& entry : entries) {
    ImageData& record = *entry.record;
    std::free(record.pixels);
    record = ImageData{};
    loadTga(record, entry.path);
    if (upload) {
      uploadTexture(record, static_cast<int>(record.bitsPerPixel / 8), record.format);
    } else if (&record == &textures.checkerTexture) {
      continue;  // its pixels stand in for failed materials' textures
    }
    std::free(record.pixels);
    record.pixels = nullptr;
  }
}

}  // namespace

void loadFixedTextures(FixedTextures& textures) {
  readImages(textures, true);
}

void readFixedImages(FixedTextures& textures) {
  readImages(textures, false);
}
