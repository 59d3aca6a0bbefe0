// vistrel-tool thumbnail: a PNG preview of a model for file managers. The
// model is loaded and drawn by the viewer's own code (start state, smooth,
// textured, lit, drawFrame), turned to a three-quarter view, with the camera
// panned and backed off until the drawn model (its reaches from
// render/model_bounds.h) fills the picture, over a transparent background.
// When nothing shows from the front (a one-sided model facing away), the
// back three-quarter view is tried; a model that shows from neither, or has
// no triangle to draw, fails.
//
// A thumbnailer reads files the user never chose, so the command is careful
// about what it leaves and what it spends: it writes no file but OUT.png (the
// load writes no "ModelStats.txt"; MAT names still resolve from the model's
// folder, as in the viewer); OUT.png appears whole through a rename of a
// temporary file beside it, or not at all; models over kMaxModelBytes and
// anything but regular files are refused before reading; CPU time, wall time
// and writable memory are capped (RLIMIT_CPU, alarm, RLIMIT_DATA), and a
// limit reached ends the run with status 1 and the temporary file removed.
//
// The memory cap is RLIMIT_DATA rather than RLIMIT_AS: the address space
// also holds the mapped Mesa and LLVM libraries and glibc's reserved malloc
// arenas, and Mesa crashes when a reservation fails, while RLIMIT_DATA counts
// only writable memory and lets the reader's large arrays fail cleanly. The
// drawing threads are capped too, so that the limit holds on any machine.
//
// Given several models (or --from LIST) and -o FOLDER, it makes every
// thumbnail in one process (tool_batch.h), each the same PNG, byte for byte,
// as a run of its own, under the same bounds applied per model: the size cap
// before each model is read, and fresh CPU and wall time for each model,
// counted from the end of the one before it (the reading of the next model
// overlaps the drawing of this one). A model that reaches a limit cannot be
// abandoned halfway through the reader or the GL, so a limit still ends the
// run: what is written stays, the temporary file goes, and the closing line
// counts the model and those not reached as failed. The memory cap is the
// same for the run, which holds one model at a time, plus at most the next
// ones read ahead; a model file over kReadAheadBytes is read only once the
// models before it are drawn and freed, so that it has the room it has alone.
//
// A model too large or too small for the projection's fixed near and far
// planes is framed all the same: the camera is placed in model units and the
// projection matrix is scaled uniformly, which leaves every pixel where it
// was (a perspective picture does not change when the whole scene grows
// about the eye) and moves only the depths, so that the model's front lies
// just behind the near plane and its depths get the best of the 16-bit depth
// buffer. Only a model whose back is over about 890 times as far from the
// camera as its front (far / (1.5 x near)) is cut, at the back.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "model/model_reader.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "render/frame.h"
#include "render/model_bounds.h"
#include "render/start_state.h"
#include "render/view_state.h"
#include "tools/vistrel_tool/tool.h"
#include "tools/vistrel_tool/tool_batch.h"
#include "tools/vistrel_tool/tool_png.h"

// AddressSanitizer maps terabytes of writable shadow memory before main, so
// a build with it (for tests) leaves the memory cap out.
#if defined(__SANITIZE_ADDRESS__)
#define VISTREL_THUMBNAIL_NO_MEMORY_CAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VISTREL_THUMBNAIL_NO_MEMORY_CAP 1
#endif
#endif

namespace fs = std::filesystem;

