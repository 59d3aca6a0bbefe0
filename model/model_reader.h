// The 3DO reader: fills the empty Model from a 3DO text file, loads and
// uploads each material's MAT texture, cuts faces into triangle fans and
// writes the "ModelStats.txt" report of the load in the current folder.
#pragma once

#include <cstdio>
#include <string>

#include "model/model.h"

// True when the whole file has been read. On false a message box has been
// shown, and the model is safe to draw and to release. Needs a current GL
// context and the model's fallback texture set.
bool loadModel(Model& model, const char* path);

// loadModel that also hands back the report it wrote, in reportCopy (when not
// null), whether or not "ModelStats.txt" could be created.
bool loadModelWithReport(Model& model, const char* path, std::string* reportCopy);

// The same load through the plain stdio reading (fgets, sscanf, fscanf):
// slower, kept as the reference that the fast reading is tested against.
bool loadModelReference(Model& model, const char* path, std::string* reportCopy);

// Delivers the next significant line (not blank, first word not beginning
// with "#") into the 256-byte buffer, at most 255 characters a read, its line
// end kept. A CR right before LF is dropped. False at the end of the file.
bool readModelLine(char* buffer, FILE* stream);
