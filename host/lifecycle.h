#pragma once

#include "host/records.h"

namespace ambrel::host {

// Process attach and detach: the plugin lock and the module handle.
void on_process_attach(void* module) noexcept;
void on_process_detach() noexcept;

void* module_handle() noexcept;

// DVP_InitEx and DVP_Uninit, counted under the plugin lock.
bool init_ex(const init_data* data);
void uninit() noexcept;

// One indivisible read, without the lock.
bool plugin_state_exists() noexcept;

}  // namespace ambrel::host
