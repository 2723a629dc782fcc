// Timing of the module's exports under the Windows loader and COM (Google
// Benchmark is not built for mingw here, so this is a plain program).
//
// A full DVP_GetFileInfoFileW with the stand-in reader is timed against the
// same COM round trip without any parsing (path string, create the reader,
// call its tag-text method, release it, free both strings), in alternating
// batches of one run; the difference is the module's own share. Then
// DVP_IdentifyFileW and DVP_IdentifyW per call.
//
// Usage: wine_request_timing.exe [rounds]   (prefix with the stand-in registered)
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "benchmarks/roomy_record.h"
#include "host/records.h"
#include "tests/support/sample_tag_texts.h"
#include "tools/standin_reader/standin_control.h"

namespace {

using namespace ambrel;
using clock_type = std::chrono::steady_clock;

using get_file_info_fn = int(__cdecl*)(void*, const wchar_t*, void*, host::music_info*);
using init_ex_fn = int(__cdecl*)(const host::init_data*);
using uninit_fn = void(__cdecl*)();
using identify_fn = int(__cdecl*)(host::plugin_info*);
using identify_file_fn = int(__cdecl*)(void*, const wchar_t*, host::file_identification*, void*);

// {1C2E0932-61B5-4EAB-A832-06EE6564047D}
constexpr CLSID reader_class = {0x1C2E0932, 0x61B5, 0x4EAB, {0xA8, 0x32, 0x06, 0xEE, 0x65, 0x64, 0x04, 0x7D}};
// {0AF59AC7-A0A3-4DAD-A040-95A935F1DE04}
constexpr IID reader_interface = {0x0AF59AC7, 0xA0A3, 0x4DAD, {0xA0, 0x40, 0x95, 0xA9, 0x35, 0xF1, 0xDE, 0x04}};
using tag_text_method = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, BSTR, BSTR*);

constexpr wchar_t path[] = L"C:\\Music\\The Quiet Hours\\03 Northern Lights.mp3";

// Windows wide text is UTF-16, so the shared sample serves as it is.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
const wchar_t* const typical_tag_text = reinterpret_cast<const wchar_t*>(samples::typical_tag_text);
constexpr int typical_tag_text_units = static_cast<int>(std::size(samples::typical_tag_text) - 1);

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "wine_request_timing: %s (error %lu)\n", what, GetLastError());
  std::exit(1);
}

template <class Function>
Function resolve(HMODULE module, const char* name) {
  auto* function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (function == nullptr) fail(name);
  return function;
}

// What every request costs before the module parses anything.
bool bare_round_trip() {
  BSTR path_string = SysAllocString(path);
  IUnknown* reader = nullptr;
  BSTR text = nullptr;
  HRESULT result = CoCreateInstance(reader_class, nullptr, CLSCTX_INPROC_SERVER, reader_interface,
                                    reinterpret_cast<void**>(&reader));
  if (result == S_OK && reader != nullptr) {
    auto method = reinterpret_cast<tag_text_method>((*reinterpret_cast<void***>(reader))[29]);
    result = method(reader, path_string, &text);
    reader->Release();
  }
  SysFreeString(text);
  SysFreeString(path_string);
  return result == S_OK;
}

double nanoseconds_per_call(clock_type::duration elapsed, long calls) {
  return std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(calls);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

template <class Call>
double time_batch(long calls, Call&& call) {
  const auto start = clock_type::now();
  for (long i = 0; i < calls; ++i) call();
  return nanoseconds_per_call(clock_type::now() - start, calls);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  constexpr long batch = 1000;

  if (CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) != S_OK) fail("CoInitializeEx failed");
  HMODULE standin = LoadLibraryW(AMBREL_STANDIN_PATH);
  if (standin == nullptr) fail("stand-in reader not loaded");
  HMODULE module = LoadLibraryW(AMBREL_MODULE_PATH);
  if (module == nullptr) fail("AmbrelTags.dll not loaded");
  const auto set_text = resolve<standin_set_text_fn>(standin, "StandIn_SetText");
  const auto live_readers = resolve<standin_live_readers_fn>(standin, "StandIn_LiveReaders");
  const auto get_file_info = resolve<get_file_info_fn>(module, "DVP_GetFileInfoFileW");
  const auto init_ex = resolve<init_ex_fn>(module, "DVP_InitEx");
  const auto uninit = resolve<uninit_fn>(module, "DVP_Uninit");
  const auto identify = resolve<identify_fn>(module, "DVP_IdentifyW");
  const auto identify_file = resolve<identify_file_fn>(module, "DVP_IdentifyFileW");

  set_text(typical_tag_text, typical_tag_text_units);
  bench::roomy_record music;
  if (get_file_info(nullptr, path, nullptr, &music.get()) != 1) fail("the request did not succeed");
  if (!bare_round_trip()) fail("the stand-in reader did not answer");

  // Alternating batches, so both see the same machine load.
  std::vector<double> full;
  std::vector<double> bare;
  for (int round = 0; round < rounds; ++round) {
    full.push_back(time_batch(batch, [&] { get_file_info(nullptr, path, nullptr, &music.get()); }));
    bare.push_back(time_batch(batch, [] { bare_round_trip(); }));
  }
  const double full_ns = median(full);
  const double bare_ns = median(bare);
  std::printf("DVP_GetFileInfoFileW, typical 20-line text   %10.0f ns per call (median of %d batches of %ld)\n",
              full_ns, rounds, batch);
  std::printf("same COM round trip without parsing          %10.0f ns per call\n", bare_ns);
  std::printf("module's own share                           %10.1f %%\n", 100.0 * (full_ns - bare_ns) / full_ns);
  if (live_readers() != 0) fail("readers left alive");

  host::init_data data{};
  data.size = sizeof data;
  data.version_high = 13u << 16;
  if (init_ex(&data) != 1) fail("DVP_InitEx refused the host");
  host::file_identification file{};
  std::vector<double> per_file;
  for (int round = 0; round < rounds; ++round) {
    per_file.push_back(time_batch(batch * 10, [&] { identify_file(nullptr, path, &file, nullptr); }));
  }
  std::printf("DVP_IdentifyFileW                            %10.1f ns per call\n", median(per_file));

  wchar_t name[64], description[256], copyright[128], web[128];
  host::plugin_info info{};
  info.size = sizeof info;
  info.name = reinterpret_cast<char16_t*>(name);
  info.name_capacity = 64;
  info.description = reinterpret_cast<char16_t*>(description);
  info.description_capacity = 256;
  info.copyright = reinterpret_cast<char16_t*>(copyright);
  info.copyright_capacity = 128;
  info.web_address = reinterpret_cast<char16_t*>(web);
  info.web_address_capacity = 128;
  if (identify(&info) != 1) fail("DVP_IdentifyW failed");
  std::vector<double> per_identify;
  for (int round = 0; round < std::max(3, rounds / 3); ++round) {
    per_identify.push_back(time_batch(batch / 10, [&] { identify(&info); }));
  }
  std::printf("DVP_IdentifyW                                %10.0f ns per call\n", median(per_identify));
  uninit();

  FreeLibrary(module);
  FreeLibrary(standin);
  CoUninitialize();
  return 0;
}
