// The fast 3DO reading against the plain stdio reading it replaces: the
// scanf-compatible scanner against the C library's sscanf and fscanf on
// generated text (return values, targets by their bits, characters
// consumed), float conversion against strtof, the block buffer against the
// FILE with tiny blocks so that every boundary is crossed, and whole loads
// (reports, boxes, every field of the Model) of the samples, the fuzz seeds,
// truncated, CRLF and long-line files and random mutants.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "fuzz/model_input.h"
#include "model/model_reader.h"
#include "model/model_scan.h"
#include "model/model_text_buffer.h"
#include "tests/model/model_compare.h"
#include "tests/model/model_test_files.h"
#include "tests/reference/model_text_stream.h"
#include "tests/reference/reference_reader.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

// Targets of one conversion, filled with a pattern first so that a target
// left alone is told from one written.
struct IntTarget {
  int value = 0x5A5A5A5A;
  int* pointer() { return &value; }
  bool operator==(const IntTarget& other) const { return value == other.value; }
};
struct FloatTarget {
  float value = -1234.5f;
  float* pointer() { return &value; }
  bool operator==(const FloatTarget& other) const {
    return std::memcmp(&value, &other.value, sizeof value) == 0;
  }
};
struct WordTarget {
  char value[300];
  WordTarget() { std::memset(value, 'Q', sizeof value); }
  char* pointer() { return value; }
  bool operator==(const WordTarget& other) const {
    return std::memcmp(value, other.value, sizeof value) == 0;
  }
};

// Text built from pieces that exercise every branch of the conversions.
std::string randomText(std::mt19937& random, size_t maxPieces, bool allowNul) {
  static const char* const kPieces[] = {"0",
                                        "1",
                                        "7",
                                        "42",
                                        "-",
                                        "+",
                                        ".",
                                        "e",
                                        "E",
                                        "x",
                                        "X",
                                        "p",
                                        "P",
                                        "a",
                                        "A",
                                        "n",
                                        "N",
                                        "i",
                                        "I",
                                        "f",
                                        "t",
                                        "y",
                                        " ",
                                        "  ",
                                        "\t",
                                        "\n",
                                        "\r\n",
                                        "\v",
                                        ",",
                                        ", ",
                                        "#",
                                        "0x",
                                        "0X1p3",
                                        "0x1.8p-2",
                                        "inf",
                                        "INF",
                                        "infinity",
                                        "infinite",
                                        "nan",
                                        "NaN",
                                        "nan(1)",
                                        "-nan",
                                        "1e5",
                                        "1e-5",
                                        "1e+",
                                        "2.5e",
                                        "123456789",
                                        "0.000001",
                                        "16777217",
                                        "3.4028236e38",
                                        "1e-46",
                                        "0x0002",
                                        "2147483648",
                                        "-2147483649",
                                        "4294967297",
                                        "99999999999999999999",
                                        "0x",
                                        "-.5",
                                        "5.",
                                        "1.2.3",
                                        "MESH",
                                        "RADIUS",
                                        "INSERT OFFSET",
                                        "NAME",
                                        "MATERIALS",
                                        "\xc3\xa9",
                                        "3,4",
                                        "1,",
                                        "0.500000",
                                        "-0.000000",
                                        "32.000000",
                                        "12345678.9"};
  std::uniform_int_distribution<size_t> pieceCount(0, maxPieces);
  std::uniform_int_distribution<size_t> pick(0, sizeof kPieces / sizeof kPieces[0] - 1);
  std::uniform_int_distribution<int> chance(0, 99);
  std::string text;
  for (size_t i = pieceCount(random); i > 0; --i) {
    if (allowNul && chance(random) == 0) {
      text.push_back('\0');
    } else if (chance(random) < 8) {
      text.push_back(static_cast<char>(std::uniform_int_distribution<int>(1, 255)(random)));
    } else {
      text += kPieces[pick(random)];
    }
  }
  return text;
}

