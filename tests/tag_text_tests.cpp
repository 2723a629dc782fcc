// Tag texts mapped onto a music-information record. The record sits inside a
// larger filled region and each text buffer between filled guards; after every
// case the whole region and every buffer must equal the state before the call
// with only the expected fields changed.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>
#include <optional>
#include <string>

#include "host/records.h"
#include "tags/tag_text.h"

namespace ambrel::tags {
namespace {

using host::music_info;
using namespace std::string_literals;

constexpr unsigned char record_filler = 0xA5;  // leaves the protected bit clear
constexpr char16_t text_filler = 0x5A5A;
constexpr std::size_t record_guard = 64;
constexpr std::size_t text_guard = 8;
constexpr std::size_t text_room = 64;
constexpr std::uint32_t roomy = 32;

// Names of the record's text fields, in record order.
const char* const text_names[] = {"album", "artist", "title", "genre", "comment", "encoder", "encoder settings"};
constexpr std::size_t text_count = std::size(host::music_text_fields);
static_assert(std::size(text_names) == text_count);

// What a case expects; a field left empty must keep its filler.
struct expected_fields {
  std::optional<std::u16string> album{}, artist{}, title{}, genre{}, comment{}, encoder{}, encoder_settings{};
  std::optional<std::int32_t> bit_rate{}, sample_rate{}, length{}, track{}, year{}, channels{}, tempo{};
  std::optional<std::uint32_t> flags{};

