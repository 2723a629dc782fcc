#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "host/plugin_lock.h"
#include "host/records.h"

namespace ambrel::host {

// Host versions pack major, minor, build and revision, 16 bits each, major
// first, so one unsigned comparison orders them.
inline constexpr std::uint64_t minimum_host_version = 0x0009'0001'0003'0000;

std::uint64_t host_version_of(const init_data& data) noexcept;

// Exists from the first successful DVP_InitEx to the DVP_Uninit that
// balances the last one.
struct plugin_state {
  void* module;
  std::uint64_t host_version;
};

// Where plugin states come from and go to: the heap in the module; tests
// count them and make their creation fail. create returns nullptr when it
// runs out of memory.
struct plugin_state_source {
  plugin_state* (*create)(void* module, std::uint64_t host_version) noexcept;
  void (*destroy)(plugin_state* state) noexcept;
};

// The plugin-wide values: module handle, plugin lock, initialisation count
// and plugin state. The count and the state change only under the lock.
class plugin_lifecycle {
 public:
  constexpr explicit plugin_lifecycle(const plugin_state_source& states) noexcept
      : states_(states) {}
  plugin_lifecycle(const plugin_lifecycle&) = delete;
  plugin_lifecycle& operator=(const plugin_lifecycle&) = delete;

  // Process attach and detach. Detach leaves the count and the state as
  // they are: a state the host never balanced stays.
  void attach(void* module) noexcept;
  void detach() noexcept;

  void* module_handle() const noexcept { return module_; }

  bool init_ex(const init_data* data) noexcept;
  void uninit() noexcept;

  // One indivisible read, without the lock.
  bool state_exists() const noexcept { return state_.load(std::memory_order_acquire) != nullptr; }

  std::int32_t count() noexcept;

 private:
  const plugin_state_source& states_;
  void* module_ = nullptr;
  std::optional<plugin_lock> lock_;
  std::int32_t count_ = 0;
  std::atomic<plugin_state*> state_{nullptr};
};

// The module's own lifecycle, used by DllMain and the exports.
void on_process_attach(void* module) noexcept;
void on_process_detach() noexcept;

void* module_handle() noexcept;

bool init_ex(const init_data* data) noexcept;
void uninit() noexcept;

bool plugin_state_exists() noexcept;

}  // namespace ambrel::host
