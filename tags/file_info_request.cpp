#include "tags/file_info_request.h"

#include "tags/com_handles.h"
#include "tags/tag_reader.h"
#include "tags/tag_text.h"

namespace ambrel::tags {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

bool serve_file_info(const wchar_t* path, host::music_info* record) {
  if (record == nullptr || path == nullptr || record->kind != host::music_information_kind) {
    return false;
  }
  const unique_bstr path_string{SysAllocString(path)};
  if (!path_string) {
    return false;
  }
  unique_bstr text;
  if (!read_tag_text(path_string.get(), text) || !text) {
    return false;
  }
  // The reader is released by now; the text is read up to its first zero.
  return apply_tag_text(reinterpret_cast<const char16_t*>(text.get()), *record);
}

}  // namespace ambrel::tags
