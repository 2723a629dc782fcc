#include "host/lifecycle.h"

namespace ambrel::host {

// Placeholder until the lifecycle lands: the module is never initialised.
namespace {
void* module = nullptr;
}

void on_process_attach(void* handle) noexcept { module = handle; }
void on_process_detach() noexcept {}
void* module_handle() noexcept { return module; }
bool init_ex(const init_data*) { return false; }
void uninit() noexcept {}
bool plugin_state_exists() noexcept { return false; }

}  // namespace ambrel::host
