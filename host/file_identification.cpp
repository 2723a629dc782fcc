// Per-file identification: every file is accepted while the plugin is
// initialised, without opening it. Kept apart from plugin identification,
// which needs the module file's version block.
#include "host/identification.h"
#include "host/lifecycle.h"

namespace ambrel::host {
namespace {

constexpr std::uint32_t file_accepted_flags = 0x800;

}  // namespace

bool identify_file(file_identification* record) noexcept {
  if (record == nullptr || !plugin_state_exists()) {
    return false;
  }
  record->flags = file_accepted_flags;
  record->accepted = 1;
  return true;
}

}  // namespace ambrel::host
