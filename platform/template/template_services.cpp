// The template of a port: the services of the system that the tool needs
// (and the viewer, for the executable's folder), with the smallest bodies
// that compile and a line saying what a real port does there. On Linux
// they are platform/posix/ and platform/headless/offscreen_gl.cpp; on
// Windows platform/win32/ and platform/win32/headless/. The tool's boxes,
// message lines and clock are platform/headless_services.cpp's, on every
// system. template_port.cpp says how both files are built.
#include <cstddef>
#include <string>

#include "platform/files.h"
#include "platform/headless_services.h"
#include "platform/platform.h"
#include "platform/run_limits.h"

// ---- The program's own folder (platform.h) ---------------------------------
std::string platformExecutableDir() {
  return ".";  // the folder of the running executable, no trailing separator
}

// ---- Offscreen GL (headless_services.h) -------------------------------------
bool createOffscreenGl(OffscreenGl&, int, int) {
  return false;  // a current compatibility context, RGBA and 16-bit depth, width x height
}
void destroyOffscreenGl(OffscreenGl&) {}  // release what createOffscreenGl made, zero the record

// ---- Paths and output files (files.h) ---------------------------------------
FILE* platformOpenFile(const std::string&, const char*) {
  return nullptr;  // fopen for a UTF-8 path, turned into the system's form
}
void platformUtf8Arguments(int&, char**&) {}  // main's arguments as UTF-8, if they are not
bool beginStagedFiles(StagedFiles& staged, const std::string& folder, const std::string&) {
  staged.folder = folder;  // make a private folder beside the targets into staging
  return false;
}
std::string stageFile(StagedFiles& staged, const std::string& name) {
  staged.names.push_back(name);  // the path in the private folder to write name to
  return staged.staging + "/" + name;
}
bool commitStagedFiles(StagedFiles&) {
  return false;  // rename each file into place, in order; remove the private folder
}
void discardStagedFiles(StagedFiles&) {}  // remove the private folder and its files
bool platformStderrIsTerminal() {
  return false;  // whether standard error is a terminal (the batch's progress line)
}

// ---- Bounds of a run over files nobody chose (run_limits.h) ------------------
void startRunLimits(const RunLimits&) {}  // cap processor time, wall time, memory; stop cleanly
void renewRunLimits(const std::string&, size_t, size_t) {}  // fresh time for the next item
void noteRunItemWritten() {}  // the item in hand counts as written if the run stops now
