#pragma once

// The Windows edge of identification: version words, texts and icon read from
// the version block of the module's own file, at every call.
#include <cstdint>

#include "host/records.h"

namespace ambrel::host {

// One language/code-page pair of the translation list, as stored.
struct translation {
  std::uint16_t language;
  std::uint16_t code_page;
};

// The version data of one file, as the file-version service returns it.
struct version_data_view {
  const void* block;
  std::uint32_t size;
};

// Fills the version words, the four text buffers and the icon of `info`
// (capacities are only read). False when the module file has no usable
// version block, its FileVersion is not four numbers or a text step fails.
bool read_version_info(void* module, int icon_id, plugin_info* info);

// FileVersion-style "a, b, c, d": *high = (a << 16) + b, *low = (c << 16) + d.
bool read_version_number(std::uint32_t* high, std::uint32_t* low, const char16_t* key,
                         translation pair, version_data_view data);

// Null buffer: true without a lookup. Capacity 2 or less, or a missing key: false.
bool read_version_string(char16_t* buffer, std::uint32_t capacity, const char16_t* key,
                         translation pair, version_data_view data);

}  // namespace ambrel::host
