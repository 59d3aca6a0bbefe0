// Batches and single runs of vistrel-tool (see batch.h). The GL context belongs to the
// thread that runs runBatch; a second thread reads, scans and decodes the
// next models (readModelData needs no GL) and hands them over in order, at
// most kReadAhead ahead. Each model's messages are collected where they
// arise, on either thread, and printed together after its path by the GL
// thread, so that two models' lines never mix. Every model stands alone: one
// that fails is counted and the run goes on, and after each model its
// textures are deleted and its arrays freed, so memory stays flat.
//
// The Windows cross-build's C++ library has no threads: there the models are
// read on the GL thread, one after the other, with the same results.
#include "runner/batch.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "platform/files.h"
#include "platform/headless_services.h"
#include "render/model_draw.h"

#if defined(_GLIBCXX_HAS_GTHREADS) || defined(_LIBCPP_VERSION)
#define VISTREL_BATCH_THREADS 1
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace fs = std::filesystem;

namespace {

// Models read and waiting for the GL thread, besides the one it draws.
constexpr size_t kReadAhead = 2;
// The progress line is drawn again at most this often.
constexpr double kProgressSeconds = 0.1;

using Clock = std::chrono::steady_clock;

// Where toolMessage and the message boxes of this thread go: the model's
// lines in a batch, standard error when null.
void collectLines(std::vector<std::string>* lines) {
  headlessCollectLines(lines);
}

std::string lowered(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// Standard error of the GL thread: the models' lines and the progress line,
// which is cleared before any other line and drawn again after it.
struct Terminal {
  const char* command = "";
  bool progress = false;
  size_t shownWidth = 0;
  Clock::time_point start = Clock::now();
  Clock::time_point lastShown;
};

void clearProgress(Terminal& terminal) {
  if (terminal.shownWidth == 0) return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(terminal.shownWidth), "");
  terminal.shownWidth = 0;
}

void printLines(Terminal& terminal, const BatchModel& model, std::vector<std::string>& lines) {
  if (lines.empty()) return;
  clearProgress(terminal);
  for (const std::string& line : lines) {
    std::fprintf(stderr, "%s: %s\n", model.given.c_str(), line.c_str());
  }
  std::fflush(stderr);
  lines.clear();
}

// "vistrel-tool render: 312/1000 models, 215.3 per second, about 3 s left".
void showProgress(Terminal& terminal, size_t done, size_t total) {
  if (!terminal.progress) return;
  const Clock::time_point now = Clock::now();
  const double seconds = std::chrono::duration<double>(now - terminal.start).count();
  if (done < total && terminal.shownWidth != 0 &&
      std::chrono::duration<double>(now - terminal.lastShown).count() < kProgressSeconds) {
    return;
  }
  terminal.lastShown = now;
  char text[160];
  int length = std::snprintf(text, sizeof text, "vistrel-tool %s: %zu/%zu models", terminal.command,
                             done, total);
  if (done > 0 && seconds > 0 && length > 0) {
    const double rate = static_cast<double>(done) / seconds;
    long long left = static_cast<long long>(static_cast<double>(total - done) / rate + 0.5);
    if (left == 0 && done < total) left = 1;
    char leftText[48];
    if (left < 60) {
      std::snprintf(leftText, sizeof leftText, "%lld s", left);
    } else {
      std::snprintf(leftText, sizeof leftText, "%lld min %lld s", left / 60, left % 60);
    }
    length += std::snprintf(text + length, sizeof text - static_cast<size_t>(length),
                            ", %.1f per second, about %s left", rate, leftText);
  }
  if (length < 0) return;
  const size_t width = std::min(static_cast<size_t>(length), sizeof text - 1);
  std::fprintf(stderr, "\r%s", text);
  if (width < terminal.shownWidth) {
    std::fprintf(stderr, "%*s", static_cast<int>(terminal.shownWidth - width), "");
    std::fprintf(stderr, "\r%s", text);
  }
  std::fflush(stderr);
  terminal.shownWidth = width;
}

// Notes a failure the model's own steps could not report (no memory, a
// file-system error) among its lines.
void noteException(const char* command, const char* what) {
  try {
    toolMessage("vistrel-tool %s: %s", command, what);
  } catch (const std::exception&) {
    // Not even the line fits: the count at the end still shows the failure.
  }
}

void readOne(const char* command, const BatchSteps& steps, const BatchModel& model,
             BatchRead& read) {
  collectLines(&read.lines);
  try {
    steps.read(model, read);
  } catch (const std::bad_alloc&) {
    read.loaded = false;
    noteException(command, "out of memory");
  } catch (const std::exception& error) {
    read.loaded = false;
    noteException(command, error.what());
  }
  collectLines(nullptr);
}

// The hand-over from the reading thread to the GL thread. A reading thread
// that stops early (no memory left for its records) says so in readerDone,
// and the GL thread reads the models after the last one handed over itself.
struct ReadQueue {
#ifdef VISTREL_BATCH_THREADS
  std::mutex mutex;
  std::condition_variable changed;
#endif
  std::deque<std::unique_ptr<BatchRead>> ready;
  bool drawing = false;     // the GL thread holds a model
  bool readerDone = false;  // the reading thread has ended
};

#ifdef VISTREL_BATCH_THREADS
void readAll(const char* command, const std::vector<BatchModel>& models, const BatchSteps& steps,
             ReadQueue& queue) {
  try {
    for (const BatchModel& model : models) {
      const bool alone = steps.readAlone && steps.readAlone(model);
      {
        std::unique_lock<std::mutex> lock(queue.mutex);
        queue.changed.wait(lock, [&] {
          return queue.ready.size() < kReadAhead &&
                 (!alone || (queue.ready.empty() && !queue.drawing));
        });
      }
      auto read = std::make_unique<BatchRead>();
      readOne(command, steps, model, *read);
      std::lock_guard<std::mutex> lock(queue.mutex);
      queue.ready.push_back(std::move(read));
      queue.changed.notify_all();
    }
  } catch (const std::exception&) {
    // The GL thread reads the rest.
  }
  std::lock_guard<std::mutex> lock(queue.mutex);
  queue.readerDone = true;
  queue.changed.notify_all();
}
#endif

}  // namespace

