#include "tools/probe/report_lines.h"

#include <cstdio>

namespace ambrel::probe {

std::wstring field_line(std::wstring_view label, std::wstring_view value, int indent) {
  constexpr std::size_t label_width = 17;
  std::wstring line(static_cast<std::size_t>(indent), L' ');
  line += label;
  if (label.size() < label_width) {
    line.append(label_width - label.size(), L' ');
  }
  line += L": ";
  line += value;
  line += L'\n';
  return line;
}

std::wstring format_length(std::int32_t seconds) {
  std::wstring text = std::to_wstring(seconds) + L" s";
  if (seconds >= 0) {
    const std::int32_t hours = seconds / 3600;
    const std::int32_t minutes = seconds / 60 % 60;
    wchar_t clock[32];
    if (hours > 0) {
      std::swprintf(clock, 32, L" (%d:%02d:%02d)", hours, minutes, seconds % 60);
    } else {
      std::swprintf(clock, 32, L" (%d:%02d)", minutes, seconds % 60);
    }
    text += clock;
  }
  return text;
}

std::wstring format_version(std::uint32_t high, std::uint32_t low) {
  return std::to_wstring(high >> 16) + L'.' + std::to_wstring(high & 0xFFFF) + L'.' + std::to_wstring(low >> 16) +
         L'.' + std::to_wstring(low & 0xFFFF);
}

std::wstring format_identity(const host::plugin_identity& identity) {
  wchar_t text[40];
  std::swprintf(text, 40, L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(identity.data1),
                static_cast<unsigned>(identity.data2), static_cast<unsigned>(identity.data3),
                static_cast<unsigned>(identity.data4[0]), static_cast<unsigned>(identity.data4[1]),
                static_cast<unsigned>(identity.data4[2]), static_cast<unsigned>(identity.data4[3]),
                static_cast<unsigned>(identity.data4[4]), static_cast<unsigned>(identity.data4[5]),
                static_cast<unsigned>(identity.data4[6]), static_cast<unsigned>(identity.data4[7]));
  return text;
}

std::wstring from_host_text(const char16_t* text) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  return text != nullptr ? std::wstring(reinterpret_cast<const wchar_t*>(text)) : std::wstring();
}

}  // namespace ambrel::probe
