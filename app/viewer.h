// The viewer's program-wide records (the one Model, ViewState, FrameRate,
// BitmapFont and fixed textures), start-up of a fresh window and the
// per-frame keyboard controls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "app/key_state.h"
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
};

// The one Viewer of the program, alive for the whole run.
Viewer& programViewer();

// Prepares a freshly created window (its context current): background
// colour from "config.txt", fixed GL state, fixed textures, light, material,
// font, the file dialog, the model load and the first view. False when
// "config.txt" gives no colour line (no message) or the model cannot be
// loaded (the reader's message).
bool initialiseViewer(AppWindow& window, KeyState& keys);

// Polls the 22 keys of the key table in order once per frame; elapsed is the
// time since the previous frame start in milliseconds.
void updateViewer(uint32_t elapsed);

// F9: asks for another model and loads it in place of the current one. False
// only when a chosen file failed to load (the old model is gone by then).
bool loadNewModel();

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
