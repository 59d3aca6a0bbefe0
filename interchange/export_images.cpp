// The images of an ExportScene as PNG: in memory for a .glb, as files beside
// a .gltf or an .obj.
#include <cstdio>
#include <string>
#include <vector>

#include "image/png_writer.h"
#include "interchange/export_scene.h"
#include "platform/files.h"

namespace {

// The pixels to encode: the image's own, or a copy with every alpha 255.
const unsigned char* pixelsOf(const ExportImage& image, bool opaque,
                              std::vector<unsigned char>& copy) {
  if (!opaque || image.alpha == 255) return image.rgba.data();
  copy = image.rgba;
  for (size_t i = 3; i < copy.size(); i += 4) copy[i] = 255;
  return copy.data();
}

}  // namespace

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
    FILE* file = platformOpenFile(folder + "/" + name, "wb");
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
