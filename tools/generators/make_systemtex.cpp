// make_systemtex: makes the four images the viewer reads from its systemtex
// folder, all drawn by this program:
//   font.tga      24 bits, 128 x 256, a grid of 16 x 16 cells of 8 x 16 texels;
//                 cells 0 to 95 hold character codes 32 to 127, white on
//                 black, rasterised with FreeType from DejaVu Sans Mono
//                 (run-length encoded, type 10)
//   envmap.tga    24 bits, 256 x 256 sphere map of a photo studio: bright
//                 ceiling, darker horizon and floor, soft box lights
//   checker.tga   24 bits, 64 x 64 magenta and charcoal checker, the obvious
//                 stand-in for textures that cannot be read (type 10)
//   menuback.tga  32 bits, 64 x 64 dark blue-grey with an alpha of about 0.75,
//                 so the overlay panels are translucent and white text reads
//
// usage: make_systemtex [OUTDIR] [--font FILE.ttf]   (OUTDIR defaults to systemtex)
//
// The images are written with the bottom row first (TGA's usual bottom-left
// origin): the viewer never flips rows, so the first stored row becomes t = 0
// of a texture and the top row of each picture as drawn lies at t = 1. That is
// where the font's cell row 0 and the sphere map's "up" belong.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A picture as drawn: rows from the top, 3 or 4 bytes (R, G, B, A) per pixel.
struct Picture {
  int width = 0;
  int height = 0;
  int channels = 3;
  std::vector<uint8_t> bytes;
};

Picture makePicture(int width, int height, int channels) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.channels = channels;
  picture.bytes.assign(static_cast<size_t>(width) * height * channels, 0);
  return picture;
}

uint8_t* pixelAt(Picture& picture, int x, int y) {
  return &picture.bytes[(static_cast<size_t>(y) * picture.width + x) * picture.channels];
}

uint8_t toByte(double value) {
  return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

// The TGA pixel values (B, G, R(, A)) of the picture, bottom row first.
std::vector<uint8_t> tgaPixels(const Picture& picture) {
  std::vector<uint8_t> out;
  out.reserve(picture.bytes.size());
  for (int y = picture.height - 1; y >= 0; --y) {
    const uint8_t* row = &picture.bytes[static_cast<size_t>(y) * picture.width * picture.channels];
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = row + x * picture.channels;
      out.push_back(p[2]);
      out.push_back(p[1]);
      out.push_back(p[0]);
      if (picture.channels == 4) out.push_back(p[3]);
    }
  }
  return out;
}

