// The tool's commands on a model whose folder and name hold characters
// outside ASCII, as a person names them (Модели/José/робот.3do): every path
// is UTF-8 through the programs, so each command reads the model and its MAT
// files and writes its output and report beside it, and a --from list names
// it too.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

TEST(UnicodePathsTest, EveryCommandReadsAndWritesBesideAModelNamedOutsideAscii) {
  ScratchDir scratch;
  const std::string folder = "Модели/José";
  ASSERT_EQ(runCommand("mkdir -p '" + folder + "' out && cp '" + sourcePath("samples/robot.3do") +
                       "' '" + folder + "/робот.3do' && cp '" + sourcePath("samples") +
                       "'/*.mat '" + folder + "/'"),
            0);
  const std::string tool = "'" + runtimePath("vistrel-tool") + "' ";
  const std::string model = "'" + folder + "/робот.3do'";
  std::string out, err;

  ASSERT_EQ(runCommand(tool + "stats " + model, &out, &err), 0) << err;
  EXPECT_NE(out.find("José/робот.3do"), std::string::npos) << out;
  EXPECT_NE(out.find("robot_glass.mat\t\t32 x 32"), std::string::npos) << out;
  EXPECT_NE(readFile(folder + "/ModelStats.txt").find("робот.3do"), std::string::npos);
  EXPECT_EQ(err.find("Could not"), std::string::npos) << "a MAT file was not found: " << err;

  EXPECT_EQ(runCommand(tool + "render " + model + " -o '" + folder + "/робот.tga'", &out, &err), 0)
      << err;
  EXPECT_TRUE(fileExists(folder + "/робот.tga"));
  EXPECT_EQ(runCommand(tool + "thumbnail " + model + " '" + folder + "/робот.png'", &out, &err), 0)
      << err;
  EXPECT_TRUE(fileExists(folder + "/робот.png"));
  for (int time = 0; time < 2; ++time) {  // the second replaces the first
    EXPECT_EQ(runCommand(tool + "export " + model + " -o '" + folder + "/робот.gltf'", &out, &err),
              0)
        << err;
  }
  EXPECT_TRUE(fileExists(folder + "/робот.gltf"));

  writeFile("list.txt", folder + "/робот.3do\r\n\n" + folder + "/робот.3do");
  EXPECT_EQ(runCommand(tool + "thumbnail --from list.txt -o out/", &out, &err), 0) << err;
  EXPECT_TRUE(fileExists("out/робот.png"));
  EXPECT_TRUE(fileExists("out/робот-2.png"));
}

}  // namespace
