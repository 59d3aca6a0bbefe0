// Framing: the camera that makes a drawn model fill the picture, measured
// with the drawing's own bounds (model_bounds.h), and the thumbnail's picture
// drawn with it: a three-quarter view, smooth, textured and lit, over a
// transparent background.
//
// A model too large or too small for the projection's fixed near and far
// planes is framed all the same: the camera is placed in model units and the
// projection matrix is scaled uniformly, which leaves every pixel where it
// was (a perspective picture does not change when the whole scene grows
// about the eye) and moves only the depths, so that the model's front lies
// just behind the near plane and its depths get the best of the 16-bit depth
// buffer. Only a model whose back is over about 890 times as far from the
// camera as its front (far / (1.5 x near)) is cut, at the back.
#pragma once

#include <string>
#include <vector>

#include "image/fixed_textures.h"
#include "model/model.h"
#include "overlay/bitmap_font.h"
#include "render/view_state.h"

// The projection in force (resizeView's), read back from the matrix:
// tangents of the half angles and the clipping planes.
struct Perspective {
  double tanHalfX = 1;
  double tanHalfY = 1;
  double nearPlane = 1;
  double farPlane = 2;
};
Perspective currentPerspective();

// Pans the camera and backs it off until the drawn model, turned by the
// view's rotations, fills `fill` of the picture, and scales the projection so
// that the model's depths lie between the clipping planes. False, with the
// reason in failure, when there is no triangle to draw or the numbers are
// not usable (a model of unbounded size).
bool frameModel(const Model& model, ViewState& view, double fill, std::string& failure);

// Draws the loaded model from the front three-quarter view, else from the
// back one, framed to the square picture of size x size, into rgba (bottom
// row first). False when it shows from neither or cannot be framed; the
// reasons are appended to messages. Leaves the start state's projection
// scaled: the caller restarts drawing before anything else.
bool drawThumbnailPicture(const Model& model, int size, const FixedTextures& textures,
                          const BitmapFont& font, std::vector<unsigned char>& rgba,
                          std::vector<std::string>& messages);
