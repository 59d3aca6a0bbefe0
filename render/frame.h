// Frame drawing: clear, camera, rotations, the model pass, the optional
// sphere-mapped environment pass, the overlay and the frame-rate counter; and
// the projection that follows the window size.
#pragma once

#include <cstdint>

#include "image/fixed_textures.h"
#include "model/model.h"
#include "overlay/bitmap_font.h"
#include "overlay/hud.h"
#include "render/model_draw.h"
#include "render/view_state.h"

struct FrameRate {
  uint32_t frameCount = 0;
  uint32_t windowStart = 0;
  int32_t fps = 0;
};

// Draws one frame into the back buffer; modelview matrix mode current on
// entry and on return. The caller swaps the buffers. With a cache the model
// is drawn through its display lists (see ModelDrawCache).
void drawFrame(const ViewState& view, const Model& model, const FixedTextures& textures,
               const BitmapFont& font, FrameRate& frameRate, ModelDrawCache* cache = nullptr);

// One picture of the view from the start state, as the tool draws it: the
// view's render mode, lighting and texturing switched off where the view has
// them off (as in the viewer, where every frame after the first leaves
// GL_TEXTURE_2D disabled when texturing is off), one frame with a fresh
// frame-rate counter, finished. The picture is left in the back buffer.
void drawStill(const ViewState& view, const Model& model, const FixedTextures& textures,
               const BitmapFont& font);

// What the overlay prints for this view and frame rate.
HudValues hudValues(const ViewState& view, const FrameRate& frameRate);

// Viewport and 45-degree perspective for a client size; a height of 0 is
// taken as 1 for the aspect.
void resizeView(int width, int height);
