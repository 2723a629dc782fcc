// Malformed tag texts made from the samples: every prefix, and every code
// unit replaced in turn by a unit that tends to break parsers. Each request
// must end normally with every guard intact, on records with and without the
// tempo field and with buffers small enough that most values are cut.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "hardening_fixtures.h"
#include "tags/tag_text.h"
#include "text/user_locale.h"

namespace {

using namespace ambrel;
using hardening::guarded_record;

struct record_shape {
  const char* name;
  std::uint32_t size;
  std::uint32_t capacity;
};

const record_shape shapes[] = {
    {"full record, roomy buffers", sizeof(host::music_info), 64},
    {"no tempo field, tight buffers", host::tempo_record_size - 4, 3},
    {"full record, one-unit buffers", sizeof(host::music_info), 1},
};

struct observed {
  bool result;
  hardening::record_view record;
  bool operator==(const observed& other) const = default;
};

testing::AssertionResult request(const std::u16string& text, const record_shape& shape, observed* seen = nullptr) {
  guarded_record record(shape.size, shape.capacity);
  bool result = false;
  try {
    result = tags::apply_tag_text(text.c_str(), record.record());
  } catch (...) {
    return testing::AssertionFailure() << "exception from the request";
  }
  if (auto intact = record.intact(); !intact) return intact;
  if (seen != nullptr) *seen = observed{result, record.view()};
  return testing::AssertionSuccess();
}

class MalformedText : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { text::create_user_locale(); }
};

TEST_F(MalformedText, EveryPrefixOfEverySample) {
  for (const auto& sample : hardening::sample_texts()) {
    for (const record_shape& shape : shapes) {
      for (std::size_t length = 0; length <= sample.text.size(); ++length) {
        ASSERT_TRUE(request(sample.text.substr(0, length), shape))
            << sample.name << ", " << shape.name << ", first " << length << " units";
      }
    }
  }
}

TEST_F(MalformedText, EveryUnitReplacedByAHostileOne) {
  const char16_t replacements[] = {0x0000, u'\n', u'\r', u':', 0xD800, 0xDC00, 0xFFFF};
  for (const auto& sample : hardening::sample_texts()) {
    for (const record_shape& shape : shapes) {
      for (std::size_t at = 0; at < sample.text.size(); ++at) {
        for (const char16_t unit : replacements) {
          std::u16string text = sample.text;
          text[at] = unit;
          ASSERT_TRUE(request(text, shape)) << sample.name << ", " << shape.name << ", unit " << at << " became U+"
                                            << std::hex << static_cast<unsigned>(unit);
        }
      }
    }
  }
}

// The text ends at its first zero, whatever follows: a zero put anywhere acts
// exactly as cutting the text there.
TEST_F(MalformedText, AZeroAnywhereActsAsTheEndOfTheText) {
  for (const auto& sample : hardening::sample_texts()) {
    for (const record_shape& shape : shapes) {
      for (std::size_t at = 0; at < sample.text.size(); ++at) {
        std::u16string with_zero = sample.text;
        with_zero[at] = 0;
        observed cut{};
        observed zeroed{};
        ASSERT_TRUE(request(sample.text.substr(0, at), shape, &cut));
        ASSERT_TRUE(request(with_zero, shape, &zeroed));
        ASSERT_TRUE(cut == zeroed) << sample.name << ", " << shape.name << ", zero at unit " << at;
      }
    }
  }
}

}  // namespace
