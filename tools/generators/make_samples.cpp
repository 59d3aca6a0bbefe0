// make_samples: writes the project's sample models and their MAT textures
// into a folder (default "samples"): robot.3do, the default model (several
// parts placed by a hierarchy, five palette textures), cube.3do (quads),
// ngon.3do (octagon and pentagon faces), glass.3do (a type-2 blended face)
// and missing_mat.3do (one material names a MAT file that does not exist).
//
// Model files use z as up; the viewer looks at a model from its +y side.
// Faces are wound counter-clockwise seen from outside, texture vertices are
// in texels, and row 0 of every MAT image is the top of its picture.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct V3 {
  float x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, float s) {
  return {a.x * s, a.y * s, a.z * s};
}
V3 cross(V3 a, V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float length(V3 a) {
  return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}
V3 normalised(V3 a) {
  float l = length(a);
  return l > 0 ? a * (1.0f / l) : a;
}

// ---- MAT images ---------------------------------------------------------------

// Palette indices used by the textures.
enum : unsigned char {
  kBlack = 0,
  kRed = 6,
  kDarkRed = 8,
  kOrange = 24,
  kBlue = 31,
  kWhite = 16,
  kGreen = 1,
  kLightGrey = 34,
  kGrey = 44,
  kDarkGrey = 52,
  kCharcoal = 56,
  kSteel = 68,
  kSteelLight = 65,
  kSteelDark = 76,
  kSeam = 84,
  kNight = 93,
  kYellow = 104,
  kAmber = 105,
  kSky = 136,
  kDeepBlue = 138,
  kBrightOrange = 22,
  kMint = 112,
};

struct Image {
  int width;
  int height;
  std::vector<unsigned char> index;
  Image(int w, int h, unsigned char fill) : width(w), height(h), index(size_t(w) * h, fill) {}
  void set(int x, int y, unsigned char c) {
    if (x >= 0 && y >= 0 && x < width && y < height) index[size_t(y) * width + x] = c;
  }
  void rect(int x0, int y0, int x1, int y1, unsigned char c) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) set(x, y, c);
  }
  void disc(float cx, float cy, float r, unsigned char c) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
        if (dx * dx + dy * dy <= r * r) set(x, y, c);
      }
  }
};

