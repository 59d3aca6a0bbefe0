// Benchmark of the TGA reader: uncompressed (type 2) and run-length encoded
// (type 10) images of 24 and 32 bits at 1024 x 1024 and 4096 x 4096, read
// from files in a temporary folder. Prints, per case, the file size, the best
// of several reads and the decoding speed in MB/s of decoded pixel bytes.
//
// usage: bench_tga_decode [REPEATS]   (default 5)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "image/tga_reader.h"
#include "platform/headless/headless.h"

namespace fs = std::filesystem;

namespace {

// A picture with both flat areas (long runs) and noisy ones (raw packets),
// as file-order pixel values.
std::vector<uint8_t> makePixels(int size, int bytesPerPixel) {
  std::vector<uint8_t> values(static_cast<size_t>(size) * size * bytesPerPixel);
  uint32_t seed = 12345;
  size_t i = 0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      bool flat = ((x / 64) + (y / 64)) % 2 == 0;
      seed = seed * 1664525u + 1013904223u;
      uint8_t noise = static_cast<uint8_t>(seed >> 24);
      values[i++] = flat ? 40 : noise;
      values[i++] = flat ? static_cast<uint8_t>(y) : static_cast<uint8_t>(noise ^ 0x5A);
      values[i++] = flat ? 200 : static_cast<uint8_t>(x);
      if (bytesPerPixel == 4) values[i++] = flat ? 255 : static_cast<uint8_t>(noise | 1);
    }
  }
  return values;
}

std::vector<uint8_t> runLength(const std::vector<uint8_t>& values, int bytesPerPixel) {
  const size_t count = values.size() / bytesPerPixel;
  auto same = [&](size_t a, size_t b) {
    return std::equal(&values[a * bytesPerPixel], &values[(a + 1) * bytesPerPixel],
                      &values[b * bytesPerPixel]);
  };
  std::vector<uint8_t> out;
  size_t i = 0;
  while (i < count) {
    size_t run = 1;
    while (i + run < count && run < 128 && same(i, i + run)) ++run;
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(127 + run));
      out.insert(out.end(), &values[i * bytesPerPixel], &values[(i + 1) * bytesPerPixel]);
      i += run;
      continue;
    }
    size_t raw = 1;
    while (i + raw < count && raw < 128 && !(i + raw + 1 < count && same(i + raw, i + raw + 1))) {
      ++raw;
    }
    out.push_back(static_cast<uint8_t>(raw - 1));
    out.insert(out.end(), &values[i * bytesPerPixel], &values[(i + raw) * bytesPerPixel]);
    i += raw;
  }
  return out;
}

bool writeImage(const std::string& path, int type, int size, int bits) {
  const int bytesPerPixel = bits / 8;
  std::vector<uint8_t> data = makePixels(size, bytesPerPixel);
  if (type == 10) data = runLength(data, bytesPerPixel);
  uint8_t header[18] = {0, 0, static_cast<uint8_t>(type)};
  header[12] = static_cast<uint8_t>(size & 0xFF);
  header[13] = static_cast<uint8_t>(size >> 8);
  header[14] = static_cast<uint8_t>(size & 0xFF);
  header[15] = static_cast<uint8_t>(size >> 8);
  header[16] = static_cast<uint8_t>(bits);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
            std::fwrite(data.data(), 1, data.size(), file) == data.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  headlessSetEchoBoxes(true);  // a failed read shows its box on stderr
  std::error_code error;
  const fs::path folder = fs::temp_directory_path() / "vistrel-bench-tga";
  fs::create_directories(folder, error);

  std::printf("%-6s %5s %11s %10s %10s %10s\n", "type", "bits", "size", "file MB", "best ms",
              "MB/s");
  int status = 0;
  for (int size : {1024, 4096}) {
    for (int type : {2, 10}) {
      for (int bits : {24, 32}) {
        const std::string path = (folder / "bench.tga").string();
        if (!writeImage(path, type, size, bits)) {
          std::fprintf(stderr, "bench_tga_decode: cannot write %s\n", path.c_str());
          return 1;
        }
        const double fileMb = static_cast<double>(fs::file_size(path, error)) / 1e6;
        const double pixelMb = static_cast<double>(size) * size * (bits / 8) / 1e6;
        double best = 1e30;
        for (int r = 0; r < repeats; ++r) {
          ImageData image;
          auto start = std::chrono::steady_clock::now();
          bool ok = loadTga(image, path.c_str());
          auto end = std::chrono::steady_clock::now();
          std::free(image.pixels);
          if (!ok) {
            status = 1;
            break;
          }
          best = std::min(best, std::chrono::duration<double>(end - start).count());
        }
        char dimensions[32];
        std::snprintf(dimensions, sizeof dimensions, "%dx%d", size, size);
        std::printf("%-6d %5d %11s %10.1f %10.2f %10.0f\n", type, bits, dimensions, fileMb,
                    best * 1e3, pixelMb / best);
        std::fflush(stdout);
      }
    }
  }
  fs::remove_all(folder, error);
  std::printf("(MB/s: decoded pixel bytes per second, best of %d reads from a warm file cache)\n",
              repeats);
  return status;
}
