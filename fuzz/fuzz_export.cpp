// Fuzz target of the export (interchange/): one input is a model input as in
// fuzz_model (model_input.h), read as `vistrel-tool export` reads it, with no
// GL (readToolModel in a single run, the checker's pixels for failed MAT
// files, or none for odd-sized inputs), gathered with buildExportScene and
// written as .glb, .gltf and .obj into a scratch folder, then read back.
//
// The scene must hold together (indices in range, a node tree without
// cycles, finite numbers), the .gltf and the .glb's JSON must parse with
// every index in range (nodes, meshes, accessors, buffer views within their
// buffer, materials, textures, images, every value of an index accessor below
// its POSITION count), the .glb must load with tinygltf (its PNGs decoded),
// and every OBJ face must name elements defined before it and every usemtl a
// material of the MTL.
#include <tiny_gltf.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "interchange/export_scene.h"
#include "runner/session.h"

using Json = nlohmann::json;

namespace {

constexpr char kStem[] = "out";
ToolSession withChecker;  // the checker's pixels, as openReadingSession leaves them
ToolSession noChecker;    // as when systemtex/checker.tga is missing
std::string outFolder;

std::string readWhole(const std::string& path) {
  std::string bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) fuzzFail("a written file cannot be read back");
  char chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  std::fclose(file);
  return bytes;
}

