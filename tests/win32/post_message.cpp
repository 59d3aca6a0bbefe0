// vistrel-post: a tiny Windows program for the Wine end-to-end run. It finds
// the viewer's window (class "OpenGL", title "Vistrel") and posts it one
// message: the full-screen toggle request WM_USER + 1 unless another message
// number is given as the first argument (decimal or 0x hex).
// Exit status: 0 posted, 1 no such window, 2 the post failed, 3 bad argument.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  UINT message = WM_USER + 1;
  if (argc > 1) {
    char* end = nullptr;
    unsigned long value = std::strtoul(argv[1], &end, 0);
    if (!end || *end != '\0' || value > 0xFFFFu) {
      std::fprintf(stderr, "vistrel-post: bad message number '%s'\n", argv[1]);
      return 3;
    }
    message = static_cast<UINT>(value);
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
