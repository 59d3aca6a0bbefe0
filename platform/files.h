// File services that each system does its own way: paths as the programs
// hold them (UTF-8) turned into the system's, files opened by such paths,
// the program's arguments as UTF-8, files written beside their targets and
// put into place by a rename only once whole, and whether standard error is
// a terminal. Declared here, implemented by platform/posix/ (Linux) and
// platform/win32/.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Every path the programs hold is UTF-8: the arguments, the dialog's and a
// drop's answers, the executable's folder, the paths made from them. On
// Linux that is the file system's own form; on Windows the port turns it
// into UTF-16 for the system (platform/win32/win32_unicode.cpp), so that any
// name a Windows user has can be opened. std::filesystem paths are made from
// them with std::filesystem::u8path and read back with u8string(), never
// with path(std::string) and string(), which take the ANSI code page on
// Windows.
//
// fopen for a UTF-8 path, with fopen's modes ("x", exclusive creation, too).
FILE* platformOpenFile(const std::string& path, const char* mode);
// The program's arguments as UTF-8 in place of main's: on Windows taken from
// the wide command line (main's are in the ANSI code page), kept for the
// whole run; elsewhere left as they are.
void platformUtf8Arguments(int& argc, char**& argv);

// Files written into a private folder made beside their targets (so that the
// renames stay on one file system), then renamed into the targets' folder in
// the order they were staged, so that a main file staged last appears only
// when everything it refers to is there. Until then nothing on disk but the
// private folder has changed; discarding removes it and what it holds.
struct StagedFiles {
  std::string folder;              // the targets' folder
  std::string staging;             // the private folder; empty when none
  std::vector<std::string> names;  // the files staged, in order
};

// Makes the private folder in folder, named after the target's file name
// (".NAME.part-" and a unique suffix). False when it cannot be made.
bool beginStagedFiles(StagedFiles& staged, const std::string& folder, const std::string& target);
// The path to write the file name to, recorded as staged. While a single
// file is staged, a stopped run removes it (platform/run_limits.h).
std::string stageFile(StagedFiles& staged, const std::string& name);
// Renames every staged file into place, in order, and removes the private
// folder. False when a rename fails; the files renamed before it stay.
bool commitStagedFiles(StagedFiles& staged);
// Removes the private folder and every file staged in it.
void discardStagedFiles(StagedFiles& staged);

// Whether standard error is a terminal (the batches' progress line).
bool platformStderrIsTerminal();
