// Gathering a loaded model into an ExportScene: the triangles, materials,
// images and node tree exactly as render/model_draw.cpp draws them.
//
// The drawing's own rules decide each triangle record (faceVerticesInRange,
// texturableMaterial), and its own walk of the chains places the nodes, so what is
// written is what the viewer shows. Two things the formats need that the
// drawing does not: a vertex per distinct (vertex, texture vertex) pair of
// each material's triangles (found through a small open-addressing table, so
// a hostile mesh costs its size, never its square), and a node tree without
// cycles. A parent loop is cut where the drawing resolves it: every node of
// the loop becomes a root standing where the drawing places it (the sum of the
// loop's positions), and chains leading into the loop stay children of the
// node they name.
#include "interchange/export_scene.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/drawn_model.h"

namespace {

// The viewer's axis mapping (toGlAxes), with anything not finite written as 0 (no format can carry
// it, and the drawing shows nothing sensible there either).
float finite(float value) {
  return std::isfinite(value) ? value : 0.0f;
}

void mapAxes(const Vec3& in, float out[3]) {
  const Vec3 gl = toGlAxes(in);
  out[0] = finite(gl.x);
  out[1] = finite(gl.y);
  out[2] = finite(gl.z);
}

void unitNormal(const Vec3& in, float out[3]) {
  mapAxes(in, out);
  const double length =
      std::sqrt(static_cast<double>(out[0]) * out[0] + static_cast<double>(out[1]) * out[1] +
                static_cast<double>(out[2]) * out[2]);
  if (!(length > 1e-20) || !std::isfinite(length)) {
    // No direction to keep: point it up.
    out[0] = 0.0f;
    out[1] = 1.0f;
    out[2] = 0.0f;
    return;
  }
  for (int i = 0; i < 3; ++i) out[i] = static_cast<float>(out[i] / length);
}

// Printable ASCII without spaces: names go into JSON (which must be UTF-8)
// and into OBJ/MTL lines (which split at white space).
std::string cleanName(const char* text, size_t size) {
  std::string name;
  for (size_t i = 0; i < size && text[i] != '\0'; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    name += (c > 0x20 && c < 0x7F) ? static_cast<char>(c) : '_';
  }
  return name;
}

// The part of a MAT name that can name a side file: the last path element
// without its extension, letters, digits, '-' and '_' only.
std::string fileStemOf(const std::string& matName) {
  size_t start = matName.find_last_of("/\\");
  start = start == std::string::npos ? 0 : start + 1;
  size_t end = matName.rfind('.');
  if (end == std::string::npos || end < start) end = matName.size();
  std::string stem;
  for (size_t i = start; i < end; ++i) {
    const char c = matName[i];
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_';
    stem += plain ? c : '_';
  }
  return stem.empty() ? "texture" : stem;
}

// Open addressing from a 64-bit key to a vertex number, sized for the
// corners it will see (at most half full).
struct VertexTable {
  std::vector<uint64_t> keys;  // kNoKey where free
  std::vector<uint32_t> values;
  size_t mask = 0;
};

constexpr uint64_t kNoKey = ~0ull;

void sizeTable(VertexTable& table, size_t corners) {
  size_t capacity = 16;
  while (capacity < corners * 2) capacity *= 2;
  table.keys.assign(capacity, kNoKey);
  table.values.assign(capacity, 0);
  table.mask = capacity - 1;
}

// The slot that holds key, or the free slot where it belongs.
size_t findSlot(const VertexTable& table, uint64_t key) {
  size_t slot = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & table.mask;
  while (table.keys[slot] != kNoKey && table.keys[slot] != key) slot = (slot + 1) & table.mask;
  return slot;
}

// Materials beyond the model's own, made when a face needs them: the
// blended twin of a model material, and the plain untextured ones.
struct MaterialIndex {
  std::unordered_map<int32_t, int32_t> blended;       // model material -> its twin
  std::unordered_map<int32_t, int32_t> blendedImage;  // image -> its translucent twin
  int32_t untextured = -1;
  int32_t untexturedBlended = -1;
  std::unordered_set<std::string> fileStems;  // of the images so far
};

// STEM, or STEM_2, STEM_3, ... when an image already has it.
std::string uniqueStem(MaterialIndex& index, const std::string& stem) {
  std::string unique = stem;
  for (int n = 2; !index.fileStems.insert(unique).second; ++n) {
    unique = stem + "_" + std::to_string(n);
  }
  return unique;
}

int32_t materialFor(ExportScene& scene, MaterialIndex& index, int32_t modelMaterial, bool textured,
                    bool blended) {
  if (!textured) {
    int32_t& slot = blended ? index.untexturedBlended : index.untextured;
    if (slot < 0) {
      slot = static_cast<int32_t>(scene.materials.size());
      ExportMaterial material;
      material.name = blended ? "untextured_blended" : "untextured";
      material.blended = blended;
      scene.materials.push_back(material);
    }
    return slot;
  }
  if (!blended) return modelMaterial;
  auto found = index.blended.find(modelMaterial);
  if (found != index.blended.end()) return found->second;
  ExportMaterial twin = scene.materials[static_cast<size_t>(modelMaterial)];
  twin.name += "_blended";
  twin.blended = true;
  if (twin.image >= 0) {
    auto image = index.blendedImage.find(twin.image);
    if (image == index.blendedImage.end()) {
      ExportImage translucent = scene.images[static_cast<size_t>(twin.image)];
      translucent.fileStem = uniqueStem(index, translucent.fileStem + "_blended");
      translucent.alpha = static_cast<unsigned char>(kBlendedAlpha * 255.0f + 0.5f);
      image =
          index.blendedImage.emplace(twin.image, static_cast<int32_t>(scene.images.size())).first;
      scene.images.push_back(translucent);
    }
    twin.image = image->second;
  }
  const int32_t slot = static_cast<int32_t>(scene.materials.size());
  scene.materials.push_back(twin);
  index.blended.emplace(modelMaterial, slot);
  return slot;
}

// The picture each material's texture is made of, as the load left it: the
// MAT pixels of the material that read the file (itself, or the earlier
// material naming the same file), the checker for a MAT file that failed, or
// none. key tells pictures apart: the reading material, or -1 for the
// checker.
struct MaterialPicture {
  const ImageData* picture = nullptr;
  int32_t key = -1;
};

std::vector<MaterialPicture> materialPictures(const Model& model,
                                              const std::vector<TextureUpload>& textures,
                                              const ImageData& checker) {
  const size_t count =
      model.materials && model.materialCount > 0 ? static_cast<size_t>(model.materialCount) : 0;
  std::vector<MaterialPicture> pictures(count);
  std::vector<uint8_t> read(count, 0);
  for (const TextureUpload& texture : textures) {
    if (texture.material < 0 || static_cast<size_t>(texture.material) >= count ||
        texture.source < 0 || texture.source > texture.material) {
      continue;
    }
    read[static_cast<size_t>(texture.material)] = 1;
    const Material& source = model.materials[texture.source];
    if (source.pixels) pictures[static_cast<size_t>(texture.material)] = {&source, texture.source};
  }
  for (size_t i = 0; i < count; ++i) {
    // A material the reading gave the fallback's size wears the checker.
    if (!read[i] && checker.pixels) pictures[i] = {&checker, -1};
  }
  return pictures;
}

void buildImagesAndMaterials(const Model& model, const std::vector<TextureUpload>& textures,
                             const ImageData& checker, const std::string& outputStem,
                             ExportScene& scene, MaterialIndex& index) {
  const std::vector<MaterialPicture> pictures = materialPictures(model, textures, checker);
  std::unordered_map<int32_t, int32_t> imageOfPicture;
  for (int32_t i = 0; i < model.materialCount && model.materials; ++i) {
    const Material& source = model.materials[i];
    const MaterialPicture& picture = pictures[static_cast<size_t>(i)];
    ExportMaterial material;
    material.name = model.materialNames ? cleanName(model.materialNames[i], 32) : std::string();
    if (material.name.empty()) material.name = "material" + std::to_string(i);
    if (source.width != 0 && source.height != 0 && picture.picture) {
      auto found = imageOfPicture.find(picture.key);
      if (found == imageOfPicture.end()) {
        ExportImage image;
        image.picture = picture.picture;
        image.width = static_cast<int32_t>(picture.picture->width);
        image.height = static_cast<int32_t>(picture.picture->height);
        // The checker stands in for every MAT file that failed; its file is
        // named for what it is.
        const std::string part =
            picture.key < 0 ? std::string("checker") : fileStemOf(material.name);
        image.fileStem = uniqueStem(index, outputStem + "_" + part);
        found =
            imageOfPicture.emplace(picture.key, static_cast<int32_t>(scene.images.size())).first;
        scene.images.push_back(std::move(image));
      }
      material.image = found->second;
    }
    scene.materials.push_back(std::move(material));
  }
}

// Each image's RGBA pixels from its picture (24-bit RGB or 32-bit RGBA, rows
// in the picture's order, which is the texture's: its first row at t = 0),
// with the image's alpha.
void fillPixels(ExportScene& scene) {
  for (ExportImage& image : scene.images) {
    const ImageData& picture = *image.picture;
    const size_t bytes = picture.bitsPerPixel == 32 ? 4 : 3;
    const size_t count = static_cast<size_t>(picture.width) * picture.height;
    image.rgba.resize(count * 4);
    for (size_t i = 0; i < count; ++i) {
      std::memcpy(&image.rgba[i * 4], &picture.pixels[i * bytes], 3);
      image.rgba[i * 4 + 3] = image.alpha;
    }
    image.picture = nullptr;
  }
}

// The triangles of one mesh, one primitive per material they wear.
void buildMesh(const Model& model, const Mesh& mesh, ExportScene& scene, MaterialIndex& index,
               ExportMesh& out) {
  struct Record {
    const Face* face;
    const Material* material;
  };
  std::vector<std::vector<Record>> groups;
  std::unordered_map<int32_t, size_t> groupOfMaterial;
  auto take = [&](const Face* faces, int32_t count) {
    for (int32_t i = 0; faces && i < count; ++i) {
      const Face& face = faces[i];
      if (!faceVerticesInRange(mesh, face)) {
        ++scene.skippedTriangles;
        continue;
      }
      const Material* material = texturableMaterial(model, mesh, face);
      const int32_t exported =
          materialFor(scene, index, face.material, material != nullptr, face.type == 2);
      auto group = groupOfMaterial.emplace(exported, groups.size());
      if (group.second) groups.emplace_back();
      groups[group.first->second].push_back({&face, material});
    }
  };
  take(mesh.faces, mesh.faceCount);
  take(mesh.extraTriangles, mesh.extraTriangleCount);

  out.primitives.resize(groups.size());
  for (const auto& entry : groupOfMaterial) {
    const std::vector<Record>& records = groups[entry.second];
    ExportPrimitive& primitive = out.primitives[entry.second];
    primitive.material = entry.first;
    primitive.indices.reserve(records.size() * 3);
    VertexTable table;
    sizeTable(table, records.size() * 3);
    for (const Record& record : records) {
      for (int corner = 0; corner < 3; ++corner) {
        const int32_t vertex = record.face->vertex[corner];
        const int32_t texVertex = record.material ? record.face->texVertex[corner] : -1;
        const uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(vertex)) << 32) |
                             static_cast<uint32_t>(texVertex);
        const size_t slot = findSlot(table, key);
        if (table.keys[slot] == key) {
          primitive.indices.push_back(table.values[slot]);
          continue;
        }
        const uint32_t number = static_cast<uint32_t>(primitive.vertices.size());
        table.keys[slot] = key;
        table.values[slot] = number;
        primitive.indices.push_back(number);
        ExportVertex made;
        const Vertex& source = mesh.vertices[vertex];
        mapAxes(source.position, made.position);
        unitNormal(source.normal, made.normal);
        if (record.material) {
          // The very expression the drawing hands to glTexCoord2f.
          const TexVertex& tex = mesh.texVertices[texVertex];
          made.texCoord[0] = finite(tex.u / static_cast<float>(record.material->width));
          made.texCoord[1] = finite(tex.v / static_cast<float>(record.material->height));
        } else {
          made.texCoord[0] = 0.0f;
          made.texCoord[1] = 0.0f;
        }
        primitive.vertices.push_back(made);
      }
    }
  }
}