template <typename... T>
void expectLineScanLikeSscanf(const std::string& line, const char* format) {
  std::tuple<T...> expected, actual;
  int expectedResult = std::apply(
      [&](auto&... target) { return std::sscanf(line.c_str(), format, target.pointer()...); },
      expected);
  int actualResult = std::apply(
      [&](auto&... target) { return scanModelLine(line.c_str(), format, target.pointer()...); },
      actual);
  EXPECT_EQ(actualResult, expectedResult) << "format \"" << format << "\" line \"" << line << "\"";
  EXPECT_TRUE(expected == actual) << "format \"" << format << "\" line \"" << line << "\"";
}

FILE* fileWith(const std::string& bytes) {
  FILE* file = std::tmpfile();
  if (!file) return nullptr;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
  return file;
}

// fscanf on a FILE and the scanner on the block buffer, over the same bytes:
// same result, same targets, same characters consumed.
template <typename... T>
void expectStreamScanLikeFscanf(const std::string& bytes, const char* format, size_t blockSize) {
  FILE* reference = fileWith(bytes);
  FILE* file = fileWith(bytes);
  ASSERT_TRUE(reference && file);
  ModelTextBuffer buffer;
  openModelTextBuffer(buffer, file, blockSize);
  std::tuple<T...> expected, actual;
  for (int round = 0; round < 3; ++round) {
    int expectedResult = std::apply(
        [&](auto&... target) { return std::fscanf(reference, format, target.pointer()...); },
        expected);
    int actualResult = std::apply(
        [&](auto&... target) { return scanModelBuffer(buffer, format, target.pointer()...); },
        actual);
    const std::string where = std::string("format \"") + format + "\" round " +
                              std::to_string(round) + " input \"" + bytes + "\"";
    ASSERT_EQ(actualResult, expectedResult) << where;
    ASSERT_TRUE(expected == actual) << where;
    ASSERT_EQ(modelBufferOffset(buffer), std::ftell(reference)) << where;
  }
  closeModelTextBuffer(buffer);
  std::fclose(file);
  std::fclose(reference);
}

TEST(ModelScanTest, LineScanMatchesSscanfOnGeneratedText) {
  std::mt19937 random(20261207);
  using S = WordTarget;
  using F = FloatTarget;
  using D = IntTarget;
  for (int i = 0; i < 6000; ++i) {
    std::string line = randomText(random, 12, false);
    if (line.size() > 255) line.resize(255);
    std::string keyword = (i % 3 == 0 ? "" : "RADIUS ") + line;
    expectLineScanLikeSscanf<S, F, F, F>(line, "%255s %f %f %f");
    expectLineScanLikeSscanf<S, F, F>(line, "%255s %f %f");
    expectLineScanLikeSscanf<F, F, F, F>(line, "%f %f %f %f");
    expectLineScanLikeSscanf<D, D, D>(line, "%d %d %d");
    expectLineScanLikeSscanf<D, D, D>(line, "%d 0x%d %*s %*s %*s %*s %d");
    expectLineScanLikeSscanf<D, D>(line, "%d, %d");
    expectLineScanLikeSscanf<S, S>(line, "%255s %255s");
    expectLineScanLikeSscanf<S, S>(line, "%3s%2s");
    expectLineScanLikeSscanf<F>(keyword, "RADIUS %f");
    expectLineScanLikeSscanf<D>("MESH " + line, "MESH %d");
    expectLineScanLikeSscanf<D>(line, "MESH %d");
    expectLineScanLikeSscanf<S>("NAME" + line, "NAME %255s");
    expectLineScanLikeSscanf<F, F, F>("INSERT OFFSET" + line, "INSERT OFFSET %f %f %f");
    expectLineScanLikeSscanf<S, S, S, D, D, S, S, S, F, F, F, S, S, S, F, F, F>(
        line + " " + randomText(random, 12, false),
        "%255s %255s %255s %d %d %255s %255s %255s %f %f %f %255s %255s %255s %f %f %f");
    if (HasFailure()) return;
  }
}

