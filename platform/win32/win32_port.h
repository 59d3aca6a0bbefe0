// What the files of the Windows port share among themselves: the class's
// window procedure in the form Win32 calls it, and the conversions between
// the programs' UTF-8 and the system's UTF-16 (win32_unicode.cpp). Only
// platform/win32 includes this header.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

// UTF-8 to UTF-16; empty for text that is not UTF-8.
std::wstring win32Wide(const std::string& text);
// UTF-16 to UTF-8: a zero-ended text, or length units of one.
std::string win32Utf8(const wchar_t* text);
std::string win32Utf8(const wchar_t* text, size_t length);

// Hands every message of the class "OpenGL" to the portable windowProcedure,
// converting the Win32 parameter types to the portable ones and back.
LRESULT CALLBACK win32WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Removes the single staged file and its private folder, if any: the clean-up
// of a stopped run (win32_run_limits.cpp), from another thread while the
// main thread is suspended; it takes no lock and allocates nothing. The
// file's handle, when it is open (win32NoteOpenedFile), is closed first.
void win32RemoveStagedFile();
// Notes a file just opened at path: the staged file's handle is kept for
// win32RemoveStagedFile.
void win32NoteOpenedFile(const std::wstring& path, FILE* file);
