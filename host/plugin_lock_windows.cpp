#include <windows.h>

#include <new>

#include "host/plugin_lock.h"

namespace ambrel::host {
namespace {

static_assert(sizeof(CRITICAL_SECTION) <= plugin_lock::native_size);
static_assert(alignof(CRITICAL_SECTION) <= plugin_lock::native_alignment);

CRITICAL_SECTION* section(std::byte* native) noexcept {
  return std::launder(reinterpret_cast<CRITICAL_SECTION*>(native));
}

}  // namespace

plugin_lock::plugin_lock() noexcept {
  InitializeCriticalSection(::new (native_) CRITICAL_SECTION);
}

plugin_lock::~plugin_lock() { DeleteCriticalSection(section(native_)); }

void plugin_lock::enter() noexcept { EnterCriticalSection(section(native_)); }

void plugin_lock::leave() noexcept { LeaveCriticalSection(section(native_)); }

}  // namespace ambrel::host
