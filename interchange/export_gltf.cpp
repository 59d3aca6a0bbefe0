// The glTF 2.0 writer of the model interchange, through tinygltf (Debian's
// libtinygltf, whose JSON comes from nlohmann-json): one glTF node per
// hierarchy node with its translation relative to its parent, and a child
// node carrying the pivot translation and the mesh; one mesh per mesh of the
// model that a node shows, one primitive per material; one material per MAT
// file with its texture as a PNG.
//
// Textures: glTF puts texture coordinate (0, 0) at the top-left of the image,
// its first row. The PNG is written with the texture's first row (t = 0 in
// the viewer) at the bottom, so a texture coordinate (s, t) of the viewer
// becomes (s, 1 - t) here and every texel lands where it does in the viewer.
// The sampler repeats and filters linearly, as the viewer's textures do.
//
// Materials are plain white diffuse surfaces (no metal, full roughness) that
// show their texture; the viewer's lighting has no glTF counterpart, so a
// glTF viewer lights the model its own way. Faces of type 2, which the viewer
// adds onto the picture behind them, get a twin material with alphaMode
// BLEND and an alpha of kBlendedAlpha (export_scene.h): glTF has no additive
// blending, so they come out as a faint glass over what lies behind, never
// brighter than the brighter of the two as the viewer's sum can be.
//
// A .glb is serialised in memory and written to its file, the write's
// failures checked. A .gltf is written by tinygltf beside its .bin into the
// caller's temporary folder (tinygltf takes its paths as UTF-8 on Windows
// too), then read back with tinygltf to be sure the files are whole
// (tinygltf does not report a failed write of its own files).
#include <tiny_gltf.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "interchange/export_scene.h"
#include "platform/files.h"

