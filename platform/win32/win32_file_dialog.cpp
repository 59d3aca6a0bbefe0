// The Windows port's open-file dialog: GetOpenFileNameW, whose modal loop keeps
// dispatching the main window's messages while it is open; the caller's
// UTF-8 texts and path turned into UTF-16 and the answer back into UTF-8.
#include <windows.h>
// commdlg.h needs the types of windows.h first.
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_port.h"

bool platformChooseOpenFile(char* buffer, size_t bufferSize, const char* title,
                            const char* filterName, const char* filterPattern,
                            const char* defaultExtension) {
  if (!buffer || bufferSize == 0 || bufferSize > 0xFFFFFFFFu) return false;

  // One filter: its name and its pattern, each ended by a zero, and one more
  // zero after the pair.
  std::wstring filter = win32Wide(filterName ? filterName : "");
  filter += L'\0';
  filter += win32Wide(filterPattern ? filterPattern : "");
  filter += L'\0';
  filter += L'\0';
  const std::wstring wideTitle = win32Wide(title ? title : "");
  const std::wstring extension = win32Wide(defaultExtension ? defaultExtension : "");

  // The dialog writes into a buffer of the caller's size, never the caller's
  // own: when the chosen path does not fit, Windows refuses it and puts the
  // size it would need into the first units, which must not reach the
  // caller. A UTF-8 path that fits the caller's bytes has no more UTF-16
  // units than that, so the answer is refused again below when its UTF-8
  // form does not fit.
  std::vector<wchar_t> path(bufferSize, L'\0');
  const std::wstring initial = win32Wide(std::string(buffer, strnlen(buffer, bufferSize - 1)));
  if (initial.size() < bufferSize) std::copy(initial.begin(), initial.end(), path.begin());

  OPENFILENAMEW dialog;
  ZeroMemory(&dialog, sizeof dialog);
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  dialog.hwndOwner = nullptr;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(bufferSize);
  dialog.lpstrFileTitle = nullptr;
  dialog.lpstrInitialDir = nullptr;
  dialog.lpstrTitle = title ? wideTitle.c_str() : nullptr;
  // OFN_NOCHANGEDIR is deliberately absent: the chosen file's folder becomes
  // the current folder, where its textures, reports and screenshots live.
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  dialog.lpstrDefExt = defaultExtension ? extension.c_str() : nullptr;

  if (!GetOpenFileNameW(&dialog)) return false;
  if (std::find(path.begin(), path.end(), L'\0') == path.end()) return false;  // unterminated
  const std::string chosen = win32Utf8(path.data());
  if (chosen.empty() || chosen.size() >= bufferSize) return false;  // does not fit the caller's

  // The dialog leaves the current folder where the user browsed; make sure it
  // is the chosen file's folder also when the path was typed in.
  if (dialog.nFileOffset > 0 && dialog.nFileOffset < bufferSize) {
    const std::wstring folder(path.data(), dialog.nFileOffset);
    SetCurrentDirectoryW(folder.c_str());
  }
  std::memcpy(buffer, chosen.c_str(), chosen.size() + 1);
  return true;
}
