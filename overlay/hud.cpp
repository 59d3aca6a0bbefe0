// The heads-up display: the status bar (frame rate, camera, rotation) along
// the bottom edge and the help page with the key list, each on a panel of the
// menu background image, in a fixed 640 x 480 overlay space.
#include "overlay/hud.h"

#include <cstdio>

#include "platform/gl.h"

namespace {

struct HelpLine {
  int x;
  int y;
  const char* text;
};

// The runs of blanks line the dashes up under the font's fixed advance.
constexpr HelpLine kHelpLines[] = {
    {25, 400, "Vistrel - Public Release 2 - July 30th 2003"},
    {25, 385, "A 3DO model viewer by the Vistrel authors"},
    {25, 350, "[ESC] - Quit"},
    {25, 330, "[T,G] - Rotate on X-axis"},
    {25, 310, "[A,D] - Rotate on Y-axis"},
    {25, 290, "[R,F] - Rotate on Z-axis"},
    {25, 270, "[W,S] - Pan Forward/Backward"},
    {25, 250, "[J,L] - Pan Left/Right"},
    {25, 230, "[I,K] - Pan Up/Down"},
    {25, 210, "[H]   - Toggle FPS/Help/No Text"},
    {300, 350, "[SPACE] - Reset View"},
    {300, 330, "[F1]    - Fast/Slow Pan Step Size Toggle"},
    {300, 310, "[F5]    - Wire/Flat/Smooth View Toggle"},
    {300, 290, "[F6]    - Draw Textured Toggle"},
    {300, 270, "[F7]    - OpenGL Lighting Toggle"},
    {300, 250, "[F8]    - Enviornmental Mapping Toggle"},
    {300, 230, "[F9]    - Load New 3do"},
    {300, 210, "[F12]   - Take ScreenShot"},
    {25, 170, "Thanks to everyone who tried the early builds"},
    {25, 154, "and sent in models, bug reports and ideas."},
    // The mouse, drag and drop and the folder keys, below the key list.
    {25, 130, "[Left Drag]   - Rotate on X/Y-axis"},
    {25, 110, "[Wheel]       - Pan Forward/Backward"},
    {25, 90, "[PGDN,PGUP]   - Next/Previous 3do"},
    {300, 130, "[Right Drag]  - Pan Left/Right/Up/Down"},
    {300, 110, "[Middle Drag] - Pan Left/Right/Up/Down"},
    {300, 90, "[Drop a File] - Load the Dropped 3do"},
};

// The help panel reaches down below the lowest line, clear of the status bar
// (whose panel ends at 20).
constexpr int kHelpPanelBottom = 72;

void panel(int left, int bottom, int right, int top) {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2i(left, bottom);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2i(left, top);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2i(right, top);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2i(right, bottom);
  glEnd();
}

}  // namespace

void drawHud(const HudValues& values, const FixedTextures& textures, const BitmapFont& font) {
  if (values.lighting) glDisable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, textures.menuBackTexture.textureName);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, 640.0, 0.0, 480.0, -100.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  if (values.helpVisible) panel(10, kHelpPanelBottom, 630, 440);
  panel(0, 0, 640, 20);

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);

  beginText(font, 640, 480);
  // snprintf cuts a line that does not fit; it never writes past the buffer.
  char text[128];
  std::snprintf(text, sizeof text, "%d fps", values.fps);
  printText(font, 2, 2, text);
  std::snprintf(text, sizeof text, "Camera[XYZ]: %0.3f,%0.3f,%0.3f", values.camera[0],
                values.camera[1], values.camera[2]);
  printText(font, 65, 2, text);
  std::snprintf(text, sizeof text, "Rotation[XYZ]: %0.3f,%0.3f,%0.3f", values.rotation[0],
                values.rotation[1], values.rotation[2]);
  printText(font, 340, 2, text);
  if (values.helpVisible) {
    for (const HelpLine& line : kHelpLines) printText(font, line.x, line.y, line.text);
  }
  endText();

  if (values.lighting) glEnable(GL_LIGHTING);
}
