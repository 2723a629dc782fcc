#include "tags/measured_values.h"

#include <algorithm>
#include <cstdint>

#include "tags/decimal.h"
#include "text/string_helpers.h"
#include "text/tokenizer.h"
#include "text/user_locale.h"

namespace ambrel::tags {
namespace {

// Products and sums wrap modulo 2^32, without undefined behaviour.
std::int32_t wrap(std::uint32_t bits) noexcept { return static_cast<std::int32_t>(bits); }
std::uint32_t bits(std::int32_t value) noexcept { return static_cast<std::uint32_t>(value); }

// The second word of the value, upper-cased; empty when there is none.
std::u16string unit_word(const text::word_list& words) {
  if (words.size() < 2) {
    return {};
  }
  std::u16string unit = words[1];
  text::to_upper_user(unit);
  return unit;
}

// Toward zero into a signed 64-bit integer, low 32 bits kept; outside that
// range (infinities and NaN included) the result is 0.
std::int32_t truncate_to_field(double number) noexcept {
  constexpr double two_63 = 9223372036854775808.0;
  if (!(number >= -two_63 && number < two_63)) {
    return 0;
  }
  const auto whole = static_cast<std::int64_t>(number);
  return wrap(static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole)));
}

struct length_unit {
  const char16_t* prefix;
  std::uint32_t seconds;
};
constexpr length_unit length_units[] = {
    {u"DAY", 86400}, {u"HOUR", 3600}, {u"MINUTE", 60}, {u"SECOND", 1}};

}  // namespace

bool parse_bit_rate(std::u16string& value, host::music_info& record) {
  std::erase(value, u',');
  record.bit_rate = to_int32(value);

  text::word_list words;
  if (text::split_words(value.c_str(), text::word_rules, &words) && words.size() > 1) {
    const std::u16string unit = unit_word(words);
    if (unit == u"KBPS") {
      record.bit_rate = wrap(bits(record.bit_rate) * 1000u);
    } else if (unit == u"MBPS") {
      record.bit_rate = wrap(bits(record.bit_rate) * 1000000u);
    }
  }
  // Exactly 1411 kbps, the rate of CD audio, stands for no measured rate.
  if (record.bit_rate == 1411000) {
    record.bit_rate = 0;
    return false;
  }
  return true;
}

bool parse_sample_rate(std::u16string& value, host::music_info& record) {
  const double number = to_double(value);
  text::word_list words;
  if (!text::split_words(value.c_str(), text::word_rules, &words) || words.size() <= 1) {
    return false;
  }
  const std::u16string unit = unit_word(words);
  if (unit == u"HZ") {
    record.sample_rate = truncate_to_field(number);
    return true;
  }
  if (unit == u"KHZ") {
    record.sample_rate = truncate_to_field(number * 1000.0);
    return true;
  }
  return false;
}

bool parse_length(std::u16string& value, host::music_info& record) {
  text::word_list words;
  if (!text::split_words(value.c_str(), text::word_rules, &words) || words.size() % 2 != 0) {
    return false;
  }
  record.length = 0;
  for (std::size_t i = 0; i < words.size(); i += 2) {
    std::u16string& unit = words[i + 1];
    text::to_upper_user(unit);
    const auto* match = std::find_if(std::begin(length_units), std::end(length_units),
                                     [&](const length_unit& u) { return text::starts_with(unit.c_str(), u.prefix); });
    if (match == std::end(length_units)) {
      record.length = 0;
      return false;
    }
    const std::uint32_t amount = bits(to_int32(words[i])) * match->seconds;
    record.length = wrap(bits(record.length) + amount);
  }
  return true;
}

}  // namespace ambrel::tags
