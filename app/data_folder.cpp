// The data-folder lookup of the viewer and vistrel-tool.
#include "app/data_folder.h"

#include <system_error>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

bool holdsConfig(const fs::path& folder) {
  std::error_code error;
  return fs::is_regular_file(folder / "config.txt", error);
}

}  // namespace

fs::path programDataFolder() {
  const fs::path programFolder = fs::u8path(platformExecutableDir());
  if (holdsConfig(programFolder)) return programFolder;
  const fs::path shared = (programFolder / ".." / "share" / "vistrel").lexically_normal();
  if (holdsConfig(shared)) return shared;
  return programFolder;
}

fs::path viewerDataFolder(const fs::path& startFolder) {
  if (startFolder.empty() || holdsConfig(startFolder)) return startFolder;
  return programDataFolder();
}
