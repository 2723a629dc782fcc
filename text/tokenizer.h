#pragma once

#include <cstdint>

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

// Runs next_token over a whole zero-terminated text. `list` (may be null) is
// cleared first and receives a copy of every token. Throws std::bad_alloc.
bool split_words(const char16_t* text, const token_rules& rules, word_list* list);

}  // namespace ambrel::text
