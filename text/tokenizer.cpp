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
  explicit rule_tests(const token_rules& r) noexcept : rules(r) {
    for (const char16_t* set : {rules.delimiters, rules.stop_chars}) {
      for (; set != nullptr && *set != 0; ++set) {
        if (*set < 64) {
          low_enders |= std::uint64_t{1} << *set;
        } else {
          high_enders = true;
        }
      }
    }
  }
  bool stop(char16_t c) const noexcept { return is_member(c, rules.stop_chars); }
  bool delimiter(char16_t c) const noexcept { return is_member(c, rules.delimiters); }
  // The terminator, a delimiter or a stop character: the end of an unquoted
  // token. Units below 64 are looked up in one word, as every set the module
  // uses lies there.
  bool ends_unquoted(char16_t c) const noexcept {
    return c < 64 ? ((low_enders >> c) & 1) != 0 : high_enders && (delimiter(c) || stop(c));
  }

  const token_rules& rules;
  std::uint64_t low_enders = 1;  // the terminator
  bool high_enders = false;
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

bool next_token_stored(const char16_t*& cursor, const token_rules& rules, char16_t* buffer,
                       std::uint32_t capacity, std::uint32_t& stored) noexcept {
  stored = 0;
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
  if (quoted) {
    for (; *p != 0; ++p) {
      char16_t c = *p;
      if (c == quote) {
        if (!rules.doubled_quotes || p[1] != quote) {
          break;
        }
        c = *++p;  // the first of a doubled pair is dropped, the second kept
      }
      if (buffer != nullptr && remaining > 1) {
        buffer[stored++] = c;
        --remaining;
      }
    }
  } else {
    // An unquoted token is one run: find its end, then store what fits.
    const char16_t* const start = p;
    while (!is.ends_unquoted(*p)) {
      ++p;
    }
    if (buffer != nullptr && remaining > 1) {
      stored = static_cast<std::uint32_t>(std::min<std::size_t>(static_cast<std::size_t>(p - start), remaining - 1));
      std::char_traits<char16_t>::copy(buffer, start, stored);
      remaining -= stored;
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

bool next_token(const char16_t*& cursor, const token_rules& rules, char16_t* buffer,
                std::uint32_t capacity) noexcept {
  std::uint32_t stored;
  return next_token_stored(cursor, rules, buffer, capacity, stored);
}

bool split_words(const char16_t* text, const token_rules& rules, word_list* list) {
  if (list != nullptr) {
    list->clear();
  }
  return for_each_token(text, rules, [&](std::u16string_view token) {
    if (list != nullptr) {
      list->emplace_back(token);
    }
  });
}

}  // namespace ambrel::text
