// What the application-shell tests share: small 3DO models written to disk,
// and a fixture that gives each test a scratch folder holding "config.txt"
// and the systemtex images, a clean headless window port and a fresh
// program-wide viewer record.
#pragma once

#include <filesystem>
#include <string>

#include "app/app_frame.h"
#include "app/key_state.h"
#include "app/mouse_state.h"
#include "app/viewer.h"
#include "platform/headless/headless.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

// A one-mesh model: a square of side 2 made of one four-cornered face, with
// the given model radius and one material, "plate.mat".
inline std::string testModelText(float radius, const char* meshName = "plate") {
  std::string text =
      "# written by the shell tests\n"
      "SECTION: HEADER\n"
      "3DO 2.1\n"
      "SECTION: MODELRESOURCE\n"
      "MATERIALS 1\n"
      "0: plate.mat\n"
      "SECTION: GEOMETRYDEF\n"
      "RADIUS " +
      std::to_string(radius) +
      "\n"
      "INSERT OFFSET 0 0 0\n"
      "GEOSETS 1\n"
      "GEOSET 0\n"
      "MESHES 1\n"
      "MESH 0\n"
      "NAME " +
      std::string(meshName) +
      "\n"
      "RADIUS 1.4\n"
      "GEOMETRYMODE 4\n"
      "LIGHTINGMODE 3\n"
      "TEXTUREMODE 3\n"
      "VERTICES 4\n"
      "0: -1 -1 0\n"
      "1: 1 -1 0\n"
      "2: 1 1 0\n"
      "3: -1 1 0\n"
      "TEXTURE VERTICES 4\n"
      "0: 0 0\n"
      "1: 1 0\n"
      "2: 1 1\n"
      "3: 0 1\n"
      "VERTEX NORMALS\n"
      "0: 0 0 1\n"
      "1: 0 0 1\n"
      "2: 0 0 1\n"
      "3: 0 0 1\n"
      "FACES 1\n"
      "0: 0 0x0000 4 3 3 0 4 0, 0 1, 1 2, 2 3, 3\n"
      "FACE NORMALS\n"
      "0: 0 0 1\n"
      "SECTION: HIERARCHYDEF\n"
      "HIERARCHY NODES 1\n"
      "0: 0x00 0x00 0 -1 0 0 0 0 0 0 0 0 0 0 0 0\n";
  return text;
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = new ScratchDir();
    headlessResetWindowPort();
    headlessSetTickOverride(false, 0);
    clearBoxes();
    programViewer() = Viewer{};
    appRunning = true;
    fullScreenRequest = false;
    std::error_code error;
    std::filesystem::copy(runtimePath("systemtex"), scratch_->file("systemtex"),
                          std::filesystem::copy_options::recursive, error);
    ASSERT_FALSE(error) << "systemtex images missing beside the programs";
    writeFile(scratch_->file("config.txt"), "# background\n0.25 0.5 0.75\n");
    std::filesystem::create_directory(scratch_->file("models"));
    writeFile(scratch_->file("models/small.3do"), testModelText(2.0f, "small"));
    writeFile(scratch_->file("models/large.3do"), testModelText(10.0f, "large"));
    writeFile(scratch_->file("models/broken.3do"), "not a model\nXYZ\n");
    std::filesystem::copy_file(runtimePath("samples/cube.mat"), scratch_->file("models/plate.mat"),
                               error);
    ASSERT_FALSE(error) << "sample texture missing beside the programs";
  }

  void TearDown() override {
    if (window_.window) destroyAppWindow(window_);
    releaseModel(programViewer().model);
    headlessResetWindowPort();
    headlessSetTickOverride(false, 0);
    delete scratch_;
  }

  // A window made by the headless port, its context current.
  bool openWindow() {
    clearKeyState(keys_);
    clearMouseState(mouse_);
    instance_.className = "OpenGL";
    window_ = AppWindow{};
    window_.keys = &keys_;
    window_.mouse = &mouse_;
    window_.instance = &instance_;
    window_.title = "Vistrel";
    window_.width = 640;
    window_.height = 480;
    window_.colorBits = 32;
    return createAppWindow(window_);
  }

  // A window with a model loaded through start-up, as the viewer runs it.
  bool startViewer(const std::string& model = "models/small.3do") {
    if (!openWindow()) return false;
    headlessQueueFileChoice(scratch_->file(model));
    const bool started = initialiseViewer(window_, keys_);
    return started;
  }

  // The messages queued for the window, in order, taken out of the queue.
  std::vector<AppMessage> takeMessages() {
    std::vector<AppMessage> messages;
    AppMessage message;
    while (platformPeekMessage(window_, message)) messages.push_back(message);
    return messages;
  }

  ScratchDir* scratch_ = nullptr;
  AppInstance instance_;
  KeyState keys_;
  MouseState mouse_;
  AppWindow window_;
};
