// Load and unload. The module's static data below is initialised before the
// process-attach notification and torn down after process detach, in the
// order written: the user locale first, then the module atom.
#include <windows.h>

#include "host/lifecycle.h"
#include "text/user_locale.h"

namespace {

struct user_locale_startup {
  user_locale_startup() noexcept { ambrel::text::create_user_locale(); }
};
const user_locale_startup user_locale_created;

// Held in the global atom table while the module is loaded.
class module_atom {
 public:
  module_atom() noexcept : atom_(GlobalAddAtomW(L"{C73ECBF0-8E75-4421-B1B1-EB3D8EB0C19F}")) {}
  ~module_atom() {
    if (atom_ != 0) {
      GlobalDeleteAtom(atom_);
      atom_ = 0;
    }
  }
  module_atom(const module_atom&) = delete;
  module_atom& operator=(const module_atom&) = delete;

 private:
  ATOM atom_;
};
module_atom atom_held;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      ambrel::host::on_process_attach(module);
      break;
    case DLL_PROCESS_DETACH:
      ambrel::host::on_process_detach();
      break;
    default:
      break;
  }
  return TRUE;
}
