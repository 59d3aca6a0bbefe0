// Explorer's thumbnails of .3do files: a COM in-process server with one
// class, the thumbnail provider, registered by the installer under the
// file type's ShellEx key. Explorer initialises it with the file's path
// (IInitializeWithFile: the MAT files beside the model are found, so the
// thumbnail is the one vistrel-tool draws on Linux) and asks for a square
// picture (IThumbnailProvider).
//
// Nothing is drawn inside Explorer: the picture is made by
// "vistrel-tool.exe thumbnail MODEL OUT.png --size N" beside this DLL, a
// child process with no console window, held in a job object that ends it
// with its handle, bounded by the tool's own time and memory limits and
// killed here after kDrawingMilliseconds. At most kDrawingsAtOnce drawings
// run at once for the whole session (a named semaphore), so that a folder of
// many models does not start many. The PNG it writes is read back with
// stb_image (png_decoder.cpp; sizes checked before decoding), turned into a 32-bit top-down DIB
// section with straight alpha, and handed over as WTSAT_ARGB; the background stays transparent. A
// file that is not a model makes the tool fail, and the provider fails with it, quietly: no box, no
// message.
//
// COM objects here are plain records whose first member is the interface's
// table pointer, with free functions in the tables (the C form of the COM
// headers, CINTERFACE).
#define CINTERFACE
#define COBJMACROS
#include <windows.h>
// After windows.h: the COM and shell declarations.
#include <objbase.h>
#include <propsys.h>
#include <stb_image.h>
#include <thumbcache.h>

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

namespace {

// {2921C062-5867-4F3E-906D-505D43ADBAFF}: the provider's class, as the
// installer registers it.
const CLSID kProviderClass = {
    0x2921c062, 0x5867, 0x4f3e, {0x90, 0x6d, 0x50, 0x5d, 0x43, 0xad, 0xba, 0xff}};
const IID kThumbnailProviderId = {
    0xe357fccd, 0xa995, 0x4576, {0xb0, 0x1f, 0x23, 0x46, 0x30, 0x15, 0x4e, 0x96}};
const IID kInitializeWithFileId = {
    0xb7d14566, 0x0509, 0x4cce, {0xa7, 0x1f, 0x0a, 0x55, 0x42, 0x33, 0xbd, 0x9b}};

// The tool stops itself after 8 s of wall-clock time; this covers its start
// and its end on a busy machine.
constexpr DWORD kDrawingMilliseconds = 15000;
// Waiting for one of the drawing slots; after that the picture fails and
// Explorer asks again later.
constexpr DWORD kQueueMilliseconds = 10000;
constexpr LONG kDrawingsAtOnce = 2;
constexpr UINT kLargestSize = 1024;  // the tool's largest --size
constexpr DWORD kLargestPng = 16u << 20;

HMODULE gModule = nullptr;
volatile LONG gObjects = 0;  // live providers
volatile LONG gLocks = 0;    // IClassFactory::LockServer

// ---- The provider --------------------------------------------------------------
struct Provider {
  IThumbnailProvider thumbnail;  // first: a pointer to it is a pointer to the record
  IInitializeWithFile initialise;
  LONG references;
  wchar_t* path;  // the model, from Initialize; owned
};

Provider* fromThumbnail(IThumbnailProvider* self) {
  return reinterpret_cast<Provider*>(self);
}
Provider* fromInitialise(IInitializeWithFile* self) {
  return reinterpret_cast<Provider*>(reinterpret_cast<char*>(self) -
                                     offsetof(Provider, initialise));
}

HRESULT queryProvider(Provider* provider, REFIID id, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, kThumbnailProviderId)) {
    *out = &provider->thumbnail;
  } else if (IsEqualIID(id, kInitializeWithFileId)) {
    *out = &provider->initialise;
  } else {
    return E_NOINTERFACE;
  }
  InterlockedIncrement(&provider->references);
  return S_OK;
}

ULONG releaseProvider(Provider* provider) {
  const LONG left = InterlockedDecrement(&provider->references);
  if (left == 0) {
    delete[] provider->path;
    delete provider;
    InterlockedDecrement(&gObjects);
  }
  return static_cast<ULONG>(left);
}

