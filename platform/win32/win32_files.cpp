// Staged files and the terminal test on Windows (platform/files.h): the
// private folder gets a name from the process id and a counter, made with
// CreateDirectoryA until one is free; MoveFileExA replaces an existing
// target, which the C library's rename refuses on Windows.
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/files.h"

bool beginStagedFiles(StagedFiles& staged, const std::string& folder, const std::string& target) {
  staged = StagedFiles();
  staged.folder = folder;
  static unsigned counter = 0;
  const unsigned long process = GetCurrentProcessId();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, "%lu-%u", process, counter++);
    const std::string path = folder + "/." + target + ".part-" + suffix;
    if (CreateDirectoryA(path.c_str(), nullptr)) {
      staged.staging = path;
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

std::string stageFile(StagedFiles& staged, const std::string& name) {
  staged.names.push_back(name);
  return staged.staging + "/" + name;
}

bool commitStagedFiles(StagedFiles& staged) {
  bool complete = !staged.staging.empty();
  for (size_t i = 0; complete && i < staged.names.size(); ++i) {
    const std::string from = staged.staging + "/" + staged.names[i];
    const std::string to = staged.folder + "/" + staged.names[i];
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) complete = false;
  }
  discardStagedFiles(staged);
  return complete;
}

void discardStagedFiles(StagedFiles& staged) {
  if (staged.staging.empty()) return;
  for (const std::string& name : staged.names) {
    DeleteFileA((staged.staging + "/" + name).c_str());
  }
  RemoveDirectoryA(staged.staging.c_str());
  staged.staging.clear();
  staged.names.clear();
}

bool platformStderrIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}
