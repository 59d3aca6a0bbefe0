// Loads the installed thumbnail provider as Explorer does: COM finds the DLL
// from the class's registration (CoCreateInstance with the CLSID), the
// provider is initialised with the file's path and asked for a picture of
// SIZE pixels. The picture is written as a 32-bit TGA, top row first, with
// its alpha, for the Windows run to compare with the Linux thumbnail.
//
// usage: vistrel-thumbnail-com MODEL OUT.tga [SIZE]
// exit status: 0 written; 1 the provider failed (its HRESULT printed);
// 2 usage; 3 COM could not make the provider.
#include <objbase.h>
#include <propsys.h>
#include <thumbcache.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

namespace {

const CLSID kProviderClass = {
    0x2921c062, 0x5867, 0x4f3e, {0x90, 0x6d, 0x50, 0x5d, 0x43, 0xad, 0xba, 0xff}};
const IID kThumbnailProviderId = {
    0xe357fccd, 0xa995, 0x4576, {0xb0, 0x1f, 0x23, 0x46, 0x30, 0x15, 0x4e, 0x96}};

bool writeTga(const wchar_t* path, int width, int height, const std::vector<unsigned char>& bgra) {
  FILE* file = _wfopen(path, L"wb");
  if (!file) return false;
  unsigned char header[18] = {};
  header[2] = 2;
  header[12] = static_cast<unsigned char>(width & 255);
  header[13] = static_cast<unsigned char>(width >> 8);
  header[14] = static_cast<unsigned char>(height & 255);
  header[15] = static_cast<unsigned char>(height >> 8);
  header[16] = 32;
  header[17] = 0x28;  // 8 alpha bits, top row first
  const bool written = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
                       std::fwrite(bgra.data(), 1, bgra.size(), file) == bgra.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: vistrel-thumbnail-com MODEL OUT.tga [SIZE]\n");
    return 2;
  }
  const UINT size = argc > 3 ? static_cast<UINT>(std::wcstoul(argv[3], nullptr, 10)) : 256;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IInitializeWithFile* initialise = nullptr;
  HRESULT result = CoCreateInstance(kProviderClass, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IInitializeWithFile, reinterpret_cast<void**>(&initialise));
  if (FAILED(result)) {
    std::printf("CoCreateInstance failed: 0x%08lx\n", static_cast<unsigned long>(result));
    return 3;
  }
  IThumbnailProvider* provider = nullptr;
  result = initialise->Initialize(argv[1], STGM_READ);
  if (SUCCEEDED(result)) {
    result = initialise->QueryInterface(kThumbnailProviderId, reinterpret_cast<void**>(&provider));
  }
  HBITMAP bitmap = nullptr;
  WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
  if (SUCCEEDED(result)) result = provider->GetThumbnail(size, &bitmap, &alpha);
  if (provider) provider->Release();
  initialise->Release();
  if (FAILED(result)) {
    std::printf("GetThumbnail failed: 0x%08lx\n", static_cast<unsigned long>(result));
    return 1;
  }
  BITMAP shape = {};
  GetObjectW(bitmap, sizeof shape, &shape);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = shape.bmWidth;
  info.bmiHeader.biHeight = -shape.bmHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<unsigned char> bgra(static_cast<size_t>(shape.bmWidth) * shape.bmHeight * 4);
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(shape.bmHeight), bgra.data(),
                             &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  CoUninitialize();
  std::printf("%ldx%ld alpha %d\n", static_cast<long>(shape.bmWidth),
              static_cast<long>(shape.bmHeight), static_cast<int>(alpha));
  if (rows != shape.bmHeight || !writeTga(argv[2], shape.bmWidth, shape.bmHeight, bgra)) {
    std::printf("could not read or write the picture\n");
    return 1;
  }
  return 0;
}
