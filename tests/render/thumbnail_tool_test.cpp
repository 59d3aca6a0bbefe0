// The real vistrel-tool thumbnail, run as a file manager runs it: on every
// sample a PNG of the asked size, transparent around a model that fills it;
// on hostile input a failure that leaves nothing behind, not even a report.
// The PNGs are read back by an independent decoder (python3's zlib).
#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

// Prints "width height colourType cornerAlpha centreOpaque spanX spanY top
// bottom" for an 8-bit RGBA PNG: the largest alpha of the four corners, the
// opaque pixels in the middle half, the share of the width and height that
// the opaque pixels span, and the opaque widths just inside the top and
// bottom of the opaque part.
const char* kPngSummary = R"(import sys, zlib, struct
data = open(sys.argv[1], 'rb').read()
assert data[:8] == b'\x89PNG\r\n\x1a\n'
pos, idat = 8, b''
while pos < len(data):
    length, kind = struct.unpack('>I4s', data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if kind == b'IHDR': w, h, depth, colour = struct.unpack('>IIBB', body[:10])
    if kind == b'IDAT': idat += body
    pos += 12 + length
assert depth == 8 and colour == 6
raw, stride, rows, prev = zlib.decompress(idat), w * 4, [], bytearray(w * 4)
for y in range(h):
    kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a, b, c = line[i - 4] if i >= 4 else 0, prev[i], prev[i - 4] if i >= 4 else 0
        p = a + b - c
        near = a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c
        line[i] = (line[i] + [0, a, b, (a + b) // 2, near][kind]) & 255
    rows.append(line)
    prev = line
alpha = lambda x, y: rows[y][4 * x + 3]
opaque = [(x, y) for y in range(h) for x in range(w) if alpha(x, y) == 255]
xs, ys = [x for x, _ in opaque] or [0], [y for _, y in opaque] or [0]
centre = sum(1 for x, y in opaque if w // 4 <= x < 3 * w // 4 and h // 4 <= y < 3 * h // 4)
width = lambda y: sum(1 for x in range(w) if alpha(x, y) == 255)
print(w, h, colour, max(alpha(x, y) for x in (0, w - 1) for y in (0, h - 1)), centre,
      (max(xs) - min(xs) + 1) / w, (max(ys) - min(ys) + 1) / h,
      width(min(ys) + h // 12), width(max(ys) - h // 12))
)";

struct PngSummary {
  int width = 0;
  int height = 0;
  int colourType = 0;
  int cornerAlpha = -1;
  int centreOpaque = 0;
  double spanX = 0;
  double spanY = 0;
  int topWidth = 0;
  int bottomWidth = 0;
};

// Every file under folder with its bytes (its size and time for a large
// one), by relative path.
std::map<std::string, std::string> snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string& seen = files[fs::relative(entry.path(), folder).string()];
    if (!entry.is_regular_file()) {
      seen = "(folder)";
    } else if (entry.file_size() > (1u << 20)) {
      seen = std::to_string(entry.file_size()) + " bytes, written " +
             std::to_string(entry.last_write_time().time_since_epoch().count());
    } else {
      seen = readFile(entry.path().string());
    }
  }
  return files;
}

class ThumbnailToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(runCommand("mkdir -p out && cp -R '" + sourcePath("samples") + "' models"), 0);
    writeFile("summary.py", kPngSummary);
  }
  // Runs the tool from the scratch folder.
  int thumbnail(const std::string& arguments, std::string* err = nullptr) {
    return runCommand("'" + runtimePath("vistrel-tool") + "' thumbnail " + arguments, nullptr, err);
  }
  PngSummary summary(const std::string& path) {
    std::string out, err;
    PngSummary png;
    EXPECT_EQ(runCommand("python3 summary.py '" + path + "'", &out, &err), 0) << path << err;
    std::istringstream(out) >> png.width >> png.height >> png.colourType >> png.cornerAlpha >>
        png.centreOpaque >> png.spanX >> png.spanY >> png.topWidth >> png.bottomWidth;
    return png;
  }
  // No report anywhere, the models untouched, and in out/ only what is expected.
  void expectNothingElseWritten(const std::map<std::string, std::string>& models,
                                const std::vector<std::string>& expectedOut) {
    std::map<std::string, std::string> now = snapshot(scratch_.file("models"));
    std::vector<std::string> changed;
    for (const auto& file : now) {
      if (models.count(file.first) == 0 || models.at(file.first) != file.second) {
        changed.push_back(file.first);
      }
    }
    for (const auto& file : models) {
      if (now.count(file.first) == 0) changed.push_back(file.first + " (removed)");
    }
    EXPECT_TRUE(changed.empty()) << "changed in the model folder: "
                                 << ::testing::PrintToString(changed);
    EXPECT_FALSE(fileExists(scratch_.file("ModelStats.txt")));
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(scratch_.file("out"))) {
      written.push_back(entry.path().filename().string());
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, expectedOut);
  }
  ScratchDir scratch_;
};

