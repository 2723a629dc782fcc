// The seven exports: thin shims over the core, C calling convention.
#include <windows.h>

#include "host/export_guard.h"
#include "host/identification.h"
#include "host/lifecycle.h"
#include "host/records.h"
#include "tags/file_info_request.h"

using namespace ambrel;

extern "C" {

int __cdecl DVP_Init(void) { return 0; }

int __cdecl DVP_USBSafe(void* /*usb_safe_data*/) { return 1; }

int __cdecl DVP_InitEx(const host::init_data* data) {
  return host::guarded([&] { return host::init_ex(data); });
}

void __cdecl DVP_Uninit(void) { host::uninit(); }

int __cdecl DVP_IdentifyW(host::plugin_info* info) {
  return host::guarded([&] { return host::identify(info); });
}

int __cdecl DVP_IdentifyFileW(void* /*window*/, const wchar_t* /*name*/,
                              host::file_identification* record, void* /*abort_event*/) {
  return host::identify_file(record) ? 1 : 0;
}

int __cdecl DVP_GetFileInfoFileW(void* /*window*/, const wchar_t* path, void* /*file*/,
                                 host::music_info* record) {
  return host::guarded([&] { return tags::serve_file_info(path, record); });
}

}  // extern "C"