// Deep chains stay a tree up to kMaxDepth levels; a node deeper than that
// becomes a root where the drawing places it, and the chain goes on below
// it. glTF sets no limit, but the readers and validators that walk a tree
// by recursion run out of stack long before a hostile 20,000-node chain ends.
constexpr int32_t kMaxDepth = 64;

void buildNodes(const Model& model, ExportScene& scene) {
  if (!model.nodes || model.nodeCount <= 0) return;
  NodeChains chains;
  walkNodeChains(model, chains, kMaxDepth);
  scene.brokenLoops = chains.loops;
  scene.deepNodes = chains.tooDeep;
  scene.nodes.resize(static_cast<size_t>(model.nodeCount));
  for (int32_t i = 0; i < model.nodeCount; ++i) {
    const HierarchyNode& node = model.nodes[i];
    ExportNode& out = scene.nodes[static_cast<size_t>(i)];
    const bool meshInRange = model.meshes && node.mesh >= 0 && node.mesh < model.meshCount;
    if (meshInRange) {
      out.name = cleanName(model.meshes[node.mesh].name, sizeof model.meshes[node.mesh].name);
      if (out.name.empty()) out.name = "mesh" + std::to_string(node.mesh);
      if (!scene.meshes[static_cast<size_t>(node.mesh)].primitives.empty()) out.mesh = node.mesh;
    } else {
      out.name = "node" + std::to_string(i);
    }
    mapAxes(node.pivot, out.pivot);
    const Vec3& offset = chains.offsets[static_cast<size_t>(i)];
    if (chains.kind[static_cast<size_t>(i)] != kNodeInTree) {
      // A root placed where the drawing places it: every node of a loop, and
      // a node below the depth limit.
      out.translation[0] = finite(offset.x);
      out.translation[1] = finite(offset.y);
      out.translation[2] = finite(offset.z);
    } else {
      if (node.parent >= 0 && node.parent < model.nodeCount) out.parent = node.parent;
      mapAxes(node.position, out.translation);
    }
    out.placement[0] = finite(offset.x + out.pivot[0]);
    out.placement[1] = finite(offset.y + out.pivot[1]);
    out.placement[2] = finite(offset.z + out.pivot[2]);
  }
}