bool writeMat(const std::string& path, const Image& image) {
  std::vector<unsigned char> bytes(140, 0);
  const char signature[5] = {'M', 'A', 'T', ' ', '2'};
  for (int i = 0; i < 5; ++i) bytes[i] = static_cast<unsigned char>(signature[i]);
  bytes[116] = static_cast<unsigned char>(image.width & 0xFF);
  bytes[117] = static_cast<unsigned char>(image.width >> 8);
  bytes[120] = static_cast<unsigned char>(image.height & 0xFF);
  bytes[121] = static_cast<unsigned char>(image.height >> 8);
  bytes.insert(bytes.end(), image.index.begin(), image.index.end());
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

// Steel plate with a seam, a blue band near the top and rivets.
Image panelImage() {
  Image img(64, 64, kSteel);
  img.rect(0, 0, 63, 1, kSteelLight);
  img.rect(0, 0, 1, 63, kSteelLight);
  img.rect(0, 62, 63, 63, kSteelDark);
  img.rect(62, 0, 63, 63, kSteelDark);
  img.rect(2, 32, 61, 32, kSeam);
  img.rect(2, 33, 61, 33, kSteelLight);
  img.rect(6, 8, 57, 12, kDeepBlue);
  const int rivets[][2] = {{5, 5}, {58, 5}, {5, 58}, {58, 58}, {5, 28}, {58, 28}, {32, 58}};
  for (const auto& r : rivets) {
    img.disc(r[0] + 1.0f, r[1] + 1.0f, 1.6f, kSeam);
    img.set(r[0], r[1], kWhite);
  }
  img.rect(40, 40, 54, 50, kSteelDark);  // an access hatch, off centre
  img.rect(41, 41, 53, 49, kSteelLight);
  return img;
}

// Yellow and black hazard stripes inside a dark frame.
Image stripeImage() {
  Image img(64, 64, kYellow);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      if (((x + y) / 8) % 2) img.set(x, y, kBlack);
  img.rect(0, 0, 63, 2, kCharcoal);
  img.rect(0, 61, 63, 63, kCharcoal);
  return img;
}

// The robot's face: a dark visor with two red eyes and a grille.
Image faceImage() {
  Image img(64, 64, kSteel);
  img.rect(4, 14, 59, 36, kNight);
  img.disc(20, 25, 7, kDarkRed);
  img.disc(20, 25, 5, kRed);
  img.disc(44, 25, 7, kDarkRed);
  img.disc(44, 25, 5, kRed);
  img.set(18, 23, kWhite);
  img.set(42, 23, kWhite);
  for (int y = 44; y <= 56; y += 3) img.rect(14, y, 49, y, kCharcoal);
  img.rect(4, 4, 12, 8, kOrange);  // a status lamp on one side only
  return img;
}

// Dark rubber with ridges and an orange ring.
Image jointImage() {
  Image img(64, 64, kDarkGrey);
  for (int y = 0; y < 64; y += 8) img.rect(0, y, 63, y + 3, kCharcoal);
  img.rect(0, 28, 63, 31, kBrightOrange);
  return img;
}

// The chest display: dark glass with a light sweep and a green read-out.
Image glassImage() {
  Image img(32, 32, kDeepBlue);
  for (int i = 0; i < 32; ++i) {
    img.set(i, 31 - i, kSky);
    img.set(i, 30 - i, kSky);
  }
  img.rect(4, 22, 14, 24, kMint);
  img.rect(4, 26, 20, 27, kGreen);
  return img;
}

// Four coloured quadrants and a white mark in the top-left corner, so that a
// mirrored or turned face is easy to see.
Image cubeImage() {
  Image img(32, 32, kRed);
  img.rect(16, 0, 31, 15, kGreen);
  img.rect(0, 16, 15, 31, kBlue);
  img.rect(16, 16, 31, 31, kYellow);
  img.rect(1, 1, 6, 2, kWhite);
  img.rect(1, 1, 2, 6, kWhite);
  return img;
}

// Warm bands for the n-gon model.
Image ngonImage() {
  Image img(32, 32, kAmber);
  for (int y = 0; y < 32; ++y) img.rect(0, y, 31, y, static_cast<unsigned char>(21 + y / 4));
  img.disc(16, 16, 5, kLightGrey);
  img.disc(16, 16, 3, kGrey);
  return img;
}

// ---- Models -------------------------------------------------------------------

struct Corner {
  int vertex;
  int texVertex;
};

struct Polygon {
  int material = 0;
  int type = 0;
  std::vector<Corner> corners;
  V3 normal;
};

struct MeshData {
  std::string name;
  std::vector<V3> positions;
  std::vector<V3> normals;
  std::vector<std::pair<float, float>> texVertices;
  std::vector<Polygon> faces;
};

struct Node {
  std::string name;
  int mesh;
  int parent;
  V3 position;
  V3 pivot;
};

struct ModelData {
  std::string comment;
  std::vector<std::string> materials;
  std::vector<MeshData> meshes;
  std::vector<Node> nodes;
};

// A flat polygon: corners in counter-clockwise order seen from outside, each
// with its texture position in texels.
void addPolygon(MeshData& mesh, const std::vector<V3>& points,
                const std::vector<std::pair<float, float>>& uvs, int material, int type,
                const std::vector<V3>* vertexNormals = nullptr) {
  Polygon face;
  face.material = material;
  face.type = type;
  face.normal = normalised(cross(points[1] - points[0], points[2] - points[0]));
  for (size_t i = 0; i < points.size(); ++i) {
    int vertex = static_cast<int>(mesh.positions.size());
    mesh.positions.push_back(points[i]);
    mesh.normals.push_back(vertexNormals ? (*vertexNormals)[i] : face.normal);
    int texVertex = static_cast<int>(mesh.texVertices.size());
    mesh.texVertices.push_back(uvs[i]);
    face.corners.push_back({vertex, texVertex});
  }
  mesh.faces.push_back(face);
}

// A rectangle facing outward along n, with up the direction of the picture's
// top row; the whole texture (size texels) spans it.
void addRectangle(MeshData& mesh, V3 centre, V3 n, V3 up, float halfRight, float halfUp,
                  int material, int texWidth, int texHeight, int type = 0) {
  V3 right = cross(n * -1.0f, up);
  V3 a = centre - right * halfRight - up * halfUp;
  V3 b = centre + right * halfRight - up * halfUp;
  V3 c = centre + right * halfRight + up * halfUp;
  V3 d = centre - right * halfRight + up * halfUp;
  float w = static_cast<float>(texWidth), h = static_cast<float>(texHeight);
  addPolygon(mesh, {a, b, c, d}, {{0, h}, {w, h}, {w, 0}, {0, 0}}, material, type);
}

// An axis-aligned box of quads. materials: +y (front), -y, +x, -x, +z, -z.
void addBox(MeshData& mesh, V3 centre, V3 half, const int materials[6], int texSize) {
  const V3 X{1, 0, 0}, Y{0, 1, 0}, Z{0, 0, 1};
  addRectangle(mesh, centre + Y * half.y, Y, Z, half.x, half.z, materials[0], texSize, texSize);
  addRectangle(mesh, centre - Y * half.y, Y * -1, Z, half.x, half.z, materials[1], texSize,
               texSize);
  addRectangle(mesh, centre + X * half.x, X, Z, half.y, half.z, materials[2], texSize, texSize);
  addRectangle(mesh, centre - X * half.x, X * -1, Z, half.y, half.z, materials[3], texSize,
               texSize);
  addRectangle(mesh, centre + Z * half.z, Z, Y, half.x, half.y, materials[4], texSize, texSize);
  addRectangle(mesh, centre - Z * half.z, Z * -1, Y, half.x, half.y, materials[5], texSize,
               texSize);
}

// An upright prism with n-gon caps (one face of `sides` corners each) and
// smooth quad sides.
void addPrism(MeshData& mesh, V3 base, float radius, float height, int sides, int capMaterial,
              int sideMaterial, int texSize) {
  const float pi = 3.14159265358979f;
  float t = static_cast<float>(texSize);
  std::vector<V3> top, bottom, radial;
  std::vector<std::pair<float, float>> topUv, bottomUv;
  for (int i = 0; i < sides; ++i) {
    float angle = 2 * pi * static_cast<float>(i) / static_cast<float>(sides);
    V3 r{std::cos(angle), std::sin(angle), 0};
    radial.push_back(r);
    top.push_back(base + r * radius + V3{0, 0, height});
    bottom.push_back(base + r * radius);
    topUv.push_back({(0.5f + 0.5f * r.x) * t, (0.5f - 0.5f * r.y) * t});
  }
  addPolygon(mesh, top, topUv, capMaterial, 0);
  std::vector<V3> bottomReversed(bottom.rbegin(), bottom.rend());
  for (auto it = topUv.rbegin(); it != topUv.rend(); ++it) bottomUv.push_back(*it);
  addPolygon(mesh, bottomReversed, bottomUv, capMaterial, 0);
  for (int i = 0; i < sides; ++i) {
    int j = (i + 1) % sides;
    float u0 = t * static_cast<float>(i) / static_cast<float>(sides);
    float u1 = t * static_cast<float>(i + 1) / static_cast<float>(sides);
    std::vector<V3> normals = {radial[i], radial[j], radial[j], radial[i]};
    addPolygon(mesh, {bottom[i], bottom[j], top[j], top[i]}, {{u0, t}, {u1, t}, {u1, 0}, {u0, 0}},
               sideMaterial, 0, &normals);
  }
}

float meshRadius(const MeshData& mesh) {
  float radius = 0;
  for (const V3& p : mesh.positions) radius = std::fmax(radius, length(p));
  return radius;
}

// Radius of the whole model as placed by its hierarchy.
float modelRadius(const ModelData& model) {
  float radius = 0;
  for (size_t i = 0; i < model.nodes.size(); ++i) {
    const Node& node = model.nodes[i];
    if (node.mesh < 0) continue;
    V3 offset = node.position + node.pivot;
    for (int p = node.parent; p >= 0; p = model.nodes[static_cast<size_t>(p)].parent) {
      offset = offset + model.nodes[static_cast<size_t>(p)].position;
    }
    for (const V3& v : model.meshes[static_cast<size_t>(node.mesh)].positions) {
      radius = std::fmax(radius, length(v + offset));
    }
  }
  return radius;
}

bool writeModel(const std::string& path, const ModelData& model) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  std::fprintf(f, "# %s\n# Made by tools/generators/make_samples. Blank lines and lines whose\n",
               model.comment.c_str());
  std::fprintf(f, "# first word begins with \"#\" may stand anywhere between lines.\n\n");
  std::fprintf(f, "MODEL\n3DO 2.1\n\nRESOURCES\nMATERIALS %zu\n", model.materials.size());
  for (size_t i = 0; i < model.materials.size(); ++i) {
    std::fprintf(f, "%6zu: %s\n", i, model.materials[i].c_str());
  }
  std::fprintf(f, "\nGEOMETRY\nRADIUS %.6f\nINSERT OFFSET 0.000000 0.000000 0.000000\n",
               modelRadius(model) * 1.15f);
  std::fprintf(f, "LEVELS 1\nLEVEL 0\nMESHES %zu\n", model.meshes.size());
  for (size_t m = 0; m < model.meshes.size(); ++m) {
    const MeshData& mesh = model.meshes[m];
    std::fprintf(f, "\n\nMESH %zu\nNAME %s\nRADIUS %.6f\n", m, mesh.name.c_str(), meshRadius(mesh));
    std::fprintf(f, "DRAW MODE 4\nLIGHT MODE 3\nTEXTURE MODE 3\n\n");
    std::fprintf(f, "VERTICES %zu\n# index: x y z\n", mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
      const V3& p = mesh.positions[i];
      std::fprintf(f, "%6zu: %10.6f %10.6f %10.6f\n", i, p.x, p.y, p.z);
    }
    std::fprintf(f, "\nTEXTURE VERTICES %zu\n", mesh.texVertices.size());
    for (size_t i = 0; i < mesh.texVertices.size(); ++i) {
      std::fprintf(f, "%6zu: %10.6f %10.6f\n", i, mesh.texVertices[i].first,
                   mesh.texVertices[i].second);
    }
    std::fprintf(f, "\nVERTEX NORMALS\n");
    for (size_t i = 0; i < mesh.normals.size(); ++i) {
      const V3& n = mesh.normals[i];
      std::fprintf(f, "%6zu: %10.6f %10.6f %10.6f\n", i, n.x, n.y, n.z);
    }
    std::fprintf(f, "\nFACES %zu\n# index: material type  a b c d  corners  vertex,texvertex ...\n",
                 mesh.faces.size());
    for (size_t i = 0; i < mesh.faces.size(); ++i) {
      const Polygon& face = mesh.faces[i];
      std::fprintf(f, "%6zu: %3d 0x%04d  1 3 0 0.000000  %zu ", i, face.material, face.type,
                   face.corners.size());
      for (const Corner& c : face.corners) std::fprintf(f, " %d,%d", c.vertex, c.texVertex);
      std::fprintf(f, "\n");
    }
    std::fprintf(f, "\nFACE NORMALS\n");
    for (size_t i = 0; i < mesh.faces.size(); ++i) {
      const V3& n = mesh.faces[i].normal;
      std::fprintf(f, "%6zu: %10.6f %10.6f %10.6f\n", i, n.x, n.y, n.z);
    }
  }
  std::fprintf(f, "\n\nHIERARCHY\nHIERARCHY NODES %zu\n", model.nodes.size());
  std::fprintf(f, "# index: flags depth mesh parent  three ints  position  turn  pivot  name\n");
  for (size_t i = 0; i < model.nodes.size(); ++i) {
    const Node& n = model.nodes[i];
    std::fprintf(f,
                 "%6zu: 0x0000 0 %3d %3d  0 0 0  %9.6f %9.6f %9.6f  0.000000 0.000000 0.000000  "
                 "%9.6f %9.6f %9.6f  %s\n",
                 i, n.mesh, n.parent, n.position.x, n.position.y, n.position.z, n.pivot.x,
                 n.pivot.y, n.pivot.z, n.name.c_str());
  }
  return std::fclose(f) == 0;
}

