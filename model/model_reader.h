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

// loadModel that writes no "ModelStats.txt" (nor any other file): for
// callers that read files the user did not choose, such as the thumbnailer.
// The current folder still resolves the MAT names.
bool loadModelWithoutReportFile(Model& model, const char* path);
