#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/lifecycle.h"

namespace {

using namespace ambrel::host;

init_data host(std::uint16_t major, std::uint16_t minor, std::uint16_t build, std::uint16_t revision) {
  init_data record{};
  record.size = sizeof record;
  record.version_high = std::uint32_t{major} << 16 | minor;
  record.version_low = std::uint32_t{build} << 16 | revision;
  return record;
}

const init_data current_host = host(13, 0, 0, 0);
const init_data old_host = host(9, 1, 2, 65535);

// The module's own lifecycle, attached as at load and balanced afterwards.
class ModuleLifecycle : public ::testing::Test {
 protected:
  void SetUp() override { on_process_attach(&module_image); }
  // Bounded: a fault that leaves a state at count 0 must fail, not hang.
  void TearDown() override {
    for (int i = 0; i < 8 && plugin_state_exists(); ++i) {
      uninit();
    }
    EXPECT_FALSE(plugin_state_exists()) << "a plugin state outlived its last shutdown";
    on_process_detach();
  }
  int module_image = 0;
};

struct version_case {
  const char* name;
  init_data record;
  bool accepted;
};

TEST_F(ModuleLifecycle, RefusesHostsOlderThan9130) {
  const version_case cases[] = {
      {"9.1.3.0, the oldest accepted", host(9, 1, 3, 0), true},
      {"9.1.3.1", host(9, 1, 3, 1), true},
      {"9.1.2.65535", host(9, 1, 2, 65535), false},
      {"9.0.65535.65535", host(9, 0, 65535, 65535), false},
      {"9.2.0.0", host(9, 2, 0, 0), true},
      {"9.2.65535.65535", host(9, 2, 65535, 65535), true},
      {"9.1.32768.0, low part with its top bit set", host(9, 1, 32768, 0), true},
      {"13.0.0.0", host(13, 0, 0, 0), true},
      {"65535.65535.65535.65535, high part with its top bit set", host(65535, 65535, 65535, 65535), true},
      {"8.65535.65535.65535", host(8, 65535, 65535, 65535), false},
      {"0.0.0.0", host(0, 0, 0, 0), false},
  };
  for (const version_case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(init_ex(&c.record), c.accepted);
    EXPECT_EQ(plugin_state_exists(), c.accepted);
    uninit();
    EXPECT_FALSE(plugin_state_exists());
    // A refused call leaves the count at 0: an old host is refused again.
    EXPECT_FALSE(init_ex(&old_host));
  }
}

enum class call { init_current, init_old, init_null, uninit };

struct step {
  call what;
  bool result;  // of the InitEx calls
  bool state_after;
};

struct sequence_case {
  const char* name;
  std::vector<step> steps;
};

TEST_F(ModuleLifecycle, FollowsTheStateTable) {
  const sequence_case cases[] = {
      {"one balanced pair",
       {{call::init_current, true, true}, {call::uninit, false, false}}},
      {"two initialisations, three shutdowns",
       {{call::init_current, true, true},
        {call::init_current, true, true},
        {call::uninit, false, true},
        {call::uninit, false, false},
        {call::uninit, false, false},
        {call::init_old, false, false}}},
      {"shutdown before any initialisation does not go below 0",
       {{call::uninit, false, false},
        {call::init_current, true, true},
        {call::init_old, true, true},
        {call::uninit, false, true},
        {call::uninit, false, false}}},
      {"a later call does not read its record",
       {{call::init_current, true, true},
        {call::init_old, true, true},
        {call::uninit, false, true},
        {call::uninit, false, false}}},
      {"refused, then accepted",
       {{call::init_old, false, false},
        {call::init_current, true, true},
        {call::uninit, false, false}}},
      {"a null record is as if never called",
       {{call::init_null, false, false},
        {call::init_old, false, false},
        {call::init_current, true, true},
        {call::init_null, false, true},
        {call::uninit, false, false}}},
  };
  for (const sequence_case& c : cases) {
    SCOPED_TRACE(c.name);
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      SCOPED_TRACE("step " + std::to_string(i + 1));
      const step& s = c.steps[i];
      switch (s.what) {
        case call::init_current: EXPECT_EQ(init_ex(&current_host), s.result); break;
        case call::init_old: EXPECT_EQ(init_ex(&old_host), s.result); break;
        case call::init_null: EXPECT_EQ(init_ex(nullptr), s.result); break;
        case call::uninit: uninit(); break;
      }
      EXPECT_EQ(plugin_state_exists(), s.state_after);
    }
    ASSERT_FALSE(plugin_state_exists()) << "each sequence ends balanced";
  }
}

// Plugin states handed out by a test source: every creation and destruction
// is recorded, and creation can be made to fail as when memory runs out.
struct state_ledger {
  std::mutex guard;
  std::set<plugin_state*> live;
  std::vector<plugin_state> created;
  int destroyed = 0;
  int unknown_destroyed = 0;
  bool out_of_memory = false;
};

state_ledger ledger;

plugin_state* create_counted(void* module, std::uint64_t host_version) noexcept {
  const std::lock_guard<std::mutex> hold(ledger.guard);
  if (ledger.out_of_memory) {
    return nullptr;
  }
  auto* state = new plugin_state{module, host_version};
  ledger.live.insert(state);
  ledger.created.push_back(*state);
  return state;
}

