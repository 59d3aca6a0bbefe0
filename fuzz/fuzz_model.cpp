// Fuzz target of the 3DO reader: one input is a model text followed by up to
// three MAT files (separated by kMatSeparator), loaded through the reader's
// fast block-buffered reading (loadModelWithReport, what loadModel does) and
// through its stdio reference reading (loadModelReference), with a current
// offscreen GL context, exactly as the viewer loads a model. Both must give
// the same result, report, message boxes and model, bit for bit; after every
// load, good or failed, each count must fit its array and the model must
// release cleanly.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "model/model_reader.h"
#include "platform/headless/headless.h"
#include "tests/reference/reference_reader.h"

namespace {

template <typename T>
bool sameRecords(const T* a, const T* b, int32_t count) {
  return count <= 0 || std::memcmp(a, b, sizeof(T) * static_cast<size_t>(count)) == 0;
}

void compareModels(const Model& a, const Model& b) {
  if (std::memcmp(&a.radius, &b.radius, sizeof a.radius) != 0 ||
      std::memcmp(&a.insertOffset, &b.insertOffset, sizeof a.insertOffset) != 0) {
    fuzzFail("radius or offset differ between fast and reference reading");
  }
  if (a.materialCount != b.materialCount || a.meshCount != b.meshCount ||
      a.nodeCount != b.nodeCount) {
    fuzzFail("counts differ between fast and reference reading");
  }
  for (int32_t i = 0; i < a.materialCount; ++i) {
    const Material& ma = a.materials[i];
    const Material& mb = b.materials[i];
    if (std::strcmp(a.materialNames[i], b.materialNames[i]) != 0 || ma.width != mb.width ||
        ma.height != mb.height ||
        (ma.textureName == a.fallbackTexture) != (mb.textureName == b.fallbackTexture)) {
      fuzzFail("materials differ between fast and reference reading");
    }
  }
  for (int32_t i = 0; i < a.meshCount; ++i) {
    const Mesh& ma = a.meshes[i];
    const Mesh& mb = b.meshes[i];
    if (std::strcmp(ma.name, mb.name) != 0 ||
        std::memcmp(&ma.radius, &mb.radius, sizeof ma.radius) != 0 ||
        ma.vertexCount != mb.vertexCount || ma.texVertexCount != mb.texVertexCount ||
        ma.faceCount != mb.faceCount || ma.extraTriangleCount != mb.extraTriangleCount ||
        !sameRecords(ma.vertices, mb.vertices, ma.vertexCount) ||
        !sameRecords(ma.texVertices, mb.texVertices, ma.texVertexCount) ||
        !sameRecords(ma.faces, mb.faces, ma.faceCount) ||
        !sameRecords(ma.extraTriangles, mb.extraTriangles, ma.extraTriangleCount)) {
      fuzzFail("meshes differ between fast and reference reading");
    }
  }
  if (!sameRecords(a.nodes, b.nodes, a.nodeCount)) {
    fuzzFail("hierarchy nodes differ between fast and reference reading");
  }
}

std::vector<std::string> takeBoxes() {
  std::vector<std::string> lines;
  for (const CapturedBox& box : headlessCapturedBoxes()) {
    lines.push_back(headlessBoxLine(box.caption.c_str(), box.text.c_str()));
  }
  fuzzClearBoxes();
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzEnterScratchFolder();
  fuzzCreateGl(32, 32);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzWriteModelInput(data, size);
  Model fast;
  Model reference;
  fuzzSetFallbackTexture(fast);
  fuzzSetFallbackTexture(reference);
  std::string fastReport;
  std::string referenceReport;
  fuzzClearBoxes();
  const bool fastLoaded = loadModelWithReport(fast, "model.3do", &fastReport);
  const std::vector<std::string> fastBoxes = takeBoxes();
  const bool referenceLoaded = loadModelReference(reference, "model.3do", &referenceReport);
  const std::vector<std::string> referenceBoxes = takeBoxes();
  if (fastLoaded != referenceLoaded) fuzzFail("results differ between fast and reference reading");
  if (fastReport != referenceReport) fuzzFail("reports differ between fast and reference reading");
  if (fastBoxes != referenceBoxes) fuzzFail("boxes differ between fast and reference reading");
  fuzzCheckModelArrays(fast);
  fuzzCheckModelArrays(reference);
  compareModels(fast, reference);
  fuzzReleaseModel(fast);
  fuzzReleaseModel(reference);
  return 0;
}
