/* Preloaded into the real viewer by viewer_bench.py: counts buffer swaps
 * (one per frame) and, when the process ends, writes the wall-clock time of
 * the first and last swap, the swap count and the peak resident memory
 * (VmHWM) to the file named by VISTREL_PROBE_OUT. Measures without any
 * change to the viewer itself. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double firstSwap = 0, lastSwap = 0;
static long swaps = 0;

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_REALTIME, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

void SDL_GL_SwapWindow(void* window) {
  static void (*real)(void*) = NULL;
  if (!real) *(void**)(&real) = dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  real(window);
  lastSwap = now();
  if (swaps++ == 0) firstSwap = lastSwap;
}

__attribute__((destructor)) static void report(void) {
  const char* path = getenv("VISTREL_PROBE_OUT");
  if (!path) return;
  long peakKiB = -1;
  FILE* status = fopen("/proc/self/status", "r");
  if (status) {
    char line[256];
    while (fgets(line, sizeof line, status)) {
      if (strncmp(line, "VmHWM:", 6) == 0) peakKiB = strtol(line + 6, NULL, 10);
    }
    fclose(status);
  }
  FILE* out = fopen(path, "w");
  if (!out) return;
  fprintf(out, "%.6f %.6f %ld %ld\n", firstSwap, lastSwap, swaps, peakKiB);
  fclose(out);
}
