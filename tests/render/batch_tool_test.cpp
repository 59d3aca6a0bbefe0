// The batches of the real vistrel-tool, run as a user runs them over a
// folder of models: every picture the same, byte for byte, as a run of its
// own; the same report beside the models and the same messages, each line
// after the model's path; a model that fails in the middle leaves the others
// whole; a name used twice gets a number; --from - reads standard input;
// --no-report writes nothing beside the models.
#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

// Every file under folder with its bytes, by relative path.
std::map<std::string, std::string> snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    files[fs::relative(entry.path(), folder).string()] =
        entry.is_regular_file() ? readFile(entry.path().string()) : "(folder)";
  }
  return files;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> split;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) split.push_back(line);
  return split;
}

class BatchToolTest : public ::testing::Test {
 protected:
  // models/: the samples and a model cut short; other/robot.3do: the cube
  // under the robot's name, its MAT named from its own folder with other
  // letter case and backslashes (..\MODELS\Cube.Mat).
  void SetUp() override {
    ASSERT_EQ(runCommand("cp -R '" + sourcePath("samples") + "' models && mkdir other out single"),
              0);
    const std::string robot = readFile(scratch_.file("models/robot.3do"));
    writeFile("models/cut.3do", robot.substr(0, robot.size() / 3));
    std::string cube = readFile(scratch_.file("models/cube.3do"));
    const size_t mat = cube.find("cube.mat");
    ASSERT_NE(mat, std::string::npos);
    writeFile("other/robot.3do", cube.replace(mat, 8, "..\\MODELS\\Cube.Mat"));
  }
  int tool(const std::string& arguments, std::string* err = nullptr) {
    return runCommand("'" + runtimePath("vistrel-tool") + "' " + arguments, nullptr, err);
  }
  // A run of its own for each model: its picture as single/NAME, its
  // ModelStats.txt and its message lines, each after the model's path.
  struct Single {
    std::string picture;
    std::string report;
    std::vector<std::string> messages;
  };
  Single single(const std::string& command, const std::string& model, const std::string& name,
                const std::string& options) {
    Single run;
    std::string err;
    const std::string picture = "single/" + name;
    const std::string output = command == "render" ? "-o " + picture : picture;
    tool(command + " " + model + " " + output + " " + options, &err);
    run.picture = readFile(scratch_.file(picture));
    run.report =
        readFile(scratch_.file(fs::path(model).parent_path().string() + "/ModelStats.txt"));
    for (const std::string& line : lines(err)) run.messages.push_back(model + ": " + line);
    return run;
  }
  ScratchDir scratch_;
};

TEST_F(BatchToolTest, RenderedBatchEqualsSingleRunsAndGoesOnPastAFailingModel) {
  // In the batch's order; robot.3do of other/ comes first and keeps the name.
  const std::vector<std::pair<std::string, std::string>> models = {
      {"other/robot.3do", "robot.tga"},
      {"models/cube.3do", "cube.tga"},
      {"models/cut.3do", ""},
      {"models/missing_mat.3do", "missing_mat.tga"},
      {"models/glass.3do", "glass.tga"},
      {"models/robot.3do", "robot-2.tga"},
      {"models/absent.3do", ""},
      {"models/ngon.3do", "ngon.tga"}};
  const std::string options = "--size 96x72 --text fps --rotate 20,30,0";
  std::vector<std::string> expectedMessages;
  std::map<std::string, Single> singles;
  std::string arguments;
  for (const auto& model : models) {
    Single run =
        single("render", model.first, model.second.empty() ? "x.tga" : model.second, options);
    expectedMessages.insert(expectedMessages.end(), run.messages.begin(), run.messages.end());
    singles[model.first] = run;
    arguments += model.first + " ";
  }
  std::string err;
  EXPECT_EQ(tool("render " + arguments + "-o out/ " + options, &err), 1) << err;
  expectedMessages.push_back("6 written, 2 failed");
  EXPECT_EQ(lines(err), expectedMessages);
  std::vector<std::string> written;
  for (const auto& model : models) {
    if (model.second.empty()) continue;
    written.push_back(model.second);
    const std::string picture = readFile(scratch_.file("out/" + model.second));
    EXPECT_EQ(picture.size(), 18u + 4u * 96u * 72u) << model.first;
    EXPECT_TRUE(picture == singles[model.first].picture) << model.first << " differs";
  }
  std::vector<std::string> present;
  for (const auto& entry : snapshot(scratch_.file("out"))) present.push_back(entry.first);
  std::sort(written.begin(), written.end());
  EXPECT_EQ(present, written);
  // Each folder's report is that of its last model, as after the single runs.
  EXPECT_EQ(readFile(scratch_.file("models/ModelStats.txt")), singles["models/ngon.3do"].report);
  EXPECT_EQ(readFile(scratch_.file("other/ModelStats.txt")), singles["other/robot.3do"].report);
}

