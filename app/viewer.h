// The viewer's program-wide records (the one Model, ViewState, FrameRate,
// BitmapFont and fixed textures), start-up of a fresh window and the
// per-frame keyboard controls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/key_state.h"
#include "app/mouse_state.h"
#include "image/fixed_textures.h"
#include "model/model.h"
#include "overlay/bitmap_font.h"
#include "platform/app_window.h"
#include "render/frame.h"
#include "render/model_draw.h"
#include "render/view_state.h"

// The size of every model file name buffer.
constexpr size_t kModelPathSize = 256;

struct Viewer {
  Model model;
  ModelDrawCache drawCache;  // the model's display lists, released with it
  ViewState view;
  FrameRate frameRate;
  BitmapFont font;
  FixedTextures textures;
  AppWindow* window = nullptr;  // the controls' references, set by start-up
  KeyState* keys = nullptr;
  // The folder that holds "config.txt" and "systemtex" (the folder the
  // program started in, or its data folder: app/data_folder.h); start-up returns to it because the
  // file dialog leaves the current folder at the model's. Empty: stay in the current folder. A
  // path, not a narrow string, so that a folder name outside the system's code page (Windows) is
  // found again.
  std::filesystem::path startFolder;
  // A model given on the command line, absolute; the first start-up loads it
  // instead of showing the file dialog, and clears it.
  std::filesystem::path initialModel;
  // The current model's absolute path, set by every successful load (start-up,
  // F9, a drop, PageDown and PageUp): PageDown and PageUp walk its folder.
  std::filesystem::path modelPath;
};

// The one Viewer of the program, alive for the whole run.
Viewer& programViewer();

// Prepares a freshly created window (its context current): background
// colour from "config.txt", fixed GL state, fixed textures, light, material,
// font, the file dialog, the model load and the first view. False when
// "config.txt" gives no colour line (no message) or the model cannot be
// loaded (the reader's message).
bool initialiseViewer(AppWindow& window, KeyState& keys);

// Polls the keys of the key table in order once per frame (the 22 of the
// keyboard controls, with PageDown, PageUp and a waiting drop after F9), then
// applies the mouse's drags and wheel; elapsed is the time since the previous
// frame start in milliseconds.
void updateViewer(uint32_t elapsed);

// F9: asks for another model and loads it in place of the current one. False
// only when a chosen file failed to load (the old model is gone by then).
bool loadNewModel();

// Loads the model at path in place of the current one, as F9 loads the
// dialog's answer: the model's folder becomes the current folder, the
// display toggles stay, the camera and rotations reset. A path longer than
// the 255 characters of the reader's buffer is refused with a box and
// changes nothing. False only when the load failed (the old model is gone).
bool loadModelFile(const std::filesystem::path& path);

// The .3do file (any case of the extension) after (step 1) or before (step
// -1) the model at current in its folder, names compared case-insensitively,
// wrapping at the ends; a folder with only that model gives the model again.
// Empty when the folder holds none or cannot be read.
std::filesystem::path neighbourModel(const std::filesystem::path& current, int step);

// The first path of a drop that names a .3do file (any case of the
// extension), made absolute; empty when none does.
std::filesystem::path firstDroppedModel(const std::vector<std::string>& paths);

// The mouse's share of a frame, taken out of the record: the left drag turns
// the model (180 degrees across the client width: right turns about y, down
// about x), the right or middle drag pans so that the model follows the
// pointer at the camera's distance, the wheel moves the camera forward (away
// from the user) and back by 0.2 model radii a notch.
void applyMouse(ViewState& view, MouseState& mouse, const AppWindow& window, const Model& model);

// The "Choose a 3do to Open" dialog; true with the full path in the
// 256-byte buffer, false (buffer unchanged) on cancel.
bool chooseModelFile(char* buffer);

// Releases the model and its display lists (the context still current).
void releaseViewerModel(Viewer& viewer);

// The pieces of updateViewer, each on the record it changes (resetView is
// render/start_state.h's).
void cycleText(ViewState& view);        // frame-rate text, help page, no text
void cycleRenderMode(ViewState& view);  // smooth, wire, flat; sets GL state
float wrapDown(float degrees);          // after subtracting: below 0 gets +360
float wrapUp(float degrees);            // after adding: above 360 gets -360
// A turn of any size, wrapped into 0 to 360 as the keys wrap their smaller
// steps (up: exactly 360 stays; down: exactly 0 stays).
float wrapTurn(float degrees, double turn);
