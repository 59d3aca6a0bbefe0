// Message boxes and the open-file dialog of the SDL port. Both run a desktop
// dialog program (zenity, else kdialog) as a child process while the main
// window's messages keep being dispatched, which gives the user a real
// modal box with its icon and a native file chooser. Every box is also
// written to standard error as one line, which is all that is left of it
// where no display exists.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl/sdl_port.h"

extern char** environ;

namespace {

constexpr size_t kMaxChildOutput = 64 * 1024;

bool haveDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

void printBoxLine(const char* text, const char* caption) {
  std::string line = caption ? caption : "";
  line += ": ";
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '\n') {
      line += "\\n";
    } else {
      line += *p;
    }
  }
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

bool isRegularFile(const std::string& path) {
  struct stat info = {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

ChildResult sdlRunChildModal(const std::vector<std::string>& arguments) {
  ChildResult result;
  int pipeEnds[2] = {-1, -1};
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
    result.spawnError = errno;
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  // The dialog programs' own chatter (GTK warnings) stays out of ours.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    result.spawnError = spawned;
    return result;
  }
  fcntl(pipeEnds[0], F_SETFL, fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);

  // A topmost full-screen window would hide the dialog: it steps down while
  // the dialog is open and takes the keyboard back afterwards.
  SdlWindow* owner = sdlCurrentWindow();
  const bool topmost =
      owner && owner->sdl && (SDL_GetWindowFlags(owner->sdl) & SDL_WINDOW_ALWAYS_ON_TOP) != 0;
  if (topmost) SDL_SetWindowAlwaysOnTop(owner->sdl, SDL_FALSE);

  bool outputOpen = true;
  bool exited = false;
  int status = 0;
  while (outputOpen || !exited) {
    pollfd watch = {pipeEnds[0], POLLIN, 0};
    if (outputOpen) poll(&watch, 1, 10);
    for (;;) {
      if (!outputOpen) break;
      char chunk[4096];
      const ssize_t got = read(pipeEnds[0], chunk, sizeof chunk);
      if (got > 0) {
        const size_t room = kMaxChildOutput - result.output.size();
        result.output.append(chunk,
                             static_cast<size_t>(got) < room ? static_cast<size_t>(got) : room);
      } else if (got == 0) {
        outputOpen = false;
      } else if (errno != EINTR) {
        if (errno != EAGAIN && errno != EWOULDBLOCK) outputOpen = false;
        break;
      }
    }
    if (!exited) {
      const pid_t done = waitpid(child, &status, WNOHANG);
      if (done == child || (done < 0 && errno != EINTR)) exited = true;
    }
    sdlModalDispatch();
    if (!outputOpen && !exited) SDL_Delay(10);
  }
  close(pipeEnds[0]);
  if (owner && owner == sdlCurrentWindow() && owner->sdl) {
    if (topmost) SDL_SetWindowAlwaysOnTop(owner->sdl, SDL_TRUE);
    SDL_RaiseWindow(owner->sdl);
  }
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  return result;
}

int platformMessageBox(const char* text, const char* caption, unsigned style) {
  const char* safeText = text ? text : "";
  const char* safeCaption = caption ? caption : "";
  printBoxLine(safeText, safeCaption);
  if (!haveDisplay()) return 1;
  const bool warning = (style & 0xF0u) == kMbIconWarning;
  const ChildResult zenity =
      sdlRunChildModal({"zenity", warning ? "--warning" : "--info", "--no-markup", "--no-wrap",
                        std::string("--title=") + safeCaption, std::string("--text=") + safeText});
  if (zenity.spawnError == 0 && zenity.exitStatus >= 0) return 1;
  SDL_ShowSimpleMessageBox(warning ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION,
                           safeCaption, safeText, nullptr);
  return 1;  // IDOK
}

bool platformChooseOpenFile(char* buffer, size_t bufferSize, const char* title,
                            const char* filterName, const char* filterPattern,
                            const char* defaultExtension) {
  if (!buffer || bufferSize == 0) return false;
  char folder[4096];
  const std::string startFolder = getcwd(folder, sizeof folder) ? std::string(folder) + "/" : "";

  // The chooser lists the pattern's files in any case, as Windows does.
  std::string patterns;
  for (const std::string& pattern : sdlAnyCasePatterns(filterPattern ? filterPattern : "*")) {
    patterns += (patterns.empty() ? "" : " ") + pattern;
  }
  ChildResult chosen =
      sdlRunChildModal({"zenity", "--file-selection", std::string("--title=") + title,
                        std::string("--file-filter=") + filterName + " | " + patterns,
                        std::string("--filename=") + startFolder});
  if (chosen.spawnError == ENOENT) {
    chosen =
        sdlRunChildModal({"kdialog", "--title", title, "--getopenfilename",
                          startFolder.empty() ? "." : startFolder, patterns + "|" + filterName});
  }
  if (chosen.spawnError == ENOENT) {
    platformMessageBox(
        "No file dialog program was found.\nInstall the zenity package (or kdialog) to choose a "
        "3do file.",
        "Error", kMbOk | kMbIconWarning);
    return false;
  }
  if (chosen.spawnError != 0 || chosen.exitStatus != 0) return false;  // cancel or failure

  std::string path = chosen.output;
  const size_t end = path.find('\n');
  if (end != std::string::npos) path.erase(end);
  if (path.empty()) return false;
  // A name typed without its extension gets the default one, as long as the
  // name as typed is no file of its own.
  if (defaultExtension && *defaultExtension && !isRegularFile(path)) {
    const size_t slash = path.rfind('/');
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.find('.') == std::string::npos) path += std::string(".") + defaultExtension;
  }
  if (!isRegularFile(path)) return false;  // the chosen file must exist
  if (path.size() + 1 > bufferSize) {
    const std::string message = "The path of the chosen file is too long (at most " +
                                std::to_string(bufferSize - 1) + " characters):\n" + path;
    platformMessageBox(message.c_str(), "Error", kMbOk | kMbIconWarning);
    return false;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos) {
    const std::string modelFolder = slash == 0 ? "/" : path.substr(0, slash);
    if (chdir(modelFolder.c_str()) != 0) {
      // The model is still read by its full path; only its neighbours
      // (textures, reports) would be looked for in the old folder.
    }
  }
  return true;
}
