#include "text/char_class.h"

#include <cwctype>

namespace ambrel::text {

bool is_wide_white_space(char16_t c) noexcept { return std::iswspace(static_cast<std::wint_t>(c)) != 0; }

}  // namespace ambrel::text
