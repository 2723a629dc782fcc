#include "text/char_class.h"

#include <cwctype>

namespace ambrel::text {

bool is_white_space(char16_t c) noexcept {
  if (c < 0x100) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0;
  }
  return std::iswspace(static_cast<std::wint_t>(c)) != 0;
}

bool is_member(char16_t c, const char16_t* set) noexcept {
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
