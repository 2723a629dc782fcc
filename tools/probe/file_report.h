#pragma once

#include <string>

#include "tools/probe/plugin_module.h"

namespace ambrel::probe {

// DVP_IdentifyFileW and DVP_GetFileInfoFileW for one file, described: whether
// the file is accepted, every music field that was set, and the result.
std::wstring probe_file(const plugin_exports& plugin, const std::wstring& path);

}  // namespace ambrel::probe
