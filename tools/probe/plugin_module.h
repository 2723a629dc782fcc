#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "host/records.h"

namespace ambrel::probe {

// The seven exports of a viewer plugin, as the host calls them.
struct plugin_exports {
  int(__cdecl* init)() = nullptr;
  int(__cdecl* init_ex)(const host::init_data* data) = nullptr;
  void(__cdecl* uninit)() = nullptr;
  int(__cdecl* usb_safe)(void* data) = nullptr;
  int(__cdecl* identify)(host::plugin_info* info) = nullptr;
  int(__cdecl* identify_file)(void* window, const wchar_t* name, host::file_identification* record,
                              void* abort_event) = nullptr;
  int(__cdecl* get_file_info)(void* window, const wchar_t* path, void* file, host::music_info* record) = nullptr;
};

// A plugin DLL loaded with all seven exports resolved; freed on destruction.
class plugin_module {
 public:
  plugin_module() = default;
  ~plugin_module();
  plugin_module(const plugin_module&) = delete;
  plugin_module& operator=(const plugin_module&) = delete;

  // False with the reason in `error` when the DLL or an export can't be loaded.
  bool load(const std::wstring& path, std::wstring& error);
  const plugin_exports& exports() const noexcept { return exports_; }

 private:
  HMODULE module_ = nullptr;
  plugin_exports exports_;
};

// DVP_InitEx with the given host version; the balancing DVP_Uninit on
// destruction when the plugin accepted the host.
class plugin_initialisation {
 public:
  plugin_initialisation(const plugin_exports& plugin, const std::array<std::uint16_t, 4>& host_version);
  ~plugin_initialisation();
  plugin_initialisation(const plugin_initialisation&) = delete;
  plugin_initialisation& operator=(const plugin_initialisation&) = delete;

  bool accepted() const noexcept { return accepted_; }

 private:
  const plugin_exports& plugin_;
  bool accepted_ = false;
};

// COM on the calling thread, apartment-threaded as on the host's threads.
class com_apartment {
 public:
  com_apartment() noexcept;
  ~com_apartment();
  com_apartment(const com_apartment&) = delete;
  com_apartment& operator=(const com_apartment&) = delete;

  HRESULT result() const noexcept { return result_; }

 private:
  HRESULT result_;
};

// AmbrelTags.dll beside this program, else the module of its build tree.
std::wstring default_plugin_path();

// The system's text for an error code, with the code.
std::wstring system_message(DWORD code);

}  // namespace ambrel::probe
