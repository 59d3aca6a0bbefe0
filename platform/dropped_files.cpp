// The kept drops of the SDL and headless ports, by handle, until the shell
// takes them or the window goes.
#include "platform/dropped_files.h"

#include <map>
#include <utility>

#include "platform/platform.h"

namespace {

struct DropTable {
  std::map<uintptr_t, std::vector<std::string>> drops;
  uintptr_t lastHandle = 0;
};

DropTable& table() {
  static DropTable kept;
  return kept;
}

}  // namespace

uintptr_t storeDroppedFiles(std::vector<std::string> paths) {
  DropTable& kept = table();
  if (++kept.lastHandle == 0) ++kept.lastHandle;
  kept.drops[kept.lastHandle] = std::move(paths);
  return kept.lastHandle;
}

void forgetDroppedFiles() {
  table().drops.clear();
}

bool platformTakeDroppedFiles(uintptr_t drop, std::vector<std::string>& paths) {
  paths.clear();
  auto found = table().drops.find(drop);
  if (found == table().drops.end()) return false;
  paths = std::move(found->second);
  table().drops.erase(found);
  return true;
}