// Only the materials some triangle wears are written, and only their images.
void keepUsedMaterials(ExportScene& scene) {
  std::vector<int32_t> materialNumber(scene.materials.size(), -1);
  for (const ExportMesh& mesh : scene.meshes) {
    for (const ExportPrimitive& primitive : mesh.primitives) {
      materialNumber[static_cast<size_t>(primitive.material)] = 0;
    }
  }
  std::vector<ExportMaterial> materials;
  std::vector<int32_t> imageNumber(scene.images.size(), -1);
  std::vector<ExportImage> images;
  for (size_t i = 0; i < scene.materials.size(); ++i) {
    if (materialNumber[i] < 0) continue;
    materialNumber[i] = static_cast<int32_t>(materials.size());
    ExportMaterial material = scene.materials[i];
    if (material.image >= 0) {
      int32_t& number = imageNumber[static_cast<size_t>(material.image)];
      if (number < 0) {
        number = static_cast<int32_t>(images.size());
        images.push_back(std::move(scene.images[static_cast<size_t>(material.image)]));
      }
      material.image = number;
    }
    materials.push_back(std::move(material));
  }
  scene.materials = std::move(materials);
  scene.images = std::move(images);
  for (ExportMesh& mesh : scene.meshes) {
    for (ExportPrimitive& primitive : mesh.primitives) {
      primitive.material = materialNumber[static_cast<size_t>(primitive.material)];
    }
  }
}

}  // namespace

