// The text routines: tokenizer, splitter, trimming, prefix test, bounded copy,
// white-space classes, and upper-casing while no user locale exists (the
// process-wide locale is tested in text_user_locale_tests.cpp, because once
// created it cannot be removed).

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/char_class.h"
#include "text/string_helpers.h"
#include "text/tokenizer.h"
#include "text/user_locale.h"

namespace ambrel::text {
namespace {

using namespace std::string_literals;

constexpr char16_t filler = 0x7E7E;
constexpr std::size_t guard = 8;
constexpr std::size_t room = 32;

// A caller buffer with filler on both sides, to see every unit a call writes.
struct guarded_buffer {
  std::array<char16_t, guard + room + guard> units;

  guarded_buffer() { units.fill(filler); }
  char16_t* data() { return units.data() + guard; }
  std::u16string text() { return std::u16string(data()); }

  // Units from `from` (relative to data()) to the end of the guard after it.
  bool untouched_from(std::size_t from) const {
    for (std::size_t i = guard + from; i < units.size(); ++i) {
      if (units[i] != filler) {
        return false;
      }
    }
    return true;
  }
  bool untouched_before() const {
    for (std::size_t i = 0; i < guard; ++i) {
      if (units[i] != filler) {
        return false;
      }
    }
    return true;
  }
  bool untouched() const { return untouched_before() && untouched_from(0); }
};

std::string narrow(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[12];
      std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
      out += hex;
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// next_token

constexpr int null_cursor = -1;

struct token_step {
  std::optional<std::u16string> stored;  // nullopt: the buffer is not written at all
  int cursor_after;                      // offset into the text, or null_cursor
};

struct token_case {
  const char* name;
  std::u16string text;
  token_rules rules;
  std::uint32_t capacity;
  std::vector<token_step> steps;  // every call that returns true; the next returns false
};

token_rules delimited(const char16_t* delimiters, const char16_t* stops = nullptr, bool skip_empty = true,
                      bool quotes = false, bool doubled = false) {
  return token_rules{delimiters, stops, skip_empty, quotes, doubled};
}

const token_rules keep_empty = delimited(u",", nullptr, false);
const token_rules quoted = delimited(u",", nullptr, true, true);
const token_rules quoted_doubled = delimited(u",", nullptr, true, true, true);

const token_case token_cases[] = {
    // The module's own settings.
    {"words: runs of spaces", u"  a  b ", word_rules, room, {{u"a", 5}, {u"b", 7}}},
    {"words: single word", u"abc", word_rules, room, {{u"abc", null_cursor}}},
    {"words: tab does not separate", u"a\tb c", word_rules, room, {{u"a\tb", 4}, {u"c", null_cursor}}},
    {"words: no-break space trimmed at ends", u"\u00A0a\u00A0 b", word_rules, room,
     {{u"a", 4}, {u"b", null_cursor}}},
    {"words: empty text", u"", word_rules, room, {}},
    {"words: white space only", u" \t \u00A0", word_rules, room, {}},
    {"lines: CR LF and blank lines", u"\r\nA b\r\n\r\n B\t\r\n", line_rules, room,
     {{u"A b", 10}, {u"B", 14}}},
    {"no delimiters: one token", u" a b ", delimited(u""), room, {{u"a b", null_cursor}}},
    {"repeated non-white delimiters are skipped", u",,a,,b,,", delimited(u","), room, {{u"a", 4}, {u"b", 7}}},

    // Stop characters.
    {"stop ends token and tokenizing", u"a,b;c,d", delimited(u",", u";"), room, {{u"a", 2}, {u"b", null_cursor}}},
    {"stop at start, skip_empty on", u";a", delimited(u",", u";"), room, {}},
    {"stop at start, skip_empty off", u";a", delimited(u",", u";", false), room, {{u"", null_cursor}}},
    {"stop after delimiter", u"a, ;b", delimited(u",", u";"), room, {{u"a", 3}}},
    {"a stop that is also a delimiter ends tokenizing", u"a;b", delimited(u",;", u";"), room,
     {{u"a", null_cursor}}},
    {"white-space stop ends its token", u"a\tb,c", delimited(u",", u"\t"), room, {{u"a", null_cursor}}},
    {"white-space stop at token start is skipped", u"\ta,b", delimited(u",", u"\t"), room,
     {{u"a", 3}, {u"b", null_cursor}}},
    {"white-space stop after delimiter holds the cursor", u"a,\tb", delimited(u",", u"\t"), room,
     {{u"a", 2}, {u"b", null_cursor}}},

    // skip_empty off.
    {"keep empty: two delimiters", u"a,,b", keep_empty, room, {{u"a", 2}, {u"", 3}, {u"b", null_cursor}}},
    {"keep empty: delimiters around white space", u"a, ,b", keep_empty, room,
     {{u"a", 3}, {u"", 4}, {u"b", null_cursor}}},
    {"keep empty: leading delimiter", u" ,a", keep_empty, room, {{u"", 2}, {u"a", null_cursor}}},
    {"keep empty: trailing delimiter", u"a,", keep_empty, room, {{u"a", 2}, {u"", null_cursor}}},
    {"keep empty: trailing delimiter and space", u"a, ", keep_empty, room, {{u"a", 3}, {u"", null_cursor}}},
    {"keep empty: empty text", u"", keep_empty, room, {{u"", null_cursor}}},
    {"keep empty: white space only", u"  ", keep_empty, room, {{u"", null_cursor}}},
    {"keep empty: white-space delimiters give no empty token inside", u" a  b ", delimited(u" ", nullptr, false),
     room, {{u"a", 4}, {u"b", 6}, {u"", null_cursor}}},

    // Quotes.
    {"quoted token keeps delimiters and edge space", u"\" a, b \",c", quoted, room,
     {{u" a, b ", 9}, {u"c", null_cursor}}},
    {"after the closing quote, text up to the delimiter is dropped", u"\"a\"xyz,b", quoted, room,
     {{u"a", 7}, {u"b", null_cursor}}},
    {"unclosed quote runs to the end", u"\"a,b", quoted, room, {{u"a,b", null_cursor}}},
    {"empty quotes give a token even with skip_empty", u"\"\",b", quoted, room,
     {{u"", 3}, {u"b", null_cursor}}},
    {"quote inside a token is ordinary", u"a\"b,c", quoted, room, {{u"a\"b", 4}, {u"c", null_cursor}}},
    {"quotes off: quote is ordinary", u"\"a,b\"", keep_empty, room, {{u"\"a", 3}, {u"b\"", null_cursor}}},
    {"stop inside quotes is ordinary", u"\"a;b\";c", delimited(u",", u";", true, true), room,
     {{u"a;b", null_cursor}}},
    {"stop while dropping after the quote ends tokenizing", u"\"a\"x;y,z", delimited(u",", u";", true, true),
     room, {{u"a", null_cursor}}},
    {"a closing quote that is also a stop ends tokenizing", u"\"a\"b,c", delimited(u",", u"\"", false, true),
     room, {{u"a", null_cursor}}},
    {"doubled quotes on", u"\"a\"\"b\",c", quoted_doubled, room, {{u"a\"b", 7}, {u"c", null_cursor}}},
    {"doubled quotes off: first quote closes", u"\"a\"\"b\",c", quoted, room,
     {{u"a", 7}, {u"c", null_cursor}}},
    {"doubled quotes only", u"\"\"\"\"", quoted_doubled, room, {{u"\"", null_cursor}}},
    {"doubled quote at the end of an unclosed token", u"\"a\"\"", quoted_doubled, room,
     {{u"a\"", null_cursor}}},
    {"doubled quotes without quotes have no effect", u"a\"\"b,c", delimited(u",", nullptr, true, false, true),
     room, {{u"a\"\"b", 5}, {u"c", null_cursor}}},

    // Capacities.
    {"capacity 0 writes nothing but consumes", u"abc,d", delimited(u","), 0,
     {{std::nullopt, 4}, {std::nullopt, null_cursor}}},
    {"capacity 1 stores empty text", u"abc,d", delimited(u","), 1, {{u"", 4}, {u"", null_cursor}}},
    {"capacity 2 stores one unit", u"abc,d", delimited(u","), 2, {{u"a", 4}, {u"d", null_cursor}}},
    {"capacity 3 cuts", u"abc,d", delimited(u","), 3, {{u"ab", 4}, {u"d", null_cursor}}},
    {"cut ending on white space is trimmed", u"ab cd,e", delimited(u","), 4, {{u"ab", 6}, {u"e", null_cursor}}},
    {"cut ending on several white spaces", u"a  \t b,e", delimited(u","), 5, {{u"a", 7}, {u"e", null_cursor}}},
    {"quoted cut keeps its white space", u"\"a b\",c", quoted, 3, {{u"a ", 6}, {u"c", null_cursor}}},
};

class next_token_cases : public testing::TestWithParam<token_case> {};

TEST_P(next_token_cases, yields_tokens_and_cursor_states) {
  const token_case& c = GetParam();
  const char16_t* const start = c.text.c_str();
  const char16_t* cursor = start;
  for (std::size_t i = 0; i < c.steps.size(); ++i) {
    SCOPED_TRACE("call " + std::to_string(i + 1));
    const token_step& step = c.steps[i];
    ASSERT_NE(cursor, nullptr);
    guarded_buffer buffer;
    ASSERT_TRUE(next_token(cursor, c.rules, buffer.data(), c.capacity));
    EXPECT_TRUE(buffer.untouched_before());
    EXPECT_TRUE(buffer.untouched_from(c.capacity)) << "written at or past the capacity";
    if (step.stored) {
      EXPECT_EQ(narrow(buffer.text()), narrow(*step.stored));
    } else {
      EXPECT_TRUE(buffer.untouched());
    }
    if (step.cursor_after == null_cursor) {
      EXPECT_EQ(cursor, nullptr);
    } else {
      EXPECT_EQ(cursor == nullptr ? -1 : cursor - start, step.cursor_after);
    }
  }
  guarded_buffer buffer;
  EXPECT_FALSE(next_token(cursor, c.rules, buffer.data(), c.capacity)) << "one token too many";
  EXPECT_EQ(cursor, nullptr);
  EXPECT_TRUE(buffer.untouched());
}

std::string test_name(const testing::TestParamInfo<token_case>& param) {
  std::string name = std::to_string(param.index) + "_";
  for (const char* p = param.param.name; *p != 0; ++p) {
    name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(table, next_token_cases, testing::ValuesIn(token_cases), test_name);

TEST(next_token, null_cursor_returns_false_and_writes_nothing) {
  const char16_t* cursor = nullptr;
  guarded_buffer buffer;
  EXPECT_FALSE(next_token(cursor, word_rules, buffer.data(), room));
  EXPECT_EQ(cursor, nullptr);
  EXPECT_TRUE(buffer.untouched());
}

TEST(next_token, absent_buffer_still_consumes_tokens) {
  const char16_t* const text = u"ab, \"c,d\"x ,e";
  const char16_t* cursor = text;
  const token_rules rules = delimited(u",", nullptr, true, true);
  ASSERT_TRUE(next_token(cursor, rules, nullptr, room));
  EXPECT_EQ(cursor - text, 4);
  ASSERT_TRUE(next_token(cursor, rules, nullptr, room));
  EXPECT_EQ(cursor - text, 12);
  ASSERT_TRUE(next_token(cursor, rules, nullptr, room));
  EXPECT_EQ(cursor, nullptr);
  EXPECT_FALSE(next_token(cursor, rules, nullptr, room));
}

// ---------------------------------------------------------------------------
// split_words

struct split_case {
  const char* name;
  std::u16string text;
  token_rules rules;
  std::vector<std::u16string> words;
};

const split_case split_cases[] = {
    {"lines CR LF", u"A x\r\nB\r\n", line_rules, {u"A x", u"B"}},
    {"lines LF", u"A x\nB\n", line_rules, {u"A x", u"B"}},
    {"lines CR", u"A x\rB\r", line_rules, {u"A x", u"B"}},
    {"lines mixed, blank, no final break", u"\n\r\nA x\r\r\n\n\t \nB", line_rules, {u"A x", u"B"}},
    {"lines keep inner tabs and trim ends", u" \tA\t x \t\r\n\u00A0B\u00A0", line_rules, {u"A\t x", u"B"}},
    {"words: runs of spaces and ends", u"  1   hour  ", word_rules, {u"1", u"hour"}},
    {"words: tab between words", u"3\tminutes 25", word_rules, {u"3\tminutes", u"25"}},
    {"words: tab at either end removed", u"\t3\t \tmin\t", word_rules, {u"3", u"min"}},
    {"words: no-break space at ends removed, inside kept", u"\u00A0a\u00A0b\u00A0 c", word_rules,
     {u"a\u00A0b", u"c"}},
    {"single word", u"word", word_rules, {u"word"}},
    {"empty text", u"", word_rules, {}},
    {"white space only", u" \t\v\f\u00A0 ", word_rules, {}},
    {"line breaks and white space only", u"\r\n \t\n\r \n", line_rules, {}},
    {"general settings are passed on: stop", u"a,b;c", delimited(u",", u";"), {u"a", u"b"}},
    {"general settings are passed on: keep empty", u",a,", keep_empty, {u"", u"a", u""}},
    {"general settings are passed on: quotes", u"\"a,\"\"b\",c", quoted_doubled, {u"a,\"b", u"c"}},
};

class split_words_cases : public testing::TestWithParam<split_case> {};

TEST_P(split_words_cases, fills_the_list_in_order) {
  const split_case& c = GetParam();
  word_list words{u"left over"};
  EXPECT_EQ(split_words(c.text.c_str(), c.rules, &words), !c.words.empty());
  ASSERT_EQ(words.size(), c.words.size());
  for (std::size_t i = 0; i < words.size(); ++i) {
    EXPECT_EQ(narrow(words[i]), narrow(c.words[i])) << "word " << i;
  }
  EXPECT_EQ(split_words(c.text.c_str(), c.rules, nullptr), !c.words.empty()) << "without a list";
}

INSTANTIATE_TEST_SUITE_P(table, split_words_cases, testing::ValuesIn(split_cases));

TEST(split_words, text_ends_at_its_first_zero) {
  const std::u16string text = u"a b\0c d"s;
  word_list words;
  ASSERT_TRUE(split_words(text.c_str(), word_rules, &words));
  EXPECT_EQ(words, (word_list{u"a", u"b"}));
}

TEST(split_words, long_token_is_kept_whole) {
  const std::u16string token(10000, u'x');
  word_list words;
  ASSERT_TRUE(split_words((u"  " + token + u" y").c_str(), word_rules, &words));
  ASSERT_EQ(words.size(), 2u);
  EXPECT_EQ(words[0], token);
}

// ---------------------------------------------------------------------------
// extract_trimmed

struct trim_case {
  std::u16string source;
  const char16_t* set;
  bool front;
  bool back;
  std::u16string expected;
};

const trim_case trim_cases[] = {
    {u"", line_trim_set, true, true, u""},
    {u" \t\r\n", line_trim_set, true, true, u""},
    {u" \t\r\n", line_trim_set, true, false, u""},
    {u" \t\r\n", line_trim_set, false, true, u""},
    {u" a ", line_trim_set, false, false, u" a "},
    {u" a ", line_trim_set, true, false, u"a "},
    {u" a ", line_trim_set, false, true, u" a"},
    {u" \t a \tb \r\n", line_trim_set, true, true, u"a \tb"},
    {u"\va\f", line_trim_set, true, true, u"\va\f"},
    {u"\u00A0a\u00A0", line_trim_set, true, true, u"\u00A0a\u00A0"},
    {u"xyaxby", u"yx", true, true, u"axb"},
    {u"a", u"", true, true, u"a"},
    {u"a\0 "s, u" ", true, true, u"a\0"s},  // a zero is an ordinary code unit here
};

TEST(extract_trimmed, table) {
  for (const trim_case& c : trim_cases) {
    SCOPED_TRACE(narrow(c.source) + " front=" + std::to_string(c.front) + " back=" + std::to_string(c.back));
    EXPECT_EQ(narrow(extract_trimmed(c.source, c.set, c.front, c.back)), narrow(c.expected));
  }
}

// ---------------------------------------------------------------------------
// starts_with

TEST(starts_with, table) {
  struct row {
    const char16_t* text;
    const char16_t* prefix;
    bool expected;
  };
  const row rows[] = {
      {u"DAYS", u"DAY", true},   {u"DAY", u"DAY", true}, {u"DA", u"DAY", false}, {u"", u"D", false},
      {u"abc", u"", true},       {u"", u"", true},       {u"day", u"DAY", false}, {u"SECONDLY", u"SECOND", true},
      {u"XDAY", u"DAY", false},
  };
  for (const row& r : rows) {
    EXPECT_EQ(starts_with(r.text, r.prefix), r.expected) << narrow(r.text) << " / " << narrow(r.prefix);
  }
}

TEST(starts_with, stops_at_the_terminator_of_the_text) {
  const char16_t text[] = {u'D', u'A', 0, u'Y', 0};
  EXPECT_FALSE(starts_with(text, u"DAY"));
}

// ---------------------------------------------------------------------------
// copy_bounded

struct copy_case {
  std::u16string source;
  std::uint32_t capacity;
  std::optional<std::u16string> stored;  // nullopt: nothing written
};

const copy_case copy_cases[] = {
    {u"abc", 0, std::nullopt},
    {u"abc", 1, u""},
    {u"", 1, u""},
    {u"abc", 3, u"ab"},
    {u"abc", 4, u"abc"},
    {u"abc", 20, u"abc"},
    // A cut never leaves a lone high surrogate last; an uncut text is copied as is.
    {u"a\U0001F600", 3, u"a"},
    {u"a\U0001F600", 4, u"a\U0001F600"},
    {u"\U0001F600", 2, u""},
    {u"a\U0001F600b", 4, u"a\U0001F600"},
    {u"a\U0001F600b", 5, u"a\U0001F600b"},
    {u"ab\xD800", 4, u"ab\xD800"},
    {u"ab\xD800x", 4, u"ab"},
    {u"a\xDC00" u"b", 3, u"a\xDC00"},
};

TEST(copy_bounded, table) {
  for (const copy_case& c : copy_cases) {
    SCOPED_TRACE(narrow(c.source) + " capacity " + std::to_string(c.capacity));
    guarded_buffer buffer;
    copy_bounded(buffer.data(), c.source.c_str(), c.capacity);
    EXPECT_TRUE(buffer.untouched_before());
    if (!c.stored) {
      EXPECT_TRUE(buffer.untouched());
      continue;
    }
    EXPECT_EQ(narrow(buffer.text()), narrow(*c.stored));
    // Exactly the text and its terminator are written.
    EXPECT_TRUE(buffer.untouched_from(c.stored->size() + 1));
  }
}

TEST(copy_bounded, absent_buffer_writes_nothing) {
  const std::u16string source = u"abc";
  copy_bounded(nullptr, source.c_str(), 10);
  EXPECT_EQ(source, u"abc");
}

// ---------------------------------------------------------------------------
// White space

TEST(is_white_space, exactly_the_fixed_set_below_0100) {
  for (char16_t c = 0; c < 0x100; ++c) {
    const bool expected = (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0;
    EXPECT_EQ(is_white_space(c), expected) << "U+" << std::hex << static_cast<int>(c);
  }
  EXPECT_FALSE(is_white_space(0x0100));
  EXPECT_FALSE(is_white_space(0x4E00));
}

TEST(is_member, terminator_is_never_a_member_and_null_set_is_empty) {
  EXPECT_TRUE(is_member(u'b', u"abc"));
  EXPECT_FALSE(is_member(u'd', u"abc"));
  EXPECT_FALSE(is_member(0, u"abc"));
  EXPECT_FALSE(is_member(u'a', nullptr));
}

// ---------------------------------------------------------------------------
// Upper-casing without a user locale

TEST(to_upper_user, without_a_locale_only_a_to_z_change) {
  ASSERT_FALSE(has_user_locale()) << "this program must never create the user locale";
  struct row {
    std::u16string in;
    std::u16string out;
  };
  const row rows[] = {
      {u"", u""},
      {u"bit rate", u"BIT RATE"},
      {u"az AZ 09 {`@[", u"AZ AZ 09 {`@["},
      {u"\u00E9\u00FF\u00B5\u00DF\u0101", u"\u00E9\u00FF\u00B5\u00DF\u0101"},
      {u"a\0b"s, u"A\0B"s},  // by length, not up to a zero
  };
  for (const row& r : rows) {
    std::u16string text = r.in;
    to_upper_user(text);
    EXPECT_EQ(narrow(text), narrow(r.out));
  }
}

}  // namespace
}  // namespace ambrel::text