// The folder of this DLL, where vistrel-tool.exe is installed beside it.
std::wstring moduleFolder() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(gModule, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      const std::wstring full(path.data(), length);
      const size_t separator = full.find_last_of(L"\\/");
      return separator == std::wstring::npos ? std::wstring() : full.substr(0, separator);
    }
    if (path.size() >= 32768) return std::wstring();
    path.resize(path.size() * 2);
  }
}

// Runs the tool for the model into the PNG out; true when it wrote it.
bool drawPicture(const wchar_t* model, const std::wstring& out, UINT size) {
  const std::wstring folder = moduleFolder();
  if (folder.empty()) return false;
  const std::wstring tool = folder + L"\\vistrel-tool.exe";
  std::wstring command = L"\"" + tool + L"\" thumbnail \"" + model + L"\" \"" + out +
                         L"\" --size " + std::to_wstring(size);
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    std::memset(&limits, 0, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  STARTUPINFOW startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  std::memset(&process, 0, sizeof process);
  const BOOL started =
      CreateProcessW(tool.c_str(), &command[0], nullptr, nullptr, FALSE,
                     CREATE_NO_WINDOW | CREATE_SUSPENDED | CREATE_DEFAULT_ERROR_MODE, nullptr,
                     folder.c_str(), &startup, &process);
  if (!started) {
    if (job) CloseHandle(job);
    return false;
  }
  if (job) AssignProcessToJobObject(job, process.hProcess);
  ResumeThread(process.hThread);
  DWORD exitCode = 1;
  if (WaitForSingleObject(process.hProcess, kDrawingMilliseconds) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &exitCode);
  } else {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 2000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (job) CloseHandle(job);  // ends anything the tool left running
  return exitCode == 0;
}

// The whole file, if it is no larger than kLargestPng.
bool readPicture(const std::wstring& path, std::vector<unsigned char>& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool read = GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= kLargestPng;
  if (read) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD done = 0;
    read = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
           done == bytes.size();
  }
  CloseHandle(file);
  return read;
}

// The PNG as a top-down 32-bit DIB section, straight alpha, BGRA.
HBITMAP toBitmap(const std::vector<unsigned char>& png, UINT size) {
  int width = 0;
  int height = 0;
  int channels = 0;
  if (!stbi_info_from_memory(png.data(), static_cast<int>(png.size()), &width, &height,
                             &channels) ||
      width <= 0 || height <= 0 || static_cast<UINT>(width) > size ||
      static_cast<UINT>(height) > size) {
    return nullptr;
  }
  stbi_uc* rgba = stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &width, &height,
                                        &channels, 4);
  if (!rgba) return nullptr;
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    auto* out = static_cast<unsigned char*>(bits);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) {
      out[4 * i + 0] = rgba[4 * i + 2];
      out[4 * i + 1] = rgba[4 * i + 1];
      out[4 * i + 2] = rgba[4 * i + 0];
      out[4 * i + 3] = rgba[4 * i + 3];
    }
  }
  stbi_image_free(rgba);
  return bitmap;
}

HRESULT makeThumbnail(Provider* provider, UINT requested, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) {
  if (!bitmap || !alpha) return E_POINTER;
  *bitmap = nullptr;
  *alpha = WTSAT_UNKNOWN;
  if (!provider->path) return E_UNEXPECTED;
  if (requested == 0) return E_INVALIDARG;
  const UINT size = requested < kLargestSize ? requested : kLargestSize;

  HANDLE slots = CreateSemaphoreW(nullptr, kDrawingsAtOnce, kDrawingsAtOnce,
                                  L"Local\\VistrelThumbnailDrawings");
  if (!slots) return E_FAIL;
  if (WaitForSingleObject(slots, kQueueMilliseconds) != WAIT_OBJECT_0) {
    CloseHandle(slots);
    return E_PENDING;
  }
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  static volatile LONG counter = 0;
  const std::wstring out =
      (length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : std::wstring(L".\\")) +
      L"vistrel-thumbnail-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
      std::to_wstring(InterlockedIncrement(&counter)) + L".png";
  std::vector<unsigned char> png;
  const bool drawn = drawPicture(provider->path, out, size) && readPicture(out, png);
  DeleteFileW(out.c_str());
  ReleaseSemaphore(slots, 1, nullptr);
  CloseHandle(slots);
  if (!drawn) return E_FAIL;
  *bitmap = toBitmap(png, size);
  if (!*bitmap) return E_FAIL;
  *alpha = WTSAT_ARGB;
  return S_OK;
}

