// The heads-up display: the status bar with frame rate, camera and rotation,
// and the help page, on panels of the menu background image.
#pragma once

#include "app/view_state.h"
#include "image/fixed_textures.h"
#include "overlay/bitmap_font.h"

struct FrameRate;

void drawHud(const ViewState& view, const FrameRate& frameRate, const FixedTextures& textures,
             const BitmapFont& font);
