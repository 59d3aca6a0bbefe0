// Placeholder until the TGA reader lands: three image-less textures, as when
// the systemtex images are missing.
#include "image/fixed_textures.h"

void loadFixedTextures(FixedTextures& textures) {
  ImageData* records[] = {&textures.envMapTexture, &textures.checkerTexture,
                          &textures.menuBackTexture};
  for (ImageData* record : records) {
    uploadTexture(*record, static_cast<int>(record->bitsPerPixel / 8), record->format);
  }
}
