// bench_make_torus: writes one textured torus twice, as a 3DO model with a
// 64 x 64 MAT texture and as an OBJ with an MTL and a PNG texture, for the
// side-by-side comparison with general viewers (bench/compare.sh). Both files
// hold the same vertices, normals and texture coordinates: the OBJ gets them
// with the viewer's axis mapping applied ((x, y, z) becomes (-x, z, y)) and
// the texture coordinates divided by the texture size, so that both draw the
// same picture. Faces have three corners only; every band of the torus
// (a slice around its main axis) is one mesh, one OBJ object.
//
// usage: bench_make_torus FOLDER small|large
//   small: 10 bands of 100 triangles (1,000 triangles)
//   large: 100 bands of 2,000 triangles (200,000 triangles)
// writes FOLDER/torus.3do, torus.mat, torus.obj, torus.mtl, torus.png
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/mat_reader.h"

namespace {

constexpr int kTextureSize = 64;
constexpr double kMajorRadius = 1.0;
constexpr double kMinorRadius = 0.35;
constexpr double kPi = 3.14159265358979323846;

struct Shape {
  int bands;     // meshes around the main axis
  int rings;     // steps of each band along the main circle
  int segments;  // steps around the tube
};

// Palette index of texel (x, y): stripes and a marker in one corner, so a
// flipped or mirrored texture shows.
unsigned char texel(int x, int y) {
  if (x < 12 && y < 12) return 250;
  int stripe = ((x / 8) + (y / 16)) % 4;
  static const unsigned char colours[4] = {40, 90, 140, 200};
  return colours[stripe];
}

bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

bool writeMat(const std::string& path) {
  std::vector<unsigned char> bytes(140, 0);
  std::memcpy(bytes.data(), "MAT 2", 5);
  bytes[116] = kTextureSize;
  bytes[120] = kTextureSize;
  for (int y = 0; y < kTextureSize; ++y) {
    for (int x = 0; x < kTextureSize; ++x) bytes.push_back(texel(x, y));
  }
  return writeBytes(path, bytes);
}

uint32_t crc32(const unsigned char* data, size_t size, uint32_t crc = 0) {
  static uint32_t table[256];
  if (table[1] == 0) {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
  }
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void putBig32(std::vector<unsigned char>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<unsigned char>(value >> shift));
}

void pngChunk(std::vector<unsigned char>& out, const char* type,
              const std::vector<unsigned char>& data) {
  putBig32(out, static_cast<uint32_t>(data.size()));
  std::vector<unsigned char> typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  out.insert(out.end(), typed.begin(), typed.end());
  putBig32(out, crc32(typed.data(), typed.size()));
}

// The MAT's colours as an RGB PNG (stored deflate blocks, no compression).
// OBJ texture coordinates count v from the bottom of the image, so the rows
// go in reverse: v = 0 meets the MAT's first row, as in the viewer.
bool writePng(const std::string& path) {
  std::vector<unsigned char> raw;
  for (int row = kTextureSize - 1; row >= 0; --row) {
    raw.push_back(0);  // filter: none
    for (int x = 0; x < kTextureSize; ++x) {
      const unsigned char* rgb = matPalette[texel(x, row)];
      raw.insert(raw.end(), rgb, rgb + 3);
    }
  }
  std::vector<unsigned char> zlib = {0x78, 0x01};
  size_t offset = 0;
  while (offset < raw.size()) {
    size_t length = std::min<size_t>(65535, raw.size() - offset);
    zlib.push_back(offset + length == raw.size() ? 1 : 0);
    zlib.push_back(static_cast<unsigned char>(length & 0xFF));
    zlib.push_back(static_cast<unsigned char>(length >> 8));
    zlib.push_back(static_cast<unsigned char>(~length & 0xFF));
    zlib.push_back(static_cast<unsigned char>((~length >> 8) & 0xFF));
    zlib.insert(zlib.end(), raw.begin() + static_cast<long>(offset),
                raw.begin() + static_cast<long>(offset + length));
    offset += length;
  }
  uint32_t a = 1, b = 0;
  for (unsigned char byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  putBig32(zlib, (b << 16) | a);

  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> header;
  putBig32(header, kTextureSize);
  putBig32(header, kTextureSize);
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB
  pngChunk(png, "IHDR", header);
  pngChunk(png, "IDAT", zlib);
  pngChunk(png, "IEND", {});
  return writeBytes(path, png);
}

struct Point {
  double x, y, z;
};

// Corner (ring, segment) of band b, in model-file axes (z up).
void corner(const Shape& shape, int band, int ring, int segment, Point& position, Point& normal,
            double& u, double& v) {
  double theta = 2 * kPi * (band * shape.rings + ring) / (shape.bands * shape.rings);
  double phi = 2 * kPi * segment / shape.segments;
  double tube = kMajorRadius + kMinorRadius * std::cos(phi);
  position = {tube * std::cos(theta), tube * std::sin(theta), kMinorRadius * std::sin(phi)};
  normal = {std::cos(phi) * std::cos(theta), std::cos(phi) * std::sin(theta), std::sin(phi)};
  u = kTextureSize * static_cast<double>(ring) / shape.rings;
  v = kTextureSize * static_cast<double>(segment) / shape.segments;
}

// The two triangles of each quad, wound counter-clockwise seen from outside.
void bandTriangles(const Shape& shape, std::vector<int>& corners) {
  int row = shape.segments + 1;
  for (int ring = 0; ring < shape.rings; ++ring) {
    for (int segment = 0; segment < shape.segments; ++segment) {
      int a = ring * row + segment, b = (ring + 1) * row + segment;
      int c = (ring + 1) * row + segment + 1, d = ring * row + segment + 1;
      corners.insert(corners.end(), {a, b, c, a, c, d});
    }
  }
}

// Numbers are printed with six decimals, so both files carry the same values.
bool writeModels(const std::string& folder, const Shape& shape) {
  FILE* model = std::fopen((folder + "/torus.3do").c_str(), "w");
  FILE* obj = std::fopen((folder + "/torus.obj").c_str(), "w");
  FILE* mtl = std::fopen((folder + "/torus.mtl").c_str(), "w");
  if (!model || !obj || !mtl) return false;
  std::fprintf(mtl, "newmtl torus\nKa 0 0 0\nKd 1 1 1\nKs 0 0 0\nmap_Kd torus.png\n");
  std::fprintf(obj, "# textured torus, %d bands\nmtllib torus.mtl\n", shape.bands);

  int perBand = (shape.rings + 1) * (shape.segments + 1);
  std::vector<int> corners;
  bandTriangles(shape, corners);
  int triangles = static_cast<int>(corners.size() / 3);

  std::fprintf(model, "# textured torus, %d bands of %d triangles\nMODEL\n3DO 2.1\n\n", shape.bands,
               triangles);
  std::fprintf(model, "RESOURCES\nMATERIALS 1\n0: torus.mat\n\nGEOMETRY\nRADIUS %f\n",
               kMajorRadius + kMinorRadius);
  std::fprintf(model, "INSERT OFFSET 0.000000 0.000000 0.000000\nLEVELS 1\nLEVEL 0\nMESHES %d\n",
               shape.bands);
  std::vector<Point> positions(static_cast<size_t>(perBand)), normals(positions.size());
  std::vector<double> us(positions.size()), vs(positions.size());
  for (int band = 0; band < shape.bands; ++band) {
    for (int ring = 0, i = 0; ring <= shape.rings; ++ring) {
      for (int segment = 0; segment <= shape.segments; ++segment, ++i) {
        corner(shape, band, ring, segment, positions[i], normals[i], us[i], vs[i]);
      }
    }
    std::fprintf(model, "\nMESH %d\nNAME band%d\nRADIUS %f\nDRAW MODE 4\nLIGHT MODE 3\n", band,
                 band, kMajorRadius + kMinorRadius);
    std::fprintf(model, "TEXTURE MODE 3\nVERTICES %d\n", perBand);
    for (int i = 0; i < perBand; ++i) {
      std::fprintf(model, "%d: %.6f %.6f %.6f\n", i, positions[i].x, positions[i].y,
                   positions[i].z);
    }
    std::fprintf(model, "TEXTURE VERTICES %d\n", perBand);
    for (int i = 0; i < perBand; ++i) std::fprintf(model, "%d: %.6f %.6f\n", i, us[i], vs[i]);
    std::fprintf(model, "VERTEX NORMALS\n");
    for (int i = 0; i < perBand; ++i) {
      std::fprintf(model, "%d: %.6f %.6f %.6f\n", i, normals[i].x, normals[i].y, normals[i].z);
    }
    std::fprintf(model, "FACES %d\n", triangles);
    for (int t = 0; t < triangles; ++t) {
      const int* c = &corners[static_cast<size_t>(t) * 3];
      std::fprintf(model, "%d: 0 0x0000 1 3 0 0.000000 3 %d,%d %d,%d %d,%d\n", t, c[0], c[0], c[1],
                   c[1], c[2], c[2]);
    }
    std::fprintf(model, "FACE NORMALS\n");
    for (int t = 0; t < triangles; ++t) {
      const Point& n = normals[corners[static_cast<size_t>(t) * 3]];
      std::fprintf(model, "%d: %.6f %.6f %.6f\n", t, n.x, n.y, n.z);
    }

    // The OBJ twin of the band: one object, indices counted from 1 over the file.
    std::fprintf(obj, "o band%d\nusemtl torus\n", band);
    for (int i = 0; i < perBand; ++i) {
      std::fprintf(obj, "v %.6f %.6f %.6f\n", -positions[i].x, positions[i].z, positions[i].y);
    }
    for (int i = 0; i < perBand; ++i) {
      std::fprintf(obj, "vt %.6f %.6f\n", us[i] / kTextureSize, vs[i] / kTextureSize);
    }
    for (int i = 0; i < perBand; ++i) {
      std::fprintf(obj, "vn %.6f %.6f %.6f\n", -normals[i].x, normals[i].z, normals[i].y);
    }
    int base = band * perBand + 1;
    for (int t = 0; t < triangles; ++t) {
      const int* c = &corners[static_cast<size_t>(t) * 3];
      std::fprintf(obj, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", base + c[0], base + c[0], base + c[0],
                   base + c[1], base + c[1], base + c[1], base + c[2], base + c[2], base + c[2]);
    }
  }
  std::fprintf(model, "\nHIERARCHY\nHIERARCHY NODES %d\n", shape.bands);
  for (int band = 0; band < shape.bands; ++band) {
    std::fprintf(model,
                 "%d: 0x0000 0 %d -1 0 0 0 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 "
                 "0.000000 0.000000 0.000000 band%d\n",
                 band, band, band);
  }
  bool ok = std::fclose(model) == 0;
  ok = std::fclose(obj) == 0 && ok;
  return std::fclose(mtl) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[2], "small") != 0 && std::strcmp(argv[2], "large") != 0)) {
    std::fprintf(stderr, "usage: bench_make_torus FOLDER small|large\n");
    return 2;
  }
  const std::string folder = argv[1];
  const Shape shape = std::strcmp(argv[2], "small") == 0 ? Shape{10, 5, 10} : Shape{100, 20, 50};
  if (!writeMat(folder + "/torus.mat") || !writePng(folder + "/torus.png") ||
      !writeModels(folder, shape)) {
    std::fprintf(stderr, "bench_make_torus: could not write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
