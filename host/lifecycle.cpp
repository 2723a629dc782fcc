#include "host/lifecycle.h"

#include <new>

namespace ambrel::host {
namespace {

plugin_state* create_on_heap(void* module, std::uint64_t host_version) noexcept {
  return new (std::nothrow) plugin_state{module, host_version};
}

void destroy_on_heap(plugin_state* state) noexcept { delete state; }

constexpr plugin_state_source heap_plugin_states{create_on_heap, destroy_on_heap};

}  // namespace

std::uint64_t host_version_of(const init_data& data) noexcept {
  return (std::uint64_t{data.version_high} << 32) | data.version_low;
}

void plugin_lifecycle::attach(void* module) noexcept {
  lock_.emplace();
  module_ = module;
}

void plugin_lifecycle::detach() noexcept { lock_.reset(); }

bool plugin_lifecycle::init_ex(const init_data* data) noexcept {
  // Without a record (or outside attach and detach) the call is as if never made.
  if (data == nullptr || !lock_) {
    return false;
  }
  const plugin_lock_hold hold(*lock_);
  if (count_++ > 0) {
    return true;
  }
  const std::uint64_t host_version = host_version_of(*data);
  plugin_state* const state = states_.create(module_, host_version);
  if (state == nullptr) {
    --count_;
    return false;
  }
  // Stored before the check: a concurrent existence test may see a state
  // that this call then destroys.
  state_.store(state, std::memory_order_release);
  if (host_version >= minimum_host_version) {
    return true;
  }
  uninit();
  return false;
}

void plugin_lifecycle::uninit() noexcept {
  if (!lock_) {
    return;
  }
  const plugin_lock_hold hold(*lock_);
  if (count_ == 0 || --count_ > 0) {
    return;
  }
  if (plugin_state* const state = state_.exchange(nullptr, std::memory_order_acq_rel)) {
    states_.destroy(state);
  }
}

std::int32_t plugin_lifecycle::count() noexcept {
  if (!lock_) {
    return count_;
  }
  const plugin_lock_hold hold(*lock_);
  return count_;
}

namespace {
constinit plugin_lifecycle module_lifecycle{heap_plugin_states};
}

void on_process_attach(void* module) noexcept { module_lifecycle.attach(module); }
void on_process_detach() noexcept { module_lifecycle.detach(); }
void* module_handle() noexcept { return module_lifecycle.module_handle(); }
bool init_ex(const init_data* data) noexcept { return module_lifecycle.init_ex(data); }
void uninit() noexcept { module_lifecycle.uninit(); }
bool plugin_state_exists() noexcept { return module_lifecycle.state_exists(); }

}  // namespace ambrel::host
