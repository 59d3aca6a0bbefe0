// One file of a command's output, written beside its target and renamed
// into place only once whole (platform/files.h): a failed or stopped write
// leaves the target as it was.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

// Where writing the file stopped.
enum class OutputFailure {
  kNone,
  kStaging,  // no private folder could be made beside the target
  kWrite,    // write returned false, or the file could not be closed
  kRename,   // the finished file could not be put into place
};

// Writes the file at path (absolute) through write, which gets the open
// staged file. False with the stage that failed, and errno's value for
// kStaging and kRename.
bool writeOutputFile(const std::string& path, const std::function<bool(FILE*)>& write,
                     OutputFailure& failure, int& errorNumber);