bool readModelLists(const char* command, const std::vector<const char*>& lists,
                    std::vector<std::string>& models) {
  for (const char* list : lists) {
    const bool standardInput = std::strcmp(list, "-") == 0;
    FILE* file = stdin;
    std::error_code error;
    if (!standardInput) {
      if (fs::is_directory(fs::u8path(list), error)) {
        std::fprintf(stderr, "vistrel-tool %s: the list '%s' is a folder\n", command, list);
        return false;
      }
      file = platformOpenFile(list, "rb");
      if (!file) {
        std::fprintf(stderr, "vistrel-tool %s: cannot read the list '%s'\n", command, list);
        return false;
      }
    }
    // One model a line; a CR before the line's end is dropped, empty lines
    // are skipped.
    std::string line;
    const auto take = [&models](std::string& text) {
      if (!text.empty() && text.back() == '\r') text.pop_back();
      if (!text.empty()) models.push_back(text);
      text.clear();
    };
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
      if (c == '\n') {
        take(line);
      } else {
        line += static_cast<char>(c);
      }
    }
    take(line);
    const bool failed = std::ferror(file) != 0;
    if (!standardInput) std::fclose(file);
    if (failed) {
      std::fprintf(stderr, "vistrel-tool %s: cannot read the list '%s'\n", command, list);
      return false;
    }
  }
  return true;
}

bool namesFolder(const char* output) {
  if (!output || output[0] == '\0') return false;
  const char last = output[std::strlen(output) - 1];
  if (last == '/' || last == '\\') return true;
  std::error_code error;
  return fs::is_directory(fs::u8path(output), error);
}

bool makesBatch(size_t models, size_t lists, const char* output) {
  return models > 1 || lists > 0 || namesFolder(output);
}

std::string batchFolderProblem(const char* output) {
  std::error_code error;
  if (fs::is_directory(fs::u8path(output), error)) return std::string();
  return std::string("the output folder '") + output +
         "' does not exist (several models need -o FOLDER/)";
}

std::vector<BatchModel> planBatch(const std::vector<std::string>& models, const std::string& folder,
                                  const char* extension) {
  std::error_code error;
  const fs::path outputFolder = fs::absolute(fs::u8path(folder), error).lexically_normal();
  std::vector<BatchModel> planned(models.size());
  std::vector<std::string> names(models.size());
  // Every model's own name is reserved first, for the first model that has it.
  std::unordered_map<std::string, size_t> owner;
  for (size_t i = 0; i < models.size(); ++i) {
    BatchModel& model = planned[i];
    model.given = models[i];
    std::string stem;
    if (!model.given.empty() && model.given.find('\0') == std::string::npos) {
      error.clear();
      const fs::path absolute = fs::absolute(fs::u8path(model.given), error).lexically_normal();
      if (!error) {
        model.path = absolute.u8string();
        model.folder = absolute.parent_path().u8string();
        stem = absolute.stem().u8string();
      }
    }
    names[i] = stem.empty() ? "model" : stem;
    owner.emplace(lowered(names[i] + extension), i);
  }
  std::unordered_set<std::string> taken;
  for (const auto& entry : owner) taken.insert(entry.first);
  // The number to try next for each name, so that many models of one name
  // cost no more than one each.
  std::unordered_map<std::string, size_t> nextNumber;
  for (size_t i = 0; i < models.size(); ++i) {
    std::string name = names[i] + extension;
    if (owner.at(lowered(name)) != i) {
      size_t& number = nextNumber.emplace(lowered(names[i]), 2).first->second;
      for (;; ++number) {
        name = names[i] + "-" + std::to_string(number) + extension;
        if (taken.insert(lowered(name)).second) break;
      }
    }
    planned[i].output = (outputFolder / fs::u8path(name)).u8string();
  }
  return planned;
}

