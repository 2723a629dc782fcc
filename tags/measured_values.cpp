#include "tags/measured_values.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "tags/decimal.h"
#include "text/tokenizer.h"
#include "text/user_locale.h"

namespace ambrel::tags {
namespace {

// Products and sums wrap modulo 2^32, without undefined behaviour.
std::int32_t wrap(std::uint32_t bits) noexcept { return static_cast<std::int32_t>(bits); }
std::uint32_t bits(std::int32_t value) noexcept { return static_cast<std::uint32_t>(value); }

// The first code units of a unit word, upper-cased. No unit word or prefix is
// longer, so these decide every comparison; the word itself is not copied.
class unit_word {
 public:
  static constexpr std::size_t room = 6;

  explicit unit_word(std::u16string_view word) noexcept
      : size_(std::min(word.size(), room)), whole_(word.size() <= room) {
    std::copy_n(word.data(), size_, units_);
    text::to_upper_user(units_, size_);
  }

  // The whole word equals `unit`.
  bool is(std::u16string_view unit) const noexcept { return whole_ && upper() == unit; }
  bool begins_with(std::u16string_view prefix) const noexcept { return upper().starts_with(prefix); }

 private:
  std::u16string_view upper() const noexcept { return {units_, size_}; }

  char16_t units_[room];
  std::size_t size_;
  bool whole_;
};

// The second word of the value, when it has more than one.
std::optional<unit_word> second_word(const std::u16string& value) {
  std::optional<unit_word> unit;
  std::size_t count = 0;
  text::for_each_token(value.c_str(), text::word_rules, [&](std::u16string_view word) {
    if (++count == 2) {
      unit.emplace(word);
    }
  });
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
  std::u16string_view prefix;
  std::uint32_t seconds;
};
constexpr length_unit length_units[] = {
    {u"DAY", 86400}, {u"HOUR", 3600}, {u"MINUTE", 60}, {u"SECOND", 1}};
static_assert(std::all_of(std::begin(length_units), std::end(length_units),
                          [](const length_unit& u) { return u.prefix.size() <= unit_word::room; }));

}  // namespace

bool parse_bit_rate(std::u16string& value, host::music_info& record) {
  std::erase(value, u',');
  record.bit_rate = to_int32(value);
  if (const std::optional<unit_word> unit = second_word(value)) {
    if (unit->is(u"KBPS")) {
      record.bit_rate = wrap(bits(record.bit_rate) * 1000u);
    } else if (unit->is(u"MBPS")) {
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
  const std::optional<unit_word> unit = second_word(value);
  if (!unit) {
    return false;
  }
  if (unit->is(u"HZ")) {
    record.sample_rate = truncate_to_field(number);
    return true;
  }
  if (unit->is(u"KHZ")) {
    record.sample_rate = truncate_to_field(number * 1000.0);
    return true;
  }
  return false;
}

// Number and unit words in pairs. The field is written only once the word
// count is known to be even; an unrecognised unit makes the total 0 and ends
// the adding.
bool parse_length(std::u16string& value, host::music_info& record) {
  std::size_t count = 0;
  std::uint32_t number = 0;
  std::uint32_t total = 0;
  bool recognised = true;
  text::for_each_token(value.c_str(), text::word_rules, [&](std::u16string_view word) {
    if (count++ % 2 == 0) {
      number = bits(to_int32(word));
      return;
    }
    if (!recognised) {
      return;
    }
    const unit_word unit(word);
    const auto* match = std::find_if(std::begin(length_units), std::end(length_units),
                                     [&](const length_unit& u) { return unit.begins_with(u.prefix); });
    if (match == std::end(length_units)) {
      recognised = false;
      return;
    }
    total += number * match->seconds;
  });
  if (count == 0 || count % 2 != 0) {
    return false;
  }
  record.length = recognised ? wrap(total) : 0;
  return recognised;
}

}  // namespace ambrel::tags
