#pragma once

#include "host/records.h"

namespace ambrel::tags {

// Maps a tag text (read up to its first zero) onto the record, line by line.
// Returns true when at least one counted field was set. Throws std::bad_alloc
// only; the record may then hold what earlier lines wrote.
bool apply_tag_text(const char16_t* text, host::music_info& record);

}  // namespace ambrel::tags
