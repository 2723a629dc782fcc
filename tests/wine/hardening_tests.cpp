// Load through the real module: eight host threads, each with COM initialised
// in its own apartment kind, make 10,000 requests each while the stand-in
// reader serves one text. Every answer must equal the single-threaded one and
// every reader must be released.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "host/records.h"
#include "tests/hardening_fixtures.h"
#include "tools/standin_reader/standin_control.h"

namespace {

using namespace ambrel;
using hardening::guarded_record;

using get_file_info_fn = int(__cdecl*)(void* window, const wchar_t* path, void* file, host::music_info* record);

constexpr int thread_count = 8;
constexpr int requests_per_thread = 10'000;

template <class Function>
Function resolve(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct loaded {
  HMODULE standin = nullptr;
  HMODULE module = nullptr;
  standin_set_text_fn set_text = nullptr;
  standin_live_readers_fn live_readers = nullptr;
  standin_calls_fn calls = nullptr;
  get_file_info_fn get_file_info = nullptr;
};
loaded the;

class module_environment final : public testing::Environment {
 public:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    // The stand-in is the registered reader's own DLL, so CoCreateInstance
    // finds this same instance and its controls steer every reader.
    the.standin = LoadLibraryW(AMBREL_STANDIN_PATH);
    ASSERT_NE(the.standin, nullptr) << "stand-in not loaded: " << GetLastError();
    the.set_text = resolve<standin_set_text_fn>(the.standin, "StandIn_SetText");
    the.live_readers = resolve<standin_live_readers_fn>(the.standin, "StandIn_LiveReaders");
    the.calls = resolve<standin_calls_fn>(the.standin, "StandIn_Calls");
    ASSERT_TRUE(the.set_text && the.live_readers && the.calls);
    the.module = LoadLibraryW(AMBREL_MODULE_PATH);
    ASSERT_NE(the.module, nullptr) << "module not loaded: " << GetLastError();
    the.get_file_info = resolve<get_file_info_fn>(the.module, "DVP_GetFileInfoFileW");
    ASSERT_NE(the.get_file_info, nullptr);
  }
  void TearDown() override {
    if (the.set_text != nullptr) the.set_text(nullptr, 0);
    if (the.module != nullptr) FreeLibrary(the.module);
    if (the.standin != nullptr) FreeLibrary(the.standin);
    CoUninitialize();
  }
};
testing::Environment* const environment = testing::AddGlobalTestEnvironment(new module_environment);

struct answer {
  int result;
  hardening::record_view record;
  bool intact;
  bool operator==(const answer& other) const = default;
};

answer request() {
  guarded_record record;
  const int result = the.get_file_info(nullptr, L"C:\\Music\\track.flac", nullptr, &record.record());
  return {result, record.view(), static_cast<bool>(record.intact())};
}

// The text a converter gives for an ordinary file, plus lines a hostile tag
// could hold: a lone surrogate, a value past every buffer, an embedded zero.
std::u16string served_text() {
  std::u16string text = samples::typical_protected_tag_text();
  text += u"Comment: \xD800 lone\r\nTitle: ";
  text += std::u16string(500, u'x');
  text += u"\r\n";
  text.push_back(0);
  text += u"Artist: never read\r\n";
  return text;
}

TEST(LoadUnderWine, EightThreadsOfTenThousandRequestsMatchASingleThread) {
  const std::u16string text = served_text();
  the.set_text(reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()));
  const answer expected = request();
  ASSERT_EQ(expected.result, 1);
  ASSERT_TRUE(expected.intact);
  const long calls_before = the.calls();

  std::atomic<int> mismatches{0};
  std::atomic<int> com_failures{0};
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (int t = 0; t < thread_count; ++t) {
    // Hosts run worker threads of both apartment kinds.
    const DWORD apartment = t % 2 == 0 ? COINIT_MULTITHREADED : COINIT_APARTMENTTHREADED;
    threads.emplace_back([&, apartment] {
      if (CoInitializeEx(nullptr, apartment) != S_OK) {
        ++com_failures;
        return;
      }
      for (int i = 0; i < requests_per_thread; ++i) {
        if (!(request() == expected)) ++mismatches;
      }
      CoUninitialize();
    });
  }
  for (std::thread& thread : threads) thread.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  EXPECT_EQ(com_failures, 0);
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(the.calls() - calls_before, long{thread_count} * requests_per_thread);
  EXPECT_EQ(the.live_readers(), 0);
  std::printf("%d requests on %d threads in %.2f s (%.1f us per request)\n", thread_count * requests_per_thread,
              thread_count, seconds, seconds * 1e6 / (thread_count * requests_per_thread));
}

}  // namespace
