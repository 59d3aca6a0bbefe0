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
               "\n"
               "Draws MODEL.3do with the viewer's own code (smooth, textured, lit), turned to\n"
               "a three-quarter view and framed to fill the picture, and writes it to OUT.png:\n"
               "N x N pixels, RGBA, transparent around the model. Made for file managers: it\n"
               "writes no file but OUT.png (no ModelStats.txt), replaces OUT.png only with a\n"
               "complete picture, refuses models over 64 MiB and gives up after 5 seconds\n"
               "of processor time or 8 seconds in all.\n"
               "Relative paths are taken from the current folder.\n"
               "\n"
               "options:\n"
               "  --size N   width and height of the picture in pixels, 1 to 1024\n"
               "             (default 256)\n"
               "  --help     show this text\n"
               "\n"
               "exit status: 0 written, 1 the model did not load, shows nothing or the picture\n"
               "could not be written (OUT.png is then left as it was), 2 usage error\n");
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
  const char* modelPath = nullptr;
  const char* outputPath = nullptr;
  int size = kDefaultSize;
};

// 0 when complete, kToolUsage after a usage message, -1 after --help.
int parseOptions(int argc, char** argv, ThumbnailOptions& options) {
  bool positionalOnly = false;
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
      } else if (std::strcmp(arg, "--") == 0) {
        positionalOnly = true;
      } else {
        return usageError("unknown option '%s'", arg);
      }
    } else if (!options.modelPath) {
      options.modelPath = arg;
    } else if (!options.outputPath) {
      options.outputPath = arg;
    } else {
      return usageError("unexpected argument '%s' (one model, one picture)", arg);
    }
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

void removeTemporary() {
  if (gTemporaryExists) unlink(gTemporaryPath);
  gTemporaryExists = 0;
}

// A limit reached, or the run stopped (a file manager giving up on it).
extern "C" void onStop(int signalNumber) {
  if (gTemporaryExists) unlink(gTemporaryPath);
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
  const ssize_t ignored = write(STDERR_FILENO, text, length);
  (void)ignored;
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

// A regular file of at most kMaxModelBytes; says why not on stderr.
bool acceptableModel(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) {
    std::fprintf(stderr, "vistrel-tool thumbnail: cannot read '%s': %s\n", path.c_str(),
                 std::strerror(errno));
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    std::fprintf(stderr, "vistrel-tool thumbnail: '%s' is not a regular file\n", path.c_str());
    return false;
  }
  if (status.st_size > kMaxModelBytes) {
    std::fprintf(stderr,
                 "vistrel-tool thumbnail: '%s' is %lld bytes; models over 64 MiB are not read\n",
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
    std::fprintf(stderr, "vistrel-tool thumbnail: the model has no triangle to draw\n");
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
      std::fprintf(stderr, "vistrel-tool thumbnail: the model is too large to frame\n");
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
    std::fprintf(stderr, "vistrel-tool thumbnail: the output path is too long\n");
    return false;
  }
  std::memcpy(gTemporaryPath, pattern.c_str(), pattern.size() + 1);
  const int descriptor = mkstemp(gTemporaryPath);
  if (descriptor < 0) {
    std::fprintf(stderr, "vistrel-tool thumbnail: cannot create a file beside '%s': %s\n",
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
    std::fprintf(stderr, "vistrel-tool thumbnail: cannot write '%s': %s\n", output.string().c_str(),
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

  headlessSetEchoBoxes(true);
  const float black[3] = {0, 0, 0};
  ToolSession session;
  if (!openToolSession(session, options.size, options.size, black)) return kToolFailed;
  GLint alphaBits = 0;
  glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
  if (alphaBits <= 0) {
    std::fprintf(stderr, "vistrel-tool thumbnail: the offscreen context has no alpha channel\n");
    closeToolSession(session);
    return kToolFailed;
  }
  Model model;
  useCheckerFallback(model, session.textures);
  // Loaded as the viewer loads it, MAT names resolved from the model's
  // folder, but without the report file.
  const bool loaded = loadModelWithoutReportFile(model, modelPath.c_str());
  // From the front three-quarter view, else from the back one.
  std::vector<unsigned char> rgba(static_cast<size_t>(options.size) * options.size * 4);
  bool shown = false;
  for (const float turnY : {kTurnY, kTurnY + 180.0f}) {
    if (!loaded || shown) break;
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
    resizeView(options.size, options.size);
    if (!frameModel(model, view)) break;
    applyRenderMode(view.renderMode);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    FrameRate frameRate;
    frameRate.windowStart = platformTickCount();
    drawFrame(view, model, session.textures, session.font, frameRate);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, options.size, options.size, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    shown = anyPixelShows(rgba);
    if (!shown) {
      std::fprintf(stderr, "vistrel-tool thumbnail: nothing shows from %g degrees\n",
                   static_cast<double>(turnY));
    }
  }
  releaseModel(model);
  closeToolSession(session);
  if (!shown) return kToolFailed;
  return writeThumbnail(output, options.size, rgba) ? kToolOk : kToolFailed;
}

}  // namespace

int runThumbnail(int argc, char** argv) {
  ThumbnailOptions options;
  const int parsed = parseOptions(argc, argv, options);
  if (parsed == -1) return kToolOk;
  if (parsed != 0) return parsed;
  limitResources();
  try {
    return makeThumbnail(options);
  } catch (const std::bad_alloc&) {
    removeTemporary();
    std::fprintf(stderr, "vistrel-tool thumbnail: out of memory\n");
    return kToolFailed;
  }
}