void destroy_counted(plugin_state* state) noexcept {
  const std::lock_guard<std::mutex> hold(ledger.guard);
  if (ledger.live.erase(state) == 1) {
    ++ledger.destroyed;
    delete state;
  } else {
    ++ledger.unknown_destroyed;
  }
}

const plugin_state_source counted_states{create_counted, destroy_counted};

class CountedLifecycle : public ::testing::Test {
 protected:
  void SetUp() override {
    ledger.live.clear();
    ledger.created.clear();
    ledger.destroyed = 0;
    ledger.unknown_destroyed = 0;
    ledger.out_of_memory = false;
    lifecycle.attach(&module_image);
  }
  int module_image = 0;
  plugin_lifecycle lifecycle{counted_states};
};

TEST_F(CountedLifecycle, FirstCallCreatesTheStateFromItsRecordAndTheModuleHandle) {
  const init_data first = host(9, 2, 0, 7);
  ASSERT_TRUE(lifecycle.init_ex(&first));
  ASSERT_TRUE(lifecycle.init_ex(&current_host));
  EXPECT_EQ(lifecycle.count(), 2);
  ASSERT_EQ(ledger.created.size(), 1u);
  EXPECT_EQ(ledger.created[0].module, &module_image);
  EXPECT_EQ(ledger.created[0].host_version, 0x0009'0002'0000'0007u);

  lifecycle.uninit();
  EXPECT_EQ(ledger.destroyed, 0);
  lifecycle.uninit();
  EXPECT_EQ(ledger.destroyed, 1);
  EXPECT_EQ(lifecycle.count(), 0);
}

TEST_F(CountedLifecycle, RefusedHostHasItsStateDestroyedWithinTheCall) {
  EXPECT_FALSE(lifecycle.init_ex(&old_host));
  EXPECT_EQ(ledger.created.size(), 1u);
  EXPECT_EQ(ledger.destroyed, 1);
  EXPECT_EQ(lifecycle.count(), 0);
  EXPECT_FALSE(lifecycle.state_exists());
}

TEST_F(CountedLifecycle, OutOfMemoryUndoesTheCountAndReleasesTheLock) {
  ledger.out_of_memory = true;
  EXPECT_FALSE(lifecycle.init_ex(&current_host));
  EXPECT_EQ(lifecycle.count(), 0);
  EXPECT_FALSE(lifecycle.state_exists());
  EXPECT_TRUE(ledger.created.empty());

  // Another thread gets the lock: the failed call left it free.
  ledger.out_of_memory = false;
  bool accepted = false;
  std::thread([&] { accepted = lifecycle.init_ex(&current_host); }).join();
  EXPECT_TRUE(accepted);
  EXPECT_EQ(lifecycle.count(), 1);
  lifecycle.uninit();
  EXPECT_EQ(ledger.destroyed, 1);
}

TEST_F(CountedLifecycle, ProcessDetachLeavesAnUnbalancedStateAlone) {
  ASSERT_TRUE(lifecycle.init_ex(&current_host));
  lifecycle.detach();
  EXPECT_TRUE(lifecycle.state_exists());
  EXPECT_EQ(ledger.destroyed, 0);
  // Outside attach and detach there is no lock to take: nothing changes.
  lifecycle.uninit();
  EXPECT_FALSE(lifecycle.init_ex(&current_host));
  EXPECT_EQ(lifecycle.count(), 1);

  lifecycle.attach(&module_image);
  lifecycle.uninit();
  EXPECT_EQ(ledger.destroyed, 1);
}

// Balanced initialisations and shutdowns from several threads, some from old
// hosts, while others test for the state without the lock.
TEST_F(CountedLifecycle, ConcurrentCallsCreateAndDestroyEachStateOnce) {
  constexpr int callers = 4;
  constexpr int rounds = 2000;
  std::atomic<bool> done{false};
  std::atomic<int> missing_after_success{0};

  std::vector<std::thread> readers;
  for (int r = 0; r < 2; ++r) {
    readers.emplace_back([&] {
      while (!done.load()) {
        static_cast<void>(lifecycle.state_exists());
      }
    });
  }
  std::vector<std::thread> workers;
  for (int w = 0; w < callers; ++w) {
    workers.emplace_back([&, w] {
      for (int i = 0; i < rounds; ++i) {
        const init_data& record = (i + w) % 3 == 0 ? old_host : current_host;
        if (!lifecycle.init_ex(&record)) {
          continue;
        }
        if (!lifecycle.state_exists()) {
          missing_after_success.fetch_add(1);
        }
        lifecycle.uninit();
      }
    });
  }
  for (std::thread& t : workers) {
    t.join();
  }
  done.store(true);
  for (std::thread& t : readers) {
    t.join();
  }

  EXPECT_EQ(missing_after_success.load(), 0);
  EXPECT_EQ(lifecycle.count(), 0);
  EXPECT_FALSE(lifecycle.state_exists());
  EXPECT_FALSE(ledger.created.empty());
  EXPECT_EQ(ledger.destroyed, static_cast<int>(ledger.created.size()));
  EXPECT_EQ(ledger.unknown_destroyed, 0);
  EXPECT_TRUE(ledger.live.empty());
}

}  // namespace