// ---- The sample set ---------------------------------------------------------

ModelData robot() {
  enum { kPanel, kStripe, kFace, kJoint, kGlass };
  ModelData model;
  model.comment = "robot.3do: a small robot, its parts placed by the hierarchy";
  model.materials = {"robot_panel.mat", "robot_stripe.mat", "robot_face.mat", "robot_joint.mat",
                     "robot_glass.mat"};
  const int allPanel[6] = {kPanel, kPanel, kPanel, kPanel, kPanel, kPanel};
  const int allJoint[6] = {kJoint, kJoint, kJoint, kJoint, kJoint, kJoint};

  MeshData pelvis{"pelvis"};
  const int pelvisSides[6] = {kStripe, kStripe, kJoint, kJoint, kPanel, kPanel};
  addBox(pelvis, {0, 0, 0}, {0.26f, 0.15f, 0.08f}, pelvisSides, 64);

  MeshData torso{"torso"};
  addBox(torso, {0, 0, 0.3f}, {0.3f, 0.17f, 0.3f}, allPanel, 64);
  // The chest display, blended, just in front of the plate.
  addRectangle(torso, {0, 0.175f, 0.36f}, {0, 1, 0}, {0, 0, 1}, 0.14f, 0.09f, kGlass, 32, 32, 2);

  MeshData head{"head"};
  const int headSides[6] = {kFace, kPanel, kPanel, kPanel, kPanel, kJoint};
  addBox(head, {0, 0, 0.15f}, {0.17f, 0.15f, 0.15f}, headSides, 64);

  MeshData antenna{"antenna"};
  addPrism(antenna, {0, 0, 0}, 0.025f, 0.16f, 8, kStripe, kStripe, 64);
  addPrism(antenna, {0, 0, 0.16f}, 0.045f, 0.03f, 8, kJoint, kJoint, 64);

  MeshData upperArm{"upper_arm"};
  addBox(upperArm, {0, 0, -0.15f}, {0.07f, 0.07f, 0.16f}, allJoint, 64);

  MeshData forearm{"forearm"};
  const int forearmSides[6] = {kStripe, kPanel, kPanel, kPanel, kPanel, kJoint};
  addBox(forearm, {0, 0, -0.15f}, {0.085f, 0.085f, 0.15f}, forearmSides, 64);

  MeshData leg{"leg"};
  const int legSides[6] = {kStripe, kPanel, kPanel, kPanel, kJoint, kJoint};
  addBox(leg, {0, 0, -0.25f}, {0.09f, 0.1f, 0.25f}, legSides, 64);

  MeshData foot{"foot"};
  addBox(foot, {0, 0.05f, -0.05f}, {0.11f, 0.16f, 0.05f}, allJoint, 64);

  model.meshes = {pelvis, torso, head, antenna, upperArm, forearm, leg, foot};
  model.nodes = {
      {"pelvis", 0, -1, {0, 0, -0.25f}, {0, 0, 0}},
      {"torso", 1, 0, {0, 0, 0.08f}, {0, 0, 0}},
      {"head", 2, 1, {0, 0, 0.6f}, {0, 0, 0.01f}},
      {"antenna", 3, 2, {0.1f, -0.04f, 0.31f}, {0, 0, 0}},
      {"arm_left", 4, 1, {0.38f, 0, 0.56f}, {0, 0, 0}},
      {"hand_left", 5, 4, {0, 0.02f, -0.33f}, {0, 0, 0}},
      {"arm_right", 4, 1, {-0.38f, 0, 0.56f}, {0, 0, 0}},
      {"hand_right", 5, 6, {0, 0.02f, -0.33f}, {0, 0, 0}},
      {"leg_left", 6, 0, {0.14f, 0, -0.08f}, {0, 0, 0}},
      {"foot_left", 7, 8, {0, 0, -0.5f}, {0, 0, 0}},
      {"leg_right", 6, 0, {-0.14f, 0, -0.08f}, {0, 0, 0}},
      {"foot_right", 7, 10, {0, 0, -0.5f}, {0, 0, 0}},
  };
  return model;
}

