#pragma once

#include "host/records.h"

namespace ambrel::host {

// DVP_IdentifyW.
bool identify(plugin_info* info);

// DVP_IdentifyFileW: accepts every file while the plugin state exists.
bool identify_file(file_identification* record) noexcept;

}  // namespace ambrel::host
