// Running out of memory anywhere along a request: the n-th allocation fails,
// for every n the request reaches. The request must end in 0 or its normal
// result, with nothing leaked and nothing written past a buffer.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <new>

#include "hardening_fixtures.h"
#include "host/export_guard.h"
#include "tags/tag_text.h"
#include "text/user_locale.h"

namespace {

// This program's operator new counts what is live and can be told to fail.
// Only the test thread allocates while a countdown is armed.
long live_allocations = 0;
long countdown = 0;  // 0: never fail
bool failure_hit = false;

void* allocate(std::size_t size) {
  if (countdown > 0 && --countdown == 0) {
    failure_hit = true;
    throw std::bad_alloc();
  }
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  ++live_allocations;
  return block;
}

void release(void* block) noexcept {
  if (block != nullptr) {
    --live_allocations;
    std::free(block);
  }
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }

namespace {

using namespace ambrel;
using hardening::guarded_record;

struct outcome {
  int result;
  long leaked;
  bool failed_allocation;
};

// The request as the export runs it once the reader has answered.
outcome request_failing_at(long n, const std::u16string& text, guarded_record& record) {
  const long live_before = live_allocations;
  failure_hit = false;
  countdown = n;
  const int result = host::guarded([&] { return tags::apply_tag_text(text.c_str(), record.record()); });
  countdown = 0;
  return {result, live_allocations - live_before, failure_hit};
}

class AllocationFailure : public ::testing::TestWithParam<std::uint32_t> {
 protected:
  static void SetUpTestSuite() { text::create_user_locale(); }
};

TEST_P(AllocationFailure, EveryFailingAllocationEndsTheRequestCleanly) {
  const std::uint32_t record_size = GetParam();
  for (const auto& sample : hardening::sample_texts()) {
    SCOPED_TRACE(sample.name);
    guarded_record normal(record_size);
    const outcome expected = request_failing_at(0, sample.text, normal);
    ASSERT_EQ(expected.leaked, 0);

    long failures = 0;
    for (long n = 1;; ++n) {
      guarded_record record(record_size);
      const outcome got = request_failing_at(n, sample.text, record);
      SCOPED_TRACE("allocation " + std::to_string(n) + " failed");
      EXPECT_EQ(got.leaked, 0);
      EXPECT_TRUE(record.intact());
      if (!got.failed_allocation) {
        // The request needs fewer than n allocations: it ran to its end.
        EXPECT_EQ(got.result, expected.result);
        break;
      }
      ++failures;
      EXPECT_TRUE(got.result == 0 || got.result == expected.result) << got.result;
      // A text field holds either nothing or what the whole request stores.
      for (std::size_t field = 0; field < hardening::text_field_count; ++field) {
        const std::u16string stored = record.text(field);
        EXPECT_TRUE(stored.empty() || stored == normal.text(field)) << "field " << field;
      }
    }
    // Every sample needs at least a scratch buffer for its lines and a copy of
    // a long value, so a request that never met a failure would mean the hook
    // is not in the path.
    EXPECT_GT(failures, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(RecordSizes, AllocationFailure,
                         ::testing::Values(std::uint32_t{sizeof(host::music_info)},
                                           std::uint32_t{host::tempo_record_size - 1}),
                         [](const ::testing::TestParamInfo<std::uint32_t>& size) { return "size_" + std::to_string(size.param); });

}  // namespace
