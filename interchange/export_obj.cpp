// The OBJ writer of the model interchange: OBJ has no hierarchy, so every node
// that shows a mesh becomes one object ("o", named after its mesh) holding
// the mesh's triangles already placed where the viewer draws them (the
// node's chain offset plus its pivot, in the viewer's axes). Beside it the
// MTL file with one material per MAT file and the textures as PNG.
//
// OBJ and MTL put texture coordinate (0, 0) at the bottom-left of the image.
// The PNG has the texture's first row (t = 0 in the viewer) at the bottom, so
// the viewer's texture coordinates are written unchanged.
//
// Materials are white diffuse surfaces showing their texture. The blended
// twins of type-2 faces are translucent through the dissolve "d" alone
// (kBlendedAlpha), their PNG written opaque: readers that also take the
// texture's alpha would otherwise apply it twice.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "interchange/export_scene.h"
#include "platform/files.h"

namespace {

// A stream that remembers whether every write succeeded.
struct TextFile {
  FILE* file = nullptr;
  bool good = true;
};

void put(TextFile& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void put(TextFile& out, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  if (out.good && std::vfprintf(out.file, format, arguments) < 0) out.good = false;
  va_end(arguments);
}

bool openText(TextFile& out, const std::string& path) {
  out.file = platformOpenFile(path, "wb");
  out.good = out.file != nullptr;
  return out.good;
}

bool closeText(TextFile& out) {
  if (!out.file) return false;
  if (std::fclose(out.file) != 0) out.good = false;
  out.file = nullptr;
  return out.good;
}

// A vertex placed by its node. A sum past the float range is written as 0,
// as the scene writes every number that no format can carry.
float placed(float position, float placement) {
  const float sum = position + placement;
  return std::isfinite(sum) ? sum : 0.0f;
}

bool writeMtl(const ExportScene& scene, const std::string& path) {
  TextFile out;
  if (!openText(out, path)) return false;
  put(out, "# Materials of a model exported by vistrel-tool\n");
  for (const ExportMaterial& material : scene.materials) {
    put(out, "\nnewmtl %s\n", material.name.c_str());
    put(out, "Ka 0 0 0\nKd 1 1 1\nKs 0 0 0\nillum 1\n");
    put(out, "d %g\n", material.blended ? static_cast<double>(kBlendedAlpha) : 1.0);
    if (material.image >= 0) {
      put(out, "map_Kd %s.png\n",
          scene.images[static_cast<size_t>(material.image)].fileStem.c_str());
    }
  }
  return closeText(out);
}

bool writeGeometry(const ExportScene& scene, const std::string& path, const std::string& stem,
                   ExportCounts& counts) {
  TextFile out;
  if (!openText(out, path)) return false;
  put(out, "# Model exported by vistrel-tool: y up, the front facing +z\n");
  put(out, "mtllib %s.mtl\n", stem.c_str());
  // OBJ numbers positions, texture coordinates and normals separately, from 1.
  int64_t positions = 0;
  int64_t texCoords = 0;
  for (const ExportNode& node : scene.nodes) {
    if (node.mesh < 0) continue;
    const ExportMesh& mesh = scene.meshes[static_cast<size_t>(node.mesh)];
    put(out, "\no %s\n", node.name.c_str());
    for (const ExportPrimitive& primitive : mesh.primitives) {
      const ExportMaterial& material = scene.materials[static_cast<size_t>(primitive.material)];
      const bool textured = material.image >= 0;
      for (const ExportVertex& vertex : primitive.vertices) {
        put(out, "v %.9g %.9g %.9g\n", placed(vertex.position[0], node.placement[0]),
            placed(vertex.position[1], node.placement[1]),
            placed(vertex.position[2], node.placement[2]));
      }
      for (const ExportVertex& vertex : primitive.vertices) {
        put(out, "vn %.9g %.9g %.9g\n", vertex.normal[0], vertex.normal[1], vertex.normal[2]);
      }
      if (textured) {
        for (const ExportVertex& vertex : primitive.vertices) {
          put(out, "vt %.9g %.9g\n", vertex.texCoord[0], vertex.texCoord[1]);
        }
      }
      put(out, "usemtl %s\n", material.name.c_str());
      for (size_t i = 0; i + 2 < primitive.indices.size(); i += 3) {
        put(out, "f");
        for (size_t corner = 0; corner < 3; ++corner) {
          const long long n = 1 + static_cast<long long>(primitive.indices[i + corner]);
          if (textured) {
            put(out, " %lld/%lld/%lld", positions + n, texCoords + n, positions + n);
          } else {
            put(out, " %lld//%lld", positions + n, positions + n);
          }
        }
        put(out, "\n");
      }
      positions += static_cast<int64_t>(primitive.vertices.size());
      if (textured) texCoords += static_cast<int64_t>(primitive.vertices.size());
      counts.triangles += static_cast<int64_t>(primitive.indices.size() / 3);
      counts.vertices += static_cast<int64_t>(primitive.vertices.size());
    }
  }
  return closeText(out);
}

}  // namespace

bool writeObj(const ExportScene& scene, const std::string& folder, const std::string& stem,
              const std::string& mainName, std::vector<std::string>& writtenFiles,
              ExportCounts& counts, ExportMessages& messages) {
  if (!writeImageFiles(scene, folder, true, writtenFiles, messages)) return false;
  const std::string mtl = stem + ".mtl";
  writtenFiles.push_back(mtl);
  if (!writeMtl(scene, folder + "/" + mtl)) {
    messages.failure = "could not write " + mtl;
    return false;
  }
  counts.materials = static_cast<int64_t>(scene.materials.size());
  writtenFiles.push_back(mainName);
  if (!writeGeometry(scene, folder + "/" + mainName, stem, counts)) {
    messages.failure = "could not write " + mainName;
    return false;
  }
  return true;
}
