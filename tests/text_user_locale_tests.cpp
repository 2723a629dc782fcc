// Upper-casing under the user locale. The locale is process-wide and created
// once, so this program creates it (from C.UTF-8) and never runs without it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "text/user_locale.h"

namespace ambrel::text {
namespace {

class user_locale : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::setenv("LC_ALL", "C.UTF-8", 1);
    create_user_locale();
  }
};

TEST_F(user_locale, upper_cases_beyond_ascii_one_unit_for_one) {
  ASSERT_TRUE(has_user_locale()) << "C.UTF-8 should always be available";
  struct row {
    std::u16string in;
    std::u16string out;
  };
  const row rows[] = {
      {u"", u""},
      {u"artist", u"ARTIST"},
      {u"\u00E9t\u00E9", u"\u00C9T\u00C9"},  // é to É
      {u"\u00FF\u00B5", u"\u0178\u039C"},    // ÿ and µ leave Latin-1
      {u"\u03B1\u03B2", u"\u0391\u0392"},
      {u"stra\u00DFe", u"STRA\u00DFE"},      // ß has no single-unit capital: it stays
      {u"\U0001F600x", u"\U0001F600X"},      // surrogates stay as they are
  };
  for (const row& r : rows) {
    std::u16string text = r.in;
    to_upper_user(text);
    EXPECT_EQ(text, r.out);
    EXPECT_EQ(text.size(), r.in.size());
  }
}

}  // namespace
}  // namespace ambrel::text
