// The set-up every command of vistrel-tool shares: the offscreen GL context
// with the viewer's start state for the commands that draw, the same start
// without GL for those that do not, and the one way a command reads a model.
#pragma once

#include <string>

#include "image/fixed_textures.h"
#include "model/model.h"
#include "overlay/bitmap_font.h"
#include "platform/headless_services.h"
#include "runner/batch.h"
#include "runner/options.h"

// An offscreen GL context with the viewer's start state (render/start_state.h):
// projection for the size, fixed state with the background colour, fixed
// textures and font from the systemtex folder beside the executable. On
// failure prints why on stderr.
struct ToolSession {
  OffscreenGl gl;
  bool drawing = false;  // gl, the textures and the font exist
  FixedTextures textures;
  BitmapFont font;
  std::string programDir;  // the data folder: config.txt, systemtex/ (app/data_folder.h)
};
bool openToolSession(ToolSession& session, int width, int height, const float background[3]);
// The session of a command that draws nothing (stats, export): no GL
// context, and the start-up's messages all the same, the fixed images and
// the font read in openToolSession's order (readFixedImages). The checker
// keeps its pixels in textures.checkerTexture, with no texture name, for the
// materials whose MAT file fails. Cannot fail.
void openReadingSession(ToolSession& session);
void closeToolSession(ToolSession& session);

// How a command reads its model.
struct ReadOptions {
  bool report = true;                 // write "ModelStats.txt" in the model's folder
  std::string* reportCopy = nullptr;  // also hand the report back here
};

// Reads the model as the viewer loads it after its file dialog, without GL
// (readModelData): MAT names from the model's folder, the checker as the
// fallback of failed materials, the messages of the load. Runs on either
// thread of a batch. A model without a usable path gets "vistrel-tool
// COMMAND: cannot use the path 'PATH'".
void readToolModel(const char* command, const ToolSession& session, const BatchModel& model,
                   BatchRead& read, const ReadOptions& options);
// The drawing state of the model's picture (restartDrawing for the size and
// background) and its textures made, on the GL thread of a drawing session.
void prepareToolModel(ToolSession& session, BatchRead& read, int width, int height,
                      const float background[3]);
