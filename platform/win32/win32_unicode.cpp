// The Windows port's one way between the programs' UTF-8 paths and the
// system's UTF-16 (platform/files.h): the conversions every file of the port
// uses, files opened with _wfopen, and the program's arguments taken from the
// wide command line. Without them a name outside the ANSI code page (a user
// folder such as C:\Users\José, a model called робот.3do) could neither be
// passed on the command line nor opened.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/win32/win32_port.h"

std::wstring win32Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string win32Utf8(const wchar_t* text, size_t length) {
  if (!text || length == 0) return std::string();
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &utf8[0], size, nullptr, nullptr);
  return utf8;
}

std::string win32Utf8(const wchar_t* text) {
  return text ? win32Utf8(text, std::wcslen(text)) : std::string();
}

FILE* platformOpenFile(const std::string& path, const char* mode) {
  if (!mode || path.empty() || path.find('\0') != std::string::npos) return nullptr;
  const std::wstring widePath = win32Wide(path);
  if (widePath.empty()) return nullptr;  // not UTF-8
  std::wstring wideMode;
  bool exclusive = false;
  for (const char* c = mode; *c != '\0'; ++c) {
    if (*c == 'x') {
      exclusive = true;
    } else {
      wideMode += static_cast<wchar_t>(*c);
    }
  }
  if (!exclusive) {
    FILE* file = _wfopen(widePath.c_str(), wideMode.c_str());
    win32NoteOpenedFile(widePath, file);
    return file;
  }
  // The C runtime knows no "x": create the file only when it is not there,
  // then hand it to the C runtime.
  HANDLE handle = CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  FILE* file = _wfdopen(descriptor, wideMode.c_str());
  if (!file) _close(descriptor);
  return file;
}

void platformUtf8Arguments(int& argc, char**& argv) {
  static std::vector<std::string> texts;
  static std::vector<char*> pointers;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return;  // keep the C runtime's
  texts.clear();
  for (int i = 0; i < count; ++i) texts.push_back(win32Utf8(wide[i]));
  LocalFree(wide);
  pointers.clear();
  for (std::string& text : texts) pointers.push_back(&text[0]);
  pointers.push_back(nullptr);
  argc = count;
  argv = pointers.data();
  // Lines naming such paths show as written on a console.
  SetConsoleOutputCP(CP_UTF8);
}
