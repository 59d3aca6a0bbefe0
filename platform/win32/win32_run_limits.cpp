// The bounds of platform/run_limits.h on Windows: a job object's
// per-process memory limit for memory (the committed memory the process may
// hold, so that a large allocation fails cleanly, as on Linux), and a
// watchdog thread for processor and wall-clock time, which wakes at each
// item's wall-clock deadline, when an item begins, and four times a second
// to read the process's processor time. Ctrl+C, Ctrl+Break and a console's
// closing are the stop requests (the console's control handler runs on a
// thread of its own). Mesa's thread count (LP_NUM_THREADS) has no
// counterpart: the system's OpenGL decides its own threads.
//
// The stop comes on another thread while the main thread goes on, so it
// first suspends the main thread (which then can neither write nor rename),
// then closes and removes the staged file and its folder
// (win32RemoveStagedFile), writes the line and ends the process with status
// 1. The main thread may be suspended inside the heap or holding any lock,
// so the stop takes none and allocates nothing: the item's prefix and counts
// sit in fixed buffers, two of them, an index naming the complete one, as
// in the POSIX port.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/run_limits.h"
#include "platform/stop_line.h"
#include "platform/win32/win32_port.h"

namespace {

constexpr size_t kPrefixSize = 512;
char gName[128];
size_t gNameLength = 0;
char gItemPrefix[2][kPrefixSize];
volatile LONG gItemPrefixLength[2] = {0, 0};
volatile LONG gStopItem = -1;  // -1: a single run, no prefix and no count
volatile LONG64 gWritten = 0;
volatile LONG64 gTotal = 0;
volatile LONG64 gCpuEnd = 0;   // processor time, 100 ns units, the item may reach
volatile LONG64 gWallEnd = 0;  // GetTickCount64 the item may reach
RunLimits gLimits;
HANDLE gMainThread = nullptr;
HANDLE gRenewed = nullptr;  // set when an item begins: the watchdog reads the deadlines again
volatile LONG gStopping = 0;

LONG64 processorTime() {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
  const auto value = [](const FILETIME& time) {
    return static_cast<LONG64>((static_cast<ULONG64>(time.dwHighDateTime) << 32) |
                               time.dwLowDateTime);
  };
  return value(kernel) + value(user);
}

[[noreturn]] void stopRun(const char* reason) {
  // One stop: a second request waits for the first to end the process.
  if (InterlockedExchange(&gStopping, 1) != 0) {
    for (;;) Sleep(INFINITE);
  }
  if (gMainThread && GetCurrentThreadId() != GetThreadId(gMainThread)) {
    SuspendThread(gMainThread);
  }
  win32RemoveStagedFile();
  char text[kPrefixSize + 256];
  const LONG item = gStopItem;
  const size_t at = composeStopLine(text, sizeof text, item >= 0 ? gItemPrefix[item] : "",
                                    item >= 0 ? static_cast<size_t>(gItemPrefixLength[item]) : 0,
                                    gName, gNameLength, reason, item >= 0, gWritten, gTotal);
  DWORD done = 0;
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error != nullptr && error != INVALID_HANDLE_VALUE) {
    WriteFile(error, text, static_cast<DWORD>(at), &done, nullptr);
  }
  TerminateProcess(GetCurrentProcess(), 1);
  for (;;) Sleep(INFINITE);
}

DWORD WINAPI watch(void*) {
  for (;;) {
    const LONG64 wallEnd = InterlockedCompareExchange64(&gWallEnd, 0, 0);
    const LONG64 cpuEnd = InterlockedCompareExchange64(&gCpuEnd, 0, 0);
    const LONG64 now = static_cast<LONG64>(GetTickCount64());
    if (now >= wallEnd) stopRun("time limit reached");
    if (processorTime() >= cpuEnd) stopRun("CPU time limit reached");
    WaitForSingleObject(gRenewed, static_cast<DWORD>(std::min<LONG64>(wallEnd - now, 250)));
  }
}

BOOL WINAPI onConsoleControl(DWORD) {
  stopRun("stopped");
}

void setDeadlines() {
  InterlockedExchange64(&gWallEnd, static_cast<LONG64>(GetTickCount64()) +
                                       static_cast<LONG64>(gLimits.wallSeconds) * 1000);
  InterlockedExchange64(&gCpuEnd,
                        processorTime() + static_cast<LONG64>(gLimits.cpuSeconds) * 10000000);
  if (gRenewed) SetEvent(gRenewed);
}

// The memory cap, through a job object holding this process. Where the
// process already belongs to a job that forbids another one, the cap stays
// out and the time limits still hold.
void capMemory(unsigned long long writableMB) {
  if (writableMB == 0) return;
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (!job) return;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
  std::memset(&limits, 0, sizeof limits);
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY;
  limits.ProcessMemoryLimit = static_cast<SIZE_T>(writableMB << 20);
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
      !AssignProcessToJobObject(job, GetCurrentProcess())) {
    CloseHandle(job);
  }
  // Otherwise the handle stays open: the job lives as long as the process.
}

}  // namespace

void startRunLimits(const RunLimits& limits) {
  gLimits = limits;
  const char* name = limits.name ? limits.name : "";
  gNameLength = std::min(std::strlen(name), sizeof gName);
  std::memcpy(gName, name, gNameLength);
  setDeadlines();
  if (gMainThread) return;  // started before
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &gMainThread, 0,
                  FALSE, DUPLICATE_SAME_ACCESS);
  capMemory(limits.writableMB);
  SetConsoleCtrlHandler(onConsoleControl, TRUE);
  // No box when the process fails: it runs for a program, not a person.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  gRenewed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, watch, nullptr, 0, nullptr);
  if (thread) CloseHandle(thread);
}

void noteRunItemWritten() {
  if (gWritten < gTotal) InterlockedIncrement64(&gWritten);
}

void renewRunLimits(const std::string& itemPrefix, size_t written, size_t total) {
  InterlockedExchange64(&gWritten, static_cast<LONG64>(written));
  InterlockedExchange64(&gTotal, static_cast<LONG64>(total));
  const LONG slot = gStopItem == 0 ? 1 : 0;
  const size_t length = std::min(itemPrefix.size(), kPrefixSize);
  std::memcpy(gItemPrefix[slot], itemPrefix.data(), length);
  InterlockedExchange(&gItemPrefixLength[slot], static_cast<LONG>(length));
  InterlockedExchange(&gStopItem, slot);
  setDeadlines();
}
