// Runs of vistrel-tool's commands over models: a batch (`render` and
// `thumbnail` over many models in one process, one GL context, one set of
// fixed textures and one font) and a single run, which is a batch of one
// without its prefixes, progress and closing count. This part owns what the
// commands share: the list of models (command line and
// --from LIST), one output per model in the output folder (numbered on a
// clash of names), the reading of the next models on a second thread while
// the GL thread draws the current one, each model's messages prefixed with
// its path, the progress line and the closing count.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "model/model.h"
#include "model/model_reader.h"
#include "runner/messages.h"

// One model of a batch.
struct BatchModel {
  std::string given;   // as the user gave it: the prefix of its messages
  std::string path;    // absolute and normal, as the file dialog gives it; empty when unusable
  std::string folder;  // the model's folder: its MAT files and its ModelStats.txt
  std::string output;  // the picture to write, in the output folder
};

// What the reading thread hands the GL thread for one model.
struct BatchRead {
  Model model;  // read, textures not made yet
  std::vector<TextureUpload> uploads;
  bool loaded = false;             // false: the model failed before drawing
  std::vector<std::string> lines;  // its messages so far, in order, unprefixed
};

// The steps of one command. read runs on the reading thread (no GL); make on
// the GL thread makes the textures, draws and writes the output, true when
// written. readAlone, when set, says that a model is read only once the
// models before it are drawn and freed (the thumbnailer's memory cap).
// startModel, when set, runs on the GL thread before it waits for model
// index (the thumbnailer's limits), with the counts so far.
struct BatchSteps {
  std::function<void(const BatchModel&, BatchRead&)> read;
  std::function<bool(const BatchModel&, BatchRead&)> make;
  std::function<bool(const BatchModel&)> readAlone;
  std::function<void(size_t index, size_t written, size_t failed)> startModel;
};

// The model paths given on the command line (already in models) followed by
// those of each LIST (one path per line, a CR before the LF dropped, blank
// lines skipped; "-" is standard input). False, with the reason printed
// after "vistrel-tool COMMAND: ", when a list cannot be read.
bool readModelLists(const char* command, const std::vector<const char*>& lists,
                    std::vector<std::string>& models);

// Whether an -o value means an output folder: an existing folder, or a name
// ending in a folder separator.
bool namesFolder(const char* output);
// Several models, a list, or an output that names a folder make a batch.
bool makesBatch(size_t models, size_t lists, const char* output);
// The usage message of a batch whose output folder does not exist; empty
// when it exists.
std::string batchFolderProblem(const char* output);

// The models with their absolute paths and outputs: FOLDER/NAME.EXTENSION
// from each model's file name without its extension; a name already taken
// in this run (letter case aside, as on a case-insensitive disk) gets the
// first free -2, -3, ... and never a name another model of the run has as
// its own. Paths are taken from the current folder.
std::vector<BatchModel> planBatch(const std::vector<std::string>& models, const std::string& folder,
                                  const char* extension);

// Runs the steps over every model in order and prints "N written, M
// failed" as the last line; 0 when all were written, else 1. While it runs,
// a terminal on standard error shows the progress line.
int runBatch(const char* command, const std::vector<BatchModel>& models, const BatchSteps& steps);

// One model, as a batch of one on this thread, its messages printed as they
// arise, without a prefix, progress or closing count (startModel and
// readAlone are not used). 0 when written, else 1.
int runSingle(const char* command, const BatchModel& model, const BatchSteps& steps);

// The model of a single run: its absolute, normal path and folder (both
// empty when the path has no usable form) and output.
BatchModel planSingle(const char* model, const std::string& output);

// A path given on the command line made absolute from the current folder
// and normal. False when it has no usable form.
bool absolutePath(const char* given, std::string& absolute);
