// Requests on eight threads while other threads initialise and shut the
// plugin down in balanced pairs and identify files, as a host with several
// worker threads does. Built in every native preset; under native-tsan it is
// the race check for the plugin state, the plugin lock and the user locale.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "hardening_fixtures.h"
#include "host/identification.h"
#include "host/lifecycle.h"
#include "tags/tag_text.h"
#include "text/user_locale.h"

namespace {

using namespace ambrel;
using hardening::guarded_record;

constexpr int request_threads = 8;
constexpr int requests_per_thread = 300;
constexpr int lifecycle_threads = 2;
constexpr int identify_threads = 2;

host::init_data current_host() {
  host::init_data data{};
  data.size = sizeof data;
  data.version_high = 13u << 16;
  return data;
}

struct request_outcome {
  bool result;
  hardening::record_view record;
  bool operator==(const request_outcome& other) const = default;
};

request_outcome run_request(const std::u16string& text) {
  guarded_record record;
  const bool result = tags::apply_tag_text(text.c_str(), record.record());
  EXPECT_TRUE(record.intact());
  return {result, record.view()};
}

// Work that loops beside the requests until `stop` is set.
using background_work = std::function<void(const std::atomic<bool>&)>;

// Runs the request threads to completion while `background` threads loop until
// they are told to stop; returns how many requests differed from `expected`.
int requests_beside(const std::vector<hardening::sample_text>& samples,
                    const std::vector<request_outcome>& expected,
                    const std::vector<background_work>& background) {
  std::atomic<bool> stop{false};
  std::atomic<int> mismatches{0};
  std::vector<std::thread> others;
  for (const auto& work : background) others.emplace_back(work, std::cref(stop));
  std::vector<std::thread> requesters;
  for (int t = 0; t < request_threads; ++t) {
    requesters.emplace_back([&, t] {
      for (int i = 0; i < requests_per_thread; ++i) {
        const std::size_t which = static_cast<std::size_t>(t + i) % samples.size();
        if (!(run_request(samples[which].text) == expected[which])) ++mismatches;
      }
    });
  }
  for (auto& thread : requesters) thread.join();
  stop = true;
  for (auto& thread : others) thread.join();
  return mismatches.load();
}

class ConcurrentHost : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    text::create_user_locale();
    host::on_process_attach(&module_image);
  }
  static void TearDownTestSuite() { host::on_process_detach(); }

  void SetUp() override {
    for (const auto& sample : samples) expected.push_back(run_request(sample.text));
  }

  static inline int module_image = 0;
  const std::vector<hardening::sample_text> samples = hardening::sample_texts();
  std::vector<request_outcome> expected;
};

// Threads that initialise and shut the plugin down in balanced pairs,
// counting the initialisations refused.
void add_balanced_pairs(std::vector<background_work>& background, const host::init_data& data,
                        std::atomic<long>& refused_pairs) {
  for (int t = 0; t < lifecycle_threads; ++t) {
    background.emplace_back([&data, &refused_pairs](const std::atomic<bool>& stop) {
      while (!stop) {
        if (!host::init_ex(&data)) ++refused_pairs;
        host::uninit();
      }
    });
  }
}

bool identify_once() {
  host::file_identification record{};
  return host::identify_file(&record);
}

TEST_F(ConcurrentHost, WhileTheHostHoldsTheStateEveryFileIsAccepted) {
  const host::init_data data = current_host();
  ASSERT_TRUE(host::init_ex(&data));

  std::atomic<long> refused_pairs{0};
  std::atomic<long> rejected_files{0};
  std::atomic<long> identified{0};
  std::vector<background_work> background;
  add_balanced_pairs(background, data, refused_pairs);
  for (int t = 0; t < identify_threads; ++t) {
    background.emplace_back([&](const std::atomic<bool>& stop) {
      while (!stop) {
        if (!identify_once()) ++rejected_files;
        ++identified;
      }
    });
  }
  EXPECT_EQ(requests_beside(samples, expected, background), 0);
  EXPECT_EQ(refused_pairs, 0);
  EXPECT_EQ(rejected_files, 0);
  EXPECT_GT(identified, 0);

  // The host's own initialisation is still there, as it would be single-threaded.
  EXPECT_TRUE(host::plugin_state_exists());
  host::uninit();
  EXPECT_FALSE(host::plugin_state_exists());
  EXPECT_FALSE(identify_once());
}

TEST_F(ConcurrentHost, BalancedPairsFromManyThreadsLeaveNoState) {
  const host::init_data data = current_host();
  std::atomic<long> refused_pairs{0};
  std::vector<background_work> background;
  add_balanced_pairs(background, data, refused_pairs);
  for (int t = 0; t < identify_threads; ++t) {
    // Either answer is right while states come and go; the read must be clean.
    background.emplace_back([](const std::atomic<bool>& stop) {
      while (!stop) identify_once();
    });
  }
  EXPECT_EQ(requests_beside(samples, expected, background), 0);
  EXPECT_EQ(refused_pairs, 0);
  EXPECT_FALSE(host::plugin_state_exists());
  EXPECT_FALSE(identify_once());
  // A single thread's next pair works as on a fresh module.
  EXPECT_TRUE(host::init_ex(&data));
  EXPECT_TRUE(identify_once());
  host::uninit();
  EXPECT_FALSE(host::plugin_state_exists());
}

}  // namespace
