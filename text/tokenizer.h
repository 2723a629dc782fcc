#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "text/word_list.h"

namespace ambrel::text {

// How a text is cut into tokens. Sets are zero-terminated; stop_chars may be null.
struct token_rules {
  const char16_t* delimiters = u"";
  const char16_t* stop_chars = nullptr;
  bool skip_empty = true;
  bool allow_quotes = false;
  bool doubled_quotes = false;
};

// The only settings the module itself uses.
inline constexpr token_rules line_rules{u"\n\r", nullptr, true, false, false};
inline constexpr token_rules word_rules{u" ", nullptr, true, false, false};

// Cuts one token out of the text under `cursor`; the cursor becomes null once
// the text is exhausted. At most capacity - 1 code units are stored in
// `buffer` (which may be null), and it is terminated whenever capacity >= 1.
bool next_token(const char16_t*& cursor, const token_rules& rules, char16_t* buffer,
                std::uint32_t capacity) noexcept;

// next_token that also tells how many code units the buffer received.
bool next_token_stored(const char16_t*& cursor, const token_rules& rules, char16_t* buffer,
                       std::uint32_t capacity, std::uint32_t& stored) noexcept;

// Runs next_token over a whole zero-terminated text and hands each token to
// `visit` as it is cut, in order. True when there was at least one token.
// Throws std::bad_alloc, or what `visit` throws.
template <class Visit>
bool for_each_token(const char16_t* text, const token_rules& rules, Visit&& visit) {
  const std::size_t length = std::char_traits<char16_t>::length(text);
  // The scratch buffer holds any token whole, so tokens are never cut here.
  // Short texts, such as a value cut into words, need no allocation.
  const std::size_t capacity = std::min<std::size_t>(length + 1, std::numeric_limits<std::uint32_t>::max());
  char16_t small[64];
  std::unique_ptr<char16_t[]> large;
  if (capacity > std::size(small)) {
    large = std::make_unique_for_overwrite<char16_t[]>(capacity);
  }
  char16_t* const scratch = large ? large.get() : small;
  bool produced = false;
  const char16_t* cursor = text;
  std::uint32_t stored = 0;
  while (next_token_stored(cursor, rules, scratch, static_cast<std::uint32_t>(capacity), stored)) {
    produced = true;
    visit(std::u16string_view(scratch, stored));
  }
  return produced;
}

// Runs next_token over a whole zero-terminated text. `list` (may be null) is
// cleared first and receives a copy of every token. Throws std::bad_alloc.
bool split_words(const char16_t* text, const token_rules& rules, word_list* list);

}  // namespace ambrel::text