// The one-pass reading of the usual rows and face-list numbers, on rows and
// face lists that are usual and on ones changed in one place so that they
// are almost usual: every result must be sscanf's and fscanf's, in every
// block size (a number cut by the block's end goes the general way).
TEST(ModelScanTest, OnePassRowsAndFaceNumbersMatchScanfOnUsualAndNearlyUsualText) {
  const std::vector<std::string> rows = {"12: 0.693293 0.000000 -0.168614\n",
                                         "7:\t-1.5\v+2.25 3\r\n",
                                         "x 1 2 3",
                                         std::string(255, 'w') + " 1 2 3",
                                         std::string(256, 'w') + " 1 2 3",
                                         "a 1e5 2 3",
                                         "a 0x1p3 2 3",
                                         "a 1234567890123456789 2 3",
                                         "a 16777217 0.00000000001 3",
                                         "a inf nan 3",
                                         "a -0.0 +.5 5.",
                                         "a . - 3",
                                         "a 1.0 2.0 3.0abc",
                                         "a 1.0,2.0 3.0",
                                         "a 1 2",
                                         "a",
                                         "",
                                         "   ",
                                         "a 00000000000000000000001 2 3",
                                         "a 0.1 0.2 0.3"};
  std::mt19937 random(99);
  const std::string noise = "0123456789 -+.,xXeE\t\r\nab";
  auto mutate = [&](std::string text) {
    if (text.empty()) return text;
    const size_t at = std::uniform_int_distribution<size_t>(0, text.size() - 1)(random);
    text[at] = noise[std::uniform_int_distribution<size_t>(0, noise.size() - 1)(random)];
    return text;
  };
  for (int round = 0; round < 40; ++round) {
    for (const std::string& row : rows) {
      const std::string line = round == 0 ? row : mutate(row);
      char expectedWord[256] = "?", actualWord[256] = "?";
      float e[3] = {1, 2, 3}, a[3] = {1, 2, 3};
      ASSERT_EQ(scanModelLineWordFloats(line.c_str(), actualWord, &a[0], &a[1], &a[2]),
                std::sscanf(line.c_str(), "%255s %f %f %f", expectedWord, &e[0], &e[1], &e[2]))
          << line;
      ASSERT_STREQ(actualWord, expectedWord) << line;
      ASSERT_EQ(std::memcmp(a, e, sizeof a), 0) << line;
      ASSERT_EQ(scanModelLineWordFloats(line.c_str(), actualWord, &a[0], &a[1], nullptr),
                std::sscanf(line.c_str(), "%255s %f %f", expectedWord, &e[0], &e[1]))
          << line;
      ASSERT_STREQ(actualWord, expectedWord) << line;
      ASSERT_EQ(std::memcmp(a, e, sizeof a), 0) << line;
    }
  }

  const std::string usualFaces =
      "0: 0 0x0000 1 3 0 0.000000 3 0,0 51,51 52,52\n"
      "1: 2 0x0002 1 3 0 0.000000 4 0,0\t52,52 1,1 7,7\r\n"
      "2: -1 0x0010 1 3 0 0.5 3 +1,-2 99999999999999999999,3 4 ,5\n"
      "3: 1 0X0000 1 3 0 0 3 1,1 2,2 3,3\n";
  for (int round = 0; round < 60; ++round) {
    std::string bytes = usualFaces;
    for (int k = 0; k < round % 4; ++k) bytes = mutate(bytes);
    for (size_t block :
         {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{16}, size_t{61}, size_t{0}}) {
      FILE* reference = fileWith(bytes);
      FILE* file = fileWith(bytes);
      ASSERT_TRUE(reference && file);
      ModelTextBuffer buffer;
      openModelTextBuffer(buffer, file, block);
      for (int step = 0; step < 60; ++step) {
        const std::string where = "round " + std::to_string(round) + " block " +
                                  std::to_string(block) + " step " + std::to_string(step);
        char expectedText[256] = "?", actualText[256] = "?";
        int32_t e[3] = {7, 8, 9}, a[3] = {7, 8, 9};
        int expectedResult = 0, actualResult = 0;
        const int op = step % 6;
        if (op == 0) {
          expectedResult = readStreamWord(reference, expectedText, sizeof expectedText);
          actualResult = readStreamWord(buffer, actualText, sizeof actualText);
        } else if (op == 1) {
          expectedResult = scanFaceHead(reference, e[0], e[1], e[2]);
          actualResult = scanFaceHead(buffer, a[0], a[1], a[2]);
        } else if (op == 5) {
          skipRestOfLine(reference);
          skipRestOfLine(buffer);
        } else {
          expectedResult = scanCornerPair(reference, e[0], e[1]);
          actualResult = scanCornerPair(buffer, a[0], a[1]);
        }
        ASSERT_EQ(actualResult, expectedResult) << where << "\n" << bytes;
        ASSERT_STREQ(actualText, expectedText) << where;
        ASSERT_TRUE(std::equal(e, e + 3, a)) << where;
        ASSERT_EQ(modelBufferOffset(buffer), std::ftell(reference)) << where;
      }
      closeModelTextBuffer(buffer);
      std::fclose(file);
      std::fclose(reference);
    }
  }
}

