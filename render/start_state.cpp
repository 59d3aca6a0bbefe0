// The start state of drawing: fixed GL state, light, material, the fixed
// textures and font, the render modes' GL state and the first view.
#include "render/start_state.h"

#include "platform/gl.h"
#include "render/frame.h"

void setFixedGlState(float red, float green, float blue) {
  glEnable(GL_TEXTURE_2D);
  glClearColor(red, green, blue, 0.5f);
  glClearDepth(1.0);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_DEPTH_TEST);
  glShadeModel(GL_SMOOTH);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
}

void setLightAndMaterial() {
  const GLfloat lightPosition[] = {0.0f, 0.0f, 20.0f, 0.0f};
  const GLfloat lightAmbient[] = {0.0f, 0.0f, 0.0f, 1.0f};
  const GLfloat lightDiffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
  const GLfloat lightSpecular[] = {1.0f, 1.0f, 1.0f, 1.0f};
  glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
  glLightfv(GL_LIGHT0, GL_AMBIENT, lightAmbient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
  glLightfv(GL_LIGHT0, GL_SPECULAR, lightSpecular);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);

  const GLfloat materialAmbient[] = {1.0f, 1.0f, 1.0f, 1.0f};
  const GLfloat materialDiffuse[] = {0.9f, 0.9f, 0.9f, 1.0f};
  const GLfloat materialSpecular[] = {0.9f, 0.9f, 0.9f, 1.0f};
  const GLfloat materialEmission[] = {0.2f, 0.2f, 0.2f, 0.0f};
  glMaterialfv(GL_FRONT, GL_AMBIENT, materialAmbient);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, materialDiffuse);
  glMaterialfv(GL_FRONT, GL_SPECULAR, materialSpecular);
  glMaterialfv(GL_FRONT, GL_EMISSION, materialEmission);
  glMaterialf(GL_FRONT, GL_SHININESS, 50.0f);
}

void startDrawing(const float background[3], FixedTextures& textures, BitmapFont& font) {
  setFixedGlState(background[0], background[1], background[2]);
  loadFixedTextures(textures);
  setLightAndMaterial();
  loadFont(font);
  setTextColour(font, 255, 255, 255, 255);
}

void restartDrawing(int width, int height, const float background[3], BitmapFont& font) {
  resizeView(width, height);
  setFixedGlState(background[0], background[1], background[2]);
  setLightAndMaterial();
  setTextColour(font, 255, 255, 255, 255);
  glBlendFunc(GL_ONE, GL_ZERO);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glNormal3f(0.0f, 0.0f, 1.0f);
  glTexCoord4f(0.0f, 0.0f, 0.0f, 1.0f);
  // Start-up ends with the font's texture bound.
  glBindTexture(GL_TEXTURE_2D, font.image.textureName);
}

void useCheckerFallback(Model& model, const FixedTextures& textures) {
  model.fallbackTexture = textures.checkerTexture.textureName;
  model.fallbackTextureSize = static_cast<int32_t>(textures.checkerTexture.width);
}

void applyRenderMode(int32_t renderMode) {
  if (renderMode == kRenderWire) {
    glShadeModel(GL_FLAT);
    glPolygonMode(GL_FRONT, GL_LINE);
  } else if (renderMode == kRenderFlat) {
    glShadeModel(GL_FLAT);
    glPolygonMode(GL_FRONT, GL_FILL);
  } else {
    glShadeModel(GL_SMOOTH);
    glPolygonMode(GL_FRONT, GL_FILL);
  }
}

float startCameraDistance(float radius) {
  return radius * 2.3f;
}

void resetView(ViewState& view, const Model& model) {
  view.cameraX = 0;
  view.cameraY = 0;
  view.cameraZ = startCameraDistance(model.radius);
  view.rotationX = 0;
  view.rotationY = 0;
  view.rotationZ = 0;
}