ModelData cube() {
  ModelData model;
  model.comment = "cube.3do: one mesh of six quads";
  model.materials = {"cube.mat"};
  MeshData mesh{"cube"};
  const int sides[6] = {0, 0, 0, 0, 0, 0};
  addBox(mesh, {0, 0, 0}, {0.5f, 0.5f, 0.5f}, sides, 32);
  model.meshes = {mesh};
  model.nodes = {{"cube", 0, -1, {0, 0, 0}, {0, 0, 0}}};
  return model;
}

ModelData ngon() {
  ModelData model;
  model.comment = "ngon.3do: an octagonal prism and a pentagonal prism (n-gon faces)";
  model.materials = {"ngon.mat", "cube.mat"};
  MeshData octagon{"octagon"};
  addPrism(octagon, {0, 0, -0.2f}, 0.5f, 0.4f, 8, 0, 1, 32);
  MeshData pentagon{"pentagon"};
  addPrism(pentagon, {0, 0, 0}, 0.25f, 0.3f, 5, 0, 0, 32);
  model.meshes = {octagon, pentagon};
  model.nodes = {{"octagon", 0, -1, {0, 0, 0}, {0, 0, 0}},
                 {"pentagon", 1, 0, {0, 0, 0.2f}, {0, 0, 0}}};
  return model;
}

