// vistrel-post: a tiny Windows program for the end-to-end run under Wine.
//
//   vistrel-post [MESSAGE]
//     finds the viewer's window (class "OpenGL", title "Vistrel") and posts it
//     one message: the full-screen toggle request WM_USER + 1 unless another
//     message number is given (decimal or 0x hex).
//   vistrel-post --box-text CAPTION
//     prints the open message box with that caption as one line,
//     "CAPTION: text" with each newline of the text written as \n, so that a
//     script can check what the box says.
//
// Exit status: 0 done, 1 no such window, 2 the post failed, 3 bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The static control that holds a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

int printBoxText(const char* caption) {
  HWND box = FindWindowA("#32770", caption);
  if (!box) {
    std::fprintf(stderr, "vistrel-post: no message box captioned '%s'\n", caption);
    return 1;
  }
  char text[1024] = "";
  GetDlgItemTextA(box, kMessageBoxTextId, text, sizeof text);
  std::printf("%s: ", caption);
  for (const char* p = text; *p; ++p) {
    if (*p == '\r') continue;
    if (*p == '\n') {
      std::fputs("\\n", stdout);
    } else {
      std::fputc(*p, stdout);
    }
  }
  std::fputc('\n', stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--box-text") == 0) return printBoxText(argv[2]);
  UINT message = WM_USER + 1;
  if (argc == 2) {
    char* end = nullptr;
    unsigned long value = std::strtoul(argv[1], &end, 0);
    if (end == argv[1] || *end != '\0' || value > 0xFFFFu) {
      std::fprintf(stderr, "vistrel-post: bad message number '%s'\n", argv[1]);
      return 3;
    }
    message = static_cast<UINT>(value);
  } else if (argc > 2) {
    std::fprintf(stderr, "usage: vistrel-post [MESSAGE] | --box-text CAPTION\n");
    return 3;
  }
  HWND window = FindWindowA("OpenGL", "Vistrel");
  if (!window) {
    std::fprintf(stderr, "vistrel-post: no window of class OpenGL titled Vistrel\n");
    return 1;
  }
  if (!PostMessageA(window, message, 0, 0)) {
    std::fprintf(stderr, "vistrel-post: PostMessageA failed (%lu)\n", GetLastError());
    return 2;
  }
  return 0;
}
