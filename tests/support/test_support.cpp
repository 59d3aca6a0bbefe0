// Shared helpers of the test suite.
#include "tests/support/test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  std::error_code error;
  previous_ = fs::current_path(error).string();
  std::string pattern = (fs::temp_directory_path() / "vistrel-test-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  char* made = mkdtemp(buffer.data());
  if (!made) {
    ADD_FAILURE() << "mkdtemp failed";
    return;
  }
  path_ = made;
  fs::current_path(path_, error);
}

ScratchDir::~ScratchDir() {
  std::error_code error;
  if (!previous_.empty()) fs::current_path(previous_, error);
  if (!path_.empty()) {
    // Restore write permission first so that tests may leave unreadable files.
    for (auto it = fs::recursive_directory_iterator(path_, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(path_, error);
  }
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) ADD_FAILURE() << "could not write " << path;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string();
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool fileExists(const std::string& path) {
  std::error_code error;
  return fs::exists(path, error);
}

std::vector<std::string> boxLines() {
  std::vector<std::string> lines;
  for (const CapturedBox& box : headlessCapturedBoxes()) {
    lines.push_back(headlessBoxLine(box.caption.c_str(), box.text.c_str()));
  }
  return lines;
}

void clearBoxes() {
  headlessCapturedBoxes().clear();
}

void GlTest::SetUp() {
  scratch_ = new ScratchDir();
  clearBoxes();
  ASSERT_TRUE(createOffscreenGl(gl_, contextWidth(), contextHeight()))
      << "no offscreen OpenGL context";
}

void GlTest::TearDown() {
  destroyOffscreenGl(gl_);
  delete scratch_;
  scratch_ = nullptr;
}

std::string sourcePath(const std::string& relative) {
  return std::string(VISTREL_SOURCE_DIR) + "/" + relative;
}

std::string runtimePath(const std::string& relative) {
  return std::string(VISTREL_RUNTIME_DIR) + "/" + relative;
}

int runCommand(const std::string& command, std::string* out, std::string* err) {
  std::string outFile = (fs::temp_directory_path() / "vistrel-cmd-out-XXXXXX").string();
  std::string errFile = (fs::temp_directory_path() / "vistrel-cmd-err-XXXXXX").string();
  std::vector<char> outName(outFile.begin(), outFile.end());
  outName.push_back('\0');
  std::vector<char> errName(errFile.begin(), errFile.end());
  errName.push_back('\0');
  int outFd = mkstemp(outName.data());
  int errFd = mkstemp(errName.data());
  if (outFd >= 0) close(outFd);
  if (errFd >= 0) close(errFd);
  std::string full = "(" + command + ") >'" + std::string(outName.data()) + "' 2>'" +
                     std::string(errName.data()) + "'";
  int status = std::system(full.c_str());
  if (out) *out = readFile(outName.data());
  if (err) *err = readFile(errName.data());
  std::remove(outName.data());
  std::remove(errName.data());
  if (status == -1) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return -1;
}