ModelData glass() {
  ModelData model;
  model.comment = "glass.3do: a frame with a blended (type 2) pane";
  model.materials = {"robot_panel.mat", "robot_glass.mat"};
  MeshData frame{"frame"};
  const int sides[6] = {0, 0, 0, 0, 0, 0};
  addBox(frame, {0, -0.05f, 0}, {0.5f, 0.05f, 0.5f}, sides, 64);
  addRectangle(frame, {0, 0.01f, 0}, {0, 1, 0}, {0, 0, 1}, 0.4f, 0.4f, 1, 32, 32, 2);
  model.meshes = {frame};
  model.nodes = {{"frame", 0, -1, {0, 0, 0}, {0, 0, 0}}};
  return model;
}

ModelData missingMat() {
  ModelData model;
  model.comment = "missing_mat.3do: its second material names a MAT file that does not exist";
  model.materials = {"cube.mat", "not_here.mat"};
  MeshData mesh{"box"};
  const int sides[6] = {0, 1, 0, 1, 0, 1};
  addBox(mesh, {0, 0, 0}, {0.5f, 0.3f, 0.4f}, sides, 32);
  model.meshes = {mesh};
  model.nodes = {{"box", 0, -1, {0, 0, 0}, {0, 0, 0}}};
  return model;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? argv[1] : "samples";
  struct NamedImage {
    const char* name;
    Image image;
  };
  const NamedImage images[] = {
      {"robot_panel.mat", panelImage()}, {"robot_stripe.mat", stripeImage()},
      {"robot_face.mat", faceImage()},   {"robot_joint.mat", jointImage()},
      {"robot_glass.mat", glassImage()}, {"cube.mat", cubeImage()},
      {"ngon.mat", ngonImage()},
  };
  bool ok = true;
  for (const NamedImage& entry : images)
    ok = writeMat(folder + "/" + entry.name, entry.image) && ok;
  ok = writeModel(folder + "/robot.3do", robot()) && ok;
  ok = writeModel(folder + "/cube.3do", cube()) && ok;
  ok = writeModel(folder + "/ngon.3do", ngon()) && ok;
  ok = writeModel(folder + "/glass.3do", glass()) && ok;
  ok = writeModel(folder + "/missing_mat.3do", missingMat()) && ok;
  if (!ok) {
    std::fprintf(stderr, "make_samples: could not write into %s\n", folder.c_str());
    return 1;
  }
  std::printf("make_samples: wrote the samples into %s\n", folder.c_str());
  return 0;
}
