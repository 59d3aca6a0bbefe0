// The plain stdio reading of 3DO files (fgets, sscanf, fscanf), kept as the
// reference that the fast reader is held against by the tests, the fuzzers
// and the parsing benchmark. It runs the product's own loading steps
// (model/model_loader.h) and differs only in how text is read. Not part of
// the programs.
#pragma once

#include <string>

#include "model/model.h"

// loadModelWithReport through the stdio reading.
bool loadModelReference(Model& model, const char* path, std::string* reportCopy);
