// stb_image's implementation for the thumbnail provider, PNG only and from
// memory only (Debian's libstb-dev, header-only): the provider reads back
// the PNG that vistrel-tool.exe wrote. Built as its authors wrote it.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>
