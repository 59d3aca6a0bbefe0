// Fuzz target of the 3DO reader: one input is a model text followed by up to
// three MAT files (separated by kMatSeparator), loaded through loadModel with
// a current offscreen GL context, exactly as the viewer loads a model. After
// every load, good or failed, each count must fit its array and the model
// must release cleanly.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "model/model_reader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzEnterScratchFolder();
  fuzzCreateGl(32, 32);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzWriteModelInput(data, size);
  Model model;
  fuzzSetFallbackTexture(model);
  loadModel(model, "model.3do");
  fuzzCheckModelArrays(model);
  fuzzReleaseModel(model);
  fuzzClearBoxes();
  return 0;
}