namespace {

constexpr int kDefaultSize = 256;
constexpr int kMaxSize = 1024;
constexpr long long kMaxModelBytes = 64ll << 20;
constexpr rlim_t kCpuSeconds = 5;
constexpr unsigned kWallSeconds = 8;
constexpr rlim_t kWritableBytes = static_cast<rlim_t>(512) << 20;
// In a batch, model files up to this size are read while the model before
// them is drawn; larger ones wait until it is freed.
constexpr long long kReadAheadBytes = 4ll << 20;
// llvmpipe's drawing threads; by default one per core, each with its own
// stack and tiles (about 20 MB of writable memory apiece).
constexpr int kDrawingThreads = 4;
static_assert(kDrawingThreads >= 1 && kDrawingThreads <= 9, "one digit in LP_NUM_THREADS");

// The three-quarter view: turned 35 degrees about the vertical axis so that
// a side shows, then tipped 30 degrees towards the viewer so that the top
// shows. A camera close enough to fill the 45-degree picture sits below the
// top of a compact model (a cube), and 20 degrees would still hide its top.
constexpr float kTurnX = 30.0f;
constexpr float kTurnY = 35.0f;
// The model spans this share of the picture: a margin of 5 % on each side.
constexpr double kFill = 0.9;
// The model's front after the projection's scaling, in near-plane distances.
constexpr double kFrontInNears = 1.5;

void printThumbnailUsage(FILE* out) {
  std::fprintf(out,
               "usage: vistrel-tool thumbnail MODEL.3do OUT.png [--size N]\n"
               "       vistrel-tool thumbnail MODEL.3do... [--from LIST] -o FOLDER/ [--size N]\n"
               "\n"
               "Draws MODEL.3do with the viewer's own code (smooth, textured, lit), turned to\n"
               "a three-quarter view and framed to fill the picture, and writes it to OUT.png:\n"
               "N x N pixels, RGBA, transparent around the model. Made for file managers: it\n"
               "writes no file but OUT.png (no ModelStats.txt), replaces OUT.png only with a\n"
               "complete picture, refuses models over 64 MiB and gives up after 5 seconds\n"
               "of processor time or 8 seconds in all.\n"
               "Relative paths are taken from the current folder.\n"
               "With several models, or -o and an existing FOLDER, every model is drawn in\n"
               "turn in one process, written as FOLDER/NAME.png (robot.3do -> robot.png; a\n"
               "name already used in the run gets -2, -3, ...), each with the same bounds\n"
               "(5 seconds of processor time, 8 in all, per model); a model that fails is\n"
               "reported and the run goes on. The last line says \"N written, M failed\".\n"
               "\n"
               "options:\n"
               "  -o OUT.png | FOLDER/  the picture, or the existing folder of the pictures\n"
               "  --from LIST  also the models named in LIST, one path per line (- reads\n"
               "             standard input)\n"
               "  --size N   width and height of the picture in pixels, 1 to 1024\n"
               "             (default 256)\n"
               "  --help     show this text\n"
               "\n"
               "exit status: 0 written (every picture of a batch), 1 a model did not load,\n"
               "shows nothing or the picture could not be written (the file is then left as\n"
               "it was), 2 usage error\n");
}

int usageError(const char* format, const char* detail) {
  std::fprintf(stderr, "vistrel-tool thumbnail: ");
  std::fprintf(stderr, format, detail);
  std::fprintf(stderr, "\n");
  printThumbnailUsage(stderr);
  return kToolUsage;
}

bool parseSize(const char* text, int& size) {
  if (!std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (*end != '\0' || errno != 0 || value < 1 || value > kMaxSize) return false;
  size = static_cast<int>(value);
  return true;
}

struct ThumbnailOptions {
  const char* modelPath = nullptr;   // one model
  const char* outputPath = nullptr;  // its picture, or the folder of a batch
  bool batch = false;
  std::vector<const char*> models;  // a batch: from the command line
  std::vector<const char*> lists;   // and from --from
  int size = kDefaultSize;
};

// 0 when complete, kToolUsage after a usage message, -1 after --help.
// MODEL OUT.png is one thumbnail, as is MODEL -o OUT.png; several models,
// --from or -o naming a folder make a batch, whose folder must exist.
int parseOptions(int argc, char** argv, ThumbnailOptions& options) {
  bool positionalOnly = false;
  const char* folder = nullptr;
  std::vector<const char*> positional;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!positionalOnly && arg[0] == '-' && arg[1] != '\0') {
      if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
        printThumbnailUsage(stdout);
        return -1;
      } else if (std::strcmp(arg, "--size") == 0) {
        if (i + 1 >= argc || !parseSize(argv[++i], options.size)) {
          return usageError("--size needs a whole number from 1 to 1024%s", "");
        }
      } else if (std::strcmp(arg, "-o") == 0 || std::strcmp(arg, "--output") == 0) {
        if (i + 1 >= argc || argv[i + 1][0] == '\0') return usageError("%s needs a name", arg);
        folder = argv[++i];
      } else if (std::strcmp(arg, "--from") == 0) {
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
          return usageError("--from needs a list file or -%s", "");
        }
        options.lists.push_back(argv[++i]);
      } else if (std::strcmp(arg, "--") == 0) {
        positionalOnly = true;
      } else {
        return usageError("unknown option '%s'", arg);
      }
    } else {
      positional.push_back(arg);
    }
  }
  if (!folder) {
    if (!options.lists.empty()) return usageError("--from needs -o FOLDER/%s", "");
    if (positional.size() > 2) {
      return usageError("unexpected argument '%s' (one model, one picture)", positional[2]);
    }
    options.modelPath = !positional.empty() ? positional[0] : nullptr;
    options.outputPath = positional.size() > 1 ? positional[1] : nullptr;
  } else if (positional.size() > 1 || !options.lists.empty() || namesFolder(folder)) {
    std::error_code error;
    if (!fs::is_directory(fs::path(folder), error)) {
      return usageError("the output folder '%s' does not exist (several models need -o FOLDER/)",
                        folder);
    }
    options.batch = true;
    options.models = positional;
    options.outputPath = folder;
    return 0;
  } else {
    options.modelPath = !positional.empty() ? positional[0] : nullptr;
    options.outputPath = folder;
  }
  if (!options.modelPath || options.modelPath[0] == '\0') {
    return usageError("no model given%s", "");
  }
  if (!options.outputPath || options.outputPath[0] == '\0') {
    return usageError("no output file given%s", "");
  }
  return 0;
}

