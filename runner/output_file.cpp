// writeOutputFile: a single staged file (see output_file.h).
#include "runner/output_file.h"

#include <cerrno>
#include <filesystem>

#include "platform/files.h"

bool writeOutputFile(const std::string& path, const std::function<bool(FILE*)>& write,
                     OutputFailure& failure, int& errorNumber) {
  const std::filesystem::path target = std::filesystem::u8path(path);
  const std::string name = target.filename().u8string();
  failure = OutputFailure::kNone;
  errorNumber = 0;
  StagedFiles staged;
  if (!beginStagedFiles(staged, target.parent_path().u8string(), name)) {
    errorNumber = errno;
    failure = OutputFailure::kStaging;
    return false;
  }
  FILE* file = platformOpenFile(stageFile(staged, name), "wb");
  bool written = false;
  if (file) {
    try {
      written = write(file);
    } catch (...) {
      std::fclose(file);
      discardStagedFiles(staged);
      throw;
    }
    if (std::fclose(file) != 0) written = false;
  }
  if (!written) {
    discardStagedFiles(staged);
    failure = OutputFailure::kWrite;
    return false;
  }
  if (!commitStagedFiles(staged)) {
    errorNumber = errno;
    failure = OutputFailure::kRename;
    return false;
  }
  return true;
}