void buildExportScene(const Model& model, const std::vector<TextureUpload>& textures,
                      const ImageData& checker, const std::string& outputStem, ExportScene& scene) {
  scene = ExportScene();
  MaterialIndex index;
  buildImagesAndMaterials(model, textures, checker, outputStem, scene, index);
  // Only meshes that a node shows are drawn, so only those are gathered.
  std::vector<uint8_t> shown(static_cast<size_t>(model.meshCount > 0 ? model.meshCount : 0), 0);
  for (int32_t i = 0; model.nodes && i < model.nodeCount; ++i) {
    const int32_t mesh = model.nodes[i].mesh;
    if (mesh >= 0 && mesh < model.meshCount) shown[static_cast<size_t>(mesh)] = 1;
  }
  scene.meshes.resize(shown.size());
  for (size_t m = 0; m < shown.size() && model.meshes; ++m) {
    ExportMesh& mesh = scene.meshes[m];
    mesh.name = cleanName(model.meshes[m].name, sizeof model.meshes[m].name);
    if (mesh.name.empty()) mesh.name = "mesh" + std::to_string(m);
    if (shown[m]) buildMesh(model, model.meshes[m], scene, index, mesh);
  }
  keepUsedMaterials(scene);
  fillPixels(scene);
  buildNodes(model, scene);
}
