// What the files of the Windows port share among themselves: the class's
// window procedure in the form Win32 calls it. Only platform/win32 includes
// this header.
#pragma once

#include <windows.h>

// Hands every message of the class "OpenGL" to the portable windowProcedure,
// converting the Win32 parameter types to the portable ones and back.
LRESULT CALLBACK win32WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
