#pragma once

// Controls of the stand-in tag reader, exported by name from its DLL so a test
// or the demo can steer it in-process (GetProcAddress on the loaded server).

enum standin_behaviour : int {
  standin_normal = 0,          // serve the tag text (override, else the sidecar file)
  standin_refuse_creation = 1, // the class factory refuses to create a reader
  standin_null_interface = 2,  // creation reports S_OK but hands out no reader
  standin_fail_s_false = 3,    // the tag-text method returns S_FALSE, leaving a text
  standin_fail_e_fail = 4,     // the tag-text method returns E_FAIL, leaving a text
  standin_null_text = 5,       // the tag-text method returns S_OK and no text
};

// A sidecar beside each audio file holds its tag text in UTF-8: PATH + this suffix.
#define STANDIN_SIDECAR_SUFFIX L".tags"

extern "C" {
using standin_set_behaviour_fn = void(__cdecl*)(int behaviour);
// Serve this text (length code units, zeros allowed) for every path; null
// goes back to the sidecar files.
using standin_set_text_fn = void(__cdecl*)(const wchar_t* text, int length);
// Readers created and not yet released.
using standin_live_readers_fn = long(__cdecl*)();
// Readers created since load.
using standin_created_fn = long(__cdecl*)();
// Tag-text calls served since load.
using standin_calls_fn = long(__cdecl*)();
}