// IThumbnailProvider
HRESULT STDMETHODCALLTYPE thumbnailQuery(IThumbnailProvider* self, REFIID id, void** out) {
  return queryProvider(fromThumbnail(self), id, out);
}
ULONG STDMETHODCALLTYPE thumbnailAddRef(IThumbnailProvider* self) {
  return static_cast<ULONG>(InterlockedIncrement(&fromThumbnail(self)->references));
}
ULONG STDMETHODCALLTYPE thumbnailRelease(IThumbnailProvider* self) {
  return releaseProvider(fromThumbnail(self));
}
HRESULT STDMETHODCALLTYPE getThumbnail(IThumbnailProvider* self, UINT size, HBITMAP* bitmap,
                                       WTS_ALPHATYPE* alpha) {
  try {
    return makeThumbnail(fromThumbnail(self), size, bitmap, alpha);
  } catch (...) {  // nothing may leave a COM call
    return E_OUTOFMEMORY;
  }
}
IThumbnailProviderVtbl kThumbnailTable = {thumbnailQuery, thumbnailAddRef, thumbnailRelease,
                                          getThumbnail};

// IInitializeWithFile
HRESULT STDMETHODCALLTYPE initialiseQuery(IInitializeWithFile* self, REFIID id, void** out) {
  return queryProvider(fromInitialise(self), id, out);
}
ULONG STDMETHODCALLTYPE initialiseAddRef(IInitializeWithFile* self) {
  return static_cast<ULONG>(InterlockedIncrement(&fromInitialise(self)->references));
}
ULONG STDMETHODCALLTYPE initialiseRelease(IInitializeWithFile* self) {
  return releaseProvider(fromInitialise(self));
}
HRESULT STDMETHODCALLTYPE initialise(IInitializeWithFile* self, LPCWSTR path, DWORD) {
  Provider* provider = fromInitialise(self);
  if (!path) return E_INVALIDARG;
  if (provider->path) return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
  const size_t length = std::wcslen(path);
  if (length == 0 || length >= 32768) return E_INVALIDARG;
  provider->path = new (std::nothrow) wchar_t[length + 1];
  if (!provider->path) return E_OUTOFMEMORY;
  std::wmemcpy(provider->path, path, length + 1);
  return S_OK;
}
IInitializeWithFileVtbl kInitialiseTable = {initialiseQuery, initialiseAddRef, initialiseRelease,
                                            initialise};

// ---- The class factory ----------------------------------------------------------
HRESULT STDMETHODCALLTYPE factoryQuery(IClassFactory* self, REFIID id, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualIID(id, IID_IUnknown) && !IsEqualIID(id, IID_IClassFactory)) return E_NOINTERFACE;
  *out = self;
  return S_OK;
}
ULONG STDMETHODCALLTYPE factoryAddRef(IClassFactory*) {
  return 2;  // a static object
}
ULONG STDMETHODCALLTYPE factoryRelease(IClassFactory*) {
  return 1;
}
HRESULT STDMETHODCALLTYPE createProvider(IClassFactory*, IUnknown* outer, REFIID id, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  Provider* provider = new (std::nothrow) Provider;
  if (!provider) return E_OUTOFMEMORY;
  provider->thumbnail.lpVtbl = &kThumbnailTable;
  provider->initialise.lpVtbl = &kInitialiseTable;
  provider->references = 1;
  provider->path = nullptr;
  InterlockedIncrement(&gObjects);
  const HRESULT result = queryProvider(provider, id, out);
  releaseProvider(provider);  // the query's reference is the caller's
  return result;
}
HRESULT STDMETHODCALLTYPE lockServer(IClassFactory*, BOOL lock) {
  if (lock) {
    InterlockedIncrement(&gLocks);
  } else {
    InterlockedDecrement(&gLocks);
  }
  return S_OK;
}
IClassFactoryVtbl kFactoryTable = {factoryQuery, factoryAddRef, factoryRelease, createProvider,
                                   lockServer};
IClassFactory gFactory = {&kFactoryTable};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    gModule = module;
    DisableThreadLibraryCalls(module);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID id, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(classId, kProviderClass)) return CLASS_E_CLASSNOTAVAILABLE;
  return factoryQuery(&gFactory, id, out);
}

STDAPI DllCanUnloadNow() {
  return gObjects == 0 && gLocks == 0 ? S_OK : S_FALSE;
}
