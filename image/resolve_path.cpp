// Opening relative data paths named with backslashes and loose letter case.
#include "image/resolve_path.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Finds the entry of folder whose name equals part without regard to case.
bool findEntry(const fs::path& folder, const std::string& part, fs::path& found) {
  std::error_code error;
  fs::path exact = folder / fs::u8path(part);
  if (fs::exists(exact, error)) {
    found = exact;
    return true;
  }
  fs::directory_iterator it(folder.empty() ? fs::u8path(".") : folder, error);
  if (error) return false;
  for (const fs::directory_entry& entry : it) {
    std::string name = entry.path().filename().u8string();
    if (sameIgnoringCase(name, part)) {
      found = folder / fs::u8path(name);
      return true;
    }
  }
  return false;
}

// The mapped path taken from folder: joined to it when relative; a path with
// a root folder but no drive (Windows' "\\name") takes the folder's drive, as
// it would take the current folder's.
std::string placeInFolder(const std::string& mapped, const char* folder) {
  if (!folder || mapped.empty()) return mapped;
  const fs::path path = fs::u8path(mapped);
  if (path.has_root_name()) return mapped;
  const fs::path base = fs::u8path(folder);
  if (path.has_root_directory()) return (base.root_name() / path).generic_u8string();
  return (base / path).generic_u8string();
}

}  // namespace

std::string mapSeparators(const char* path) {
  std::string mapped = path ? path : "";
  for (char& c : mapped) {
    if (c == '\\') c = '/';
  }
  return mapped;
}

// The path of the file that path names: as mapped when that exists, else
// through the case-insensitive match of each part. Empty when neither finds it.
std::string findResolved(const std::string& mapped) {
  if (mapped.empty()) return std::string();
  std::error_code error;
  if (fs::exists(fs::u8path(mapped), error)) return mapped;

  // The walk starts at the root ("/", or a drive's "C:/") of an absolute path.
  fs::path current = fs::u8path(mapped).root_path();
  size_t start = current.generic_u8string().size();
  while (start <= mapped.size()) {
    size_t end = mapped.find('/', start);
    if (end == std::string::npos) end = mapped.size();
    std::string part = mapped.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      current /= part;
      continue;
    }
    fs::path next;
    if (!findEntry(current, part, next)) return std::string();
    current = next;
  }
  return current.u8string();
}

FILE* openResolved(const char* path, const char* mode, const char* folder) {
  std::string mapped = placeInFolder(mapSeparators(path), folder);
  if (mapped.empty()) return nullptr;
  if (FILE* file = platformOpenFile(mapped, mode)) return file;
  std::error_code error;
  if (fs::exists(fs::u8path(mapped), error)) return nullptr;  // there, but cannot be opened
  std::string found = findResolved(mapped);
  if (found.empty()) return nullptr;
  return platformOpenFile(found, mode);
}

std::string resolvedFileKey(const char* path, const char* folder) {
  std::string found = findResolved(placeInFolder(mapSeparators(path), folder));
  if (found.empty()) return std::string();
  std::error_code error;
  fs::path canonical = fs::canonical(fs::u8path(found), error);
  if (error) return std::string();
  return canonical.u8string();
}