TEST_F(BatchToolTest, ThumbnailsFromStandardInputEqualSingleRunsAndWriteNoReport) {
  const std::map<std::string, std::string> before = snapshot(scratch_.file("models"));
  std::string list;
  std::map<std::string, std::string> expected;  // output name -> single run's picture
  for (const char* name : {"robot", "cube", "cut", "glass", "ngon"}) {
    const std::string model = std::string("models/") + name + ".3do";
    list += model + "\r\n\n";  // CRLF and blank lines are nothing
    const std::string png = std::string(name) + ".png";
    const std::string picture = single("thumbnail", model, png, "--size 48").picture;
    if (std::string(name) != "cut") expected[png] = picture;
  }
  list += "other/robot.3do\n";
  expected["robot-2.png"] =
      single("thumbnail", "other/robot.3do", "robot-2.png", "--size 48").picture;
  writeFile("list.txt", list);
  std::string err;
  EXPECT_EQ(runCommand("'" + runtimePath("vistrel-tool") +
                           "' thumbnail --from - -o out --size 48 < list.txt",
                       nullptr, &err),
            1);
  EXPECT_EQ(lines(err).back(), "5 written, 1 failed") << err;
  EXPECT_NE(err.find("models/cut.3do: ERROR: Unexpected end of 3do file"), std::string::npos)
      << err;
  EXPECT_EQ(snapshot(scratch_.file("out")), expected);
  EXPECT_EQ(snapshot(scratch_.file("models")), before) << "no report, no temporary file";
}

TEST_F(BatchToolTest, NoReportLeavesTheModelFoldersAsTheyWereAndUsageErrorsWriteNothing) {
  const std::map<std::string, std::string> before = snapshot(scratch_.file("models"));
  std::string err;
  EXPECT_EQ(tool("render models/robot.3do models/cube.3do --no-report -o out/ --size 32x32", &err),
            0)
      << err;
  EXPECT_EQ(err, "2 written, 0 failed\n");
  EXPECT_EQ(snapshot(scratch_.file("models")), before);
  EXPECT_TRUE(fileExists(scratch_.file("out/robot.tga")));
  EXPECT_TRUE(fileExists(scratch_.file("out/cube.tga")));

  // An output folder that does not exist, a list that cannot be read.
  for (const char* arguments :
       {"render models/robot.3do models/cube.3do -o nowhere/", "render --from none.txt -o out/",
        "thumbnail models/robot.3do models/cube.3do -o nowhere", "thumbnail --from - out/a.png"}) {
    EXPECT_EQ(tool(arguments, &err), 2) << arguments;
    EXPECT_NE(err.find("vistrel-tool "), std::string::npos) << arguments;
  }
  EXPECT_FALSE(fs::exists(scratch_.file("nowhere")));
  EXPECT_EQ(snapshot(scratch_.file("models")), before);
}

}  // namespace
