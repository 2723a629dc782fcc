#include "tools/probe/plugin_report.h"

#include <array>
#include <cstdio>

#include "tools/probe/report_lines.h"

namespace ambrel::probe {
namespace {

constexpr std::uint32_t text_capacity = 512;

// Room past the record, should a plugin know a larger one.
struct plugin_info_storage {
  host::plugin_info info;
  unsigned char spare[256];
};

// The host leaves a pointer here for the plugin to replace with its list.
constexpr char16_t no_extensions[] = u"";

std::size_t count_extensions(std::wstring_view list) {
  if (list.empty()) {
    return 0;
  }
  std::size_t count = 1;
  for (const wchar_t c : list) {
    count += c == L';' ? 1 : 0;
  }
  return count;
}

}  // namespace

std::wstring identify_plugin(const plugin_exports& plugin) {
  plugin_info_storage storage{};
  std::array<std::array<char16_t, text_capacity>, 4> texts{};
  host::plugin_info& info = storage.info;
  info.size = sizeof info;
  info.extensions = no_extensions;
  info.name = texts[0].data();
  info.description = texts[1].data();
  info.copyright = texts[2].data();
  info.web_address = texts[3].data();
  info.name_capacity = info.description_capacity = info.copyright_capacity = info.web_address_capacity =
      text_capacity;

  if (plugin.identify(&info) == 0) {
    return field_line(L"Identification", L"(identification failed)", 0);
  }
  std::wstring report;
  report += field_line(L"Name", from_host_text(info.name), 0);
  report += field_line(L"Version", format_version(info.version_high, info.version_low), 0);
  report += field_line(L"Description", from_host_text(info.description), 0);
  report += field_line(L"Copyright", from_host_text(info.copyright), 0);
  report += field_line(L"Web address", from_host_text(info.web_address), 0);
  if (info.extensions == no_extensions) {
    report += field_line(L"Extensions", L"(not given)", 0);
  } else {
    const std::wstring list = from_host_text(info.extensions);
    report += field_line(L"Extensions", list + L" (" + std::to_wstring(count_extensions(list)) + L")", 0);
  }
  wchar_t flags[16];
  std::swprintf(flags, 16, L"0x%08X", static_cast<unsigned>(info.flags));
  report += field_line(L"Flags", flags, 0);
  report += field_line(L"Identity", format_identity(info.identity), 0);
  report += field_line(L"Icon", info.icon != nullptr ? L"loaded" : L"none", 0);
  return report;
}

}  // namespace ambrel::probe
