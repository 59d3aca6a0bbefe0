// Where the program's own files ("config.txt" and "systemtex/") are found.
// An installed program keeps them in PREFIX/share/vistrel beside PREFIX/bin;
// a build tree and the Windows package keep them beside the executable. Both
// are found from the executable's own location, so a moved install works.
#pragma once

#include <filesystem>

// The executable's folder when it holds "config.txt", else
// "../share/vistrel" from it when that holds "config.txt", else the
// executable's folder.
std::filesystem::path programDataFolder();

// The viewer's data folder for a start in startFolder: startFolder itself
// when it holds "config.txt" (as it always has), else programDataFolder().
std::filesystem::path viewerDataFolder(const std::filesystem::path& startFolder);
