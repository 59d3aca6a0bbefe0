// The drawing state every caller starts from: the viewer at each start-up,
// vistrel-tool, the draw fuzzer and the benchmarks. Changing how the first
// frame looks means changing this file, and the tool cannot drift from the
// viewer.
#pragma once

#include <cstdint>

#include "image/fixed_textures.h"
#include "model/model.h"
#include "overlay/bitmap_font.h"
#include "render/view_state.h"

// Texturing, clear colour (alpha always 0.5), clear depth, depth test with
// GL_LEQUAL, smooth shading, perspective hint, back-face culling.
void setFixedGlState(float red, float green, float blue);

// Directional light 0 from the viewer's side, lighting on, and the one front
// material. Must run while the modelview matrix is the identity.
void setLightAndMaterial();

// A fresh context's whole start state, in start-up's order: the fixed state
// with the background colour, the fixed textures from "systemtex" in the
// current folder, light and material, and the font (white text).
void startDrawing(const float background[3], FixedTextures& textures, BitmapFont& font);

// The state startDrawing leaves, again, in the same context, for the next of
// several pictures drawn one after another (vistrel-tool's batches): the
// projection and viewport for the size, the fixed state with the background
// colour, light and material, white text, and the GL defaults that drawing
// a frame changes and start-up leaves otherwise (blending function, current
// colour, normal and texture coordinate, the bound texture). Fixed textures
// and font are kept.
void restartDrawing(int width, int height, const float background[3], BitmapFont& font);

// The checker texture as the model's fallback for unreadable MAT files; set
// before loadModel.
void useCheckerFallback(Model& model, const FixedTextures& textures);

// The GL shading and polygon mode of a render mode (kRenderWire, kRenderFlat,
// kRenderSmooth), as the F5 cycle sets them.
void applyRenderMode(int32_t renderMode);

// The camera distance that shows a whole model of the given radius.
float startCameraDistance(float radius);

// The first frame's camera and rotations, also what a reset gives: the
// camera on the z axis at startCameraDistance, no rotation.
void resetView(ViewState& view, const Model& model);
