// The screenshot writer: the window's picture as the next free
// "screen%03d.tga" in the current folder, written silently.
#pragma once

struct AppWindow;

void saveScreenshot(const AppWindow& window);
