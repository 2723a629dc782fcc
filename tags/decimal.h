#pragma once

#include <cstdint>
#include <string_view>

namespace ambrel::tags {

// Leading white space, an optional sign, then digits up to the first other
// code unit; no digits gives 0. Clamped to the signed 32-bit range.
std::int32_t to_int32(std::u16string_view value) noexcept;

// Leading white space, optional sign, digits with an optional full stop and
// exponent (also inf and nan); no number gives 0.0. Never uses the process's
// locale, so a comma always ends the number. Throws std::bad_alloc.
double to_double(std::u16string_view value);

}  // namespace ambrel::tags