// Run-length packets over the pixel values: runs of equal pixels become run
// packets, everything else raw packets of up to 128 pixels.
std::vector<uint8_t> rlePackets(const std::vector<uint8_t>& values, int bytesPerPixel) {
  const size_t count = values.size() / bytesPerPixel;
  auto same = [&](size_t a, size_t b) {
    return std::memcmp(&values[a * bytesPerPixel], &values[b * bytesPerPixel], bytesPerPixel) == 0;
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

bool writeTga(const std::string& path, const Picture& picture, bool runLength) {
  const int bytesPerPixel = picture.channels;
  std::vector<uint8_t> data = tgaPixels(picture);
  if (runLength) data = rlePackets(data, bytesPerPixel);
  uint8_t header[18] = {0, 0, static_cast<uint8_t>(runLength ? 10 : 2)};
  header[12] = static_cast<uint8_t>(picture.width & 0xFF);
  header[13] = static_cast<uint8_t>(picture.width >> 8);
  header[14] = static_cast<uint8_t>(picture.height & 0xFF);
  header[15] = static_cast<uint8_t>(picture.height >> 8);
  header[16] = static_cast<uint8_t>(bytesPerPixel * 8);
  header[17] = static_cast<uint8_t>(bytesPerPixel == 4 ? 8 : 0);  // alpha bits, bottom-left
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::fprintf(stderr, "make_systemtex: cannot create %s\n", path.c_str());
    return false;
  }
  bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
            std::fwrite(data.data(), 1, data.size(), file) == data.size();
  ok = std::fclose(file) == 0 && ok;
  if (!ok) std::fprintf(stderr, "make_systemtex: cannot write %s\n", path.c_str());
  return ok;
}

// ---- font ---------------------------------------------------------------------

constexpr int kCellWidth = 8;    // texels; drawn 7.2 units wide -> 0.9 units a texel
constexpr int kCellHeight = 16;  // texels; drawn 12 units tall -> 0.75 units a texel
constexpr int kFirstCode = 32;
constexpr int kLastCode = 127;

// The em square in texels. On screen a glyph comes out with an em of about
// 11.25 units both ways (15 x 0.75 and 12.5 x 0.9), so it keeps the font's
// own proportions although texels are not square.
constexpr double kEmTexelsY = 15.0;
constexpr double kEmTexelsX = 12.5;

bool makeFont(Picture& font, const char* fontPath) {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    std::fprintf(stderr, "make_systemtex: FreeType did not start\n");
    return false;
  }
  if (FT_New_Face(library, fontPath, 0, &face) != 0) {
    std::fprintf(stderr, "make_systemtex: cannot read the font %s\n", fontPath);
    FT_Done_FreeType(library);
    return false;
  }
  FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(kEmTexelsX * 64),
                   static_cast<FT_F26Dot6>(kEmTexelsY * 64), 72, 72);

  // The lowest descender and the highest ascender of the printable glyphs
  // decide where the baseline sits in the cell.
  int top = 0;
  int bottom = 0;
  for (int code = kFirstCode; code < kLastCode; ++code) {
    if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) !=
        0) {
      continue;
    }
    const FT_GlyphSlot glyph = face->glyph;
    if (glyph->bitmap.rows == 0) continue;
    top = std::max(top, glyph->bitmap_top);
    bottom = std::min(bottom, glyph->bitmap_top - static_cast<int>(glyph->bitmap.rows));
  }
  // Rows above the baseline: as many as the tallest glyph needs, as long as
  // the deepest descender still fits; a glyph that would stick out of its
  // cell (the grave accent) is moved into it.
  const int baseline = std::min(top, kCellHeight + bottom);  // rows from the cell top

  font = makePicture(16 * kCellWidth, 16 * kCellHeight, 3);
  for (int code = kFirstCode; code <= kLastCode; ++code) {
    // A code the font has no glyph for (127, delete) stays blank.
    if (FT_Get_Char_Index(face, static_cast<FT_ULong>(code)) == 0) continue;
    if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) !=
        0) {
      continue;
    }
    const FT_GlyphSlot glyph = face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    const int cell = code - kFirstCode;
    const int cellX = (cell % 16) * kCellWidth;
    const int cellY = (cell / 16) * kCellHeight;  // cell row 0 at the top as drawn
    const int advance = static_cast<int>(glyph->advance.x >> 6);
    const int penX = (kCellWidth - advance) / 2;
    int firstRow = baseline - glyph->bitmap_top;
    const int rows = static_cast<int>(bitmap.rows);
    if (firstRow + rows > kCellHeight) firstRow = kCellHeight - rows;
    if (firstRow < 0) firstRow = 0;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      const int y = firstRow + static_cast<int>(row);
      if (y < 0 || y >= kCellHeight) continue;
      for (unsigned column = 0; column < bitmap.width; ++column) {
        const int x = penX + glyph->bitmap_left + static_cast<int>(column);
        if (x < 0 || x >= kCellWidth) continue;
        const double coverage = bitmap.buffer[row * bitmap.pitch + column] / 255.0;
        // A slight lift of partial coverage keeps thin strokes bright after
        // the texture is filtered down to the screen.
        const uint8_t value = toByte(std::pow(coverage, 0.8));
        uint8_t* p = pixelAt(font, cellX + x, cellY + y);
        p[0] = p[1] = p[2] = std::max(p[0], value);
      }
    }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return true;
}

// ---- environment map ------------------------------------------------------------

struct Vec3 {
  double x, y, z;
};

Vec3 normalised(Vec3 v) {
  double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return {v.x / length, v.y / length, v.z / length};
}

double dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

