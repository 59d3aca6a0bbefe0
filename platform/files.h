// File services of the headless programs that each system does its own way:
// files written beside their targets and put into place by a rename only
// once whole, and whether standard error is a terminal. Declared here,
// implemented by platform/posix/ (Linux) and platform/win32/.
#pragma once

#include <string>
#include <vector>

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
