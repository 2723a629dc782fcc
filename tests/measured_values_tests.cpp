// The bit-rate, sample-rate and length parsers: one table each. Every row
// starts from a record filled with a sentinel and checks that the parser
// changed its own field only, or nothing.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "host/records.h"
#include "tags/decimal.h"
#include "tags/measured_values.h"

namespace ambrel::tags {
namespace {

using host::music_info;

constexpr unsigned char filler = 0xC3;
constexpr std::int32_t untouched_value = static_cast<std::int32_t>(0xC3C3C3C3u);
constexpr std::int32_t int32_min = -2147483647 - 1;

using parser = bool (*)(std::u16string&, music_info&);
using field = std::int32_t music_info::*;

struct row {
  std::u16string value;
  std::optional<std::int32_t> stored;  // nullopt: the field keeps its sentinel
  bool counts;
};

std::string narrow(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  return out;
}

void check_rows(parser parse, field target, std::initializer_list<row> rows) {
  for (const row& r : rows) {
    SCOPED_TRACE("value \"" + narrow(r.value) + "\"");
    alignas(music_info) unsigned char bytes[sizeof(music_info)];
    std::memset(bytes, filler, sizeof bytes);
    music_info* record = new (bytes) music_info;
    std::memset(static_cast<void*>(record), filler, sizeof(music_info));
    unsigned char expected[sizeof(music_info)];
    std::memcpy(expected, bytes, sizeof bytes);
    if (r.stored) {
      music_info model;
      std::memcpy(static_cast<void*>(&model), expected, sizeof model);
      model.*target = *r.stored;
      std::memcpy(expected, static_cast<const void*>(&model), sizeof model);
    }

    std::u16string value = r.value;
    EXPECT_EQ(parse(value, *record), r.counts);
    EXPECT_EQ(record->*target, r.stored.value_or(untouched_value));
    EXPECT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0) << "a byte outside the field changed";
  }
}

TEST(parse_bit_rate, table) {
  check_rows(parse_bit_rate, &music_info::bit_rate,
             {
                 {u"320 kbps", 320000, true},
                 {u"320 KBPS", 320000, true},
                 {u"320   Kbps", 320000, true},
                 {u"1,411 kbps", 0, false},
                 {u"1411.2 kbps", 0, false},
                 {u"1411000", 0, false},
                 {u"1411 kbps extra words", 0, false},
                 {u"1,411,200 bps", 1411200, true},
                 {u"1411", 1411, true},
                 {u"1411 bps", 1411, true},
                 {u"128", 128, true},
                 {u"128kbps", 128, true},
                 {u"128\tkbps", 128, true},  // a tab does not separate words
                 {u"1.5 Mbps", 1000000, true},
                 {u"2 mbps", 2000000, true},
                 {u"320 kb/s", 320, true},
                 {u"320 kbps/s", 320, true},
                 {u"VBR 320 kbps", 0, true},
                 {u"-5 kbps", -5000, true},
                 {u",,,", 0, true},
                 // 32-bit wrap of the product, and the clamp before it.
                 {u"5000 Mbps", 705032704, true},
                 {u"2147483647 kbps", -1000, true},
                 {u"99999999999 kbps", -1000, true},
                 {u"-99999999999 Mbps", 0, true},
                 {u"536872323 kbps", 0, false},  // wraps to exactly 1411000
                 {u"99999999999", 2147483647, true},
             });
}

TEST(parse_sample_rate, table) {
  check_rows(parse_sample_rate, &music_info::sample_rate,
             {
                 {u"44100 Hz", 44100, true},
                 {u"44.1 kHz", 44100, true},
                 {u"48 khz", 48000, true},
                 {u"48 KHZ", 48000, true},
                 {u"8.0009 kHz", 8000, true},
                 {u"44,100 Hz", 44, true},
                 {u"44,1 kHz", 44000, true},
                 {u"44100", std::nullopt, false},
                 {u"44100Hz", std::nullopt, false},
                 {u"44100\tHz", std::nullopt, false},
                 {u"22050 samples/s", std::nullopt, false},
                 {u"48 kHzs", std::nullopt, false},
                 {u"48 kHz stereo", 48000, true},
                 {u"48  kHz", 48000, true},
                 {u"+48 kHz", 48000, true},
                 {u".5 kHz", 500, true},
                 {u"4.41e4 Hz", 44100, true},
                 {u"4.41E+1 kHz", 44100, true},
                 {u"1e Hz", 1, true},
                 {u"-0.9 Hz", 0, true},
                 {u"-1 Hz", -1, true},
                 {u"rate Hz", 0, true},
                 {u"-- Hz", 0, true},
                 // Low 32 bits of the 64-bit truncation; outside that range 0.
                 {u"5000000000 Hz", 705032704, true},
                 {u"-5000000000 Hz", -705032704, true},
                 {u"2147483648 Hz", int32_min, true},
                 {u"9.2e18 Hz", -1650982912, true},
                 {u"-9.2e18 Hz", 1650982912, true},
                 {u"9223372036854775807 Hz", 0, true},  // rounds to 2^63, just outside
                 {u"9.3e18 Hz", 0, true},
                 {u"-9.3e18 Hz", 0, true},
                 {u"1e999 Hz", 0, true},
                 {u"1e-999 kHz", 0, true},
                 {u"inf kHz", 0, true},
                 {u"-infinity Hz", 0, true},
                 {u"nan Hz", 0, true},
             });
}

TEST(parse_length, table) {
  check_rows(parse_length, &music_info::length,
             {
                 {u"3 minutes 25 seconds", 205, true},
                 {u"1 hour 2 minutes 3 seconds", 3723, true},
                 {u"2 days", 172800, true},
                 {u"1 Day 1 HOUR 1 minute 1 second", 90061, true},
                 {u"25 seconds 3 minutes", 205, true},
                 {u"1 minute 1 minute", 120, true},
                 {u"1 second 2 seconds 3 seconds 4 seconds 5 seconds 6 seconds", 21, true},
                 {u"1 secondsx", 1, true},  // units match by prefix
                 {u"1.5 hours", 3600, true},
                 {u"0 seconds", 0, true},
                 {u"-1 minutes", -60, true},
                 {u"3  minutes   25  seconds", 205, true},
                 {u"4 min 5 sec", 0, false},
                 {u"1 hr", 0, false},
                 {u"1 d", 0, false},
                 {u"5 minutes 3 weeks", 0, false},
                 {u"1 week 5 minutes", 0, false},  // stops at the first unknown unit
                 {u"3 minutes 25", std::nullopt, false},
                 {u"3:25", std::nullopt, false},
                 {u"3\tminutes", std::nullopt, false},
                 {u"3 minutes\t25 seconds", std::nullopt, false},  // three words
                 {u"\v", std::nullopt, false},                      // no word at all
                 // 32-bit wrap of products and sums, and the clamp before them.
                 {u"50000 days", 25032704, true},
                 {u"2147483647 seconds 1 second", int32_min, true},
                 {u"99999999999 seconds", 2147483647, true},
                 {u"-99999999999 seconds", int32_min, true},
                 {u"-99999999999 minutes", 0, true},
             });
}

TEST(decimal, to_int32_table) {
  struct int_row {
    std::u16string_view text;
    std::int32_t value;
  };
  const int_row rows[] = {
      {u"", 0},          {u"x1", 0},           {u"+", 0},       {u"-", 0},
      {u"+-5", 0},       {u" \t\u00A012", 12}, {u"- 5", 0},     {u"007", 7},
      {u"-0", 0},        {u"2147483647", 2147483647},           {u"2147483648", 2147483647},
      {u"-2147483648", int32_min},             {u"-2147483649", int32_min},
      {u"000000000000000000000042", 42},       {u"99999999999999999999999999999999", 2147483647},
  };
  for (const int_row& r : rows) {
    EXPECT_EQ(to_int32(r.text), r.value) << narrow(r.text);
  }
}

TEST(decimal, to_double_table) {
  struct double_row {
    std::u16string_view text;
    double value;
  };
  const double_row rows[] = {
      {u"", 0.0},         {u"x", 0.0},         {u"  \t2.5x", 2.5}, {u"-2.5", -2.5}, {u"+.25", 0.25},
      {u"1e3", 1000.0},   {u"1E-2", 0.01},     {u"1e", 1.0},       {u"2,5", 2.0},   {u"--2", 0.0},
      {u"+-2", 0.0},      {u".", 0.0},         {u"e5", 0.0},       {u"3.\u00E9", 3.0},
  };
  for (const double_row& r : rows) {
    EXPECT_DOUBLE_EQ(to_double(r.text), r.value) << narrow(r.text);
  }
}

// The conversions read the full stop whatever the process's locale says.
TEST(parse_sample_rate, ignores_a_comma_decimal_locale) {
  const char* const candidates[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8",
                                    "it_IT.UTF-8", "es_ES.UTF-8", "nl_NL.UTF-8", "ru_RU.UTF-8"};
  const char* chosen = nullptr;
  for (const char* name : candidates) {
    if (std::setlocale(LC_ALL, name) != nullptr && std::localeconv()->decimal_point[0] == ',') {
      chosen = name;
      break;
    }
  }
  if (chosen == nullptr) {
    std::setlocale(LC_ALL, "C");
    GTEST_SKIP() << "no locale with a comma decimal point is installed";
  }
  SCOPED_TRACE(chosen);
  EXPECT_DOUBLE_EQ(to_double(u"44.1"), 44.1);
  EXPECT_DOUBLE_EQ(to_double(u"44,1"), 44.0);
  check_rows(parse_sample_rate, &music_info::sample_rate,
             {
                 {u"44.1 kHz", 44100, true},
                 {u"44,1 kHz", 44000, true},
                 {u"8.0009 kHz", 8000, true},
             });
  check_rows(parse_length, &music_info::length, {{u"1.5 hours", 3600, true}});
  std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace ambrel::tags
