// The images of an ExportScene: their pixels read back from the textures the
// load made (the very texels the viewer draws with: the MAT image decoded
// through the palette, or the checker that stands in for a MAT file that
// cannot be read), and their PNG files.
#include <cstdio>
#include <string>
#include <vector>

#include "image/png_writer.h"
#include "interchange/export_scene.h"
#include "platform/gl.h"

namespace {

// The level-0 texels of the image's texture with the image's alpha. False when
// the texture does not hold an image of the material's size (GL refused it),
// which the viewer then draws untextured.
bool readTexture(ExportImage& image) {
  glBindTexture(GL_TEXTURE_2D, image.textureName);
  GLint width = 0;
  GLint height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  if (width != image.width || height != image.height || width <= 0 || height <= 0) return false;
  image.rgba.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  for (size_t i = 3; i < image.rgba.size(); i += 4) image.rgba[i] = image.alpha;
  return glGetError() == GL_NO_ERROR;
}

// The pixels to encode: the image's own, or a copy with every alpha 255.
const unsigned char* pixelsOf(const ExportImage& image, bool opaque,
                              std::vector<unsigned char>& copy) {
  if (!opaque || image.alpha == 255) return image.rgba.data();
  copy = image.rgba;
  for (size_t i = 3; i < copy.size(); i += 4) copy[i] = 255;
  return copy.data();
}

}  // namespace

void readTextures(ExportScene& scene) {
  std::vector<int32_t> renumbered(scene.images.size(), -1);
  std::vector<ExportImage> kept;
  for (size_t i = 0; i < scene.images.size(); ++i) {
    if (!readTexture(scene.images[i])) continue;
    renumbered[i] = static_cast<int32_t>(kept.size());
    kept.push_back(std::move(scene.images[i]));
  }
  scene.images = std::move(kept);
  for (ExportMaterial& material : scene.materials) {
    if (material.image >= 0) material.image = renumbered[static_cast<size_t>(material.image)];
  }
}

bool encodeImagePng(const ExportImage& image, bool opaque, std::vector<unsigned char>& bytes,
                    ExportMessages& messages) {
  std::vector<unsigned char> copy;
  return encodePngRgba(image.width, image.height, pixelsOf(image, opaque, copy), bytes,
                       messages.png);
}

bool writeImageFiles(const ExportScene& scene, const std::string& folder, bool opaque,
                     std::vector<std::string>& writtenFiles, ExportMessages& messages) {
  for (const ExportImage& image : scene.images) {
    const std::string name = image.fileStem + ".png";
    FILE* file = std::fopen((folder + "/" + name).c_str(), "wb");
    std::vector<unsigned char> copy;
    bool written = file && writePngRgba(file, image.width, image.height,
                                        pixelsOf(image, opaque, copy), messages.png);
    if (file && std::fclose(file) != 0) written = false;
    if (file) writtenFiles.push_back(name);
    if (!written) {
      messages.failure = "could not write " + name;
      return false;
    }
  }
  return true;
}
