#pragma once

#include "host/records.h"

namespace ambrel::host {

// DVP_IdentifyW: fixed values, extension list and identity, then version,
// texts and icon from the module file's version block. The record must be at
// least sizeof(plugin_info) bytes.
bool identify(plugin_info* info);

// DVP_IdentifyFileW: accepts every file while the plugin state exists.
bool identify_file(file_identification* record) noexcept;

}  // namespace ambrel::host
