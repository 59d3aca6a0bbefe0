// Paths, staged files and the terminal test on POSIX systems
// (platform/files.h). Paths are the file system's bytes, UTF-8 by convention,
// so they are opened and passed on as they are.
// The path of the single file being staged is kept in a fixed buffer, so
// that the stop handler of platform/run_limits.h can remove it and its folder
// with async-signal-safe calls alone (posixRemoveStagedFile).
#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/posix/posix_port.h"

namespace {

char gStagedFile[PATH_MAX];
char gStagedFolder[PATH_MAX];
volatile sig_atomic_t gStaged = 0;  // 0 none, 1 the folder, 2 the folder and one file

void copyPath(char (&out)[PATH_MAX], const std::string& path) {
  const size_t length = path.size() < sizeof out - 1 ? path.size() : sizeof out - 1;
  std::memcpy(out, path.data(), length);
  out[length] = '\0';
}

void forget() {
  gStaged = 0;
}

}  // namespace

FILE* platformOpenFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

void platformUtf8Arguments(int&, char**&) {}

void posixRemoveStagedFile() {
  if (gStaged == 2) unlink(gStagedFile);
  if (gStaged >= 1) rmdir(gStagedFolder);
  gStaged = 0;
}

bool beginStagedFiles(StagedFiles& staged, const std::string& folder, const std::string& target) {
  staged = StagedFiles();
  staged.folder = folder;
  std::string pattern = folder + "/." + target + ".part-XXXXXX";
  if (pattern.size() >= PATH_MAX) {
    errno = ENAMETOOLONG;
    return false;
  }
  if (!mkdtemp(&pattern[0])) return false;
  staged.staging = pattern;
  forget();
  copyPath(gStagedFolder, staged.staging);
  gStaged = 1;
  return true;
}

std::string stageFile(StagedFiles& staged, const std::string& name) {
  const std::string path = staged.staging + "/" + name;
  staged.names.push_back(name);
  if (staged.names.size() == 1 && path.size() < PATH_MAX) {
    gStaged = 1;
    copyPath(gStagedFile, path);
    gStaged = 2;
  }
  return path;
}

bool commitStagedFiles(StagedFiles& staged) {
  bool complete = !staged.staging.empty();
  for (size_t i = 0; complete && i < staged.names.size(); ++i) {
    const std::string from = staged.staging + "/" + staged.names[i];
    const std::string to = staged.folder + "/" + staged.names[i];
    if (std::rename(from.c_str(), to.c_str()) != 0) complete = false;
  }
  const int renameError = errno;
  discardStagedFiles(staged);
  errno = renameError;
  return complete;
}

void discardStagedFiles(StagedFiles& staged) {
  if (staged.staging.empty()) return;
  if (DIR* dir = opendir(staged.staging.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
      unlink((staged.staging + "/" + entry->d_name).c_str());
    }
    closedir(dir);
  }
  rmdir(staged.staging.c_str());
  staged.staging.clear();
  staged.names.clear();
  forget();
}

bool platformStderrIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}