// The temporary picture while it exists, for the limit handler to remove.
char gTemporaryPath[PATH_MAX];
volatile sig_atomic_t gTemporaryExists = 0;

// A batch, for the limit handler: the path of the model in hand as the
// prefix of its line (two buffers, gStopModel naming the complete one, so
// that the handler never reads one being written; -1 outside a batch), the
// pictures written so far and the models in all.
constexpr size_t kStopPrefixSize = 512;
char gStopPrefix[2][kStopPrefixSize];
volatile sig_atomic_t gStopPrefixLength[2] = {0, 0};
volatile sig_atomic_t gStopModel = -1;
volatile sig_atomic_t gBatchWritten = 0;
volatile sig_atomic_t gBatchTotal = 0;
volatile sig_atomic_t gStderrTerminal = 0;
// The soft CPU limit the run was started with, never raised per model.
rlim_t gStartCpuLimit = RLIM_INFINITY;

void writeText(const char* text, size_t length) {
  while (length > 0) {
    const ssize_t done = write(STDERR_FILENO, text, length);
    if (done <= 0) return;
    text += done;
    length -= static_cast<size_t>(done);
  }
}

// Appends the decimal digits of value (async-signal-safe).
size_t appendNumber(char* out, size_t at, long value) {
  char digits[24];
  size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 && count < sizeof digits);
  while (count > 0) out[at++] = digits[--count];
  return at;
}

void setStopModel(const std::string& given) {
  const int slot = gStopModel == 0 ? 1 : 0;
  const std::string prefix = given + ": ";
  const size_t length = std::min(prefix.size(), kStopPrefixSize);
  std::memcpy(gStopPrefix[slot], prefix.data(), length);
  gStopPrefixLength[slot] = static_cast<sig_atomic_t>(length);
  gStopModel = slot;
}

void removeTemporary() {
  if (gTemporaryExists) unlink(gTemporaryPath);
  gTemporaryExists = 0;
}

