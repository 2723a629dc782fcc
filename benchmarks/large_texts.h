#pragma once

// Large or hostile tag texts for the request benchmarks, built at any size,
// each ending with its terminator.

#include <cstddef>
#include <string>
#include <vector>

#include "tests/support/sample_tag_texts.h"

namespace ambrel::bench {

inline std::u16string repeat_to(const std::u16string& piece, std::size_t units) {
  std::u16string text;
  text.reserve(units + piece.size());
  while (text.size() + piece.size() <= units) text += piece;
  return text;
}

// `size` is in code units of the whole text, except where a count is named.
inline std::u16string typical_repeated(std::size_t size) { return repeat_to(samples::typical_tag_text, size); }

inline std::u16string one_long_line(std::size_t size) { return u"Comment: " + std::u16string(size - 9, u'x'); }

inline std::u16string short_lines(std::size_t lines) { return repeat_to(u"Artist: a\n", lines * 10); }

inline std::u16string colons(std::size_t count) { return u"Comment" + std::u16string(count, u':'); }

inline std::u16string long_key(std::size_t size) { return std::u16string(size - 8, u'k') + u": value"; }

// Values with lone surrogates of both halves, and a zero three quarters in:
// the text ends there for any reader, so only that much is parsed.
inline std::u16string surrogates_and_zero(std::size_t size) {
  std::u16string text = repeat_to(u"Title: a\xD800 b\xDC00 c\r\nComment: \xDBFF\xDBFF x \xDFFF\r\n", size);
  text[text.size() * 3 / 4] = 0;
  return text;
}

struct large_text {
  const char* name;
  std::u16string (*build)(std::size_t);
  std::size_t smaller;
  std::size_t larger;
  const char* unit;  // what `smaller` and `larger` count
};

// Each at two sizes, the larger four times the smaller, so linear time shows
// as four times the time.
inline const std::vector<large_text>& large_texts() {
  static const std::vector<large_text> texts = {
      {"typical_repeated", typical_repeated, 8u << 20, 32u << 20, "units"},  // 16 MB and 64 MB
      {"one_long_line", one_long_line, 128u << 10, 512u << 10, "units"},    // 256 KB and 1 MB
      {"short_lines", short_lines, 250'000, 1'000'000, "lines"},
      {"colons", colons, 250'000, 1'000'000, "colons"},
      {"long_key", long_key, 128u << 10, 512u << 10, "units"},  // 256 KB and 1 MB keys
      {"surrogates_and_zero", surrogates_and_zero, 512u << 10, 2u << 20, "units"},
  };
  return texts;
}

}  // namespace ambrel::bench
