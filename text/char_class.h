#pragma once

namespace ambrel::text {

// Below U+0100 the set is fixed so every platform splits tag text alike;
// above it the platform's wide-character data decide.
bool is_white_space(char16_t c) noexcept;

// Membership in a zero-terminated character set; a null set is empty and
// the terminator is never a member.
bool is_member(char16_t c, const char16_t* set) noexcept;

}  // namespace ambrel::text
