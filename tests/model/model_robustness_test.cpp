// Bad and unusual files: a small valid model cut at every byte, CRLF line
// ends, the 255-character line limit, and counts far larger than the file
// could hold or memory could take.
#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "model/model_reader.h"
#include "tests/model/model_test_files.h"
#include "tests/support/test_support.h"

namespace {

class ModelRobustnessTest : public ModelFileTest {
 protected:
  void SetUp() override {
    ModelFileTest::SetUp();
    writeFile("t.mat", matBytes(2, 1, {6, 31}));
  }
};

// A small model with a texture, comments, a fan and two meshes.
std::string smallModel() {
  MeshText first = squareMesh(0, "# faces\n0: 0 0x0002 1 3 0 0 4 0,0 1,1 2,2 3,3\n", 1);
  MeshText second =
      squareMesh(1, "0: 0 0x0000 1 3 0 0 3 0,0 1,1 2,2\n1: 0 0x0000 a b c d 3 2,2 3,3 0,0\n", 2);
  second.vertices.pop_back();
  std::string text = "# small\n" + modelText({"t.mat"}, {first, second});
  return text;
}

size_t heapInUse() {
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

TEST_F(ModelRobustnessTest, TruncationAtEveryByteEndsCleanly) {
  const std::string full = smallModel();
  ASSERT_TRUE(load(full));
  const std::string fullReport = report();
  // Only cuts in the node part may load: a cut "HIERARCHY NODES" line that
  // no longer matches gives no nodes, and once the last node line has begun
  // what is left of it is that line (node lines are not checked).
  const size_t nodesLineStart = full.find("HIERARCHY NODES");
  const size_t lastLineStart = full.rfind("\n1: 0x0") + 1;
  const std::string reportBeforeNodes =
      fullReport.substr(0, fullReport.find("Number of Hierarchy Nodes"));

  const std::set<std::string> failures = {
      "ERROR: File header does not match 3do", "ERROR: Unexpected end of 3do file",
      "ERROR: MESH header read error", "ERROR: Invalid count in 3do file",
      "ERROR: Too Many non-3-sided faces!"};
  size_t loaded = 0;
  for (size_t cut = 0; cut < full.size(); ++cut) {
    bool ok = load(full.substr(0, cut));
    std::vector<std::string> boxes = boxLines();
    if (ok) {
      ++loaded;
      EXPECT_GT(cut, nodesLineStart) << "cut at " << cut;
      if (cut > lastLineStart) {
        EXPECT_EQ(report(), fullReport) << "cut at " << cut;
      } else {
        EXPECT_EQ(report(), reportBeforeNodes + "Number of Hierarchy Nodes = 0\n");
      }
      EXPECT_TRUE(boxes.empty()) << "cut at " << cut;
    } else {
      ASSERT_FALSE(boxes.empty()) << "cut at " << cut;
      EXPECT_EQ(failures.count(boxes.back()), 1u) << "cut at " << cut << ": " << boxes.back();
      EXPECT_EQ(report().rfind("- Model Statistics for model.3do -\n\n", 0), 0u);
    }
    expectModelConsistent(model_);
    if (HasFatalFailure()) return;
  }
  EXPECT_GE(loaded, full.size() - lastLineStart - 1);
}

TEST_F(ModelRobustnessTest, CrlfFilesGiveByteIdenticalReports) {
  auto crlf = [](const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c == '\n') out += '\r';
      out += c;
    }
    return out;
  };
  const std::string full = smallModel();
  std::string variants[] = {
      full,
      // A failure whose tail quotes a line.
      std::string(full).replace(full.find("MESH 1"), 6, "MESH 7"),
      // A line of exactly 255 characters with its line end: 254 + LF.
      std::string(full).replace(full.find("MESH 1"), 6, "MESH 7" + std::string(248, ' ')),
      // The face list, whose words are separated by CRs too.
      std::string(full).substr(0, full.find("FACE NORMALS")),
  };
  for (const std::string& text : variants) {
    bool unix = load(text);
    std::string unixReport = report();
    std::vector<std::string> unixBoxes = boxLines();
    bool windows = load(crlf(text));
    EXPECT_EQ(windows, unix);
    EXPECT_EQ(report(), unixReport);
    EXPECT_EQ(boxLines(), unixBoxes);
    EXPECT_EQ(unixReport.find('\r'), std::string::npos);
  }
  std::string quoted = "MESH 7" + std::string(248, ' ') + "\n";
  EXPECT_FALSE(load(crlf(variants[2])));
  EXPECT_NE(report().find(": " + quoted + "\n"), std::string::npos);
}

