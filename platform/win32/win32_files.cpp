// Staged files and the terminal test on Windows (platform/files.h): the
// private folder gets a name from the process id and a counter, made with
// CreateDirectoryW until one is free; MoveFileExW replaces an existing
// target, which the C library's rename refuses on Windows. Paths are UTF-8,
// turned into UTF-16 for each call. The single staged file's path and open
// handle are kept for the stop of platform/run_limits.h
// (win32RemoveStagedFile).
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/files.h"
#include "platform/win32/win32_port.h"

namespace {

// The private folder, its single file and that file's handle once opened,
// for a stop on another thread while the main thread is suspended
// (win32_run_limits.cpp): fixed buffers and a state read without a lock, as
// the suspended thread may hold any lock.
constexpr size_t kLongestPath = 32768;
wchar_t gStagedFolder[kLongestPath];
wchar_t gStagedFile[kLongestPath];
volatile LONG gStaged = 0;  // 0 none, 1 the folder, 2 the folder and one file
void* volatile gStagedHandle = nullptr;

void copyPath(wchar_t (&out)[kLongestPath], const std::wstring& path) {
  const size_t length = std::min(path.size(), kLongestPath - 1);
  std::copy(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(length), out);
  out[length] = L'\0';
}

// The state changes only in steps the stop can act on at any point: the
// folder is named before it is made and forgotten after it is removed, and
// the file is named before it is created.
void rememberFolder(const std::wstring& folder) {
  InterlockedExchange(&gStaged, 0);
  gStagedHandle = nullptr;
  copyPath(gStagedFolder, folder);
  InterlockedExchange(&gStaged, 1);
}

void rememberFile(const std::wstring& file) {
  if (gStaged != 1) return;
  copyPath(gStagedFile, file);
  InterlockedExchange(&gStaged, 2);
}

void forgetStaged() {
  InterlockedExchange(&gStaged, 0);
  gStagedHandle = nullptr;
}

}  // namespace

void win32NoteOpenedFile(const std::wstring& path, FILE* file) {
  if (file && gStaged == 2 && path == gStagedFile) {
    gStagedHandle = reinterpret_cast<void*>(_get_osfhandle(_fileno(file)));
  }
}

void win32RemoveStagedFile() {
  const LONG staged = InterlockedExchange(&gStaged, 0);
  // Windows removes no file that is open: the handle goes first.
  HANDLE handle = static_cast<HANDLE>(gStagedHandle);
  if (staged == 2 && handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  if (staged == 2) DeleteFileW(gStagedFile);
  if (staged >= 1) RemoveDirectoryW(gStagedFolder);
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
    rememberFolder(win32Wide(path));
    if (CreateDirectoryW(win32Wide(path).c_str(), nullptr)) {
      staged.staging = path;
      return true;
    }
    const DWORD error = GetLastError();
    forgetStaged();
    if (error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

std::string stageFile(StagedFiles& staged, const std::string& name) {
  staged.names.push_back(name);
  const std::string path = staged.staging + "/" + name;
  if (staged.names.size() == 1) rememberFile(win32Wide(path));
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
  for (const std::string& name : staged.names) {
    DeleteFileW(win32Wide(staged.staging + "/" + name).c_str());
  }
  RemoveDirectoryW(win32Wide(staged.staging).c_str());
  forgetStaged();
  staged.staging.clear();
  staged.names.clear();
}

bool platformStderrIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}