  std::array<const std::optional<std::u16string>*, text_count> texts() const {
    return {&album, &artist, &title, &genre, &comment, &encoder, &encoder_settings};
  }
};

struct mapping_case {
  const char* name;
  std::u16string text;  // passed as a zero-terminated text
  bool counted;
  expected_fields expected;
  std::uint32_t capacity = roomy;  // of every text buffer
  std::uint32_t size = sizeof(music_info);
  std::optional<std::uint32_t> flags_before = std::nullopt;
};

constexpr std::uint32_t filled_flags = 0xA5A5A5A5u;
constexpr std::uint32_t below_tempo = host::tempo_record_size - 1;
constexpr std::uint32_t tempo_offset = offsetof(music_info, tempo);

const mapping_case mapping_cases[] = {
    // Every key of the table, in a text that uses each once.
    {"all keys",
     u"Artist: The Artist\r\nTitle: A Title\r\nAlbum: An Album\r\nTrack: 3\r\nYear: 2004\r\n"
     u"Channels: 2\r\nBit Rate: 320 kbps\r\nSample Rate: 44.1 kHz\r\nLength: 3 minutes 25 seconds\r\n"
     u"Genre: Rock\r\nComment: Fine\r\nEncoder: LAME\r\nEncoder Settings: -V 2\r\nTempo: 120\r\n"
     u"Protected: Yes\r\n",
     true,
     {.album = u"An Album", .artist = u"The Artist", .title = u"A Title", .genre = u"Rock", .comment = u"Fine",
      .encoder = u"LAME", .encoder_settings = u"-V 2", .bit_rate = 320000, .sample_rate = 44100, .length = 205,
      .track = 3, .year = 2004, .channels = 2, .tempo = 120, .flags = filled_flags | host::protected_flag}},

    // Keys.
    {"key in lower case", u"artist: a", true, {.artist = u"a"}},
    {"key in mixed case", u"EnCoDeR sEtTiNgS: x", true, {.encoder_settings = u"x"}},
    {"key trimmed of spaces and tabs", u" \t Title \t : x", true, {.title = u"x"}},
    {"two spaces inside a key match nothing", u"Bit  Rate: 320 kbps\nEncoder  Settings: x", false, {}},
    {"a tab inside a key matches nothing", u"Sample\tRate: 44100 Hz", false, {}},
    {"unknown key", u"Composer: x", false, {}},
    {"ENCODER and ENCODER SETTINGS are distinct", u"Encoder: a\nEncoder Settings: b", true,
     {.encoder = u"a", .encoder_settings = u"b"}},

    // Values.
    {"value keeps its case and inner space", u"Genre:  Hip \t Hop  ", true, {.genre = u"Hip \t Hop"}},
    {"colons in the value", u"Comment: a: b:c", true, {.comment = u"a: b:c"}},
    {"no-break space starting a value stays", u"Title:\u00A0x", true, {.title = u"\u00A0x"}},
    {"no-break space ending a line goes with the line", u"Title: x\u00A0", true, {.title = u"x"}},
    {"skipped lines leave the others", u"Artist:\nArtist:   \n: value\nno colon\n \t:\t \nTitle: t", true,
     {.title = u"t"}},
    {"only unusable lines", u"Artist:\n: x\nTitle", false, {}},
    {"repeated key: last wins", u"Artist: A\nArtist: BB", true, {.artist = u"BB"}},
    {"repeated number key", u"Year: 1999\nYear: 2004", true, {.year = 2004}},

    // Plain numbers.
    {"TRACK 3/12", u"Track: 3/12", true, {.track = 3}},
    {"YEAR 2004-05-01", u"Year: 2004-05-01", true, {.year = 2004}},
    {"CHANNELS Stereo counts as 0", u"Channels: Stereo", true, {.channels = 0}},
    {"TRACK clamps high", u"Track: 99999999999", true, {.track = 2147483647}},
    {"TRACK clamps low", u"Track: -99999999999", true, {.track = -2147483647 - 1}},
    {"TRACK just past the range", u"Track: 2147483648", true, {.track = 2147483647}},
    {"TRACK at the low end", u"Track: -2147483648", true, {.track = -2147483647 - 1}},
    {"TRACK with a sign", u"Track: +7", true, {.track = 7}},

    // Text capacities.
    {"capacity 0: untouched but counted", u"Artist: Some Name", true, {}, 0},
    {"capacity 1: empty text", u"Artist: Some Name", true, {.artist = u""}, 1},
    {"cut to capacity - 1", u"Artist: Some Name", true, {.artist = u"Some"}, 5},
    {"exact fit", u"Artist: Some Name", true, {.artist = u"Some Name"}, 10},
    {"cut never ends on half a pair", u"Title: ab\U0001F600", true, {.title = u"ab"}, 4},

    // Measured values through the table.
    {"bit rate counts", u"Bit Rate: 128", true, {.bit_rate = 128}},
    {"bit rate of CD audio is reset and does not count", u"Bit Rate: 1,411 kbps", false, {.bit_rate = 0}},
    {"sample rate without unit is not written", u"Sample Rate: 44100", false, {}},
    {"length with odd word count is not written", u"Length: 3 minutes 25", false, {}},
    {"length with an unknown unit is reset", u"Length: 4 min 5 sec", false, {.length = 0}},

    // TEMPO.
    {"TEMPO in a full record, not counted", u"Tempo: 120", false, {.tempo = 120}},
    {"TEMPO in a record one byte short", u"Tempo: 120", false, {}, roomy, below_tempo},
    {"TEMPO in a record ending at the tempo field", u"Tempo: 120", false, {}, roomy, tempo_offset},
    {"TEMPO in the smallest record", u"Tempo: 120\nTrack: 1", true, {.track = 1}, roomy,
     static_cast<std::uint32_t>(host::music_info_minimum_size)},
    {"TEMPO with another counted line", u"Tempo: 96\nTitle: t", true, {.title = u"t", .tempo = 96}},

    // PROTECTED.
    {"PROTECTED No", u"Protected: No", false, {}},
    {"PROTECTED no", u"Protected: no", false, {}},
    {"PROTECTED NO with trailing space", u"Protected: NO  ", false, {}},
    {"PROTECTED nO", u"Protected: nO", false, {}},
    {"PROTECTED Yes sets the bit only", u"Protected: Yes", false, {.flags = filled_flags | host::protected_flag}},
    {"PROTECTED 0", u"Protected: 0", false, {.flags = filled_flags | host::protected_flag}},
    {"PROTECTED false", u"Protected: false", false, {.flags = filled_flags | host::protected_flag}},
    {"PROTECTED No DRM", u"Protected: No DRM", false, {.flags = filled_flags | host::protected_flag}},
    {"PROTECTED N", u"Protected: N", false, {.flags = filled_flags | host::protected_flag}},
    {"PROTECTED with a counted line", u"Protected: Yes\nTitle: t", true,
     {.title = u"t", .flags = filled_flags | host::protected_flag}},
    {"PROTECTED No keeps a bit already set", u"Protected: No", false, {}, roomy, sizeof(music_info),
     host::protected_flag | 1u},
    {"PROTECTED Yes on a set bit", u"Protected: Yes", false, {.flags = host::protected_flag}, roomy,
     sizeof(music_info), host::protected_flag},

    // Text shape.
    {"empty text", u"", false, {}},
    {"only line breaks", u"\r\n\n\r\r\n", false, {}},
    {"single line without a break", u"Artist: Some Name", true, {.artist = u"Some Name"}},
    {"LF line ends", u"Artist: a\nTitle: b\n", true, {.artist = u"a", .title = u"b"}},
    {"CR line ends", u"Artist: a\rTitle: b\r", true, {.artist = u"a", .title = u"b"}},
    {"CR LF line ends and blank lines", u"\r\n\r\nArtist: a\r\n\r\n\r\nTitle: b", true,
     {.artist = u"a", .title = u"b"}},
    {"an embedded zero ends the text", u"Artist: a\0Title: b"s, true, {.artist = u"a"}},
    {"an embedded zero inside a value", u"Title: ab\0cd\nArtist: x"s, true, {.title = u"ab"}},
};

// The record inside a filled region, and each text buffer between guards.
class record_fixture {
 public:
  explicit record_fixture(const mapping_case& c) {
    region_.fill(record_filler);
    record_ = new (region_.data() + record_guard) music_info;
    std::memset(static_cast<void*>(record_), record_filler, sizeof(music_info));
    record_->size = c.size;
    record_->kind = host::music_information_kind;
    if (c.flags_before) {
      record_->flags = *c.flags_before;
    }
    for (std::size_t i = 0; i < text_count; ++i) {
      texts_[i].fill(text_filler);
      record_->*host::music_text_fields[i].buffer = texts_[i].data() + text_guard;
      record_->*host::music_text_fields[i].capacity = c.capacity;
    }
    before_ = region_;
    texts_before_ = texts_;
  }

