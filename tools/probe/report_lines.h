#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/records.h"

namespace ambrel::probe {

// "Label           : value", indented by `indent` spaces.
std::wstring field_line(std::wstring_view label, std::wstring_view value, int indent = 2);

// "205 s (3:25)", "3723 s (1:02:03)".
std::wstring format_length(std::int32_t seconds);

// "1.0.0.3" from the two words of a packed version.
std::wstring format_version(std::uint32_t high, std::uint32_t low);

// "{1A88930C-CD54-4B6D-8F1F-C66C65F6B83C}".
std::wstring format_identity(const host::plugin_identity& identity);

// Host text as the console's wide text.
std::wstring from_host_text(const char16_t* text);

}  // namespace ambrel::probe
