// The 3DO reader: fills the empty Model from a 3DO text file, loads and
// uploads each material's MAT texture, cuts faces into triangle fans and
// writes the "ModelStats.txt" report of the load in the current folder.
// The load also comes in two parts, the reading (no GL) and the texture
// upload, for a caller that reads the next model on another thread while
// the thread with the GL context draws (vistrel-tool's batches).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/model.h"

// True when the whole file has been read. On false a message box has been
// shown, and the model is safe to draw and to release. Needs a current GL
// context and the model's fallback texture set.
bool loadModel(Model& model, const char* path);

// loadModel that also hands back the report it wrote, in reportCopy (when not
// null), whether or not "ModelStats.txt" could be created.
bool loadModelWithReport(Model& model, const char* path, std::string* reportCopy);

// loadModel that writes no "ModelStats.txt" (nor any other file): for
// callers that read files the user did not choose, such as the thumbnailer.
// The current folder still resolves the MAT names.
bool loadModelWithoutReportFile(Model& model, const char* path);

// One texture a reading leaves to be made: the material's own decoded pixels
// when source is the material itself, else the texture of the earlier
// material source, which names the same MAT file.
struct TextureUpload {
  int32_t material = 0;
  int32_t source = 0;
};

// loadModel without GL: reads the file, decodes every MAT file into its
// material's pixels (materials whose MAT fails get the fallback texture, as
// in loadModel), writes the report to reportPath (null: no file; a relative
// path is taken from the current folder) and shows the same messages in the
// same order as loadModel. MAT names are taken from folder (null: the
// current folder). uploads receives the textures to make, in loadModel's
// order. Needs no GL context, and touches no state shared with another
// thread but the message boxes (see headlessCollectLines).
// reportCopy, when not null, receives the report whether or not the file
// could be written.
bool readModelData(Model& model, const char* path, const char* folder, const char* reportPath,
                   std::vector<TextureUpload>& uploads, std::string* reportCopy = nullptr);

// Makes the textures readModelData listed, in the current GL context, and
// frees the pixels once uploaded: with it the two parts give loadModel's
// model, report and messages. Empties uploads.
void uploadModelTextures(Model& model, std::vector<TextureUpload>& uploads);
