// next_token (with the count next_token_stored reports) and split_words under
// every combination of switches, sets and capacity. A second cursor with a
// buffer that holds any token whole walks the same text in lockstep: the
// capacity may only shorten what is stored, never change how far it moves.
//
// Input layout (fuzz/corpus/tokenizer holds examples):
//   byte  0     bit 0 skip_empty, bit 1 allow_quotes, bit 2 doubled_quotes,
//               bit 3 no buffer, bit 4 no stop characters (null set)
//   bytes 1-2   capacity, little-endian, taken modulo 4096
//   byte  3     number of delimiters (modulo 8), byte 4 of stop characters
//   then        the delimiters, the stop characters and the text, UTF-16LE
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "text/char_class.h"
#include "text/tokenizer.h"

namespace {

using ambrel::text::token_rules;

constexpr std::size_t header_size = 5;
constexpr std::size_t guard_units = 8;
constexpr char16_t buffer_fill = 0xA5A5;
constexpr char16_t guard_fill = 0x5A5A;

[[noreturn]] void fail(const char* what) {
  __builtin_printf("tokenizer fuzzer: %s\n", what);
  std::abort();
}

class input {
 public:
  input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::u16string units(std::size_t count) {
    std::u16string out;
    for (; count > 0 && at_ + 1 < size_; --count, at_ += 2) {
      out.push_back(static_cast<char16_t>(data_[at_] | data_[at_ + 1] << 8));
    }
    return out;
  }
  std::u16string rest() { return units(size_); }
  void skip(std::size_t bytes) { at_ += bytes; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

std::u16string stored_text(const char16_t* buffer, std::size_t capacity) {
  std::u16string out;
  for (std::size_t i = 0; i < capacity && buffer[i] != 0; ++i) out.push_back(buffer[i]);
  return out;
}

// Without quotes a token is a run between delimiters, trimmed of white space.
void check_unquoted_token(const std::u16string& token, const token_rules& rules) {
  for (char16_t c : token) {
    if (ambrel::text::is_member(c, rules.delimiters) || ambrel::text::is_member(c, rules.stop_chars)) {
      fail("unquoted token holds a delimiter or stop character");
    }
  }
  if (!token.empty() &&
      (ambrel::text::is_white_space(token.front()) || ambrel::text::is_white_space(token.back()))) {
    fail("unquoted token keeps white space at an end");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < header_size) return -1;
  const std::uint8_t switches = data[0];
  const std::uint32_t capacity = static_cast<std::uint32_t>(data[1] | data[2] << 8) % 4096;
  const std::size_t delimiter_count = data[3] % 8;
  const std::size_t stop_count = data[4] % 8;

  input in(data, size);
  in.skip(header_size);
  const std::u16string delimiters = in.units(delimiter_count);
  const std::u16string stops = in.units(stop_count);
  const std::u16string body = in.rest();

  token_rules rules;
  rules.delimiters = delimiters.c_str();
  rules.stop_chars = (switches & 16) != 0 ? nullptr : stops.c_str();
  rules.skip_empty = (switches & 1) != 0;
  rules.allow_quotes = (switches & 2) != 0;
  rules.doubled_quotes = (switches & 4) != 0;

  // Exactly as long as the text plus its terminator, so reading past it shows.
  const std::size_t length = std::char_traits<char16_t>::length(body.c_str());
  const auto text = std::make_unique<char16_t[]>(length + 1);
  std::char_traits<char16_t>::copy(text.get(), body.c_str(), length + 1);
  const char16_t* const end = text.get() + length;

  const bool has_buffer = (switches & 8) == 0;
  std::unique_ptr<char16_t[]> buffer;
  if (has_buffer) {
    buffer = std::make_unique<char16_t[]>(capacity + guard_units);
    for (std::size_t i = 0; i < capacity; ++i) buffer[i] = buffer_fill;
    for (std::size_t i = capacity; i < capacity + guard_units; ++i) buffer[i] = guard_fill;
  }
  const auto whole = std::make_unique<char16_t[]>(length + 1);

  const char16_t* cursor = text.get();
  const char16_t* reference = text.get();
  std::vector<std::u16string> tokens;
  for (std::size_t step = 0;; ++step) {
    if (step > length + 2) fail("tokenizing does not end");
    const char16_t* const from = cursor;
    const std::vector<char16_t> before(buffer.get(), buffer.get() + (has_buffer ? capacity : 0));

    const bool produced = ambrel::text::next_token(cursor, rules, buffer.get(), capacity);
    std::uint32_t stored = 0;
    const bool reference_produced =
        ambrel::text::next_token_stored(reference, rules, whole.get(), static_cast<std::uint32_t>(length + 1), stored);

    if (produced != reference_produced || cursor != reference) fail("capacity changed how the text is consumed");
    if (cursor != nullptr && (cursor < from || cursor > end)) fail("cursor moved backwards or past the terminator");
    if (produced && cursor != nullptr && cursor == from) fail("token produced without the cursor moving");
    if (has_buffer) {
      for (std::size_t i = capacity; i < capacity + guard_units; ++i) {
        if (buffer[i] != guard_fill) fail("write past the buffer's capacity");
      }
      const bool untouched = std::equal(before.begin(), before.end(), buffer.get());
      if ((!produced || capacity == 0) && !untouched) fail("buffer written without a token to store");
      if (produced && capacity >= 1) {
        if (std::char_traits<char16_t>::find(buffer.get(), capacity, 0) == nullptr) fail("token not terminated");
        const std::u16string token = stored_text(whole.get(), length + 1);
        if (!token.starts_with(stored_text(buffer.get(), capacity))) fail("a cut token is not a prefix of the whole token");
      }
    }
    if (!produced) {
      if (cursor != nullptr) fail("false result left the cursor set");
      break;
    }
    tokens.push_back(stored_text(whole.get(), length + 1));
    if (tokens.back().size() != stored) fail("stored count differs from the token's length");
    if (!rules.allow_quotes) check_unquoted_token(tokens.back(), rules);
  }

  const char16_t* exhausted = nullptr;
  if (ambrel::text::next_token(exhausted, rules, buffer.get(), capacity)) fail("null cursor produced a token");

  ambrel::text::word_list list{u"left over"};
  const bool any = ambrel::text::split_words(text.get(), rules, &list);
  if (any != !tokens.empty() || list != tokens) fail("split_words disagrees with next_token");
  if (ambrel::text::split_words(text.get(), rules, nullptr) != any) fail("split_words without a list disagrees");
  return 0;
}