TEST_F(ModelRobustnessTest, LinesLongerThan255CharactersContinueAsLinesOfTheirOwn) {
  // A comment of 300 characters: its last 45 are a line of their own, here
  // taken as the first material line (its second word names the texture).
  std::string text = smallModel();
  std::string comment = "#" + std::string(254, '-') + "x t.mat" + std::string(38, ' ');
  ASSERT_EQ(comment.size(), 300u);
  text.replace(text.find("0: t.mat\n"), 9, comment + "\n");
  ASSERT_TRUE(load(text));
  EXPECT_NE(report().find("\tMat #0 = t.mat\t\t2 x 1\n"), std::string::npos) << report();
}

TEST_F(ModelRobustnessTest, HugeCountsFailAtTheEndOfTheFileWithoutLargeAllocations) {
  const std::string full = smallModel();
  const char* keywords[] = {"MATERIALS 1",        "MESHES 2", "VERTICES 4", "VERTICES 3",
                            "TEXTURE VERTICES 4", "FACES 1",  "FACES 2",    "HIERARCHY NODES 2"};
  for (const char* keyword : keywords) {
    for (const char* count : {"500000000", "2147483647"}) {
      std::string text = full;
      std::string word = std::string(keyword);
      std::string replaced = word.substr(0, word.rfind(' ') + 1) + count;
      text.replace(text.find(word + "\n"), word.size(), replaced);
      size_t before = heapInUse();
      EXPECT_FALSE(load(text)) << replaced;
      size_t after = heapInUse();
      EXPECT_LT(after, before + (8u << 20)) << replaced;
      ASSERT_FALSE(boxLines().empty());
      // Meshes the file does not hold meet the node lines where a MESH line
      // should stand.
      EXPECT_EQ(boxLines().back(), word.rfind("MESHES", 0) == 0
                                       ? "ERROR: MESH header read error"
                                       : "ERROR: Unexpected end of 3do file")
          << replaced;
      expectModelConsistent(model_);
    }
  }
}

// Allocation failure is only reachable with a file large enough to hold the
// count, so this runs the real tool on a sparse 8 GB file under an address
// space limit. Sanitizers reserve more address space than the limit allows.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

TEST(ModelAllocationTest, CountTooLargeToAllocateIsReported) {
  if (kSanitized) GTEST_SKIP() << "address space limits do not work under the sanitizers";
  ScratchDir scratch;
  std::string head =
      "MODEL\n3DO 2.1\nRESOURCES\nMATERIALS 0\nGEOMETRY\nRADIUS 2\nINSERT OFFSET 0 0 0\n"
      "LEVELS 1\nLEVEL 0\nMESHES 1\nMESH 0\nNAME big\nRADIUS 1\nA\nB\nC\n"
      "VERTICES 2000000000\n";
  writeFile(scratch.file("big.3do"), head);
  std::error_code error;
  std::filesystem::resize_file(scratch.file("big.3do"), 8ull << 30, error);
  if (error) GTEST_SKIP() << "no sparse 8 GB file here: " << error.message();
  std::string out, err;
  int status = runCommand("ulimit -v 3000000 && '" + runtimePath("vistrel-tool") + "' stats '" +
                              scratch.file("big.3do") + "'",
                          &out, &err);
  EXPECT_EQ(status, 1) << err;
  EXPECT_NE(err.find("ERROR: Could not allocate memory for model"), std::string::npos) << err;
  std::string end = "\tNumber of Verts = 2000000000\n\nLast Line Read in " +
                    scratch.file("big.3do") + ": VERTICES 2000000000\n\n";
  ASSERT_GE(out.size(), end.size());
  EXPECT_EQ(out.substr(out.size() - end.size()), end);
}

}  // namespace
