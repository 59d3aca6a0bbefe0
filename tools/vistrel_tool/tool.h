// vistrel-tool: the headless companion of the viewer. Each command lives in
// its own file; they share the set-up below, which loads exactly as the
// viewer does after its file dialog.
#pragma once

#include <string>

#include "image/fixed_textures.h"
#include "model/model.h"
#include "overlay/bitmap_font.h"
#include "platform/headless_services.h"

// Exit statuses of every command.
constexpr int kToolOk = 0;
constexpr int kToolFailed = 1;
constexpr int kToolUsage = 2;

int runStats(int argc, char** argv);   // argv[0] is "stats"
int runDecode(int argc, char** argv);  // argv[0] is "decode"
int runRender(int argc, char** argv);  // argv[0] is "render"
// argv[0] is "thumbnail"; Linux only (libpng, POSIX resource limits).
int runThumbnail(int argc, char** argv);
// argv[0] is "export"; Linux only (tinygltf, libpng).
int runExport(int argc, char** argv);

// An offscreen GL context with the viewer's start state (render/start_state.h):
// projection for the size, fixed state with the background colour, fixed
// textures and font from the systemtex folder beside the executable. On
// failure prints why on stderr.
struct ToolSession {
  OffscreenGl gl;
  FixedTextures textures;
  BitmapFont font;
  std::string programDir;  // the data folder: config.txt, systemtex/ (app/data_folder.h)
};
bool openToolSession(ToolSession& session, int width, int height, const float background[3]);
void closeToolSession(ToolSession& session);

// The model's absolute path (as the file dialog would give it), with the
// current folder changed to the model's folder. False when the path has no
// usable form.
bool enterModelFolder(const char* modelPath, std::string& absolutePath);