bool finite3(const float v[3]) {
  return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// ---- The scene record ----------------------------------------------------

void checkScene(const Model& model, const ExportScene& scene) {
  std::unordered_set<std::string> stems;
  for (const ExportImage& image : scene.images) {
    if (image.picture || image.width <= 0 || image.height <= 0 ||
        image.rgba.size() != static_cast<size_t>(image.width) * image.height * 4) {
      fuzzFail("a scene image without its pixels");
    }
    if (image.fileStem.empty() || !stems.insert(image.fileStem).second) {
      fuzzFail("two scene images share a file name");
    }
  }
  for (const ExportMaterial& material : scene.materials) {
    if (material.image < -1 || material.image >= static_cast<int32_t>(scene.images.size())) {
      fuzzFail("a scene material's image is out of range");
    }
  }
  if (scene.meshes.size() != static_cast<size_t>(model.meshes ? model.meshCount : 0)) {
    fuzzFail("the scene's meshes are not the model's");
  }
  for (const ExportMesh& mesh : scene.meshes) {
    for (const ExportPrimitive& primitive : mesh.primitives) {
      if (primitive.material < 0 ||
          primitive.material >= static_cast<int32_t>(scene.materials.size())) {
        fuzzFail("a primitive's material is out of range");
      }
      if (primitive.vertices.empty() || primitive.indices.empty() ||
          primitive.indices.size() % 3 != 0) {
        fuzzFail("a primitive without whole triangles");
      }
      for (uint32_t index : primitive.indices) {
        if (index >= primitive.vertices.size()) fuzzFail("a primitive index is out of range");
      }
      for (const ExportVertex& vertex : primitive.vertices) {
        if (!finite3(vertex.position) || !finite3(vertex.normal) ||
            !std::isfinite(vertex.texCoord[0]) || !std::isfinite(vertex.texCoord[1])) {
          fuzzFail("a scene vertex is not finite");
        }
      }
    }
  }
  const size_t count = scene.nodes.size();
  if (count != static_cast<size_t>(model.nodes ? model.nodeCount : 0)) {
    fuzzFail("the scene's nodes are not the model's");
  }
  for (const ExportNode& node : scene.nodes) {
    if (node.parent < -1 || node.parent >= static_cast<int32_t>(count)) {
      fuzzFail("a node's parent is out of range");
    }
    if (node.mesh < -1 || node.mesh >= static_cast<int32_t>(scene.meshes.size()) ||
        (node.mesh >= 0 && scene.meshes[static_cast<size_t>(node.mesh)].primitives.empty())) {
      fuzzFail("a node shows a mesh that is out of range or empty");
    }
    if (!finite3(node.translation) || !finite3(node.pivot) || !finite3(node.placement)) {
      fuzzFail("a node's numbers are not finite");
    }
  }
  // Each chain is followed up to a node already known to reach a root: a
  // node met twice on one walk is on a cycle.
  std::vector<uint8_t> state(count, 0);  // 0 unknown, 1 on this walk, 2 reaches a root
  std::vector<size_t> walk;
  for (size_t i = 0; i < count; ++i) {
    walk.clear();
    int32_t at = static_cast<int32_t>(i);
    while (at >= 0 && state[static_cast<size_t>(at)] == 0) {
      state[static_cast<size_t>(at)] = 1;
      walk.push_back(static_cast<size_t>(at));
      at = scene.nodes[static_cast<size_t>(at)].parent;
    }
    if (at >= 0 && state[static_cast<size_t>(at)] == 1) fuzzFail("the scene's nodes hold a cycle");
    for (size_t node : walk) state[node] = 2;
  }
}

// ---- glTF ----------------------------------------------------------------

const Json& arrayOf(const Json& gltf, const char* key) {
  static const Json empty = Json::array();
  if (!gltf.contains(key)) return empty;
  if (!gltf[key].is_array()) fuzzFail("a glTF top-level entry is not an array");
  return gltf[key];
}

// The index at key of object, which must lie in [0, count); -1 when absent.
int64_t indexAt(const Json& object, const char* key, size_t count, const char* what) {
  if (!object.is_object() || !object.contains(key)) return -1;
  const Json& value = object[key];
  if (!value.is_number_integer() || value.get<int64_t>() < 0 || value.get<uint64_t>() >= count) {
    fuzzFail(what);
  }
  return value.get<int64_t>();
}

uint64_t sizeAt(const Json& object, const char* key) {
  if (!object.contains(key)) return 0;
  if (!object[key].is_number_unsigned()) fuzzFail("a glTF size is not a count");
  return object[key].get<uint64_t>();
}

size_t componentsOf(const std::string& type) {
  if (type == "SCALAR") return 1;
  if (type == "VEC2") return 2;
  if (type == "VEC3") return 3;
  if (type == "VEC4") return 4;
  fuzzFail("an accessor of an unknown type");
}

// The accessor's elements as read from the buffer: float components, or
// unsigned 32-bit indices (the only two kinds the writer makes).
struct AccessorData {
  size_t count = 0;
  bool floats = false;
  std::vector<float> values;      // count x components, when floats
  std::vector<uint32_t> indices;  // count, when not
};

AccessorData readAccessor(const Json& gltf, const std::string& bin, size_t index) {
  const Json& accessor = arrayOf(gltf, "accessors")[index];
  const Json& view = arrayOf(gltf, "bufferViews")[static_cast<size_t>(
      indexAt(accessor, "bufferView", arrayOf(gltf, "bufferViews").size(), "no view"))];
  AccessorData data;
  data.count = sizeAt(accessor, "count");
  const int64_t componentType = accessor.value("componentType", 0);
  data.floats = componentType == TINYGLTF_COMPONENT_TYPE_FLOAT;
  if (!data.floats && componentType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT) {
    fuzzFail("an accessor of an unexpected component type");
  }
  const size_t components = componentsOf(accessor.value("type", std::string()));
  const uint64_t start = sizeAt(view, "byteOffset") + sizeAt(accessor, "byteOffset");
  const uint64_t bytes = data.count * components * 4;
  if (data.count == 0 || sizeAt(accessor, "byteOffset") + bytes > sizeAt(view, "byteLength")) {
    fuzzFail("an accessor is empty or reaches past its buffer view");
  }
  if (data.floats) {
    data.values.resize(data.count * components);
    std::memcpy(data.values.data(), bin.data() + start, bytes);
  } else {
    if (components != 1) fuzzFail("an index accessor that is not scalar");
    data.indices.resize(data.count);
    std::memcpy(data.indices.data(), bin.data() + start, bytes);
  }
  return data;
}

void checkGltfJson(const std::string& text, const std::string& bin, bool binary,
                   const std::unordered_set<std::string>& files) {
  const Json gltf = Json::parse(text, nullptr, false);
  if (gltf.is_discarded() || !gltf.is_object()) fuzzFail("the glTF JSON does not parse");
  const Json& buffers = arrayOf(gltf, "buffers");
  const Json& views = arrayOf(gltf, "bufferViews");
  const Json& accessors = arrayOf(gltf, "accessors");
  const Json& meshes = arrayOf(gltf, "meshes");
  const Json& nodes = arrayOf(gltf, "nodes");
  const Json& images = arrayOf(gltf, "images");
  const Json& textures = arrayOf(gltf, "textures");
  const Json& materials = arrayOf(gltf, "materials");
  if (buffers.size() > 1) fuzzFail("more than one glTF buffer");
  if (!buffers.empty()) {
    const Json& buffer = buffers[0];
    const uint64_t length = sizeAt(buffer, "byteLength");
    if (binary ? buffer.contains("uri") || length > bin.size()
               : buffer.value("uri", std::string()) != std::string(kStem) + ".bin" ||
                     length != bin.size()) {
      fuzzFail("the glTF buffer is not the file that holds it");
    }
  }
  for (const Json& view : views) {
    indexAt(view, "buffer", buffers.size(), "a buffer view's buffer is out of range");
    if (!view.contains("buffer") || sizeAt(view, "byteOffset") + sizeAt(view, "byteLength") >
                                        sizeAt(buffers[0], "byteLength")) {
      fuzzFail("a buffer view reaches past its buffer");
    }
  }
  for (size_t i = 0; i < accessors.size(); ++i) {
    indexAt(accessors[i], "bufferView", views.size(), "an accessor's view is out of range");
    const AccessorData data = readAccessor(gltf, bin, i);
    for (float value : data.values) {
      if (!std::isfinite(value)) fuzzFail("an accessor holds a number that is not finite");
    }
  }
  for (const Json& mesh : meshes) {
    if (!mesh.contains("primitives") || !mesh["primitives"].is_array() ||
        mesh["primitives"].empty()) {
      fuzzFail("a glTF mesh without primitives");
    }
    for (const Json& primitive : mesh["primitives"]) {
      indexAt(primitive, "material", materials.size(), "a primitive's material is out of range");
      if (!primitive.contains("attributes") || !primitive["attributes"].is_object()) {
        fuzzFail("a primitive without attributes");
      }
      const int64_t position = indexAt(primitive["attributes"], "POSITION", accessors.size(),
                                       "a POSITION accessor is out of range");
      if (position < 0) fuzzFail("a primitive without POSITION");
      const AccessorData positions = readAccessor(gltf, bin, static_cast<size_t>(position));
      const Json& bounds = accessors[static_cast<size_t>(position)];
      if (!bounds.contains("min") || !bounds.contains("max") || !bounds["min"].is_array() ||
          !bounds["max"].is_array() || bounds["min"].size() != 3 || bounds["max"].size() != 3) {
        fuzzFail("POSITION without its bounds");
      }
      for (size_t v = 0; v < positions.values.size(); ++v) {
        const double value = positions.values[v];
        if (value < bounds["min"][v % 3].get<double>() ||
            value > bounds["max"][v % 3].get<double>()) {
          fuzzFail("a position lies outside its accessor's bounds");
        }
      }
      for (const auto& attribute : primitive["attributes"].items()) {
        const int64_t accessor = indexAt(primitive["attributes"], attribute.key().c_str(),
                                         accessors.size(), "an attribute is out of range");
        if (sizeAt(accessors[static_cast<size_t>(accessor)], "count") != positions.count) {
          fuzzFail("the attributes of a primitive differ in count");
        }
      }
      const int64_t indices =
          indexAt(primitive, "indices", accessors.size(), "an index accessor is out of range");
      if (indices < 0) fuzzFail("a primitive without indices");
      const AccessorData corners = readAccessor(gltf, bin, static_cast<size_t>(indices));
      if (corners.floats || corners.count % 3 != 0) fuzzFail("indices that are not triangles");
      for (uint32_t corner : corners.indices) {
        if (corner >= positions.count) fuzzFail("an index is not below the POSITION count");
      }
    }
  }
  for (const Json& material : materials) {
    if (material.contains("pbrMetallicRoughness")) {
      const Json& pbr = material["pbrMetallicRoughness"];
      if (pbr.contains("baseColorTexture")) {
        if (indexAt(pbr["baseColorTexture"], "index", textures.size(),
                    "a material's texture is out of range") < 0) {
          fuzzFail("a base colour texture without its index");
        }
      }
    }
  }
  for (const Json& texture : textures) {
    if (indexAt(texture, "source", images.size(), "a texture's source is out of range") < 0) {
      fuzzFail("a texture without its image");
    }
    indexAt(texture, "sampler", arrayOf(gltf, "samplers").size(), "a sampler is out of range");
  }
  for (const Json& image : images) {
    if (binary) {
      if (indexAt(image, "bufferView", views.size(), "an image's view is out of range") < 0) {
        fuzzFail("an image of the .glb outside its buffer");
      }
    } else if (!files.count(image.value("uri", std::string()))) {
      fuzzFail("an image of the .gltf names no file written");
    }
  }
  // The nodes form a tree from the scene's roots: each reached exactly once.
  std::vector<uint8_t> reached(nodes.size(), 0);
  std::vector<size_t> pending;
  const Json& scenes = arrayOf(gltf, "scenes");
  const int64_t scene = indexAt(gltf, "scene", scenes.size(), "the default scene is out of range");
  if (scene < 0) fuzzFail("no default scene");
  for (const Json& root : scenes[static_cast<size_t>(scene)].value("nodes", Json::array())) {
    if (!root.is_number_unsigned() || root.get<uint64_t>() >= nodes.size()) {
      fuzzFail("a scene's root is out of range");
    }
    pending.push_back(root.get<size_t>());
  }
  while (!pending.empty()) {
    const size_t node = pending.back();
    pending.pop_back();
    if (reached[node]++) fuzzFail("a glTF node is reached twice (two parents or a cycle)");
    indexAt(nodes[node], "mesh", meshes.size(), "a node's mesh is out of range");
    for (const Json& child : nodes[node].value("children", Json::array())) {
      if (!child.is_number_unsigned() || child.get<uint64_t>() >= nodes.size()) {
        fuzzFail("a node's child is out of range");
      }
      pending.push_back(child.get<size_t>());
    }
  }
  for (uint8_t count : reached) {
    if (count != 1) fuzzFail("a glTF node is not in the scene's tree");
  }
}

uint32_t word(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

void checkGlb(const std::string& glb) {
  if (glb.size() < 20 || glb.compare(0, 4, "glTF") != 0 || word(glb, 4) != 2 ||
      word(glb, 8) != glb.size() || word(glb, 16) != 0x4E4F534Au) {
    fuzzFail("the .glb's header or JSON chunk is broken");
  }
  const size_t jsonLength = word(glb, 12);
  if (jsonLength > glb.size() - 20 || jsonLength % 4 != 0) fuzzFail("the .glb's JSON is cut");
  std::string bin;
  const size_t binAt = 20 + jsonLength;
  if (binAt < glb.size()) {
    if (glb.size() - binAt < 8 || word(glb, binAt + 4) != 0x004E4942u ||
        word(glb, binAt) != glb.size() - binAt - 8) {
      fuzzFail("the .glb's BIN chunk is broken");
    }
    bin = glb.substr(binAt + 8);
  }
  checkGltfJson(glb.substr(20, jsonLength), bin, true, {});
  tinygltf::TinyGLTF loader;
  tinygltf::Model loaded;
  std::string error;
  std::string warning;
  if (!loader.LoadBinaryFromMemory(&loaded, &error, &warning,
                                   reinterpret_cast<const unsigned char*>(glb.data()),
                                   static_cast<unsigned int>(glb.size()))) {
    std::fprintf(stderr, "tinygltf: %s\n", error.c_str());
    fuzzFail("tinygltf does not load the .glb");
  }
}

// ---- OBJ -----------------------------------------------------------------

// The number of the element a face corner names, which must be defined.
void checkCorner(const char*& at, int64_t defined, const char* what) {
  char* end = nullptr;
  const long long n = std::strtoll(at, &end, 10);
  if (end == at || n < 1 || n > defined) fuzzFail(what);
  at = end;
}

void checkObj(const std::string& obj, const std::string& mtl,
              const std::unordered_set<std::string>& files) {
  std::unordered_set<std::string> materials;
  std::istringstream mtlLines(mtl);
  std::string line;
  while (std::getline(mtlLines, line)) {
    if (line.compare(0, 7, "newmtl ") == 0) materials.insert(line.substr(7));
    if (line.compare(0, 7, "map_Kd ") == 0 && !files.count(line.substr(7))) {
      fuzzFail("an MTL texture names no file written");
    }
  }
  int64_t positions = 0;
  int64_t texCoords = 0;
  int64_t normals = 0;
  std::istringstream objLines(obj);
  while (std::getline(objLines, line)) {
    const std::string kind = line.substr(0, line.find(' '));
    if (kind == "v" || kind == "vt" || kind == "vn") {
      (kind == "v" ? positions : kind == "vt" ? texCoords : normals) += 1;
      const char* at = line.c_str() + kind.size();
      int numbers = 0;
      for (;;) {
        char* end = nullptr;
        const double value = std::strtod(at, &end);
        if (end == at) break;
        if (!std::isfinite(value)) fuzzFail("an OBJ number is not finite");
        at = end;
        ++numbers;
      }
      if (numbers != (kind == "vt" ? 2 : 3) || *at != '\0') fuzzFail("a broken OBJ element line");
    } else if (kind == "f") {
      const char* at = line.c_str() + 1;
      for (int corner = 0; corner < 3; ++corner) {
        if (*at++ != ' ') fuzzFail("an OBJ face without three corners");
        checkCorner(at, positions, "an OBJ face names a position not yet defined");
        if (*at++ != '/') fuzzFail("an OBJ face corner without its normal");
        if (*at != '/') {
          checkCorner(at, texCoords, "an OBJ face names a texture coordinate not yet defined");
        }
        if (*at++ != '/') fuzzFail("an OBJ face corner without its normal");
        checkCorner(at, normals, "an OBJ face names a normal not yet defined");
      }
      if (*at != '\0') fuzzFail("an OBJ face with more than three corners");
    } else if (kind == "usemtl") {
      if (!materials.count(line.substr(7))) fuzzFail("a usemtl names no material of the MTL");
    } else if (kind == "mtllib") {
      if (line != std::string("mtllib ") + kStem + ".mtl") fuzzFail("mtllib names another file");
    } else if (!line.empty() && kind != "o" && kind != "#") {
      fuzzFail("an OBJ line of an unknown kind");
    }
  }
}

// ---- Writing and reading back -------------------------------------------

std::unordered_set<std::string> namesOf(const std::vector<std::string>& written) {
  return std::unordered_set<std::string>(written.begin(), written.end());
}

void removeWritten(const std::vector<std::string>& written) {
  for (const std::string& name : written) std::remove((outFolder + "/" + name).c_str());
}

void writeAndCheck(const ExportScene& scene) {
  const std::string stem = kStem;
  for (const bool binary : {true, false}) {
    std::vector<std::string> written;
    ExportCounts counts;
    ExportMessages messages;
    const std::string name = stem + (binary ? ".glb" : ".gltf");
    if (!writeGltf(scene, outFolder, stem, name, binary, written, counts, messages)) {
      std::fprintf(stderr, "export: %s\n", messages.failure.c_str());
      fuzzFail("writeGltf failed in the scratch folder");
    }
    const std::string main = readWhole(outFolder + "/" + name);
    if (binary) {
      checkGlb(main);
    } else {
      const std::unordered_set<std::string> files = namesOf(written);
      const std::string bin =
          files.count(stem + ".bin") ? readWhole(outFolder + "/" + stem + ".bin") : std::string();
      checkGltfJson(main, bin, false, files);
    }
    removeWritten(written);
  }
  std::vector<std::string> written;
  ExportCounts counts;
  ExportMessages messages;
  if (!writeObj(scene, outFolder, stem, stem + ".obj", written, counts, messages)) {
    std::fprintf(stderr, "export: %s\n", messages.failure.c_str());
    fuzzFail("writeObj failed in the scratch folder");
  }
  checkObj(readWhole(outFolder + "/" + stem + ".obj"), readWhole(outFolder + "/" + stem + ".mtl"),
           namesOf(written));
  removeWritten(written);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The reading session's images come from the source tree's systemtex
  // folder, as the tool reads them from its data folder.
  headlessSetEchoBoxes(false);
  fuzzInSourceTree([] { readFixedImages(withChecker.textures); });
  if (!withChecker.textures.checkerTexture.pixels) fuzzFail("no checker image");
  fuzzEnterScratchFolder();
  std::error_code error;
  outFolder = (std::filesystem::current_path(error) / "out").string();
  if (error || !std::filesystem::create_directory(outFolder, error)) fuzzFail("no output folder");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzWriteModelInput(data, size);
  const ToolSession& session = size % 2 == 0 ? withChecker : noChecker;
  ExportScene scene;
  BatchSteps steps;
  steps.read = [&](const BatchModel& model, BatchRead& read) {
    readToolModel("export", session, model, read, ReadOptions{false, nullptr});
  };
  steps.make = [&](const BatchModel&, BatchRead& read) {
    buildExportScene(read.model, read.uploads, session.textures.checkerTexture, kStem, scene);
    checkScene(read.model, scene);
    return true;
  };
  const bool gathered =
      runSingle("export", planSingle("model.3do", outFolder + "/out.glb"), steps) == 0;
  fuzzClearBoxes();
  if (gathered) writeAndCheck(scene);
  return 0;
}
