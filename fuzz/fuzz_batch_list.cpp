// Fuzz target of the batches' model lists (runner/batch.h): the input is a
// list file, read by readModelLists and planned by planBatch into an output
// folder with the extension ".tga", as `vistrel-tool render --from LIST -o
// FOLDER/` plans it. The models must be the list's lines exactly as its
// rule has them (split at LF, one CR before the LF dropped, empty lines
// skipped), and the outputs must be distinct letter case aside, each directly
// in the output folder with the extension, and none another model's own name.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "runner/batch.h"

namespace fs = std::filesystem;

namespace {

constexpr char kExtension[] = ".tga";
std::string outputFolder;

std::string lowered(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The list's rule, written out on its own.
std::vector<std::string> expectedModels(const std::string& list) {
  std::vector<std::string> models;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find('\n', start);
    if (end == std::string::npos) end = list.size();
    std::string line = list.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) models.push_back(line);
    start = end + 1;
  }
  return models;
}

// The name a model has as its own: its file name's stem with the extension.
std::string ownName(const BatchModel& model) {
  const std::string stem = model.path.empty() ? "" : fs::path(model.path).stem().string();
  return lowered((stem.empty() ? "model" : stem) + kExtension);
}

void checkPlan(const std::vector<std::string>& models, const std::vector<BatchModel>& planned) {
  if (planned.size() != models.size()) fuzzFail("planBatch lost or added models");
  std::unordered_map<std::string, size_t> firstOwner;
  for (size_t i = 0; i < planned.size(); ++i) firstOwner.emplace(ownName(planned[i]), i);
  std::unordered_set<std::string> outputs;
  for (size_t i = 0; i < planned.size(); ++i) {
    const BatchModel& model = planned[i];
    if (model.given != models[i]) fuzzFail("planBatch changed a model as given");
    if (!model.path.empty() && !fs::path(model.path).is_absolute()) {
      fuzzFail("a planned model path is not absolute");
    }
    const std::string prefix = outputFolder + "/";
    if (model.output.compare(0, prefix.size(), prefix) != 0) {
      fuzzFail("an output lies outside the output folder");
    }
    const std::string name = model.output.substr(prefix.size());
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
      fuzzFail("an output does not lie directly in the output folder");
    }
    if (name.size() < sizeof kExtension ||
        name.compare(name.size() - (sizeof kExtension - 1), std::string::npos, kExtension) != 0) {
      fuzzFail("an output does not end in the extension");
    }
    const std::string key = lowered(name);
    if (!outputs.insert(key).second) fuzzFail("two outputs have one name, letter case aside");
    // A name that is some model's own belongs to the first model that has it.
    const auto owner = firstOwner.find(key);
    if (owner != firstOwner.end() && owner->second != i) {
      fuzzFail("an output takes the own name of another model");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzEnterScratchFolder();
  std::error_code error;
  fs::create_directory("out", error);
  outputFolder = fs::absolute("out", error).lexically_normal().string();
  if (error || outputFolder.empty()) fuzzFail("no output folder");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzWriteFile("list.txt", data, size);
  std::vector<std::string> models;
  if (!readModelLists("fuzz", {"list.txt"}, models)) fuzzFail("a list file could not be read");
  const std::string list(reinterpret_cast<const char*>(data), size);
  if (models != expectedModels(list)) fuzzFail("the models differ from the list's lines");
  for (const std::string& model : models) {
    if (model.empty() || model.find('\n') != std::string::npos) {
      fuzzFail("a model path is empty or holds a line feed");
    }
  }
  checkPlan(models, planBatch(models, outputFolder, kExtension));
  return 0;
}
