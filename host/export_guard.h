#pragma once

#include <utility>

namespace ambrel::host {

// No exception may cross into the host: any failure is the host's 0.
template <class Core>
int guarded(Core&& core) noexcept {
  try {
    return std::forward<Core>(core)() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace ambrel::host
