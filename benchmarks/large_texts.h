#pragma once

// Tag texts for the request benchmarks: an ordinary one, and large or hostile
// ones built at any size, each ending with its terminator.

#include <cstddef>
#include <string>
#include <vector>

namespace ambrel::bench {

// What a converter returns for an ordinary file: twenty lines, CR LF.
inline const char16_t typical_tag_text[] =
    u"Artist: The Quiet Hours\r\n"
    u"Title: Northern Lights (Live)\r\n"
    u"Album: Songs for the Long Evening\r\n"
    u"Track: 3/12\r\n"
    u"Year: 2004\r\n"
    u"Genre: Ambient\r\n"
    u"Comment: recorded live: Oslo, 2003\r\n"
    u"Encoder: LAME 3.100\r\n"
    u"Encoder Settings: -V 2 --vbr-new\r\n"
    u"Bit Rate: 320 kbps\r\n"
    u"Sample Rate: 44.1 kHz\r\n"
    u"Length: 4 minutes 25 seconds\r\n"
    u"Channels: 2\r\n"
    u"Tempo: 120\r\n"
    u"Protected: No\r\n"
    u"Composer: A. Person\r\n"
    u"Disc: 1/2\r\n"
    u"Codec: MPEG Layer 3\r\n"
    u"Copyright: (c) 2004\r\n"
    u"Publisher: Small Label\r\n";

inline std::u16string repeat_to(const std::u16string& piece, std::size_t units) {
  std::u16string text;
  text.reserve(units + piece.size());
  while (text.size() + piece.size() <= units) text += piece;
  return text;
}

// `size` is in code units of the whole text, except where a count is named.
inline std::u16string typical_repeated(std::size_t size) { return repeat_to(typical_tag_text, size); }

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
