#pragma once

#include <string_view>

namespace ambrel::probe {

// Output reads right in a console and when redirected: a console gets wide
// text, a pipe or file gets UTF-8.
void prepare_console() noexcept;
void print(std::wstring_view text) noexcept;
void print_error(std::wstring_view text) noexcept;

}  // namespace ambrel::probe
