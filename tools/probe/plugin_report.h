#pragma once

#include <string>

#include "tools/probe/plugin_module.h"

namespace ambrel::probe {

// Calls DVP_IdentifyW with generous buffers and describes what it reported.
std::wstring identify_plugin(const plugin_exports& plugin);

}  // namespace ambrel::probe
