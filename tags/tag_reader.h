#pragma once

#include "tags/com_handles.h"

namespace ambrel::tags {

// Creates the converter's tag reader, asks it once for the tag text of `path`
// and releases it. True only when the method returned exactly S_OK; `text`
// receives whatever the method left, which the caller frees either way.
bool read_tag_text(BSTR path, unique_bstr& text) noexcept;

}  // namespace ambrel::tags
