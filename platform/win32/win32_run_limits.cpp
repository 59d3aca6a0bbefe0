// The bounds of platform/run_limits.h on Windows: a job object's
// per-process memory limit for memory (the committed memory the process may
// hold, so that a large allocation fails cleanly, as on Linux), and a
// watchdog thread for processor and wall-clock time, which wakes on a
// waitable timer at each item's wall-clock deadline and four times a second
// to read the process's processor time. Ctrl+C, Ctrl+Break and a console's
// closing are the stop requests (the console control handler runs on a
// thread of its own). The stop is the same for all: the single staged file
// removed, the line written, exit status 1, whatever the main thread is
// doing. Mesa's thread count (LP_NUM_THREADS) has no counterpart: the
// system's OpenGL decides its own threads.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/run_limits.h"
#include "platform/win32/win32_port.h"

namespace {

CRITICAL_SECTION gLock;  // the item's prefix and counts
std::string gName;
std::string gItemPrefix;
bool gSeveral = false;
size_t gWritten = 0;
size_t gTotal = 0;
unsigned long long gCpuBudgetEnd = 0;  // processor time, 100 ns units, the item may reach
unsigned long long gWallEnd = 0;       // GetTickCount64 the item may reach
RunLimits gLimits;
HANDLE gRenewed = nullptr;  // set when an item begins, to re-read the deadlines
volatile LONG gStopping = 0;

unsigned long long processorTime() {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
  const auto value = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return value(kernel) + value(user);
}

[[noreturn]] void stopRun(const char* reason) {
  // One stop: a second request waits for the first to end the process.
  if (InterlockedExchange(&gStopping, 1) != 0) {
    for (;;) Sleep(INFINITE);
  }
  win32RemoveStagedFile();
  EnterCriticalSection(&gLock);
  std::string text;
  if (gSeveral) text += gItemPrefix;
  text += gName + ": " + reason + "\n";
  if (gSeveral) {
    text +=
        std::to_string(gWritten) + " written, " + std::to_string(gTotal - gWritten) + " failed\n";
  }
  LeaveCriticalSection(&gLock);
  std::fflush(stdout);
  DWORD done = 0;
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error != nullptr && error != INVALID_HANDLE_VALUE) {
    WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
  }
  TerminateProcess(GetCurrentProcess(), 1);
  for (;;) Sleep(INFINITE);
}

DWORD WINAPI watch(void*) {
  for (;;) {
    EnterCriticalSection(&gLock);
    const unsigned long long wallEnd = gWallEnd;
    const unsigned long long cpuEnd = gCpuBudgetEnd;
    LeaveCriticalSection(&gLock);
    const unsigned long long now = GetTickCount64();
    if (now >= wallEnd) stopRun("time limit reached");
    if (processorTime() >= cpuEnd) stopRun("CPU time limit reached");
    const unsigned long long left = wallEnd - now;
    WaitForSingleObject(gRenewed, static_cast<DWORD>(std::min<unsigned long long>(left, 250)));
  }
}

BOOL WINAPI onConsoleControl(DWORD) {
  stopRun("stopped");
}

void setDeadlines() {
  EnterCriticalSection(&gLock);
  gWallEnd = GetTickCount64() + static_cast<unsigned long long>(gLimits.wallSeconds) * 1000;
  gCpuBudgetEnd = processorTime() + static_cast<unsigned long long>(gLimits.cpuSeconds) * 10000000;
  LeaveCriticalSection(&gLock);
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
  // The handle stays open for the run: the job lives as long as the process.
}

}  // namespace

void startRunLimits(const RunLimits& limits) {
  static bool started = false;
  if (!started) InitializeCriticalSection(&gLock);
  gLimits = limits;
  gName = limits.name ? limits.name : "";
  setDeadlines();
  if (started) return;
  started = true;
  capMemory(limits.writableMB);
  SetConsoleCtrlHandler(onConsoleControl, TRUE);
  // No box when the process fails: it runs for a program, not a person.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  gRenewed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, watch, nullptr, 0, nullptr);
  if (thread) CloseHandle(thread);
}

void renewRunLimits(const std::string& itemPrefix, size_t written, size_t total) {
  EnterCriticalSection(&gLock);
  gSeveral = true;
  gItemPrefix = itemPrefix;
  gWritten = written;
  gTotal = total;
  LeaveCriticalSection(&gLock);
  setDeadlines();
}