TEST(ModelScanTest, StreamScanConsumesWhatFscanfConsumes) {
  std::mt19937 random(7);
  using F = FloatTarget;
  using D = IntTarget;
  using S = WordTarget;
  for (int i = 0; i < 1500; ++i) {
    const std::string bytes = randomText(random, 10, true);
    const size_t block = 1 + static_cast<size_t>(i % 5);
    expectStreamScanLikeFscanf<D, D, D>(bytes, "%d 0x%d %*s %*s %*s %*s %d", block);
    expectStreamScanLikeFscanf<D, D>(bytes, "%d, %d", block);
    expectStreamScanLikeFscanf<F>(bytes, "%f", block);
    expectStreamScanLikeFscanf<F, D, S>(bytes, "%f %d%4s", block);
    expectStreamScanLikeFscanf<S>(bytes, "x %*s %s ", block);
    if (HasFailure()) return;
  }
}

TEST(ModelScanTest, IntegersOutOfRangeAreCutAsSscanfCutsThem) {
  const char* const kNumbers[] = {"2147483647",
                                  "2147483648",
                                  "4294967297",
                                  "-2147483649",
                                  "9223372036854775807",
                                  "9223372036854775808",
                                  "-9223372036854775808",
                                  "-9223372036854775809",
                                  "18446744073709551617",
                                  "99999999999999999999999999",
                                  "-99999999999999999999999999",
                                  "000000000000000000000000012",
                                  "+5",
                                  "-0",
                                  "0x10",
                                  "- 5",
                                  "+-5"};
  for (const char* number : kNumbers) expectLineScanLikeSscanf<IntTarget>(number, "%d");
  // The values glibc gives: strtol saturates at the range of long, and the
  // store into an int keeps the low 32 bits.
  int value = 0;
  ASSERT_EQ(scanModelLine("4294967297", "%d", &value), 1);
  EXPECT_EQ(value, 1);
  ASSERT_EQ(scanModelLine("99999999999999999999", "%d", &value), 1);
  EXPECT_EQ(value, -1);
  ASSERT_EQ(scanModelLine("-99999999999999999999", "%d", &value), 1);
  EXPECT_EQ(value, 0);
}