// A limit reached, or the run stopped (a file manager giving up on it).
extern "C" void onStop(int signalNumber) {
  if (gTemporaryExists) unlink(gTemporaryPath);
  const int model = gStopModel;
  if (model >= 0) {
    if (gStderrTerminal) writeText("\r\033[K", 4);  // the progress line
    writeText(gStopPrefix[model], static_cast<size_t>(gStopPrefixLength[model]));
  }
  static const char kCpu[] = "vistrel-tool thumbnail: CPU time limit reached\n";
  static const char kWall[] = "vistrel-tool thumbnail: time limit reached\n";
  static const char kStopped[] = "vistrel-tool thumbnail: stopped\n";
  const char* text = kStopped;
  size_t length = sizeof kStopped - 1;
  if (signalNumber == SIGXCPU) {
    text = kCpu;
    length = sizeof kCpu - 1;
  } else if (signalNumber == SIGALRM) {
    text = kWall;
    length = sizeof kWall - 1;
  }
  writeText(text, length);
  if (model >= 0) {
    // The model in hand and those not reached count as failed.
    char count[80];
    size_t at = appendNumber(count, 0, gBatchWritten);
    static const char kWritten[] = " written, ";
    static const char kFailed[] = " failed\n";
    std::memcpy(count + at, kWritten, sizeof kWritten - 1);
    at = appendNumber(count, at + sizeof kWritten - 1, gBatchTotal - gBatchWritten);
    std::memcpy(count + at, kFailed, sizeof kFailed - 1);
    writeText(count, at + sizeof kFailed - 1);
  }
  _exit(kToolFailed);
}

// Lowers a soft limit (never raises it).
void lowerLimit(int resource, rlim_t value) {
  struct rlimit limit;
  if (getrlimit(resource, &limit) != 0) return;
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur <= value) return;
  limit.rlim_cur =
      limit.rlim_max != RLIM_INFINITY && limit.rlim_max < value ? limit.rlim_max : value;
  setrlimit(resource, &limit);
}

void limitResources() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = onStop;
  sigemptyset(&action.sa_mask);
  for (int signalNumber : {SIGALRM, SIGXCPU, SIGTERM, SIGINT, SIGHUP}) {
    sigaction(signalNumber, &action, nullptr);
  }
  // A file size limit makes a write fail instead of ending the run, so the
  // temporary file is removed.
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit cpu;
  if (getrlimit(RLIMIT_CPU, &cpu) == 0) gStartCpuLimit = cpu.rlim_cur;
  lowerLimit(RLIMIT_CPU, kCpuSeconds);
#ifndef VISTREL_THUMBNAIL_NO_MEMORY_CAP
  lowerLimit(RLIMIT_DATA, kWritableBytes);
#endif
  lowerLimit(RLIMIT_CORE, 0);  // a crash leaves no core file in the model's folder
  alarm(kWallSeconds);
  // Mesa reads this when the context is made. Without the cap the memory
  // llvmpipe needs grows with the core count, and at 32 cores it no longer
  // fits the memory limit (Mesa then crashes instead of failing).
  // A smaller number already asked for is kept.
  const char* threads = std::getenv("LP_NUM_THREADS");
  if (!threads || std::strlen(threads) != 1 || threads[0] < '0' ||
      threads[0] > '0' + kDrawingThreads) {
    setenv("LP_NUM_THREADS", std::to_string(kDrawingThreads).c_str(), 1);
  }
}

// A batch's fresh limits for the next model: kWallSeconds from now, and
// kCpuSeconds of processor time beyond what the run has used, never beyond
// the limit the run was started with.
void limitNextModel() {
  alarm(kWallSeconds);
  struct rusage usage;
  struct rlimit limit;
  if (getrusage(RUSAGE_SELF, &usage) != 0 || getrlimit(RLIMIT_CPU, &limit) != 0) return;
  rlim_t wanted = static_cast<rlim_t>(usage.ru_utime.tv_sec) +
                  static_cast<rlim_t>(usage.ru_stime.tv_sec) + 1 + kCpuSeconds;
  if (gStartCpuLimit != RLIM_INFINITY && gStartCpuLimit < wanted) wanted = gStartCpuLimit;
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < wanted) wanted = limit.rlim_max;
  limit.rlim_cur = wanted;
  setrlimit(RLIMIT_CPU, &limit);
}

