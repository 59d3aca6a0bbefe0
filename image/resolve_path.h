// Opening the files that models and the viewer name by relative paths.
// Backslashes are folder separators on every platform, and where the exact
// name does not exist each part of the path is matched without regard to
// case (models made on case-insensitive systems name their files loosely).
// A relative path is taken from the current folder, or from the folder the
// caller names (a model's folder, for a reader that must not change the
// process's current folder because another thread draws meanwhile).
#pragma once

#include <cstdio>
#include <string>

// The path with backslashes turned into the platform's separator ("/").
std::string mapSeparators(const char* path);

// Opens path with the mode: first exactly as mapped, then, if no such file
// exists, through a case-insensitive match of each part. Null when neither
// finds the file. A relative path is taken from folder when it is given.
FILE* openResolved(const char* path, const char* mode, const char* folder = nullptr);

// One name per file: the canonical path of the file that openResolved would
// open for path, so that names differing in letter case, separators, "." or
// ".." parts give the same key. Empty when no such file exists.
std::string resolvedFileKey(const char* path, const char* folder = nullptr);
