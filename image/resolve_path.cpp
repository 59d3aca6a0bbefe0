// Opening relative data paths named with backslashes and loose letter case.
#include "image/resolve_path.h"

#include <cctype>
#include <filesystem>
#include <system_error>

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
  fs::path exact = folder / part;
  if (fs::exists(exact, error)) {
    found = exact;
    return true;
  }
  fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error);
  if (error) return false;
  for (const fs::directory_entry& entry : it) {
    std::string name = entry.path().filename().string();
    if (sameIgnoringCase(name, part)) {
      found = folder / name;
      return true;
    }
  }
  return false;
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
  if (fs::exists(fs::path(mapped), error)) return mapped;

  fs::path current;
  size_t start = 0;
  if (mapped[0] == '/') {
    current = "/";
    start = 1;
  }
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
  return current.string();
}

FILE* openResolved(const char* path, const char* mode) {
  std::string mapped = mapSeparators(path);
  if (mapped.empty()) return nullptr;
  if (FILE* file = std::fopen(mapped.c_str(), mode)) return file;
  std::error_code error;
  if (fs::exists(fs::path(mapped), error)) return nullptr;  // there, but cannot be opened
  std::string found = findResolved(mapped);
  if (found.empty()) return nullptr;
  return std::fopen(found.c_str(), mode);
}

std::string resolvedFileKey(const char* path) {
  std::string found = findResolved(mapSeparators(path));
  if (found.empty()) return std::string();
  std::error_code error;
  fs::path canonical = fs::canonical(fs::path(found), error);
  if (error) return std::string();
  return canonical.string();
}