// A regular file of at most kMaxModelBytes; says why not on stderr.
bool acceptableModel(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) {
    toolMessage("vistrel-tool thumbnail: cannot read '%s': %s", path.c_str(), std::strerror(errno));
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    toolMessage("vistrel-tool thumbnail: '%s' is not a regular file", path.c_str());
    return false;
  }
  if (status.st_size > kMaxModelBytes) {
    toolMessage("vistrel-tool thumbnail: '%s' is %lld bytes; models over 64 MiB are not read",
                path.c_str(), static_cast<long long>(status.st_size));
    return false;
  }
  return true;
}

// The projection resizeView set up, read back from the matrix so that the
// framing follows it: tangents of the half angles and the clipping planes.
struct Perspective {
  double tanHalfX = 1;
  double tanHalfY = 1;
  double nearPlane = 1;
  double farPlane = 2;
};

Perspective currentPerspective() {
  GLdouble m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  Perspective perspective;
  perspective.tanHalfX = 1.0 / m[0];
  perspective.tanHalfY = 1.0 / m[5];
  perspective.nearPlane = m[14] / (m[10] - 1.0);
  perspective.farPlane = m[14] / (m[10] + 1.0);
  return perspective;
}

// Pans the camera and backs it off until the drawn model fills kFill of the
// picture: the nearest camera whose frustum, narrowed to kFill, holds every
// drawn corner. Along x, the corners satisfy |x - cx| <= k (cz - z) with
// k = kFill x tan(half angle) exactly when cz >= (A - B) / 2k, where A is
// the reach along (1, 0, k) and -B the reach along (-1, 0, k), and cx is then
// (A + B) / 2; y likewise, and the camera takes the larger distance. Then
// scales the projection so that the model's depths lie between the clipping
// planes. False when the numbers are not usable (a model of unbounded size).
bool frameModel(const Model& model, ViewState& view) {
  const Perspective perspective = currentPerspective();
  const double kx = kFill * perspective.tanHalfX;
  const double ky = kFill * perspective.tanHalfY;
  std::vector<ModelReach> reaches(6);
  const double directions[6][3] = {{1, 0, kx},  {-1, 0, kx}, {0, 1, ky},
                                   {0, -1, ky}, {0, 0, 1},   {0, 0, -1}};
  for (size_t d = 0; d < reaches.size(); ++d) {
    std::memcpy(reaches[d].direction, directions[d], sizeof directions[d]);
  }
  if (!drawnModelReach(model, view.rotationX, view.rotationY, view.rotationZ, reaches)) {
    toolMessage("vistrel-tool thumbnail: the model has no triangle to draw");
    return false;
  }
  const double centreX = (reaches[0].reach - reaches[1].reach) / 2;
  const double centreY = (reaches[2].reach - reaches[3].reach) / 2;
  const double nearest = reaches[4].reach;
  const double farthest = -reaches[5].reach;
  double cameraZ = std::max((reaches[0].reach + reaches[1].reach) / (2 * kx),
                            (reaches[2].reach + reaches[3].reach) / (2 * ky));
  // A model pointing at the camera could put the camera on its tip: keep
  // the front at least a quarter of the depth away. A model with no extent
  // at all shows nothing, from any distance.
  double front = std::max(cameraZ - nearest, (nearest - farthest) / 4);
  if (!(front > 0)) front = 1;
  cameraZ = nearest + front;
  // The front just behind the near plane; a back beyond the far plane is cut.
  const double scale = kFrontInNears * perspective.nearPlane / front;
  const double values[] = {centreX, centreY, cameraZ, farthest, scale};
  for (double value : values) {
    if (!std::isfinite(value) || std::fabs(value) > 1e30) {
      toolMessage("vistrel-tool thumbnail: the model is too large to frame");
      return false;
    }
  }
  view.cameraX = static_cast<float>(centreX);
  view.cameraY = static_cast<float>(centreY);
  view.cameraZ = static_cast<float>(cameraZ);
  glMatrixMode(GL_PROJECTION);
  glScaled(scale, scale, scale);
  glMatrixMode(GL_MODELVIEW);
  return true;
}

