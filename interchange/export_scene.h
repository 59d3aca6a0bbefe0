// Model interchange: the loaded model as the viewer draws it, gathered into
// one plain record (ExportScene) that the glTF and OBJ writers turn into
// files. Nothing here needs GL: the texture pixels are the decoded MAT
// pictures the reading left (readModelData) and the checker's, the very
// texels the viewer's textures are made of.
//
// Coordinates are in the viewer's GL axes ((x, y, z) of the file becomes
// (-x, z, y)), which are glTF's axes too: y up, the viewer's first view
// looking at the model from +z. Texture coordinates are the viewer's
// (u / width, v / height), with t = 0 at the first row of the texture; each
// writer turns them into its format's convention.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/image_data.h"
#include "model/model.h"
#include "model/model_reader.h"

// How much of their colour the faces of type 2 put over what lies behind
// them. The viewer adds them (colour times one minus colour, at most a
// quarter of full brightness, onto the picture); glTF and OBJ have no
// additive blending, so they are written as translucent surfaces covering a
// quarter.
constexpr float kBlendedAlpha = 0.25f;

// One texture of the model: a decoded MAT picture, or the checker that
// stands in for a MAT file that failed. The texture of blended faces is a
// second image of the same picture with kBlendedAlpha in its alpha channel.
struct ExportImage {
  const ImageData* picture = nullptr;  // where rgba comes from; null once rgba holds it
  unsigned char alpha = 255;
  std::string fileStem;  // side-file name without ".png": OUTSTEM_MATSTEM
  int32_t width = 0;
  int32_t height = 0;
  std::vector<unsigned char> rgba;  // width x height x 4, the picture's first row (t = 0) first
};

struct ExportMaterial {
  std::string name;      // the MAT file's name, or "untextured"
  int32_t image = -1;    // index into ExportScene::images, -1 when drawn plain
  bool blended = false;  // faces of type 2, which the viewer adds onto the picture
};

struct ExportVertex {
  float position[3];
  float normal[3];  // unit length
  float texCoord[2];
};

// The triangles of one mesh that wear one material.
struct ExportPrimitive {
  int32_t material = 0;
  std::vector<ExportVertex> vertices;
  std::vector<uint32_t> indices;  // three per triangle
};

struct ExportMesh {
  std::string name;
  std::vector<ExportPrimitive> primitives;  // empty when no face can be drawn
};

// One hierarchy node. Its translation is relative to its parent (-1: a root);
// its mesh (-1: none, or nothing to draw) is placed at the node plus the
// pivot, which puts it at placement in the model's space.
struct ExportNode {
  std::string name;
  int32_t parent = -1;
  float translation[3] = {0, 0, 0};
  int32_t mesh = -1;
  float pivot[3] = {0, 0, 0};
  float placement[3] = {0, 0, 0};  // the drawing's chain offset plus the pivot
};

struct ExportScene {
  std::vector<ExportImage> images;
  std::vector<ExportMaterial> materials;
  std::vector<ExportMesh> meshes;  // one per mesh of the model, same order
  std::vector<ExportNode> nodes;   // one per hierarchy node, same order
  int64_t skippedTriangles = 0;    // with a vertex index outside their mesh
  int32_t brokenLoops = 0;         // parent loops cut into roots
  int32_t deepNodes = 0;           // nodes made roots below the depth limit
};

// Gathers the model as drawModel draws it: the same triangles (faces with a
// vertex out of range left out and counted), the same untextured faces, the
// node placement of walkNodeChains with parent loops cut into roots placed
// where the drawing places them (and chains deeper than 64 levels cut the
// same way). Only materials that some triangle wears are kept, and only
// their images, with their pixels. textures is what readModelData listed for
// the model (whose MAT pixels must still be there, not uploaded); materials
// whose MAT file failed wear checker, unless its pixels are null (the
// viewer then draws them plain). outputStem names the side files.
void buildExportScene(const Model& model, const std::vector<TextureUpload>& textures,
                      const ImageData& checker, const std::string& outputStem, ExportScene& scene);

// Per-format counts of what a writer put in its files, for the summary line.
struct ExportCounts {
  int64_t triangles = 0;
  int64_t vertices = 0;
  int64_t materials = 0;
};

// What a writer that failed has to say, for its caller to print under its
// own name: libpng's lines ("PNG: ..."), then the writer's own line
// ("could not write NAME").
struct ExportMessages {
  std::vector<std::string> png;
  std::string failure;
};

// The glTF writer (tinygltf). folder is where the files go, mainName the
// output's file name and stem the side files' stem. A .glb holds everything;
// a .gltf refers to STEM.bin and the images' PNG files beside it.
// writtenFiles receives the names of the files made in folder, the main file
// last. False with the reason in messages.
bool writeGltf(const ExportScene& scene, const std::string& folder, const std::string& stem,
               const std::string& mainName, bool binary, std::vector<std::string>& writtenFiles,
               ExportCounts& counts, ExportMessages& messages);
// The OBJ writer: the placed geometry (one object per node), STEM.mtl and the
// images' PNG files beside it.
bool writeObj(const ExportScene& scene, const std::string& folder, const std::string& stem,
              const std::string& mainName, std::vector<std::string>& writtenFiles,
              ExportCounts& counts, ExportMessages& messages);

// The image as PNG bytes (image/png_writer.h), top row first: the last row
// of the picture at the top, its first row (t = 0) at the bottom. opaque
// writes every alpha as 255.
bool encodeImagePng(const ExportImage& image, bool opaque, std::vector<unsigned char>& bytes,
                    ExportMessages& messages);
// Every image of the scene as FILESTEM.png in folder.
bool writeImageFiles(const ExportScene& scene, const std::string& folder, bool opaque,
                     std::vector<std::string>& writtenFiles, ExportMessages& messages);
