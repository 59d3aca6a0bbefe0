// Opening the files that models and the viewer name by relative paths.
// Backslashes are folder separators on every platform, and where the exact
// name does not exist each part of the path is matched without regard to
// case (models made on case-insensitive systems name their files loosely).
#pragma once

#include <cstdio>
#include <string>

// The path with backslashes turned into the platform's separator ("/").
std::string mapSeparators(const char* path);

// Opens path with the mode: first exactly as mapped, then, if no such file
// exists, through a case-insensitive match of each part. Null when neither
// finds the file.
FILE* openResolved(const char* path, const char* mode);

// One name per file: the canonical path of the file that openResolved would
// open for path, so that names differing in letter case, separators, "." or
// ".." parts give the same key. Empty when no such file exists.
std::string resolvedFileKey(const char* path);
