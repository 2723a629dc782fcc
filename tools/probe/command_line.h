#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ambrel::probe {

struct probe_options {
  std::wstring plugin;  // empty: the default module
  std::array<std::uint16_t, 4> host_version{13, 0, 0, 0};
  std::vector<std::wstring> files;
  bool help = false;
};

// False for a bad command line, with the reason in `error`.
bool parse_command_line(int argc, const wchar_t* const* argv, probe_options& options, std::wstring& error);

// "a.b.c.d", each part 0 to 65535.
bool parse_version(const std::wstring& text, std::array<std::uint16_t, 4>& version);

std::wstring usage_text(const std::wstring& default_plugin);

}  // namespace ambrel::probe