  music_info& record() { return *record_; }

  // Every byte of the region equals its state at construction, except the
  // fields a case names, which hold their expected values.
  void expect_only(const expected_fields& e) {
    std::array<unsigned char, region_size> expected = before_;
    auto put = [&](std::size_t offset, const auto& value) {
      std::memcpy(expected.data() + record_guard + offset, &value, sizeof value);
    };
    if (e.bit_rate) put(offsetof(music_info, bit_rate), *e.bit_rate);
    if (e.sample_rate) put(offsetof(music_info, sample_rate), *e.sample_rate);
    if (e.length) put(offsetof(music_info, length), *e.length);
    if (e.track) put(offsetof(music_info, track), *e.track);
    if (e.year) put(offsetof(music_info, year), *e.year);
    if (e.channels) put(offsetof(music_info, channels), *e.channels);
    if (e.tempo) put(offsetof(music_info, tempo), *e.tempo);
    if (e.flags) put(offsetof(music_info, flags), *e.flags);
    for (std::size_t i = 0; i < region_size; ++i) {
      if (region_[i] != expected[i]) {
        ADD_FAILURE() << "record byte " << describe(i) << " is " << int{region_[i]} << ", expected "
                      << int{expected[i]};
        break;
      }
    }

    const auto texts = e.texts();
    for (std::size_t t = 0; t < text_count; ++t) {
      std::array<char16_t, text_units> want = texts_before_[t];
      if (*texts[t]) {
        const std::u16string& s = **texts[t];
        std::copy(s.begin(), s.end(), want.begin() + text_guard);
        want[text_guard + s.size()] = 0;
      }
      for (std::size_t i = 0; i < text_units; ++i) {
        if (texts_[t][i] != want[i]) {
          ADD_FAILURE() << text_names[t] << " buffer unit " << static_cast<long>(i) - long{text_guard}
                        << " is " << unsigned{texts_[t][i]} << ", expected " << unsigned{want[i]};
          break;
        }
      }
    }
  }

 private:
  static constexpr std::size_t region_size = record_guard + sizeof(music_info) + record_guard;
  static constexpr std::size_t text_units = text_guard + text_room + text_guard;

  static std::string describe(std::size_t i) {
    if (i < record_guard) {
      return "before the record at " + std::to_string(i);
    }
    const std::size_t offset = i - record_guard;
    return "at offset " + std::to_string(offset) + (offset >= sizeof(music_info) ? " (past the record)" : "");
  }

  alignas(music_info) std::array<unsigned char, region_size> region_{};
  std::array<unsigned char, region_size> before_{};
  std::array<std::array<char16_t, text_units>, text_count> texts_{};
  std::array<std::array<char16_t, text_units>, text_count> texts_before_{};
  music_info* record_ = nullptr;
};

std::string test_name(const testing::TestParamInfo<mapping_case>& param) {
  std::string name = std::to_string(param.index) + "_";
  for (const char* p = param.param.name; *p != 0; ++p) {
    name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  }
  return name;
}

class tag_text_mapping : public testing::TestWithParam<mapping_case> {};

TEST_P(tag_text_mapping, writes_only_the_expected_fields) {
  const mapping_case& c = GetParam();
  ASSERT_LE(c.capacity, text_room);
  record_fixture fixture(c);
  EXPECT_EQ(apply_tag_text(c.text.c_str(), fixture.record()), c.counted);
  fixture.expect_only(c.expected);
}

INSTANTIATE_TEST_SUITE_P(table, tag_text_mapping, testing::ValuesIn(mapping_cases), test_name);

TEST(tag_text, null_text_touches_nothing) {
  const mapping_case c{"null", u"", false, {}};
  record_fixture fixture(c);
  EXPECT_FALSE(apply_tag_text(nullptr, fixture.record()));
  fixture.expect_only({});
}

}  // namespace
}  // namespace ambrel::tags
