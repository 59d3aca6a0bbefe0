// tinygltf's implementation, compiled into the interchange layer where the
// system has no tinygltf library to link (the Windows cross-build; Linux
// links Debian's shared libtinygltf, built from the same header). The
// layer's writers hand tinygltf their own image bytes and read back without
// decoding images, so tinygltf's stb image coder stays out
// (TINYGLTF_NO_STB_IMAGE, TINYGLTF_NO_STB_IMAGE_WRITE, set for every user of
// the header by cmake/layers.cmake).
#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>
