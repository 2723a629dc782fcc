#include "tools/probe/plugin_module.h"

#include <objbase.h>

#include <memory>

namespace ambrel::probe {
namespace {

struct local_free {
  void operator()(wchar_t* text) const noexcept { LocalFree(text); }
};

template <class Function>
bool resolve(HMODULE module, const char* name, Function& function, std::wstring& error) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (function == nullptr) {
    error = L"has no export " + std::wstring(name, name + std::char_traits<char>::length(name)) + L": " +
            system_message(GetLastError());
    return false;
  }
  return true;
}

}  // namespace

plugin_module::~plugin_module() {
  if (module_ != nullptr) {
    FreeLibrary(module_);
  }
}

bool plugin_module::load(const std::wstring& path, std::wstring& error) {
  module_ = LoadLibraryW(path.c_str());
  if (module_ == nullptr) {
    error = L"cannot load plugin '" + path + L"': " + system_message(GetLastError());
    return false;
  }
  std::wstring missing;
  plugin_exports& e = exports_;
  if (!resolve(module_, "DVP_Init", e.init, missing) || !resolve(module_, "DVP_InitEx", e.init_ex, missing) ||
      !resolve(module_, "DVP_Uninit", e.uninit, missing) || !resolve(module_, "DVP_USBSafe", e.usb_safe, missing) ||
      !resolve(module_, "DVP_IdentifyW", e.identify, missing) ||
      !resolve(module_, "DVP_IdentifyFileW", e.identify_file, missing) ||
      !resolve(module_, "DVP_GetFileInfoFileW", e.get_file_info, missing)) {
    error = L"plugin '" + path + L"' " + missing;
    return false;
  }
  return true;
}

plugin_initialisation::plugin_initialisation(const plugin_exports& plugin,
                                             const std::array<std::uint16_t, 4>& host_version)
    : plugin_(plugin) {
  host::init_data data{};
  data.size = sizeof data;
  data.version_high = static_cast<std::uint32_t>(host_version[0]) << 16 | host_version[1];
  data.version_low = static_cast<std::uint32_t>(host_version[2]) << 16 | host_version[3];
  accepted_ = plugin_.init_ex(&data) != 0;
}

plugin_initialisation::~plugin_initialisation() {
  if (accepted_) {
    plugin_.uninit();
  }
}

com_apartment::com_apartment() noexcept : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}

com_apartment::~com_apartment() {
  if (SUCCEEDED(result_)) {
    CoUninitialize();
  }
}

std::wstring default_plugin_path() {
  wchar_t program[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
  if (length != 0 && length < MAX_PATH) {
    std::wstring beside(program, length);
    beside.erase(beside.find_last_of(L"\\/") + 1);
    beside += L"AmbrelTags.dll";
    if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES) {
      return beside;
    }
  }
  return AMBREL_BUILT_MODULE;
}

std::wstring system_message(DWORD code) {
  wchar_t* allocated = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&allocated), 0, nullptr);
  const std::unique_ptr<wchar_t, local_free> text(allocated);
  std::wstring message;
  if (length != 0 && text) {
    message.assign(text.get(), length);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' ||
                                message.back() == L'.')) {
      message.pop_back();
    }
  }
  if (message.empty()) {
    message = L"system error";
  }
  return message + L" (error " + std::to_wstring(code) + L")";
}

}  // namespace ambrel::probe