// convertModelFloat must give the bits strtof gives for every text %f can
// collect: the fast path for plain decimals and the fallback alike.
TEST(ModelScanTest, FloatConversionGivesStrtofBits) {
  std::vector<std::string> texts = {"",
                                    "-",
                                    "+",
                                    "0",
                                    "-0",
                                    "0.000000",
                                    "-0.000000",
                                    "1",
                                    "16777216",
                                    "16777217",
                                    "16777218",
                                    "16777219",
                                    "0.1",
                                    "0.3",
                                    "1.5",
                                    "3.4028235e38",
                                    "3.4028236e38",
                                    "1e39",
                                    "1e-38",
                                    "1e-45",
                                    "1e-46",
                                    "7e-46",
                                    "0x1p3",
                                    "0X1.8P-2",
                                    "0x1p-150",
                                    "0x1.fffffep127",
                                    "inf",
                                    "-INF",
                                    "infinity",
                                    "nan",
                                    "-nan",
                                    "NAN",
                                    "1e",
                                    "1e+",
                                    "1.",
                                    ".5",
                                    "-.5",
                                    "00000000000000000000001.5",
                                    "0.1000000000000000055511151231257827",
                                    "1.00000005960464477539062499",
                                    "1.00000005960464477539062500",
                                    "1.00000005960464477539062501",
                                    "123456789012345678901234",
                                    "9999999999",
                                    "0.0000000001",
                                    "0.00000000001",
                                    "12345678.9",
                                    "1677721.7"};
  std::mt19937 random(99);
  std::uniform_real_distribution<double> wide(-70000, 70000);
  std::uniform_int_distribution<uint32_t> bits;
  char text[64];
  for (int i = 0; i < 300000; ++i) {
    std::snprintf(text, sizeof text, "%.6f", wide(random));
    texts.push_back(text);
  }
  for (int i = 0; i < 100000; ++i) {
    uint32_t pattern = bits(random);
    float value;
    std::memcpy(&value, &pattern, sizeof value);
    const char* formats[] = {"%.9g", "%.6f", "%.3e", "%a", "%.8g"};
    std::snprintf(text, sizeof text, formats[i % 5], static_cast<double>(value));
    texts.push_back(text);
  }
  for (int digits = 1; digits <= 12; ++digits) {
    for (int i = 0; i < 20000; ++i) {
      std::string number = std::to_string(bits(random) % 100000000);
      number.insert(
          number.size() > static_cast<size_t>(digits % 9) ? number.size() - digits % 9 : 0, ".");
      texts.push_back((i % 2 ? "-" : "") + number);
    }
  }
  size_t mismatches = 0;
  for (const std::string& candidate : texts) {
    char* stop = nullptr;
    float expected = std::strtof(candidate.c_str(), &stop);
    float actual = 0;
    bool converted = convertModelFloat(candidate.c_str(), candidate.size(), actual);
    EXPECT_EQ(converted, stop != candidate.c_str()) << candidate;
    if (converted && std::memcmp(&expected, &actual, sizeof actual) != 0) {
      if (++mismatches < 10) ADD_FAILURE() << candidate << ": " << expected << " vs " << actual;
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

// One random operation of the loader's text access, on the FILE and on the
// block buffer; every result and the offset after it must agree.
TEST(ModelTextBufferTest, EveryOperationMatchesStdioAcrossBlockBoundaries) {
  std::mt19937 random(4242);
  std::uniform_int_distribution<int> operation(0, 5);
  for (int file = 0; file < 600; ++file) {
    std::string bytes;
    const int lines = std::uniform_int_distribution<int>(0, 12)(random);
    for (int i = 0; i < lines; ++i) {
      bytes += randomText(random, 8, true);
      if (i % 5 == 3) bytes += std::string(250 + static_cast<size_t>(i % 9), 'w');
      if (i % 7 == 2)
        bytes += std::string(254 - std::min<size_t>(bytes.size() % 256, 254), 'c') + "\r";
      bytes += i % 4 == 0 ? "\r\n" : "\n";
    }
    if (file % 3 == 0) bytes += randomText(random, 4, true);  // no final line end

    FILE* reference = fileWith(bytes);
    FILE* stream = fileWith(bytes);
    ASSERT_TRUE(reference && stream);
    ModelTextBuffer buffer;
    openModelTextBuffer(buffer, stream, file % 2 ? 1 + static_cast<size_t>(file % 13) : 0);
    for (int step = 0; step < 40; ++step) {
      const int op = operation(random);
      const std::string where = "file " + std::to_string(file) + " step " + std::to_string(step) +
                                " op " + std::to_string(op);
      char expectedText[256], actualText[256];
      std::memset(expectedText, 1, sizeof expectedText);
      std::memset(actualText, 1, sizeof actualText);
      int32_t e[3] = {7, 8, 9}, a[3] = {7, 8, 9};
      int expectedResult = 0, actualResult = 0;
      switch (op) {
        case 0:
          expectedResult = readRawModelLine(expectedText, reference);
          actualResult = readRawModelLine(actualText, buffer);
          break;
        case 1:
          expectedResult = readModelLine(expectedText, reference);
          actualResult = readModelLine(actualText, buffer);
          break;
        case 2: {
          const size_t size = step % 3 == 0 ? 4 : sizeof expectedText;
          expectedResult = readStreamWord(reference, expectedText, size);
          actualResult = readStreamWord(buffer, actualText, size);
          break;
        }
        case 3:
          skipRestOfLine(reference);
          skipRestOfLine(buffer);
          break;
        case 4:
          expectedResult = scanFaceHead(reference, e[0], e[1], e[2]);
          actualResult = scanFaceHead(buffer, a[0], a[1], a[2]);
          break;
        default:
          expectedResult = scanCornerPair(reference, e[0], e[1]);
          actualResult = scanCornerPair(buffer, a[0], a[1]);
          break;
      }
      ASSERT_EQ(actualResult, expectedResult) << where;
      ASSERT_EQ(std::memcmp(expectedText, actualText, sizeof actualText), 0) << where;
      ASSERT_TRUE(std::equal(e, e + 3, a)) << where;
      ASSERT_EQ(modelBufferOffset(buffer), std::ftell(reference)) << where;
      ASSERT_EQ(bufferRemaining(buffer, static_cast<long long>(bytes.size())),
                streamRemaining(reference, static_cast<long long>(bytes.size())))
          << where;
    }
    closeModelTextBuffer(buffer);
    std::fclose(stream);
    std::fclose(reference);
  }
}

class ModelReaderEquivalenceTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    headlessSetEchoBoxes(false);
  }
  void TearDown() override {
    headlessSetEchoBoxes(true);
    GlTest::TearDown();
  }

  // Loads path both ways; the result, the report, the boxes and the Model
  // must be the same.
  void expectSameLoad(const std::string& path, const std::string& what) {
    Model reference, fast;
    reference.fallbackTexture = fast.fallbackTexture = 4000000000u;  // never handed out
    reference.fallbackTextureSize = fast.fallbackTextureSize = 8;
    std::string referenceReport, fastReport;
    clearBoxes();
    const bool referenceLoaded = loadModelReference(reference, path.c_str(), &referenceReport);
    const std::vector<std::string> referenceBoxes = boxLines();
    clearBoxes();
    const bool fastLoaded = loadModelWithReport(fast, path.c_str(), &fastReport);
    const std::vector<std::string> fastBoxes = boxLines();
    EXPECT_EQ(fastLoaded, referenceLoaded) << what;
    EXPECT_EQ(fastReport, referenceReport) << what;
    EXPECT_EQ(fastBoxes, referenceBoxes) << what;
    EXPECT_EQ(readFile("ModelStats.txt"), fastReport) << what;
    EXPECT_EQ(compareModels(fast, reference), "") << what;
    ++loads_;
    releaseModel(reference);
    releaseModel(fast);
  }

  void expectSameLoadOfText(const std::string& text, const std::string& what) {
    writeFile("model.3do", text);
    expectSameLoad("model.3do", what);
  }

  int loads_ = 0;
};

// A model with everything the reader handles: comments and blank lines in
// the lists, a fan, a type-2 face, a "#" word where a face begins, a missing
// MAT, words after the last corner pair, and two meshes.
std::string richModel() {
  MeshText first = squareMesh(
      0,
      "# faces\n0: 0 0x0002 1 3 0 0 4 0,0 1,1 2,2 3,3\n#only\n1: 1 0x0 a b c d 3 0, 1 2 ,3 1,1 x\n",
      2);
  first.vertices[1] = "1.5e0 -0 0x1p-1";
  first.texVertices[2] = "63.999999 16777217";
  MeshText second = squareMesh(
      1, "0: 0 0x0000 1 3 0 0 3 0,0 1,1 2,2\n\n1: 0 0x0000 a b c d 5 2,2 3,3 0,0 1,1 2,2\n", 2);
  return "# rich\n\n" + modelText({"t.mat", "missing.mat"}, {first, second}) + "trailing words\n";
}

TEST_F(ModelReaderEquivalenceTest, SamplesSeedsAndTestFilesLoadAlikeBothWays) {
  for (const auto& entry : fs::directory_iterator(sourcePath("samples"))) {
    fs::copy_file(entry.path(), fs::path(scratch_->path()) / entry.path().filename(),
                  fs::copy_options::overwrite_existing);
  }
  for (const auto& entry : fs::directory_iterator(scratch_->path())) {
    if (entry.path().extension() == ".3do") {
      expectSameLoad(entry.path().filename().string(), entry.path().string());
      expectSameLoad(entry.path().string(), entry.path().string());
    }
  }
  // The fuzz seeds and past findings: a model text and its MAT files.
  for (const char* folder : {"fuzz/corpus/model", "tests/fuzz/inputs/model", "fuzz/corpus/draw"}) {
    if (!fs::is_directory(sourcePath(folder))) continue;
    for (const auto& entry : fs::directory_iterator(sourcePath(folder))) {
      const std::string input = readFile(entry.path().string());
      std::vector<std::string> parts = splitModelInput(input.data(), input.size());
      for (size_t i = 0; i < parts.size(); ++i) writeFile(kModelInputNames[i], parts[i]);
      expectSameLoad("model.3do", entry.path().string());
      for (size_t i = 1; i < parts.size(); ++i) std::remove(kModelInputNames[i]);
    }
  }
  writeFile("t.mat", matBytes(2, 1, {6, 31}));
  const std::string rich = richModel();
  expectSameLoadOfText(rich, "rich model");
  for (size_t cut = 0; cut <= rich.size(); ++cut) {
    expectSameLoadOfText(rich.substr(0, cut), "cut at " + std::to_string(cut));
    if (HasFailure()) return;
  }
  std::string crlf;
  for (char c : rich) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  expectSameLoadOfText(crlf, "CRLF");
  for (size_t cut = 0; cut <= crlf.size(); cut += 7) {
    expectSameLoadOfText(crlf.substr(0, cut), "CRLF cut at " + std::to_string(cut));
  }
  // Lines longer than 255 characters carry over; a CR lands on the limit.
  std::string longLines = rich;
  size_t at = longLines.find("RADIUS 2");
  longLines.insert(at + 8, std::string(260, ' ') + "5");
  at = longLines.find("MESH 0");
  longLines.insert(at, "#" + std::string(253, 'c') + "\r\n" + std::string(300, 'z') + " # x\n");
  expectSameLoadOfText(longLines, "long lines");
  EXPECT_GT(loads_, 100);
}

// Random mutants of the rich model: bytes removed, repeated, replaced and
// tokens inserted where the reader is most particular.
TEST_F(ModelReaderEquivalenceTest, MutatedModelsLoadAlikeBothWays) {
  writeFile("t.mat", matBytes(2, 1, {6, 31}));
  static const char* const kTokens[] = {
      "#",  "\n", "\r\n",       " ",     "\r",       "0x",        ",",  "-1", "nan", "inf",
      "1e", "-",  "2147483648", "0x1p3", "MESH 1\n", "FACES 3\n", "\t", "9",  "."};
  const std::string rich = richModel();
  std::mt19937 random(31337);
  for (int mutant = 0; mutant < 500; ++mutant) {
    std::string text = rich;
    const int edits = 1 + mutant % 4;
    for (int edit = 0; edit < edits; ++edit) {
      std::uniform_int_distribution<size_t> position(0, text.size());
      const size_t at = position(random);
      switch (random() % 4) {
        case 0:
          text.erase(at, random() % 6);
          break;
        case 1:
          text.insert(at, kTokens[random() % (sizeof kTokens / sizeof kTokens[0])]);
          break;
        case 2:
          if (at < text.size()) text[at] = static_cast<char>(random() % 256);
          break;
        default:
          text.insert(at, text.substr(at, random() % 40));
          break;
      }
    }
    expectSameLoadOfText(text, "mutant " + std::to_string(mutant) + ":\n" + text);
    if (HasFailure()) return;
  }
}

}  // namespace
