#include "text/tokenizer.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <string>

#include "text/char_class.h"

namespace ambrel::text {
namespace {

constexpr char16_t quote = u'"';

struct rule_tests {
  const token_rules& rules;
  bool stop(char16_t c) const noexcept { return is_member(c, rules.stop_chars); }
  bool delimiter(char16_t c) const noexcept { return is_member(c, rules.delimiters); }
};

// White space is tested first, so it is skipped even when it is also a
// delimiter or a stop character.
const char16_t* skip_leading(const char16_t* p, const rule_tests& is) noexcept {
  for (;;) {
    const char16_t c = *p;
    if (is_white_space(c)) {
      ++p;
    } else if (c == 0 || is.stop(c)) {
      return p;
    } else if (is.rules.skip_empty && is.delimiter(c)) {
      ++p;
    } else {
      return p;
    }
  }
}

}  // namespace

bool next_token(const char16_t*& cursor, const token_rules& rules, char16_t* buffer,
                std::uint32_t capacity) noexcept {
  if (cursor == nullptr) {
    return false;
  }
  const rule_tests is{rules};
  const char16_t* p = skip_leading(cursor, is);

  if (rules.skip_empty && (*p == 0 || is.stop(*p))) {
    cursor = nullptr;
    return false;
  }

  const bool quoted = rules.allow_quotes && *p == quote;
  if (quoted) {
    ++p;
  }

  std::uint32_t remaining = capacity;
  std::uint32_t stored = 0;
  for (; *p != 0; ++p) {
    char16_t c = *p;
    if (quoted) {
      if (c == quote) {
        if (!rules.doubled_quotes || p[1] != quote) {
          break;
        }
        c = *++p;  // the first of a doubled pair is dropped, the second kept
      }
    } else if (is.delimiter(c) || is.stop(c)) {
      break;
    }
    if (buffer != nullptr && remaining > 1) {
      buffer[stored++] = c;
      --remaining;
    }
  }

  if (buffer != nullptr && remaining != 0) {
    buffer[stored] = 0;
    if (!quoted) {
      while (stored > 0 && is_white_space(buffer[stored - 1])) {
        buffer[--stored] = 0;
      }
    }
  }

  // Whatever follows a closing quote up to the next delimiter is dropped.
  if (quoted && *p != 0 && !is.stop(*p)) {
    ++p;
    while (*p != 0 && !is.stop(*p) && !is.delimiter(*p)) {
      ++p;
    }
  }

  if (*p != 0 && !is.stop(*p) && is.delimiter(*p)) {
    ++p;
    while (*p != 0 && !is.stop(*p) && is_white_space(*p)) {
      ++p;
    }
    cursor = p;
    return true;
  }
  cursor = nullptr;
  return true;
}

bool split_words(const char16_t* text, const token_rules& rules, word_list* list) {
  if (list != nullptr) {
    list->clear();
  }
  const std::size_t length = std::char_traits<char16_t>::length(text);
  // The scratch buffer holds any token whole, so tokens are never cut here.
  const std::size_t capacity =
      std::min<std::size_t>(length + 1, std::numeric_limits<std::uint32_t>::max());
  const auto scratch = std::make_unique_for_overwrite<char16_t[]>(capacity);

  bool produced = false;
  const char16_t* cursor = text;
  while (next_token(cursor, rules, scratch.get(), static_cast<std::uint32_t>(capacity))) {
    produced = true;
    if (list != nullptr) {
      list->emplace_back(scratch.get());
    }
  }
  return produced;
}

}  // namespace ambrel::text
