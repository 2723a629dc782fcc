#include "text/user_locale.h"

#include <clocale>
#include <cwctype>

#ifdef _WIN32
#include <ctype.h>
#include <locale.h>
using locale_handle = _locale_t;
#else
#include <locale.h>
#include <wctype.h>
using locale_handle = locale_t;
#endif

namespace ambrel::text {
namespace {

locale_handle user_locale = nullptr;

// Upper case of every code unit below U+0080 under the user locale, filled
// once with the locale: keys are mostly ASCII and the locale's mapping is a
// slow call per unit.
char16_t ascii_upper[0x80];

char16_t upper_ascii(char16_t c) noexcept {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

char16_t upper_in_locale(char16_t c) noexcept {
#ifdef _WIN32
  return static_cast<char16_t>(_towupper_l(static_cast<wint_t>(c), user_locale));
#else
  const wint_t upper = towupper_l(static_cast<wint_t>(c), user_locale);
  // One code unit always stays one code unit.
  return upper <= 0xFFFF ? static_cast<char16_t>(upper) : c;
#endif
}

}  // namespace

void create_user_locale() noexcept {
#ifdef _WIN32
  user_locale = _create_locale(LC_ALL, "");
#else
  user_locale = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
#endif
  for (char16_t c = 0; c < 0x80; ++c) {
    ascii_upper[c] = user_locale != nullptr ? upper_in_locale(c) : upper_ascii(c);
  }
}

bool has_user_locale() noexcept { return user_locale != nullptr; }

void to_upper_user(char16_t* units, std::size_t count) noexcept {
  char16_t* const end = units + count;
  if (user_locale == nullptr) {
    for (char16_t* c = units; c != end; ++c) {
      *c = upper_ascii(*c);
    }
    return;
  }
  for (char16_t* c = units; c != end; ++c) {
    *c = *c < 0x80 ? ascii_upper[*c] : upper_in_locale(*c);
  }
}

void to_upper_user(std::u16string& text) noexcept { to_upper_user(text.data(), text.size()); }

}  // namespace ambrel::text
