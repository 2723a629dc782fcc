#pragma once

#include <cstddef>

namespace ambrel::host {

// The recursive lock that serialises DVP_InitEx and DVP_Uninit: a critical
// section in the module, a recursive mutex in native builds. The thread that
// holds it may take it again.
class plugin_lock {
 public:
  plugin_lock() noexcept;
  ~plugin_lock();
  plugin_lock(const plugin_lock&) = delete;
  plugin_lock& operator=(const plugin_lock&) = delete;

  void enter() noexcept;
  void leave() noexcept;

  // Room for the platform's lock object, so this header needs no system one.
  static constexpr std::size_t native_size = 64;
  static constexpr std::size_t native_alignment = 8;

 private:
  alignas(native_alignment) std::byte native_[native_size];
};

class plugin_lock_hold {
 public:
  explicit plugin_lock_hold(plugin_lock& lock) noexcept : lock_(lock) { lock_.enter(); }
  ~plugin_lock_hold() { lock_.leave(); }
  plugin_lock_hold(const plugin_lock_hold&) = delete;
  plugin_lock_hold& operator=(const plugin_lock_hold&) = delete;

 private:
  plugin_lock& lock_;
};

}  // namespace ambrel::host
