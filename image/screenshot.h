// The screenshot writer: the window's picture as the next free
// "screen%03d.tga" in the current folder, written silently.
#pragma once

#include <cstdint>

// Reads width x height pixels from the lower-left corner of the colour
// buffer; sizes outside 1 to 65535 write nothing.
void saveScreenshot(int32_t width, int32_t height);
