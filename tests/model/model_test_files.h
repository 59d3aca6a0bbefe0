// Helpers shared by the model and MAT tests: MAT file bytes, a small but
// complete 3DO text, and a check that a Model's counts match its arrays.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"
#include "model/model_reader.h"
#include "tests/support/test_support.h"

// A MAT file: signature, the width at 116 and height at 120, then the
// index bytes (plus any trailing bytes given).
inline std::string matBytes(int width, int height, const std::vector<unsigned char>& indices) {
  std::string bytes(140, '\0');
  bytes.replace(0, 5, "MAT 2");
  for (int i = 5; i < 113; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>(i * 7);
  bytes[116] = static_cast<char>(width & 0xFF);
  bytes[117] = static_cast<char>((width >> 8) & 0xFF);
  bytes[118] = static_cast<char>(0x5A);  // never part of the size
  bytes[119] = static_cast<char>(0xA5);
  bytes[120] = static_cast<char>(height & 0xFF);
  bytes[121] = static_cast<char>((height >> 8) & 0xFF);
  bytes.append(indices.begin(), indices.end());
  return bytes;
}

// One mesh in 3DO text: vertex, texture-vertex and face lines are given as
// they stand (faces as the stream of words after the FACES line).
struct MeshText {
  std::string name = "mesh";
  int number = 0;
  std::vector<std::string> vertices;     // "x y z"
  std::vector<std::string> texVertices;  // "u v"
  std::string faces;                     // the whole face list, line ends included
  int faceCount = 0;
};

inline std::string meshText(const MeshText& mesh) {
  std::string text = "MESH " + std::to_string(mesh.number) + "\nNAME " + mesh.name +
                     "\nRADIUS 1\nDRAW 4\nLIGHT 3\nTEXTURE 3\n";
  text += "VERTICES " + std::to_string(mesh.vertices.size()) + "\n";
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    text += std::to_string(i) + ": " + mesh.vertices[i] + "\n";
  }
  text += "TEXTURE VERTICES " + std::to_string(mesh.texVertices.size()) + "\n";
  for (size_t i = 0; i < mesh.texVertices.size(); ++i) {
    text += std::to_string(i) + ": " + mesh.texVertices[i] + "\n";
  }
  text += "VERTEX NORMALS\n";
  for (size_t i = 0; i < mesh.vertices.size(); ++i) text += std::to_string(i) + ": 0 0 1\n";
  text += "FACES " + std::to_string(mesh.faceCount) + "\n" + mesh.faces;
  text += "FACE NORMALS\n";
  for (int i = 0; i < mesh.faceCount; ++i) {
    text += std::to_string(i) + ": 0 " + std::to_string(i) + " 1\n";
  }
  return text;
}

// A whole model around the given meshes: materials named as given, one
// root node per mesh.
inline std::string modelText(const std::vector<std::string>& materials,
                             const std::vector<MeshText>& meshes) {
  std::string text =
      "MODEL\n3DO 2.1\nRESOURCES\nMATERIALS " + std::to_string(materials.size()) + "\n";
  for (size_t i = 0; i < materials.size(); ++i) {
    text += std::to_string(i) + ": " + materials[i] + "\n";
  }
  text += "GEOMETRY\nRADIUS 2\nINSERT OFFSET 0 0 0\nLEVELS 1\nLEVEL 0\nMESHES " +
          std::to_string(meshes.size()) + "\n";
  for (const MeshText& mesh : meshes) text += meshText(mesh);
  text += "HIERARCHY\nHIERARCHY NODES " + std::to_string(meshes.size()) + "\n";
  for (size_t i = 0; i < meshes.size(); ++i) {
    text +=
        std::to_string(i) + ": 0x0 0 " + std::to_string(i) + " -1 0 0 0 0 0 0 0 0 0 0 0 0 node\n";
  }
  return text;
}

// A square of four vertices and texture vertices.
inline MeshText squareMesh(int number, const std::string& faces, int faceCount) {
  MeshText mesh;
  mesh.number = number;
  mesh.vertices = {"0 0 0", "1 0 0", "1 1 0", "0 1 0"};
  mesh.texVertices = {"0 0", "1 0", "1 1", "0 1"};
  mesh.faces = faces;
  mesh.faceCount = faceCount;
  return mesh;
}

// Every count is non-negative and matches an array that can be read to its
// end (under AddressSanitizer a count larger than its array fails here), as
// drawing and release rely on.
inline void expectModelConsistent(const Model& model) {
  ASSERT_GE(model.materialCount, 0);
  ASSERT_GE(model.meshCount, 0);
  ASSERT_GE(model.nodeCount, 0);
  double sum = 0;
  if (model.materialCount > 0) {
    ASSERT_NE(model.materials, nullptr);
    ASSERT_NE(model.materialNames, nullptr);
  }
  for (int32_t i = 0; i < model.materialCount; ++i) {
    sum += model.materials[i].width + model.materialNames[i][31];
  }
  if (model.nodeCount > 0) {
    ASSERT_NE(model.nodes, nullptr);
  }
  for (int32_t i = 0; i < model.nodeCount; ++i) sum += model.nodes[i].pivot.z + model.nodes[i].mesh;
  if (model.meshCount > 0) {
    ASSERT_NE(model.meshes, nullptr);
  }
  for (int32_t m = 0; m < model.meshCount; ++m) {
    const Mesh& mesh = model.meshes[m];
    ASSERT_GE(mesh.vertexCount, 0);
    ASSERT_GE(mesh.texVertexCount, 0);
    ASSERT_GE(mesh.faceCount, 0);
    ASSERT_GE(mesh.extraTriangleCount, 0);
    ASSERT_LE(mesh.extraTriangleCount, 1024);
    ASSERT_EQ(mesh.name[15], '\0');
    if (mesh.vertexCount > 0) {
      ASSERT_NE(mesh.vertices, nullptr);
    }
    if (mesh.texVertexCount > 0) {
      ASSERT_NE(mesh.texVertices, nullptr);
    }
    if (mesh.faceCount > 0) {
      ASSERT_NE(mesh.faces, nullptr);
    }
    if (mesh.extraTriangleCount > 0) {
      ASSERT_NE(mesh.extraTriangles, nullptr);
    }
    for (int32_t i = 0; i < mesh.vertexCount; ++i) sum += mesh.vertices[i].normal.z;
    for (int32_t i = 0; i < mesh.texVertexCount; ++i) sum += mesh.texVertices[i].v;
    for (int32_t i = 0; i < mesh.faceCount; ++i) sum += mesh.faces[i].material;
    for (int32_t i = 0; i < mesh.extraTriangleCount; ++i) sum += mesh.extraTriangles[i].type;
  }
  EXPECT_EQ(sum, sum);  // keeps the reads
}

// A GL test that loads model texts written to "model.3do" in its scratch
// folder, with the boxes kept quiet on standard error and the model released
// after each load and each test.
class ModelFileTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    headlessSetEchoBoxes(false);
  }
  void TearDown() override {
    releaseModel(model_);
    headlessSetEchoBoxes(true);
    GlTest::TearDown();
  }
  bool load(const std::string& text) {
    releaseModel(model_);
    writeFile("model.3do", text);
    clearBoxes();
    return loadModel(model_, "model.3do");
  }
  std::string report() const { return readFile("ModelStats.txt"); }
  Model model_;
};