namespace {

// The next model for the GL thread: from the reading thread, or read here
// when there is none (no threads, or the reading thread ended early).
std::unique_ptr<BatchRead> nextRead(const char* command, const BatchSteps& steps,
                                    const BatchModel& model, ReadQueue& queue, bool threaded) {
  std::unique_ptr<BatchRead> read;
#ifdef VISTREL_BATCH_THREADS
  if (threaded) {
    std::unique_lock<std::mutex> lock(queue.mutex);
    queue.changed.wait(lock, [&] { return !queue.ready.empty() || queue.readerDone; });
    if (!queue.ready.empty()) {
      read = std::move(queue.ready.front());
      queue.ready.pop_front();
    }
    queue.drawing = true;
    queue.changed.notify_all();
  }
#else
  (void)queue;
  (void)threaded;
#endif
  if (!read) {
    read = std::make_unique<BatchRead>();
    readOne(command, steps, model, *read);
  }
  return read;
}

void doneDrawing(ReadQueue& queue) {
#ifdef VISTREL_BATCH_THREADS
  std::lock_guard<std::mutex> lock(queue.mutex);
  queue.drawing = false;
  queue.changed.notify_all();
#else
  (void)queue;
#endif
}

}  // namespace

int runBatch(const char* command, const std::vector<BatchModel>& models, const BatchSteps& steps) {
  Terminal terminal;
  terminal.command = command;
  terminal.progress = platformStderrIsTerminal();
  size_t written = 0;
  size_t failed = 0;
  ReadQueue queue;
  bool threaded = false;
#ifdef VISTREL_BATCH_THREADS
  std::thread reader;
  try {
    reader = std::thread(readAll, command, std::cref(models), std::cref(steps), std::ref(queue));
    threaded = true;
  } catch (const std::system_error&) {
    threaded = false;  // read on this thread
  }
#endif
  showProgress(terminal, 0, models.size());
  for (size_t i = 0; i < models.size(); ++i) {
    const BatchModel& model = models[i];
    if (steps.startModel) steps.startModel(i, written, failed);
    std::unique_ptr<BatchRead> read = nextRead(command, steps, model, queue, threaded);
    printLines(terminal, model, read->lines);
    bool done = false;
    if (read->loaded) {
      std::vector<std::string> lines;
      collectLines(&lines);
      try {
        done = steps.make(model, *read);
      } catch (const std::bad_alloc&) {
        noteException(command, "out of memory");
      } catch (const std::exception& error) {
        noteException(command, error.what());
      }
      collectLines(nullptr);
      printLines(terminal, model, lines);
    }
    releaseModelTextures(read->model);
    releaseModel(read->model);
    read.reset();
    doneDrawing(queue);
    if (done) {
      ++written;
    } else {
      ++failed;
    }
    showProgress(terminal, i + 1, models.size());
  }
#ifdef VISTREL_BATCH_THREADS
  if (reader.joinable()) reader.join();
#endif
  clearProgress(terminal);
  std::fprintf(stderr, "%zu written, %zu failed\n", written, failed);
  std::fflush(stderr);
  return failed == 0 ? 0 : 1;
}

int runSingle(const char* command, const BatchModel& model, const BatchSteps& steps) {
  BatchRead read;
  bool done = false;
  try {
    steps.read(model, read);
    if (read.loaded) done = steps.make(model, read);
  } catch (const std::bad_alloc&) {
    noteException(command, "out of memory");
    done = false;
  } catch (const std::exception& error) {
    noteException(command, error.what());
    done = false;
  }
  releaseModelTextures(read.model);
  releaseModel(read.model);
  return done ? 0 : 1;
}

bool absolutePath(const char* given, std::string& absolute) {
  if (!given || given[0] == '\0') return false;
  std::error_code error;
  const fs::path path = fs::absolute(fs::u8path(given), error);
  if (error) return false;
  absolute = path.lexically_normal().u8string();
  return true;
}

BatchModel planSingle(const char* model, const std::string& output) {
  BatchModel planned;
  planned.given = model;
  planned.output = output;
  if (absolutePath(model, planned.path)) {
    planned.folder = fs::u8path(planned.path).parent_path().u8string();
  }
  return planned;
}
