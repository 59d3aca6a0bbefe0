// Frame drawing: clear, camera, the three rotations, the model pass, the
// sphere-mapped environment pass, the overlay, the flush and the frame-rate
// counter; and the projection, which follows the window size.
#include "render/frame.h"

#include "platform/gl.h"
#include "platform/platform.h"
#include "render/model_draw.h"
#include "render/start_state.h"

namespace {

// Closes the counting window once at least 1000 ms have passed since it
// began. The elapsed time is taken by unsigned subtraction, so a window that
// spans the 32-bit wrap of the tick count closes on time like any other.
void countFrame(FrameRate& frameRate) {
  const uint32_t now = platformTickCount();
  if (now - frameRate.windowStart >= 1000u) {
    frameRate.fps = static_cast<int32_t>(frameRate.frameCount);
    frameRate.windowStart = now;
    frameRate.frameCount = 0;
  }
  ++frameRate.frameCount;
}

}  // namespace

void drawFrame(const ViewState& view, const Model& model, const FixedTextures& textures,
               const BitmapFont& font, FrameRate& frameRate, ModelDrawCache* cache) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();

  // The centre lies 10 units along -z: the camera pans, it never turns.
  const float centreZ = view.cameraZ - 10.0f;
  gluLookAt(view.cameraX, view.cameraY, view.cameraZ, view.cameraX, view.cameraY, centreZ, 0.0, 1.0,
            0.0);

  glRotatef(view.rotationX, 1.0f, 0.0f, 0.0f);
  glRotatef(view.rotationY, 0.0f, 1.0f, 0.0f);
  glRotatef(view.rotationZ, 0.0f, 0.0f, 1.0f);

  if (view.texturing) {
    glEnable(GL_TEXTURE_2D);
    drawModel(model, true, cache);
    glDisable(GL_TEXTURE_2D);
  } else {
    drawModel(model, false, cache);
  }

  if (view.envMapping) {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, textures.envMapTexture.textureName);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexGenf(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGenf(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    drawModel(model, false, cache);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
  }

  if (view.hudVisible) drawHud(hudValues(view, frameRate), textures, font);

  glFlush();
  countFrame(frameRate);
}

HudValues hudValues(const ViewState& view, const FrameRate& frameRate) {
  HudValues values;
  values.fps = frameRate.fps;
  values.camera[0] = view.cameraX;
  values.camera[1] = view.cameraY;
  values.camera[2] = view.cameraZ;
  values.rotation[0] = view.rotationX;
  values.rotation[1] = view.rotationY;
  values.rotation[2] = view.rotationZ;
  values.helpVisible = view.helpVisible;
  values.lighting = view.lighting;
  return values;
}

void resizeView(int width, int height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // A window dragged to no height at all still gets a usable aspect.
  const int aspectHeight = height > 0 ? height : 1;
  const float nearDistance = 0.03f;
  gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(aspectHeight), nearDistance,
                 40.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void drawStill(const ViewState& view, const Model& model, const FixedTextures& textures,
               const BitmapFont& font) {
  applyRenderMode(view.renderMode);
  if (!view.lighting) glDisable(GL_LIGHTING);
  if (!view.texturing) glDisable(GL_TEXTURE_2D);
  FrameRate frameRate;
  frameRate.windowStart = platformTickCount();
  frameRate.frameCount = 0;
  drawFrame(view, model, textures, font, frameRate);
  glFinish();
}