bool anyPixelShows(const std::vector<unsigned char>& rgba) {
  for (size_t i = 3; i < rgba.size(); i += 4) {
    if (rgba[i] != 0) return true;
  }
  return false;
}

// Writes the picture to a temporary file beside the output and renames it
// over the output; on any failure the temporary file is removed and the
// output left as it was.
bool writeThumbnail(const fs::path& output, int size, const std::vector<unsigned char>& rgba) {
  const std::string pattern = output.string() + ".XXXXXX";
  if (pattern.size() >= sizeof gTemporaryPath) {
    toolMessage("vistrel-tool thumbnail: the output path is too long");
    return false;
  }
  std::memcpy(gTemporaryPath, pattern.c_str(), pattern.size() + 1);
  const int descriptor = mkstemp(gTemporaryPath);
  if (descriptor < 0) {
    toolMessage("vistrel-tool thumbnail: cannot create a file beside '%s': %s",
                output.string().c_str(), std::strerror(errno));
    return false;
  }
  gTemporaryExists = 1;
  // mkstemp makes the file private; a thumbnail gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
  FILE* file = fdopen(descriptor, "wb");
  if (!file) {
    close(descriptor);
    removeTemporary();
    return false;
  }
  bool written = false;
  try {
    written = writePngRgba(file, size, size, rgba.data());
  } catch (const std::bad_alloc&) {
    written = false;
  }
  if (std::fclose(file) != 0) written = false;
  if (written && std::rename(gTemporaryPath, output.string().c_str()) != 0) {
    toolMessage("vistrel-tool thumbnail: cannot write '%s': %s", output.string().c_str(),
                std::strerror(errno));
    written = false;
  }
  if (written) {
    gTemporaryExists = 0;
  } else {
    removeTemporary();
  }
  return written;
}

// Opens the session of the thumbnails: the offscreen context of the
// picture's size, black, with an alpha channel.
bool openThumbnailSession(ToolSession& session, int size) {
  headlessSetEchoBoxes(true);
  const float black[3] = {0, 0, 0};
  if (!openToolSession(session, size, size, black)) return false;
  GLint alphaBits = 0;
  glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
  if (alphaBits <= 0) {
    std::fprintf(stderr, "vistrel-tool thumbnail: the offscreen context has no alpha channel\n");
    closeToolSession(session);
    return false;
  }
  return true;
}

// Draws the loaded model from the front three-quarter view, else from the
// back one, into rgba (size x size, bottom row first). False when it shows
// from neither or cannot be framed.
bool drawThumbnail(const Model& model, int size, const ToolSession& session,
                   std::vector<unsigned char>& rgba) {
  rgba.assign(static_cast<size_t>(size) * size * 4, 0);
  for (const float turnY : {kTurnY, kTurnY + 180.0f}) {
    ViewState view;
    resetView(view, model);
    view.rotationX = kTurnX;
    view.rotationY = turnY;
    view.rotationZ = 0;
    view.renderMode = kRenderSmooth;
    view.texturing = true;
    view.lighting = true;
    view.envMapping = false;
    view.hudVisible = false;
    view.helpVisible = false;
    resizeView(size, size);
    if (!frameModel(model, view)) return false;
    applyRenderMode(view.renderMode);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    FrameRate frameRate;
    frameRate.windowStart = platformTickCount();
    drawFrame(view, model, session.textures, session.font, frameRate);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    if (anyPixelShows(rgba)) return true;
    toolMessage("vistrel-tool thumbnail: nothing shows from %g degrees",
                static_cast<double>(turnY));
  }
  return false;
}

