// The viewer's three own textures: the environment map, the checker image
// (the fallback of every material whose MAT file fails) and the overlay's menu
// background, read from the systemtex folder of the current folder. Each is
// made into a texture object even when its image cannot be read, and its
// pixel buffer is released right after the upload.
#include "image/fixed_textures.h"

#include <cstdlib>

#include "image/tga_reader.h"

void loadFixedTextures(FixedTextures& textures) {
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
    // Each start-up fills the record from empty, so that an image missing
    // the second time leaves no size of the first behind.
    std::free(record.pixels);
    record = ImageData{};
    loadTga(record, entry.path);
    uploadTexture(record, static_cast<int>(record.bitsPerPixel / 8), record.format);
    std::free(record.pixels);
    record.pixels = nullptr;
  }
}
