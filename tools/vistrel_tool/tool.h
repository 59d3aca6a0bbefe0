// vistrel-tool: the headless companion of the viewer. Each command lives in
// its own file: its options, its calls into the layers, its messages. What
// the commands share (the option parser, the session, batches and single
// runs, output files) is runner/'s.
#pragma once

int runStats(int argc, char** argv);   // argv[0] is "stats"
int runDecode(int argc, char** argv);  // argv[0] is "decode"
int runRender(int argc, char** argv);  // argv[0] is "render"
// argv[0] is "thumbnail"; where the build has PNG and the run limits.
int runThumbnail(int argc, char** argv);
// argv[0] is "export"; where the build has the model interchange.
int runExport(int argc, char** argv);
