// The bit-rate, sample-rate and length parsers on any value. Each may write
// only its own field, and what it leaves there must agree with its result.
//
// Input layout (fuzz/corpus/measured_values holds examples):
//   byte 0     parser: 0 bit rate, 1 sample rate, 2 length (modulo 3)
//   the rest   the value, UTF-16LE, up to its first zero (a line's value
//              never holds one)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/records.h"
#include "tags/measured_values.h"
#include "text/user_locale.h"

namespace {

using ambrel::host::music_info;

constexpr unsigned char record_fill = 0xC3;

[[noreturn]] void fail(const char* what) {
  __builtin_printf("measured values fuzzer: %s\n", what);
  std::abort();
}

struct parser {
  bool (*parse)(std::u16string&, music_info&);
  std::size_t field;
};

const parser parsers[] = {
    {ambrel::tags::parse_bit_rate, offsetof(music_info, bit_rate)},
    {ambrel::tags::parse_sample_rate, offsetof(music_info, sample_rate)},
    {ambrel::tags::parse_length, offsetof(music_info, length)},
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ambrel::text::create_user_locale();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return -1;
  const parser& chosen = parsers[data[0] % 3];
  std::u16string value;
  for (std::size_t at = 1; at + 1 < size; at += 2) {
    const auto unit = static_cast<char16_t>(data[at] | data[at + 1] << 8);
    if (unit == 0) break;
    value.push_back(unit);
  }

  // The text pointers are never followed by a parser; the fill makes any
  // stray write visible.
  music_info record;
  std::memset(&record, record_fill, sizeof record);
  unsigned char before[sizeof record];
  std::memcpy(before, &record, sizeof record);

  const bool counts = chosen.parse(value, record);

  const auto* after = reinterpret_cast<const unsigned char*>(&record);
  for (std::size_t offset = 0; offset < sizeof record; ++offset) {
    const bool own = offset >= chosen.field && offset < chosen.field + sizeof(std::int32_t);
    if (!own && after[offset] != before[offset]) fail("a parser wrote outside its own field");
  }
  std::int32_t field_before;
  std::int32_t field_after;
  std::memcpy(&field_before, before + chosen.field, sizeof field_before);
  std::memcpy(&field_after, after + chosen.field, sizeof field_after);

  if (chosen.field == offsetof(music_info, bit_rate)) {
    // Only the CD rate is withheld, and it is withheld as 0; every other counts.
    if (counts && field_after == 1411000) fail("CD bit rate counted");
    if (!counts && field_after != 0) fail("withheld bit rate not reset to 0");
  } else if (chosen.field == offsetof(music_info, sample_rate)) {
    if (!counts && field_after != field_before) fail("uncounted sample rate written");
  } else if (!counts && field_after != field_before && field_after != 0) {
    fail("uncounted length neither left alone nor reset to 0");
  }
  return 0;
}
