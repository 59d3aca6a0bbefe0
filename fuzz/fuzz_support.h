// Shared ground of the fuzz targets: a scratch folder that is the current
// folder for the whole run, one offscreen OpenGL context, silent message
// boxes, and the splitting of one fuzz input into a model text and the MAT
// files it names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fuzz/model_input.h"
#include "model/model.h"

// Makes a fresh scratch folder, makes it the current folder and turns the
// echo of message boxes off. Aborts the run when that fails.
void fuzzEnterScratchFolder();
// Creates the offscreen OpenGL context once (size in pixels), current for the
// rest of the run. Aborts the run when no context can be made.
void fuzzCreateGl(int width, int height);
// Runs step with the source tree as the current folder (its systemtex
// folder holds the images and the font the programs read beside themselves),
// then returns to the current folder. Aborts the run when it cannot.
void fuzzInSourceTree(const std::function<void()>& step);
// The bytes of a file of the source tree (a seed), empty when it is missing.
std::string fuzzReadSourceFile(const char* path);
// Forgets the boxes shown so far (they would pile up over millions of runs).
void fuzzClearBoxes();

// Writes bytes to a file in the current folder; aborts when that fails.
void fuzzWriteFile(const char* name, const uint8_t* data, size_t size);

// Splits an input (model_input.h) and writes "model.3do" and the MAT files;
// the MAT files of the previous input are removed first.
void fuzzWriteModelInput(const uint8_t* data, size_t size);

// A 4 x 4 checker texture that stands in as the fallback texture of failed
// materials, as start-up gives the checker to the model.
void fuzzSetFallbackTexture(Model& model);

// Reads every element of every array of the model, so that AddressSanitizer
// proves each count fits the array allocated for it, and aborts when a count
// is negative, an array is missing for a positive count or a mesh holds more
// than 1024 extra triangles.
void fuzzCheckModelArrays(const Model& model);

// Deletes the GL textures of the model's materials (not the fallback), then
// releases the model and checks that it is empty; a second release must be
// harmless. Keeps long runs from piling up texture objects.
void fuzzReleaseModel(Model& model);

// Uploads a decoded image with uploadTexture from a copy of its pixels that
// ends right at an inaccessible page, so that a read past the buffer by GL or
// GLU (which the sanitizers do not see into) faults at once; then deletes
// the texture again.
void fuzzUploadGuarded(const ImageData& image, int components);

// Aborts with a message: the fuzzer reports the input as a finding.
[[noreturn]] void fuzzFail(const char* what);
