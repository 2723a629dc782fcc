// Stand-in for the converter's tag reader: an in-process COM server for the
// reader's class, serving tag text from sidecar files or from a text a test
// sets, and misbehaving on request. Never part of AmbrelTags.dll.
#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <atomic>
#include <cstddef>
#include <new>
#include <string>
#include <vector>

#include "tools/standin_reader/standin_control.h"

namespace {

// {1C2E0932-61B5-4EAB-A832-06EE6564047D}
constexpr CLSID reader_class = {0x1C2E0932, 0x61B5, 0x4EAB, {0xA8, 0x32, 0x06, 0xEE, 0x65, 0x64, 0x04, 0x7D}};
// {0AF59AC7-A0A3-4DAD-A040-95A935F1DE04}
constexpr IID reader_interface = {0x0AF59AC7, 0xA0A3, 0x4DAD, {0xA0, 0x40, 0x95, 0xA9, 0x35, 0xF1, 0xDE, 0x04}};
constexpr wchar_t class_key[] = L"CLSID\\{1C2E0932-61B5-4EAB-A832-06EE6564047D}";

HMODULE self_module = nullptr;
std::atomic<int> behaviour{standin_normal};
std::atomic<long> live_readers{0};
std::atomic<long> created_readers{0};
std::atomic<long> tag_text_calls{0};

SRWLOCK override_lock = SRWLOCK_INIT;
bool has_override = false;
std::wstring override_text;

struct reader;

struct reader_vtable {
  HRESULT(STDMETHODCALLTYPE* query_interface)(reader*, REFIID, void**);
  ULONG(STDMETHODCALLTYPE* add_ref)(reader*);
  ULONG(STDMETHODCALLTYPE* release)(reader*);
  HRESULT(STDMETHODCALLTYPE* not_implemented[26])(reader*);
  HRESULT(STDMETHODCALLTYPE* tag_text)(reader*, BSTR, BSTR*);
};
static_assert(offsetof(reader_vtable, tag_text) == 29 * sizeof(void*));

struct reader {
  const reader_vtable* vtable;
  std::atomic<ULONG> references;
};

HRESULT STDMETHODCALLTYPE reader_query_interface(reader* self, REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, reader_interface)) {
    ++self->references;
    *out = self;
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE reader_add_ref(reader* self) { return ++self->references; }

ULONG STDMETHODCALLTYPE reader_release(reader* self) {
  const ULONG left = --self->references;
  if (left == 0) {
    delete self;
    --live_readers;
  }
  return left;
}

HRESULT STDMETHODCALLTYPE reader_not_implemented(reader*) { return E_NOTIMPL; }

HRESULT read_sidecar(const wchar_t* path, BSTR* text) {
  std::wstring sidecar = path;
  sidecar += STANDIN_SIDECAR_SUFFIX;
  HANDLE file = CreateFileW(sidecar.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got != 0) {
    bytes.append(chunk, got);
  }
  CloseHandle(file);
  std::size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  const int byte_count = static_cast<int>(bytes.size() - start);
  if (byte_count == 0) {
    *text = SysAllocStringLen(L"", 0);
    return *text != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, byte_count, nullptr, 0);
  std::vector<wchar_t> wide(static_cast<std::size_t>(length));
  MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, byte_count, wide.data(), length);
  *text = SysAllocStringLen(wide.data(), static_cast<UINT>(length));
  return *text != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE reader_tag_text(reader*, BSTR path, BSTR* text) {
  ++tag_text_calls;
  if (text == nullptr) {
    return E_POINTER;
  }
  switch (behaviour.load()) {
    case standin_fail_s_false:
      *text = SysAllocString(L"Artist: Left behind by a failed call");
      return S_FALSE;
    case standin_fail_e_fail:
      *text = SysAllocString(L"Artist: Left behind by a failed call");
      return E_FAIL;
    case standin_null_text:
      *text = nullptr;
      return S_OK;
    default:
      break;
  }
  AcquireSRWLockShared(&override_lock);
  if (has_override) {
    *text = SysAllocStringLen(override_text.data(), static_cast<UINT>(override_text.size()));
    ReleaseSRWLockShared(&override_lock);
    return *text != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  ReleaseSRWLockShared(&override_lock);
  if (path == nullptr) {
    return E_INVALIDARG;
  }
  try {
    return read_sidecar(path, text);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

reader_vtable make_vtable() {
  reader_vtable table{};
  table.query_interface = reader_query_interface;
  table.add_ref = reader_add_ref;
  table.release = reader_release;
  for (auto& entry : table.not_implemented) {
    entry = reader_not_implemented;
  }
  table.tag_text = reader_tag_text;
  return table;
}
const reader_vtable vtable = make_vtable();

class factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) {
      return E_POINTER;
    }
    *out = nullptr;
    if (outer != nullptr) {
      return CLASS_E_NOAGGREGATION;
    }
    switch (behaviour.load()) {
      case standin_refuse_creation:
        return E_ACCESSDENIED;
      case standin_null_interface:
        return S_OK;
      default:
        break;
    }
    auto* object = new (std::nothrow) reader{&vtable, {1}};
    if (object == nullptr) {
      return E_OUTOFMEMORY;
    }
    ++live_readers;
    ++created_readers;
    const HRESULT result = reader_query_interface(object, iid, out);
    reader_release(object);
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};
factory class_factory;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    self_module = module;
  }
  return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!IsEqualCLSID(clsid, reader_class)) {
    if (out != nullptr) {
      *out = nullptr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  return class_factory.QueryInterface(iid, out);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return live_readers.load() == 0 ? S_OK : S_FALSE; }

// Registered as an installed converter registers its reader: usable from
// threads of either apartment kind.
HRESULT STDAPICALLTYPE DllRegisterServer() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(self_module, path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) {
    return SELFREG_E_CLASS;
  }
  std::wstring key = class_key;
  key += L"\\InprocServer32";
  HKEY server = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &server, nullptr) !=
      ERROR_SUCCESS) {
    return SELFREG_E_CLASS;
  }
  constexpr wchar_t model[] = L"Both";
  const bool written =
      RegSetValueExW(server, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                     (length + 1) * sizeof(wchar_t)) == ERROR_SUCCESS &&
      RegSetValueExW(server, L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(model), sizeof model) ==
          ERROR_SUCCESS;
  RegCloseKey(server);
  return written ? S_OK : SELFREG_E_CLASS;
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
  const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, class_key);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}

void __cdecl StandIn_SetBehaviour(int value) { behaviour.store(value); }

void __cdecl StandIn_SetText(const wchar_t* text, int length) {
  AcquireSRWLockExclusive(&override_lock);
  has_override = text != nullptr;
  try {
    override_text.assign(text != nullptr ? text : L"", text != nullptr ? static_cast<std::size_t>(length) : 0);
  } catch (...) {
    has_override = false;
  }
  ReleaseSRWLockExclusive(&override_lock);
}

long __cdecl StandIn_LiveReaders() { return live_readers.load(); }

long __cdecl StandIn_Created() { return created_readers.load(); }

long __cdecl StandIn_Calls() { return tag_text_calls.load(); }

}  // extern "C"
