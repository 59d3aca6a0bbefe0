// Guards the one way every command writes its output: the target appears
// only whole, a failed write leaves the old file and no staging folder, and
// several staged files go into place in their order.
#include "runner/output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t entries(const fs::path& folder) {
  size_t count = 0;
  for (auto it = fs::directory_iterator(folder); it != fs::directory_iterator(); ++it) ++count;
  return count;
}

TEST(OutputFileTest, AFailedWriteKeepsTheOldFileAndLeavesNothingBeside) {
  ScratchDir scratch;
  const fs::path target = fs::path(scratch.path()) / "out.tga";
  std::ofstream(target) << "old";
  OutputFailure failure;
  int error = 0;
  EXPECT_FALSE(writeOutputFile(
      target.string(), [](FILE* file) { return std::fputs("half", file) >= 0 && false; }, failure,
      error));
  EXPECT_EQ(failure, OutputFailure::kWrite);
  EXPECT_EQ(contents(target), "old");
  EXPECT_EQ(entries(scratch.path()), 1u) << "no staging folder left";
  EXPECT_TRUE(writeOutputFile(
      target.string(), [](FILE* file) { return std::fputs("new", file) >= 0; }, failure, error));
  EXPECT_EQ(contents(target), "new");
  EXPECT_EQ(entries(scratch.path()), 1u);
  EXPECT_FALSE(writeOutputFile((fs::path(scratch.path()) / "none" / "x.tga").string(),
                               [](FILE*) { return true; }, failure, error));
  EXPECT_EQ(failure, OutputFailure::kStaging);
}

TEST(OutputFileTest, StagedFilesGoIntoPlaceTogetherOrNotAtAll) {
  ScratchDir scratch;
  StagedFiles staged;
  ASSERT_TRUE(beginStagedFiles(staged, scratch.path(), "model.gltf"));
  std::ofstream(stageFile(staged, "model.bin")) << "bin";
  std::ofstream(stageFile(staged, "model.gltf")) << "gltf";
  ASSERT_TRUE(commitStagedFiles(staged));
  EXPECT_EQ(contents(fs::path(scratch.path()) / "model.gltf"), "gltf");
  EXPECT_EQ(entries(scratch.path()), 2u);
  ASSERT_TRUE(beginStagedFiles(staged, scratch.path(), "model.gltf"));
  std::ofstream(stageFile(staged, "model.gltf")) << "other";
  discardStagedFiles(staged);
  EXPECT_EQ(contents(fs::path(scratch.path()) / "model.gltf"), "gltf");
  EXPECT_EQ(entries(scratch.path()), 2u);
}

}  // namespace
