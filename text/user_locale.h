#pragma once

#include <cstddef>
#include <string>

namespace ambrel::text {

// Creates the module-wide locale from the user's default. Called once while
// the module's static data is initialised, before any export can run; the
// locale is never freed.
void create_user_locale() noexcept;

bool has_user_locale() noexcept;

// Upper-cases every code unit in place under the user locale, or only a to z
// when the locale could not be created. The length never changes.
void to_upper_user(std::u16string& text) noexcept;
void to_upper_user(char16_t* units, std::size_t count) noexcept;

}  // namespace ambrel::text