int makeThumbnail(const ThumbnailOptions& options) {
  // The output path is taken from the start folder, before the model's
  // folder becomes the current one.
  std::error_code error;
  const fs::path output = fs::absolute(fs::path(options.outputPath), error).lexically_normal();
  if (error || output.filename().empty()) {
    std::fprintf(stderr, "vistrel-tool thumbnail: cannot use the output path '%s'\n",
                 options.outputPath);
    return kToolFailed;
  }
  std::string modelPath;
  if (!enterModelFolder(options.modelPath, modelPath)) {
    std::fprintf(stderr, "vistrel-tool thumbnail: cannot use the path '%s'\n", options.modelPath);
    return kToolFailed;
  }
  if (!acceptableModel(modelPath)) return kToolFailed;

  ToolSession session;
  if (!openThumbnailSession(session, options.size)) return kToolFailed;
  Model model;
  useCheckerFallback(model, session.textures);
  // Loaded as the viewer loads it, MAT names resolved from the model's
  // folder, but without the report file.
  const bool loaded = loadModelWithoutReportFile(model, modelPath.c_str());
  std::vector<unsigned char> rgba;
  const bool shown = loaded && drawThumbnail(model, options.size, session, rgba);
  releaseModel(model);
  closeToolSession(session);
  if (!shown) return kToolFailed;
  return writeThumbnail(output, options.size, rgba) ? kToolOk : kToolFailed;
}

// Every model in one context, each under its own limits (limitNextModel).
int makeThumbnails(const ThumbnailOptions& options, const std::vector<std::string>& paths) {
  const std::vector<BatchModel> models = planBatch(paths, options.outputPath, ".png");
  gStderrTerminal = isatty(STDERR_FILENO) ? 1 : 0;
  gBatchTotal = static_cast<sig_atomic_t>(std::min<size_t>(models.size(), INT_MAX));
  ToolSession session;
  if (!openThumbnailSession(session, options.size)) return kToolFailed;
  BatchSteps steps;
  steps.startModel = [&](size_t index, size_t written, size_t) {
    gBatchWritten = static_cast<sig_atomic_t>(std::min<size_t>(written, INT_MAX));
    setStopModel(models[index].given);
    limitNextModel();
  };
  steps.readAlone = [](const BatchModel& model) {
    struct stat status;
    return !model.path.empty() && stat(model.path.c_str(), &status) == 0 &&
           status.st_size > kReadAheadBytes;
  };
  steps.read = [&](const BatchModel& model, BatchRead& read) {
    useCheckerFallback(read.model, session.textures);
    if (model.path.empty()) {
      toolMessage("vistrel-tool thumbnail: cannot use the path '%s'", model.given.c_str());
      return;
    }
    if (!acceptableModel(model.path)) return;
    read.loaded =
        readModelData(read.model, model.path.c_str(), model.folder.c_str(), nullptr, read.uploads);
  };
  std::vector<unsigned char> rgba;
  steps.draw = [&](const BatchModel& model, BatchRead& read) {
    const float black[3] = {0, 0, 0};
    restartDrawing(options.size, options.size, black, session.font);
    uploadModelTextures(read.model, read.uploads);
    if (!drawThumbnail(read.model, options.size, session, rgba)) return false;
    return writeThumbnail(fs::path(model.output), options.size, rgba);
  };
  const int status = runBatch("thumbnail", models, steps);
  closeToolSession(session);
  return status;
}

}  // namespace

int runThumbnail(int argc, char** argv) {
  ThumbnailOptions options;
  const int parsed = parseOptions(argc, argv, options);
  if (parsed == -1) return kToolOk;
  if (parsed != 0) return parsed;
  // The lists are read before the limits start: standard input may come
  // from a program that takes its time.
  std::vector<std::string> paths(options.models.begin(), options.models.end());
  if (options.batch && !readModelLists("thumbnail", options.lists, paths)) return kToolUsage;
  limitResources();
  try {
    return options.batch ? makeThumbnails(options, paths) : makeThumbnail(options);
  } catch (const std::bad_alloc&) {
    removeTemporary();
    std::fprintf(stderr, "vistrel-tool thumbnail: out of memory\n");
    return kToolFailed;
  }
}
