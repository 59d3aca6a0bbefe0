// Differential fuzz target of the 3DO reader: every input (a model text and
// up to three MAT files, fuzz/model_input.h) is loaded twice, once through
// the fast block-buffer reading (loadModel's) and once through the plain
// stdio reading kept as the reference; the result, the report, the message
// boxes and every field of the Model must be the same. Seeds: the model
// corpus (fuzz/corpus/model).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "model/model_reader.h"
#include "platform/headless/headless.h"
#include "tests/model/model_compare.h"

namespace {

std::vector<std::string> takeBoxes() {
  std::vector<std::string> lines;
  for (const CapturedBox& box : headlessCapturedBoxes()) {
    lines.push_back(box.caption + ": " + box.text + " / " + std::to_string(box.style));
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
  fuzzClearBoxes();

  Model reference;
  fuzzSetFallbackTexture(reference);
  std::string referenceReport;
  const bool referenceLoaded = loadModelReference(reference, "model.3do", &referenceReport);
  const std::vector<std::string> referenceBoxes = takeBoxes();

  Model fast;
  fuzzSetFallbackTexture(fast);
  std::string fastReport;
  const bool fastLoaded = loadModelWithReport(fast, "model.3do", &fastReport);
  const std::vector<std::string> fastBoxes = takeBoxes();

  if (fastLoaded != referenceLoaded) fuzzFail("the two readings disagree on success");
  if (fastReport != referenceReport) fuzzFail("the two readings wrote different reports");
  if (fastBoxes != referenceBoxes) fuzzFail("the two readings showed different boxes");
  const std::string difference = compareModels(fast, reference);
  if (!difference.empty()) fuzzFail(("the two readings differ: " + difference).c_str());

  fuzzCheckModelArrays(fast);
  fuzzReleaseModel(reference);
  fuzzReleaseModel(fast);
  return 0;
}
