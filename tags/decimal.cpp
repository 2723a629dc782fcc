#include "tags/decimal.h"

#include <charconv>
#include <cstddef>
#include <string>

#include "text/char_class.h"

namespace ambrel::tags {
namespace {

std::size_t skip_white_space(std::u16string_view value) noexcept {
  std::size_t i = 0;
  while (i < value.size() && text::is_white_space(value[i])) {
    ++i;
  }
  return i;
}

bool is_digit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

bool is_letter(char16_t c) noexcept { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Code units that may stand in a number, an exponent, inf or nan.
bool can_continue_number(char16_t c) noexcept {
  return is_digit(c) || is_letter(c) || c == u'.' || c == u'+' || c == u'-' || c == u'(' ||
         c == u')' || c == u'_';
}

}  // namespace

std::int32_t to_int32(std::u16string_view value) noexcept {
  std::size_t i = skip_white_space(value);
  bool negative = false;
  if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) {
    negative = value[i] == u'-';
    ++i;
  }
  // Magnitude saturates just past the 32-bit range, so long digit runs stay cheap.
  constexpr std::int64_t limit = std::int64_t{1} << 32;
  std::int64_t magnitude = 0;
  for (; i < value.size() && is_digit(value[i]); ++i) {
    if (magnitude < limit) {
      magnitude = magnitude * 10 + (value[i] - u'0');
    }
  }
  const std::int64_t signed_value = negative ? -magnitude : magnitude;
  if (signed_value > INT32_MAX) {
    return INT32_MAX;
  }
  if (signed_value < INT32_MIN) {
    return INT32_MIN;
  }
  return static_cast<std::int32_t>(signed_value);
}

double to_double(std::u16string_view value) {
  std::size_t i = skip_white_space(value);
  bool negative = false;
  if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) {
    negative = value[i] == u'-';
    ++i;
  }
  // from_chars reads ASCII; the first code unit that cannot belong to a
  // number (or to inf/nan) ends the copy, as it ends the number.
  std::string narrow;
  for (; i < value.size() && can_continue_number(value[i]); ++i) {
    narrow.push_back(static_cast<char>(value[i]));
  }
  // A second sign is no number; from_chars alone would accept "-".
  if (!narrow.empty() && (narrow.front() == '+' || narrow.front() == '-')) {
    return 0.0;
  }
  double result = 0.0;
  const auto [end, error] =
      std::from_chars(narrow.data(), narrow.data() + narrow.size(), result, std::chars_format::general);
  (void)end;
  if (error != std::errc{}) {
    // No number, or beyond double's range: both store 0 once truncated.
    return 0.0;
  }
  return negative ? -result : result;
}

}  // namespace ambrel::tags
