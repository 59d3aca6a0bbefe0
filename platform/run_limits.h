// Bounds for a run over files the user did not choose (the thumbnailer,
// started by a file manager on whatever a folder holds).
//
// Contract: startRunLimits caps the process's processor time, wall-clock
// time and writable memory, lowers the renderer's thread count so that the
// memory cap holds on any machine, and turns the stop signals (a limit
// reached; SIGTERM, SIGINT or SIGHUP from whoever started the run) into one
// clean end: the single file being staged (platform/files.h) is removed, one
// line "NAME: CPU time limit reached", "NAME: time limit reached" or "NAME:
// stopped" is written on standard error (after the item's prefix and, in a
// run of several items, followed by the closing count "N written, M failed"
// where the item in hand and those not reached count as failed), and the
// process exits with status 1. Limits are only ever lowered, never raised
// above what the run was started with. Not thread-safe: call from the main
// thread.
#pragma once

#include <cstddef>
#include <string>

struct RunLimits {
  const char* name = "";              // the stop lines' prefix, "vistrel-tool thumbnail"
  unsigned cpuSeconds = 5;            // processor time, per item
  unsigned wallSeconds = 8;           // wall-clock time, per item
  unsigned long long writableMB = 0;  // writable memory for the run; 0: no cap
  int drawingThreads = 4;             // the software renderer's threads, 1 to 9
};

// Starts the bounds for the run (the first item's time starts now).
void startRunLimits(const RunLimits& limits);
// The next item of a run of several: fresh processor and wall-clock time
// from now, its prefix ("PATH: ") for the stop line, and the counts so far
// for the closing line.
void renewRunLimits(const std::string& itemPrefix, size_t written, size_t total);
// The item in hand has been written: a stop before the next item counts it
// among the written ones.
void noteRunItemWritten();
