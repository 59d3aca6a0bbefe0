// vistrel-tool's entry point: command dispatch, --help and --version.
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "runner/options.h"
#include "tools/vistrel_tool/tool.h"

namespace {

void printUsage(FILE* out) {
  std::fprintf(out,
               "usage: vistrel-tool COMMAND [ARGS]\n"
               "\n"
               "Loads, decodes and renders 3DO models with the viewer's own code, headless.\n"
               "\n"
               "commands:\n"
               "  stats MODEL.3do            load MODEL.3do as the viewer does, write\n"
               "                             ModelStats.txt beside it and print the report\n"
               "  decode IMAGE -o OUT.tga    decode a MAT or TGA image, write it as TGA\n"
               "  render MODEL.3do -o OUT.tga [options]\n"
               "                             draw one frame offscreen (see render --help)\n"
               "  render MODEL.3do... [--from LIST] -o FOLDER/ [options]\n"
               "                             draw every model in one process\n"
#ifdef VISTREL_TOOL_THUMBNAIL
               "  thumbnail MODEL.3do OUT.png [--size N]\n"
               "                             write a PNG preview (see thumbnail --help)\n"
               "  thumbnail MODEL.3do... [--from LIST] -o FOLDER/ [--size N]\n"
               "                             write every model's preview in one process\n"
#endif
#ifdef VISTREL_TOOL_EXPORT
               "  export MODEL.3do -o OUT.glb|OUT.gltf|OUT.obj\n"
               "                             write the model as glTF 2.0 or OBJ with its\n"
               "                             textures as PNG (see export --help)\n"
#endif
               "\n"
               "options: --help, --version\n"
               "exit status: 0 success, 1 load or decode failed, 2 usage error\n");
}

}  // namespace

int main(int argc, char** argv) {
  platformUtf8Arguments(argc, argv);  // UTF-8 paths on every system
  if (argc < 2) {
    printUsage(stderr);
    return kToolUsage;
  }
  const char* command = argv[1];
  if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
    printUsage(stdout);
    return kToolOk;
  }
  if (std::strcmp(command, "--version") == 0) {
    std::printf("vistrel-tool %s\n", VISTREL_VERSION);
    return kToolOk;
  }
  if (std::strcmp(command, "stats") == 0) return runStats(argc - 1, argv + 1);
  if (std::strcmp(command, "decode") == 0) return runDecode(argc - 1, argv + 1);
  if (std::strcmp(command, "render") == 0) return runRender(argc - 1, argv + 1);
#ifdef VISTREL_TOOL_THUMBNAIL
  if (std::strcmp(command, "thumbnail") == 0) return runThumbnail(argc - 1, argv + 1);
#endif
#ifdef VISTREL_TOOL_EXPORT
  if (std::strcmp(command, "export") == 0) return runExport(argc - 1, argv + 1);
#endif
  std::fprintf(stderr, "vistrel-tool: unknown command '%s'\n", command);
  printUsage(stderr);
  return kToolUsage;
}