double smoothStep(double edge0, double edge1, double x) {
  double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

// A soft-edged light: full inside the angular radius, fading over the edge.
double softLight(Vec3 direction, Vec3 centre, double radius, double edge) {
  double angle = std::acos(std::clamp(dot(direction, centre), -1.0, 1.0));
  return 1.0 - smoothStep(radius, radius + edge, angle);
}

// The studio as seen along the eye-space direction r (y up, z towards the
// viewer).
Vec3 studio(Vec3 r) {
  const double up = r.y;
  Vec3 colour;
  if (up >= 0.0) {
    // Ceiling: a dim horizon rising to a bright, slightly cool top. Kept
    // below full white because the reflection pass adds it to the model.
    double t = std::pow(up, 1.3);
    double level = 0.16 + 0.46 * t;
    colour = {level * 0.96, level * 0.99, level * 1.05};
  } else {
    // Floor: a dark warm grey, darkest straight down.
    double t = std::pow(-up, 0.7);
    double level = 0.12 - 0.07 * t;
    colour = {level * 1.06, level * 1.0, level * 0.94};
  }
  // A darker band right at the horizon.
  double band = 1.0 - smoothStep(0.0, 0.10, std::fabs(up));
  colour = {colour.x * (1.0 - 0.4 * band), colour.y * (1.0 - 0.4 * band),
            colour.z * (1.0 - 0.4 * band)};
  // Soft boxes: a large key light above the viewer's left shoulder, a fill
  // light on the right and a strip light behind the model.
  double key = softLight(r, normalised({-0.55, 0.55, 0.62}), 0.20, 0.22);
  double fill = softLight(r, normalised({0.80, 0.25, 0.45}), 0.12, 0.20);
  double strip = softLight(r, normalised({0.15, 0.75, -0.65}), 0.10, 0.15);
  double glow = 0.9 * key + 0.55 * fill + 0.6 * strip;
  colour = {colour.x + glow, colour.y + glow * 0.98, colour.z + glow * 0.95};
  return colour;
}

Picture makeEnvMap() {
  const int size = 256;
  Picture map = makePicture(size, size, 3);
  const int samples = 4;  // 4 x 4 samples a texel
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      Vec3 sum = {0, 0, 0};
      for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
          // Sphere-map coordinates: u to the right, v up, the unit disc
          // holding every reflected direction.
          double u = (x + (sx + 0.5) / samples) / (size / 2.0) - 1.0;
          double v = 1.0 - (y + (sy + 0.5) / samples) / (size / 2.0);
          double d2 = u * u + v * v;
          if (d2 > 0.998) {  // outside the disc: continue the rim
            double scale = std::sqrt(0.998 / d2);
            u *= scale;
            v *= scale;
            d2 = 0.998;
          }
          double nz = std::sqrt(1.0 - d2);
          // The eye looks along -z; reflected about the sphere's normal.
          Vec3 r = normalised({2.0 * nz * u, 2.0 * nz * v, 2.0 * nz * nz - 1.0});
          Vec3 c = studio(r);
          sum = {sum.x + c.x, sum.y + c.y, sum.z + c.z};
        }
      }
      const double n = samples * samples;
      uint8_t* p = pixelAt(map, x, y);
      p[0] = toByte(sum.x / n);
      p[1] = toByte(sum.y / n);
      p[2] = toByte(sum.z / n);
    }
  }
  return map;
}

// ---- checker and menu background ---------------------------------------------------

Picture makeChecker() {
  const int size = 64;
  const int square = 8;
  Picture checker = makePicture(size, size, 3);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      bool light = ((x / square) + (y / square)) % 2 == 0;
      uint8_t* p = pixelAt(checker, x, y);
      p[0] = light ? 255 : 40;
      p[1] = light ? 0 : 40;
      p[2] = light ? 255 : 48;
    }
  }
  return checker;
}

Picture makeMenuBack() {
  const int size = 64;
  Picture back = makePicture(size, size, 4);
  for (int y = 0; y < size; ++y) {
    const double t = y / (size - 1.0);  // 0 at the top as drawn
    for (int x = 0; x < size; ++x) {
      uint8_t* p = pixelAt(back, x, y);
      p[0] = toByte((30 - 14 * t) / 255.0);
      p[1] = toByte((40 - 18 * t) / 255.0);
      p[2] = toByte((62 - 26 * t) / 255.0);
      p[3] = toByte((184 + 16 * t) / 255.0);  // about 0.72 at the top to 0.78 below
    }
  }
  return back;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outDir = "systemtex";
  std::string fontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::printf(
          "usage: make_systemtex [OUTDIR] [--font FILE.ttf]\n"
          "Writes font.tga, envmap.tga, checker.tga and menuback.tga into OUTDIR\n"
          "(default: systemtex).\n");
      return 0;
    }
    if (arg == "--font" && i + 1 < argc) {
      fontPath = argv[++i];
    } else if (!arg.empty() && arg[0] != '-') {
      outDir = arg;
    } else {
      std::fprintf(stderr, "make_systemtex: unknown argument %s\n", arg.c_str());
      return 2;
    }
  }

  Picture font;
  if (!makeFont(font, fontPath.c_str())) return 1;
  bool ok = writeTga(outDir + "/font.tga", font, true);
  ok = writeTga(outDir + "/envmap.tga", makeEnvMap(), false) && ok;
  ok = writeTga(outDir + "/checker.tga", makeChecker(), true) && ok;
  ok = writeTga(outDir + "/menuback.tga", makeMenuBack(), false) && ok;
  if (!ok) return 1;
  std::printf("make_systemtex: wrote font.tga, envmap.tga, checker.tga and menuback.tga in %s\n",
              outDir.c_str());
  return 0;
}