TEST_F(ThumbnailToolTest, EverySampleFillsATransparentPictureOfTheAskedSize) {
  const std::map<std::string, std::string> models = snapshot(scratch_.file("models"));
  std::vector<std::string> expected;
  for (const auto& entry : fs::directory_iterator(scratch_.file("models"))) {
    if (entry.path().extension() != ".3do") continue;
    const std::string name = entry.path().stem().string();
    for (int size : {128, 256}) {
      const std::string png = name + "_" + std::to_string(size) + ".png";
      std::string err;
      ASSERT_EQ(
          thumbnail("models/" + name + ".3do out/" + png + " --size " + std::to_string(size), &err),
          0)
          << png << ": " << err;
      expected.push_back(png);
      const PngSummary picture = summary("out/" + png);
      EXPECT_EQ(picture.width, size) << png;
      EXPECT_EQ(picture.height, size) << png;
      EXPECT_EQ(picture.colourType, 6) << png << ": RGBA";
      EXPECT_EQ(picture.cornerAlpha, 0) << png << ": transparent corners";
      EXPECT_GT(picture.centreOpaque, size * size / 16) << png << ": the model in the middle";
      EXPECT_GE(std::max(picture.spanX, picture.spanY), 0.8) << png << ": the model fills";
      EXPECT_LE(std::max(picture.spanX, picture.spanY), 0.95) << png << ": inside the margin";
      if (name == "robot") {
        EXPECT_LT(picture.topWidth * 3, picture.bottomWidth) << png << ": antenna up, feet down";
      }
    }
  }
  EXPECT_EQ(expected.size(), 10u) << "five samples, two sizes";
  std::sort(expected.begin(), expected.end());
  expectNothingElseWritten(models, expected);
}

TEST_F(ThumbnailToolTest, HostileInputFailsAndLeavesNothingBehind) {
  std::string bytes;
  unsigned state = 12345;
  for (int i = 0; i < 20000; ++i) {
    state = state * 1103515245u + 12345u;
    bytes.push_back(static_cast<char>(state >> 16));
  }
  writeFile("models/random.3do", bytes);
  const std::string robot = readFile(scratch_.file("models/robot.3do"));
  writeFile("models/truncated.3do", robot.substr(0, robot.size() / 2));
  // Loads, but its one face names a vertex the mesh does not have.
  writeFile("models/no_triangle.3do",
            "MODEL\n3DO 2.1\nRESOURCES\nMATERIALS 0\nGEOMETRY\nRADIUS 1\nINSERT OFFSET 0 0 0\n"
            "LEVELS 1\nLEVEL 0\nMESHES 1\nMESH 0\nNAME square\nRADIUS 1\nDRAW MODE 4\n"
            "LIGHT MODE 3\nTEXTURE MODE 3\nVERTICES 3\n 0: 1 0 -1\n 1: -1 0 -1\n 2: -1 0 1\n"
            "TEXTURE VERTICES 0\nVERTEX NORMALS\n 0: 0 1 0\n 1: 0 1 0\n 2: 0 1 0\n"
            "FACES 1\n 0: 0 0x0000 1 3 0 0.0 3 0,0 1,0 9,0\nFACE NORMALS\n 0: 0 1 0\n"
            "HIERARCHY\nHIERARCHY NODES 1\n"
            " 0: 0x0000 0 0 -1 0 0 0 0 0 0 0 0 0 0 0 0 square\n");
  // Sparse: two gigabytes on the file's word, a few blocks on disk.
  writeFile("models/huge.3do", "MODEL\n3DO 2.1\n");
  fs::resize_file(scratch_.file("models/huge.3do"), 2ull << 30);
  writeFile("out/kept.png", "an older picture");
  const std::map<std::string, std::string> models = snapshot(scratch_.file("models"));

  for (const char* name : {"random", "truncated", "no_triangle", "huge", "missing"}) {
    std::string err;
    EXPECT_EQ(thumbnail(std::string("models/") + name + ".3do out/" + name + ".png", &err), 1)
        << name;
    EXPECT_FALSE(err.empty()) << name << ": says why";
  }
  EXPECT_EQ(thumbnail("models/random.3do out/kept.png"), 1);
  EXPECT_EQ(readFile(scratch_.file("out/kept.png")), "an older picture");
  expectNothingElseWritten(models, {"kept.png"});
}

// The wall-clock bound stops a run whose read never ends: one of the robot's
// MAT files is a FIFO that nobody writes, so opening it waits for ever.
TEST_F(ThumbnailToolTest, AReadThatNeverEndsIsStoppedByTheTimeLimit) {
  ASSERT_EQ(runCommand("mkdir stuck && cp models/robot.3do models/*.mat stuck/ && "
                       "rm stuck/robot_face.mat && mkfifo stuck/robot_face.mat"),
            0);
  std::string err;
  EXPECT_EQ(thumbnail("stuck/robot.3do out/robot.png", &err), 1);
  EXPECT_NE(err.find("vistrel-tool thumbnail: time limit reached"), std::string::npos) << err;
  EXPECT_TRUE(fs::is_empty(scratch_.file("out")));
}

TEST_F(ThumbnailToolTest, UsageErrorsAndHelp) {
  std::string out, err;
  EXPECT_EQ(runCommand("'" + runtimePath("vistrel-tool") + "' thumbnail --help", &out), 0);
  EXPECT_NE(out.find("usage: vistrel-tool thumbnail"), std::string::npos) << out;
  for (const char* arguments :
       {"", "models/cube.3do", "models/cube.3do out/a.png --size 0",
        "models/cube.3do out/a.png --size 1025", "models/cube.3do out/a.png --size 12x",
        "models/cube.3do out/a.png --size", "models/cube.3do out/a.png out/b.png",
        "models/cube.3do out/a.png --shiny"}) {
    EXPECT_EQ(thumbnail(arguments, &err), 2) << "'" << arguments << "'";
    EXPECT_NE(err.find("usage: vistrel-tool thumbnail"), std::string::npos) << arguments;
  }
  EXPECT_TRUE(fs::is_empty(scratch_.file("out")));
}

}  // namespace
