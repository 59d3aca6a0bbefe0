// The layout of the model inputs of fuzz_model and fuzz_draw, shared with the
// test that replays the seeds and findings: a model text, then up to three
// MAT files, each part behind the separator "@@MAT@@". The model is written
// as "model.3do" and the MAT files as "0.mat", "1.mat" and "2.mat", the
// names the seed models give their materials.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

constexpr const char kMatSeparator[] = "@@MAT@@";
constexpr int kMaxMatFiles = 3;
constexpr const char* kModelInputNames[kMaxMatFiles + 1] = {"model.3do", "0.mat", "1.mat", "2.mat"};

// The parts of one input: the model text first, then at most kMaxMatFiles MAT
// files (anything behind a further separator belongs to the last one).
inline std::vector<std::string> splitModelInput(const char* data, size_t size) {
  std::vector<std::string> parts;
  const std::string input(data, size);
  const std::string separator(kMatSeparator);
  size_t start = 0;
  while (static_cast<int>(parts.size()) < kMaxMatFiles) {
    const size_t found = input.find(separator, start);
    if (found == std::string::npos) break;
    parts.push_back(input.substr(start, found - start));
    start = found + separator.size();
  }
  parts.push_back(input.substr(start));
  return parts;
}
