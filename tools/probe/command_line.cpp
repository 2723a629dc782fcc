#include "tools/probe/command_line.h"

#include <cwctype>
#include <string_view>

namespace ambrel::probe {

bool parse_version(const std::wstring& text, std::array<std::uint16_t, 4>& version) {
  std::array<std::uint16_t, 4> parts{};
  std::size_t at = 0;
  for (std::size_t part = 0; part < parts.size(); ++part) {
    if (part > 0) {
      if (at >= text.size() || text[at] != L'.') {
        return false;
      }
      ++at;
    }
    std::uint32_t number = 0;
    const std::size_t first_digit = at;
    while (at < text.size() && std::iswdigit(text[at]) && at - first_digit < 6) {
      number = number * 10 + static_cast<std::uint32_t>(text[at] - L'0');
      ++at;
    }
    if (at == first_digit || number > 0xFFFF) {
      return false;
    }
    parts[part] = static_cast<std::uint16_t>(number);
  }
  if (at != text.size()) {
    return false;
  }
  version = parts;
  return true;
}

bool parse_command_line(int argc, const wchar_t* const* argv, probe_options& options, std::wstring& error) {
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring_view argument = argv[i];
    if (options_end || argument.empty() || argument[0] != L'-') {
      options.files.emplace_back(argument);
    } else if (argument == L"--") {
      options_end = true;
    } else if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
      options.help = true;
    } else if (argument == L"--plugin" || argument == L"--host-version") {
      if (i + 1 >= argc) {
        error = std::wstring(argument) + L" needs a value";
        return false;
      }
      const std::wstring value = argv[++i];
      if (argument == L"--plugin") {
        options.plugin = value;
      } else if (!parse_version(value, options.host_version)) {
        error = L"invalid --host-version '" + value + L"': expected four numbers from 0 to 65535, like 13.0.0.0";
        return false;
      }
    } else {
      error = L"unknown option '" + std::wstring(argument) + L"'";
      return false;
    }
  }
  return true;
}

std::wstring usage_text(const std::wstring& default_plugin) {
  return L"Usage: ambrel_probe [--plugin DLL] [--host-version A.B.C.D] [FILE...]\n"
         L"\n"
         L"Loads a Directory Opus viewer plugin as the host does (COM initialised\n"
         L"apartment-threaded on the calling thread), initialises it, prints its\n"
         L"identification and, for each FILE, whether it accepts the file and every\n"
         L"music field DVP_GetFileInfoFileW set.\n"
         L"\n"
         L"  --plugin DLL            plugin to load; default: AmbrelTags.dll beside this\n"
         L"                          program if there is one, else the module of the\n"
         L"                          build tree this program was built in:\n"
         L"                          " +
         default_plugin +
         L"\n"
         L"  --host-version A.B.C.D  host version given to DVP_InitEx (default 13.0.0.0)\n"
         L"  --help                  this text\n"
         L"\n"
         L"Exit status: 0 done; 1 the plugin refused the host version; 2 bad command\n"
         L"line; 3 the plugin or one of its exports could not be loaded.\n";
}

}  // namespace ambrel::probe
