#pragma once

#include "host/records.h"

namespace ambrel::tags {

// DVP_GetFileInfoFileW: asks the tag reader for the file's tag text and maps
// it onto the record. Windows only.
bool serve_file_info(const wchar_t* path, host::music_info* record);

}  // namespace ambrel::tags
