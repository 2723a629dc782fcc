#pragma once

#include <string>

#include "host/records.h"

namespace ambrel::tags {

// Each writes (or leaves) its own field of the record and returns whether that
// field counts toward the request's success. They may change `value`.
// All three throw std::bad_alloc only.
bool parse_bit_rate(std::u16string& value, host::music_info& record);
bool parse_sample_rate(std::u16string& value, host::music_info& record);
bool parse_length(std::u16string& value, host::music_info& record);

}  // namespace ambrel::tags
