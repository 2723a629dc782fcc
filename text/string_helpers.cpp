#include "text/string_helpers.h"

#include "text/char_class.h"

namespace ambrel::text {
namespace {

bool is_high_surrogate(char16_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

std::u16string_view trimmed_view(std::u16string_view source, const char16_t* trim_set, bool trim_front,
                                 bool trim_back) noexcept {
  std::size_t start = 0;
  std::size_t end = source.size();
  if (trim_front) {
    while (start < end && is_member(source[start], trim_set)) {
      ++start;
    }
  }
  if (trim_back) {
    while (end > start && is_member(source[end - 1], trim_set)) {
      --end;
    }
  }
  return std::u16string_view(source.data() + start, end - start);
}

std::u16string extract_trimmed(std::u16string_view source, const char16_t* trim_set,
                               bool trim_front, bool trim_back) {
  return std::u16string(trimmed_view(source, trim_set, trim_front, trim_back));
}

bool starts_with(const char16_t* text, const char16_t* prefix) noexcept {
  for (; *prefix != 0; ++text, ++prefix) {
    if (*text != *prefix) {
      return false;  // also stops at the terminator of a shorter text
    }
  }
  return true;
}

void copy_bounded(char16_t* buffer, const char16_t* source, std::uint32_t capacity) noexcept {
  if (buffer == nullptr || capacity == 0) {
    return;
  }
  std::uint32_t count = 0;
  while (count < capacity - 1 && source[count] != 0) {
    ++count;
  }
  // The host must never receive half a surrogate pair.
  if (source[count] != 0 && count > 0 && is_high_surrogate(source[count - 1])) {
    --count;
  }
  std::char_traits<char16_t>::copy(buffer, source, count);
  buffer[count] = 0;
}

}  // namespace ambrel::text
