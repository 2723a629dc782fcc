#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host/records.h"

namespace ambrel::tags {

// Acts on one line's trimmed value; returns whether the field counts toward
// the request's success.
using key_action = bool (*)(std::u16string& value, host::music_info& record);

struct key_entry {
  std::u16string_view key;
  key_action act;
};

// No key of the table is longer; upper-casing never changes a length, so a
// longer key matches nothing.
inline constexpr std::size_t longest_key = 16;

// The entry for an upper-cased key, or null. TEMPO exists only in records
// large enough to hold the tempo field.
const key_entry* find_key(std::u16string_view upper_key, const host::music_info& record) noexcept;

}  // namespace ambrel::tags
