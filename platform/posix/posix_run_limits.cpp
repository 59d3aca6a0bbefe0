// The bounds of platform/run_limits.h on POSIX systems: RLIMIT_CPU with
// SIGXCPU for processor time, alarm with SIGALRM for wall-clock time,
// RLIMIT_DATA for memory, LP_NUM_THREADS for Mesa's llvmpipe threads.
//
// The memory cap is RLIMIT_DATA rather than RLIMIT_AS: the address space
// also holds the mapped Mesa and LLVM libraries and glibc's reserved malloc
// arenas, and Mesa crashes when a reservation fails, while RLIMIT_DATA counts
// only writable memory and lets the reader's large arrays fail cleanly.
// Without the thread cap the memory llvmpipe needs grows with the core count
// (about 20 MB of writable memory per drawing thread), and at 32 cores it no
// longer fits the memory limit.
//
// The stop handler reads only what it is handed in fixed buffers: the item's
// prefix in two buffers, gStopItem naming the complete one, so that it never
// reads one being written.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/posix_port.h"
#include "platform/run_limits.h"
#include "platform/stop_line.h"

// AddressSanitizer maps terabytes of writable shadow memory before main, so
// a build with it (for tests) leaves the memory cap out.
#if defined(__SANITIZE_ADDRESS__)
#define VISTREL_NO_MEMORY_CAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VISTREL_NO_MEMORY_CAP 1
#endif
#endif

namespace {

constexpr size_t kPrefixSize = 512;
char gName[128];
size_t gNameLength = 0;
char gItemPrefix[2][kPrefixSize];
volatile sig_atomic_t gItemPrefixLength[2] = {0, 0};
volatile sig_atomic_t gStopItem = -1;  // -1: a single run, no prefix and no count
volatile sig_atomic_t gWritten = 0;
volatile sig_atomic_t gTotal = 0;
volatile sig_atomic_t gStderrTerminal = 0;
rlim_t gStartCpuLimit = RLIM_INFINITY;  // never raised per item
RunLimits gLimits;

void writeText(const char* text, size_t length) {
  while (length > 0) {
    const ssize_t done = write(STDERR_FILENO, text, length);
    if (done <= 0) return;
    text += done;
    length -= static_cast<size_t>(done);
  }
}

extern "C" void onStop(int signalNumber) {
  posixRemoveStagedFile();
  const int item = gStopItem;
  if (item >= 0 && gStderrTerminal) writeText("\r\033[K", 4);  // the progress line
  const char* reason = "stopped";
  if (signalNumber == SIGXCPU) {
    reason = "CPU time limit reached";
  } else if (signalNumber == SIGALRM) {
    reason = "time limit reached";
  }
  char line[kPrefixSize + 256];
  const size_t length =
      composeStopLine(line, sizeof line, item >= 0 ? gItemPrefix[item] : "",
                      item >= 0 ? static_cast<size_t>(gItemPrefixLength[item]) : 0, gName,
                      gNameLength, reason, item >= 0, gWritten, gTotal);
  writeText(line, length);
  _exit(1);
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

}  // namespace

void startRunLimits(const RunLimits& limits) {
  gLimits = limits;
  gNameLength = std::min(std::strlen(limits.name), sizeof gName);
  std::memcpy(gName, limits.name, gNameLength);
  gStderrTerminal = isatty(STDERR_FILENO) ? 1 : 0;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = onStop;
  sigemptyset(&action.sa_mask);
  for (int signalNumber : {SIGALRM, SIGXCPU, SIGTERM, SIGINT, SIGHUP}) {
    sigaction(signalNumber, &action, nullptr);
  }
  // A file size limit makes a write fail instead of ending the run, so the
  // staged file is removed.
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit cpu;
  if (getrlimit(RLIMIT_CPU, &cpu) == 0) gStartCpuLimit = cpu.rlim_cur;
  lowerLimit(RLIMIT_CPU, limits.cpuSeconds);
#ifndef VISTREL_NO_MEMORY_CAP
  if (limits.writableMB > 0) lowerLimit(RLIMIT_DATA, static_cast<rlim_t>(limits.writableMB) << 20);
#endif
  lowerLimit(RLIMIT_CORE, 0);  // a crash leaves no core file in the model's folder
  alarm(limits.wallSeconds);
  // Mesa reads this when the context is made; a smaller number already
  // asked for is kept.
  const int threads = std::max(1, std::min(9, limits.drawingThreads));
  const char* given = std::getenv("LP_NUM_THREADS");
  if (!given || std::strlen(given) != 1 || given[0] < '0' || given[0] > '0' + threads) {
    setenv("LP_NUM_THREADS", std::to_string(threads).c_str(), 1);
  }
}

void noteRunItemWritten() {
  if (gWritten < gTotal) gWritten = gWritten + 1;
}

void renewRunLimits(const std::string& itemPrefix, size_t written, size_t total) {
  gWritten = static_cast<sig_atomic_t>(std::min<size_t>(written, INT_MAX));
  gTotal = static_cast<sig_atomic_t>(std::min<size_t>(total, INT_MAX));
  const int slot = gStopItem == 0 ? 1 : 0;
  const size_t length = std::min(itemPrefix.size(), kPrefixSize);
  std::memcpy(gItemPrefix[slot], itemPrefix.data(), length);
  gItemPrefixLength[slot] = static_cast<sig_atomic_t>(length);
  gStopItem = slot;
  // kWallSeconds from now, and the processor time beyond what the run has
  // used, never beyond the limit the run was started with.
  alarm(gLimits.wallSeconds);
  struct rusage usage;
  struct rlimit limit;
  if (getrusage(RUSAGE_SELF, &usage) != 0 || getrlimit(RLIMIT_CPU, &limit) != 0) return;
  rlim_t wanted = static_cast<rlim_t>(usage.ru_utime.tv_sec) +
                  static_cast<rlim_t>(usage.ru_stime.tv_sec) + 1 + gLimits.cpuSeconds;
  if (gStartCpuLimit != RLIM_INFINITY && gStartCpuLimit < wanted) wanted = gStartCpuLimit;
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < wanted) wanted = limit.rlim_max;
  limit.rlim_cur = wanted;
  setrlimit(RLIMIT_CPU, &limit);
}
