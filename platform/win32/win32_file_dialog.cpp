// The Windows port's open-file dialog: GetOpenFileNameA, whose modal loop keeps
// dispatching the main window's messages while it is open.
#include <windows.h>
// commdlg.h needs the types of windows.h first.
#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

bool platformChooseOpenFile(char* buffer, size_t bufferSize, const char* title,
                            const char* filterName, const char* filterPattern,
                            const char* defaultExtension) {
  if (!buffer || bufferSize == 0 || bufferSize > 0xFFFFFFFFu) return false;

  // One filter: its name and its pattern, each ended by a zero byte, and one
  // more zero byte after the pair.
  std::string filter;
  filter += filterName ? filterName : "";
  filter += '\0';
  filter += filterPattern ? filterPattern : "";
  filter += '\0';
  filter += '\0';

  // The dialog writes into a buffer of the caller's size, never the caller's
  // own: when the chosen path does not fit, Windows refuses it and puts the
  // size it would need into the first bytes, which must not reach the caller.
  std::vector<char> path(bufferSize, '\0');
  size_t initialLength = strnlen(buffer, bufferSize - 1);
  std::memcpy(path.data(), buffer, initialLength);

  OPENFILENAMEA dialog;
  ZeroMemory(&dialog, sizeof dialog);
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  dialog.hwndOwner = nullptr;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(bufferSize);
  dialog.lpstrFileTitle = nullptr;
  dialog.lpstrInitialDir = nullptr;
  dialog.lpstrTitle = title;
  // OFN_NOCHANGEDIR is deliberately absent: the chosen file's folder becomes
  // the current folder, where its textures, reports and screenshots live.
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  dialog.lpstrDefExt = defaultExtension;

  if (!GetOpenFileNameA(&dialog)) return false;
  if (!std::memchr(path.data(), '\0', bufferSize)) return false;  // never unterminated

  // The dialog leaves the current folder where the user browsed; make sure it
  // is the chosen file's folder also when the path was typed in.
  if (dialog.nFileOffset > 0 && dialog.nFileOffset < bufferSize) {
    std::string folder(path.data(), dialog.nFileOffset);
    SetCurrentDirectoryA(folder.c_str());
  }
  std::memcpy(buffer, path.data(), std::strlen(path.data()) + 1);
  return true;
}
