#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ambrel::text {

// The set used for keys and values of tag lines.
inline constexpr const char16_t* line_trim_set = u" \t\n\r";

// `source` without the members of `trim_set` at its front and/or back.
std::u16string_view trimmed_view(std::u16string_view source, const char16_t* trim_set, bool trim_front,
                                 bool trim_back) noexcept;

// The same as a string of its own.
std::u16string extract_trimmed(std::u16string_view source, const char16_t* trim_set,
                               bool trim_front, bool trim_back);

// Exact, case-sensitive prefix test; never reads past the terminator of `text`.
bool starts_with(const char16_t* text, const char16_t* prefix) noexcept;

// Copies `source` into a host text buffer of `capacity` code units (terminator
// included): at most capacity - 1 units, always terminated. Null buffer or
// capacity 0 writes nothing. A cut never ends on a lone high surrogate.
void copy_bounded(char16_t* buffer, const char16_t* source, std::uint32_t capacity) noexcept;

}  // namespace ambrel::text
