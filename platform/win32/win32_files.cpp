// Staged files and the terminal test on Windows (platform/files.h): the
// private folder gets a name from the process id and a counter, made with
// CreateDirectoryW until one is free; MoveFileExW replaces an existing
// target, which the C library's rename refuses on Windows. Paths are UTF-8,
// turned into UTF-16 for each call. The single staged file's path is kept
// for the stop of platform/run_limits.h (win32RemoveStagedFile).
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/files.h"
#include "platform/win32/win32_port.h"

namespace {

// The private folder and its single file, for a stop on another thread.
CRITICAL_SECTION* stagedLock() {
  static CRITICAL_SECTION lock;
  static const bool made = (InitializeCriticalSection(&lock), true);
  (void)made;
  return &lock;
}
std::wstring gStagedFolder;
std::wstring gStagedFile;

void rememberStaged(const std::wstring& folder, const std::wstring& file) {
  EnterCriticalSection(stagedLock());
  gStagedFolder = folder;
  gStagedFile = file;
  LeaveCriticalSection(stagedLock());
}

}  // namespace

void win32RemoveStagedFile() {
  EnterCriticalSection(stagedLock());
  if (!gStagedFile.empty()) DeleteFileW(gStagedFile.c_str());
  if (!gStagedFolder.empty()) RemoveDirectoryW(gStagedFolder.c_str());
  gStagedFolder.clear();
  gStagedFile.clear();
  LeaveCriticalSection(stagedLock());
}

bool beginStagedFiles(StagedFiles& staged, const std::string& folder, const std::string& target) {
  staged = StagedFiles();
  staged.folder = folder;
  static unsigned counter = 0;
  const unsigned long process = GetCurrentProcessId();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, "%lu-%u", process, counter++);
    const std::string path = folder + "/." + target + ".part-" + suffix;
    if (CreateDirectoryW(win32Wide(path).c_str(), nullptr)) {
      staged.staging = path;
      rememberStaged(win32Wide(path), std::wstring());
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

std::string stageFile(StagedFiles& staged, const std::string& name) {
  staged.names.push_back(name);
  const std::string path = staged.staging + "/" + name;
  if (staged.names.size() == 1) rememberStaged(win32Wide(staged.staging), win32Wide(path));
  return path;
}

bool commitStagedFiles(StagedFiles& staged) {
  bool complete = !staged.staging.empty();
  for (size_t i = 0; complete && i < staged.names.size(); ++i) {
    const std::string from = staged.staging + "/" + staged.names[i];
    const std::string to = staged.folder + "/" + staged.names[i];
    if (!MoveFileExW(win32Wide(from).c_str(), win32Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
      complete = false;
    }
  }
  discardStagedFiles(staged);
  return complete;
}

void discardStagedFiles(StagedFiles& staged) {
  if (staged.staging.empty()) return;
  rememberStaged(std::wstring(), std::wstring());
  for (const std::string& name : staged.names) {
    DeleteFileW(win32Wide(staged.staging + "/" + name).c_str());
  }
  RemoveDirectoryW(win32Wide(staged.staging).c_str());
  staged.staging.clear();
  staged.names.clear();
}

bool platformStderrIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}
