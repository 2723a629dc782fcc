#include "tags/tag_text.h"

#include <algorithm>
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
  const std::u16string_view key = text::trimmed_view(line.substr(0, colon), text::line_trim_set, true, true);
  const std::u16string_view value = text::trimmed_view(line.substr(colon + 1), text::line_trim_set, true, true);
  if (key.empty() || value.empty() || key.size() > longest_key) {
    return false;
  }
  // The key is upper-cased in a copy of its own, which needs no more room.
  char16_t upper_key[longest_key];
  std::copy_n(key.data(), key.size(), upper_key);
  text::to_upper_user(upper_key, key.size());
  const key_entry* entry = find_key(std::u16string_view(upper_key, key.size()), record);
  if (entry == nullptr) {
    return false;
  }
  // Actions may change their value, so it gets a string of its own.
  std::u16string own_value(value);
  return entry->act(own_value, record);
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
