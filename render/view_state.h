// ViewState: the camera, rotation angles, display toggles and render mode that
// the keyboard drives and that frame drawing and the overlay read.
#pragma once

#include <cstdint>

constexpr int32_t kRenderWire = 1;
constexpr int32_t kRenderFlat = 2;
constexpr int32_t kRenderSmooth = 3;

struct ViewState {
  float cameraX = 0;
  float cameraY = 0;
  float cameraZ = 0;
  float rotationX = 0;  // degrees, kept within 0 to 360
  float rotationY = 0;
  float rotationZ = 0;
  bool slowPan = true;
  bool hudVisible = true;
  bool helpVisible = false;
  int32_t renderMode = kRenderSmooth;
  bool texturing = true;
  bool lighting = true;
  bool envMapping = false;
};
