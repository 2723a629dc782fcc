// ambrel_probe: loads a viewer plugin the way the host does and prints what
// it reports about itself and about each file named on the command line.
#include <windows.h>

#include <string>

#include "tools/probe/command_line.h"
#include "tools/probe/console.h"
#include "tools/probe/file_report.h"
#include "tools/probe/plugin_module.h"
#include "tools/probe/plugin_report.h"
#include "tools/probe/report_lines.h"

namespace {

using namespace ambrel::probe;

enum exit_status : int {
  done = 0,
  host_refused = 1,
  bad_command_line = 2,
  plugin_not_loadable = 3,
};

std::wstring version_text(const std::array<std::uint16_t, 4>& version) {
  return std::to_wstring(version[0]) + L'.' + std::to_wstring(version[1]) + L'.' + std::to_wstring(version[2]) +
         L'.' + std::to_wstring(version[3]);
}

int run(const probe_options& options) {
  const std::wstring plugin_path = options.plugin.empty() ? default_plugin_path() : options.plugin;
  print(field_line(L"Plugin", plugin_path, 0));

  const com_apartment com;
  if (FAILED(com.result())) {
    print_error(L"warning: COM could not be initialised on this thread: " +
                system_message(static_cast<DWORD>(com.result())) + L"\n");
  }

  plugin_module plugin;
  std::wstring error;
  if (!plugin.load(plugin_path, error)) {
    print_error(L"error: " + error + L"\n");
    return plugin_not_loadable;
  }

  const std::wstring host_version = version_text(options.host_version);
  const plugin_initialisation initialisation(plugin.exports(), options.host_version);
  if (initialisation.accepted()) {
    print(field_line(L"DVP_InitEx", L"accepted host " + host_version, 0));
  } else {
    print(field_line(L"DVP_InitEx", L"REFUSED host " + host_version + L" (returned 0); probing without it", 0));
  }

  print(identify_plugin(plugin.exports()));
  for (const std::wstring& file : options.files) {
    print(L"\n" + probe_file(plugin.exports(), file));
  }
  return initialisation.accepted() ? done : host_refused;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  prepare_console();
  try {
    probe_options options;
    std::wstring error;
    if (!parse_command_line(argc, argv, options, error)) {
      print_error(L"error: " + error + L"\nTry 'ambrel_probe --help'.\n");
      return bad_command_line;
    }
    if (options.help) {
      print(usage_text(default_plugin_path()));
      return done;
    }
    return run(options);
  } catch (const std::exception& failure) {
    const std::string what = failure.what();
    print_error(L"error: " + std::wstring(what.begin(), what.end()) + L"\n");
    return plugin_not_loadable;
  }
}