namespace {

// Appends size bytes (zeros when data is null) to the buffer at a 4-byte
// boundary; returns their offset.
size_t appendAligned(std::vector<unsigned char>& buffer, const void* data, size_t size) {
  while (buffer.size() % 4 != 0) buffer.push_back(0);
  const size_t offset = buffer.size();
  buffer.resize(offset + size);
  if (data && size > 0) std::memcpy(&buffer[offset], data, size);
  return offset;
}

int addView(tinygltf::Model& gltf, size_t offset, size_t size, int target) {
  tinygltf::BufferView view;
  view.buffer = 0;
  view.byteOffset = offset;
  view.byteLength = size;
  view.target = target;
  gltf.bufferViews.push_back(view);
  return static_cast<int>(gltf.bufferViews.size() - 1);
}

int addAccessor(tinygltf::Model& gltf, int view, int componentType, size_t count, int type) {
  tinygltf::Accessor accessor;
  accessor.bufferView = view;
  accessor.componentType = componentType;
  accessor.count = count;
  accessor.type = type;
  gltf.accessors.push_back(accessor);
  return static_cast<int>(gltf.accessors.size() - 1);
}

// One attribute of every vertex of a primitive, packed straight into the
// buffer.
template <size_t N>
int addAttribute(tinygltf::Model& gltf, std::vector<unsigned char>& buffer,
                 const std::vector<ExportVertex>& vertices,
                 float (*pick)(const ExportVertex&, size_t), bool withBounds) {
  const size_t bytes = vertices.size() * N * sizeof(float);
  const size_t offset = appendAligned(buffer, nullptr, bytes);
  std::vector<double> low(N, 0.0);
  std::vector<double> high(N, 0.0);
  for (size_t i = 0; i < vertices.size(); ++i) {
    for (size_t c = 0; c < N; ++c) {
      const float value = pick(vertices[i], c);
      std::memcpy(&buffer[offset + (i * N + c) * sizeof(float)], &value, sizeof value);
      if (i == 0 || value < low[c]) low[c] = value;
      if (i == 0 || value > high[c]) high[c] = value;
    }
  }
  const int view = addView(gltf, offset, bytes, TINYGLTF_TARGET_ARRAY_BUFFER);
  const int accessor = addAccessor(gltf, view, TINYGLTF_COMPONENT_TYPE_FLOAT, vertices.size(),
                                   N == 3 ? TINYGLTF_TYPE_VEC3 : TINYGLTF_TYPE_VEC2);
  if (withBounds) {
    gltf.accessors[static_cast<size_t>(accessor)].minValues = low;
    gltf.accessors[static_cast<size_t>(accessor)].maxValues = high;
  }
  return accessor;
}

float pickPosition(const ExportVertex& vertex, size_t c) {
  return vertex.position[c];
}
float pickNormal(const ExportVertex& vertex, size_t c) {
  return vertex.normal[c];
}
// glTF's image origin is the top-left corner: t = 0 is the bottom row of the
// PNG, which is v = 1.
float pickTexCoord(const ExportVertex& vertex, size_t c) {
  return c == 0 ? vertex.texCoord[0] : 1.0f - vertex.texCoord[1];
}

bool buildModel(const ExportScene& scene, const std::string& stem, bool binary,
                tinygltf::Model& gltf, std::vector<unsigned char>& buffer, ExportCounts& counts,
                ExportMessages& messages) {
  gltf.asset.version = "2.0";
  gltf.asset.generator = "vistrel-tool " VISTREL_VERSION;

  tinygltf::Sampler sampler;
  sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
  sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
  sampler.wrapS = TINYGLTF_TEXTURE_WRAP_REPEAT;
  sampler.wrapT = TINYGLTF_TEXTURE_WRAP_REPEAT;
  if (!scene.images.empty()) gltf.samplers.push_back(sampler);
  for (const ExportImage& image : scene.images) {
    tinygltf::Image out;
    out.name = image.fileStem;
    if (binary) {
      std::vector<unsigned char> png;
      if (!encodeImagePng(image, false, png, messages)) {
        messages.failure = "could not encode the texture " + image.fileStem;
        return false;
      }
      const size_t offset = appendAligned(buffer, png.data(), png.size());
      out.bufferView = addView(gltf, offset, png.size(), 0);
      out.mimeType = "image/png";
    } else {
      out.uri = image.fileStem + ".png";
    }
    gltf.images.push_back(out);
    tinygltf::Texture texture;
    texture.sampler = 0;
    texture.source = static_cast<int>(gltf.images.size() - 1);
    gltf.textures.push_back(texture);
  }

  for (const ExportMaterial& material : scene.materials) {
    tinygltf::Material out;
    out.name = material.name;
    out.pbrMetallicRoughness.metallicFactor = 0.0;
    out.pbrMetallicRoughness.roughnessFactor = 1.0;
    if (material.image >= 0) out.pbrMetallicRoughness.baseColorTexture.index = material.image;
    if (material.blended) {
      // A textured one has its alpha in the texture, where every reader
      // looks for it (some ignore the factor's alpha once there is a
      // texture).
      out.alphaMode = "BLEND";
      if (material.image < 0) {
        out.pbrMetallicRoughness.baseColorFactor = {1.0, 1.0, 1.0, kBlendedAlpha};
      }
    }
    gltf.materials.push_back(out);
  }
  counts.materials = static_cast<int64_t>(scene.materials.size());

  size_t geometry = 0;
  for (const ExportMesh& mesh : scene.meshes) {
    for (const ExportPrimitive& primitive : mesh.primitives) {
      geometry += primitive.vertices.size() * 8 * sizeof(float) + primitive.indices.size() * 4;
    }
  }
  buffer.reserve(buffer.size() + geometry + 16 * scene.meshes.size());
  std::vector<int> meshOf(scene.meshes.size(), -1);
  for (size_t m = 0; m < scene.meshes.size(); ++m) {
    const ExportMesh& mesh = scene.meshes[m];
    if (mesh.primitives.empty()) continue;
    tinygltf::Mesh out;
    out.name = mesh.name;
    for (const ExportPrimitive& primitive : mesh.primitives) {
      tinygltf::Primitive part;
      part.mode = TINYGLTF_MODE_TRIANGLES;
      part.material = primitive.material;
      part.attributes["POSITION"] =
          addAttribute<3>(gltf, buffer, primitive.vertices, pickPosition, true);
      part.attributes["NORMAL"] =
          addAttribute<3>(gltf, buffer, primitive.vertices, pickNormal, false);
      if (scene.materials[static_cast<size_t>(primitive.material)].image >= 0) {
        part.attributes["TEXCOORD_0"] =
            addAttribute<2>(gltf, buffer, primitive.vertices, pickTexCoord, false);
      }
      const size_t bytes = primitive.indices.size() * sizeof(uint32_t);
      const size_t offset = appendAligned(buffer, primitive.indices.data(), bytes);
      const int view = addView(gltf, offset, bytes, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
      part.indices = addAccessor(gltf, view, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT,
                                 primitive.indices.size(), TINYGLTF_TYPE_SCALAR);
      out.primitives.push_back(part);
      counts.triangles += static_cast<int64_t>(primitive.indices.size() / 3);
      counts.vertices += static_cast<int64_t>(primitive.vertices.size());
    }
    meshOf[m] = static_cast<int>(gltf.meshes.size());
    gltf.meshes.push_back(out);
  }

  // The hierarchy nodes keep their numbers; the pivot nodes follow them.
  tinygltf::Scene root;
  gltf.nodes.resize(scene.nodes.size());
  for (size_t i = 0; i < scene.nodes.size(); ++i) {
    const ExportNode& node = scene.nodes[i];
    tinygltf::Node& out = gltf.nodes[i];
    out.name = node.name;
    out.translation = {node.translation[0], node.translation[1], node.translation[2]};
    if (node.parent >= 0) {
      gltf.nodes[static_cast<size_t>(node.parent)].children.push_back(static_cast<int>(i));
    } else {
      root.nodes.push_back(static_cast<int>(i));
    }
  }
  for (size_t i = 0; i < scene.nodes.size(); ++i) {
    const ExportNode& node = scene.nodes[i];
    if (node.mesh < 0 || meshOf[static_cast<size_t>(node.mesh)] < 0) continue;
    tinygltf::Node pivot;
    pivot.name = node.name + "_pivot";
    pivot.translation = {node.pivot[0], node.pivot[1], node.pivot[2]};
    pivot.mesh = meshOf[static_cast<size_t>(node.mesh)];
    gltf.nodes.push_back(pivot);
    gltf.nodes[i].children.push_back(static_cast<int>(gltf.nodes.size() - 1));
  }
  root.name = stem;
  gltf.scenes.push_back(root);
  gltf.defaultScene = 0;

  if (!buffer.empty()) {
    while (buffer.size() % 4 != 0) buffer.push_back(0);
    tinygltf::Buffer out;
    if (!binary) out.uri = stem + ".bin";
    gltf.buffers.push_back(out);
  }
  return true;
}

// True when tinygltf reads the written .gltf and its .bin back whole.
bool readsBack(const std::string& path, size_t bufferSize) {
  tinygltf::TinyGLTF reader;
  reader.SetImageLoader([](tinygltf::Image*, const int, std::string*, std::string*, int, int,
                           const unsigned char*, int, void*) { return true; },
                        nullptr);
  tinygltf::Model model;
  std::string error;
  std::string warning;
  if (!reader.LoadASCIIFromFile(&model, &error, &warning, path)) return false;
  return bufferSize == 0 ||
         (model.buffers.size() == 1 && model.buffers[0].data.size() == bufferSize);
}

}  // namespace

bool writeGltf(const ExportScene& scene, const std::string& folder, const std::string& stem,
               const std::string& mainName, bool binary, std::vector<std::string>& writtenFiles,
               ExportCounts& counts, ExportMessages& messages) {
  tinygltf::Model gltf;
  std::vector<unsigned char> buffer;
  if (!buildModel(scene, stem, binary, gltf, buffer, counts, messages)) return false;
  if (!gltf.buffers.empty()) gltf.buffers[0].data.swap(buffer);
  tinygltf::TinyGLTF writer;
  writer.SetImageWriter(nullptr, nullptr);

  if (binary) {
    // Serialised in memory, then written through the platform's file
    // opening (UTF-8 paths on every system); the write and the close are
    // checked.
    writtenFiles.push_back(mainName);
    std::ostringstream stream(std::ios::binary);
    bool written = writer.WriteGltfSceneToStream(&gltf, stream, false, true) && stream.good();
    const std::string bytes = written ? stream.str() : std::string();
    FILE* file = written ? platformOpenFile(folder + "/" + mainName, "wb") : nullptr;
    written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file && std::fclose(file) != 0) written = false;
    if (!written) {
      messages.failure = "could not write " + mainName;
      return false;
    }
    return true;
  }

  if (!writeImageFiles(scene, folder, false, writtenFiles, messages)) return false;
  const std::string& name = mainName;
  const std::string path = folder + "/" + name;
  const size_t bufferSize = gltf.buffers.empty() ? 0 : gltf.buffers[0].data.size();
  if (bufferSize != 0) writtenFiles.push_back(stem + ".bin");
  writtenFiles.push_back(name);
  if (!writer.WriteGltfSceneToFile(&gltf, path, false, false, true, false) ||
      !readsBack(path, bufferSize)) {
    messages.failure = "could not write " + name;
    return false;
  }
  // On Windows tinygltf creates its files without a permission mode, which
  // the C runtime takes as read-only: such a file could be replaced by no
  // later export. Elsewhere they are writable already.
  std::error_code error;
  for (const std::string& written : {name, stem + ".bin"}) {
    if (written == name || bufferSize != 0) {
      std::filesystem::permissions(std::filesystem::u8path(folder + "/" + written),
                                   std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, error);
    }
  }
  return true;
}
