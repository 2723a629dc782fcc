#pragma once

namespace ambrel::text {

// Above U+00FF the platform's wide-character data decide.
bool is_wide_white_space(char16_t c) noexcept;

// Below U+0100 the set is fixed so every platform splits tag text alike;
// above it the platform's wide-character data decide. Inline: the tokenizer
// asks for every code unit of a text.
inline bool is_white_space(char16_t c) noexcept {
  if (c < 0x100) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0;
  }
  return is_wide_white_space(c);
}

// Membership in a zero-terminated character set; a null set is empty and
// the terminator is never a member.
inline bool is_member(char16_t c, const char16_t* set) noexcept {
  if (set == nullptr || c == 0) {
    return false;
  }
  for (; *set != 0; ++set) {
    if (*set == c) {
      return true;
    }
  }
  return false;
}

}  // namespace ambrel::text
