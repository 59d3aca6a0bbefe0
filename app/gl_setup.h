// The fixed OpenGL state, light and material that start-up gives every new
// rendering context; shared by the viewer and the headless renderer so both
// draw with exactly the same state.
#pragma once

// Texturing, clear colour (alpha always 0.5), clear depth, depth test with
// GL_LEQUAL, smooth shading, perspective hint, back-face culling.
void setFixedGlState(float red, float green, float blue);

// Directional light 0 from the viewer's side, lighting on, and the one front
// material. Must run while the modelview matrix is the identity.
void setLightAndMaterial();
