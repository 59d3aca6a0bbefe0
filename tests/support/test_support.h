// Shared helpers of the test suite: a scratch folder that becomes the current
// folder, a real offscreen OpenGL context, file helpers and the captured
// message boxes of the headless port.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/headless.h"

// A fresh folder under the system's temporary folder; while it lives it is
// the current folder. Removed with its contents afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  // Absolute path of a name inside the folder.
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
  std::string previous_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);  // empty when missing
bool fileExists(const std::string& path);

// Boxes shown since the last clearBoxes(), as "caption: text" lines (the
// text's newlines written as \n, as the headless port prints them).
std::vector<std::string> boxLines();
void clearBoxes();

// A test fixture with a current offscreen OpenGL context (640 x 480 unless
// the subclass says otherwise), made for each test and destroyed after it.
// Also gives each test a scratch folder as the current folder.
class GlTest : public ::testing::Test {
 protected:
  virtual int contextWidth() const { return 640; }
  virtual int contextHeight() const { return 480; }
  void SetUp() override;
  void TearDown() override;
  OffscreenGl gl_;
  ScratchDir* scratch_ = nullptr;
};

// Paths of the source tree and of the built programs and their data.
std::string sourcePath(const std::string& relative);
std::string runtimePath(const std::string& relative);

// Runs a shell command, returns its exit status (or -1); stdout and stderr
// captured into the given strings when not null.
int runCommand(const std::string& command, std::string* out = nullptr, std::string* err = nullptr);
