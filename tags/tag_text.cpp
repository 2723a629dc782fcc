#include "tags/tag_text.h"

#include <string>
#include <string_view>

#include "tags/key_table.h"
#include "text/string_helpers.h"
#include "text/tokenizer.h"
#include "text/user_locale.h"

namespace ambrel::tags {
namespace {

// A line reads KEY: VALUE; the first colon separates them.
bool apply_line(std::u16string_view line, host::music_info& record) {
  const std::size_t colon = line.find(u':');
  if (colon == std::u16string_view::npos) {
    return false;
  }
  std::u16string key = text::extract_trimmed(line.substr(0, colon), text::line_trim_set, true, true);
  if (key.empty()) {
    return false;
  }
  std::u16string value = text::extract_trimmed(line.substr(colon + 1), text::line_trim_set, true, true);
  if (value.empty()) {
    return false;
  }
  text::to_upper_user(key);
  const key_entry* entry = find_key(key, record);
  return entry != nullptr && entry->act(value, record);
}

}  // namespace

bool apply_tag_text(const char16_t* text, host::music_info& record) {
  if (text == nullptr || *text == 0) {
    return false;
  }
  bool counted = false;
  text::for_each_token(text, text::line_rules,
                       [&](std::u16string_view line) { counted |= apply_line(line, record); });
  return counted;
}

}  // namespace ambrel::tags
