#pragma once

#include <string>
#include <vector>

namespace ambrel::text {

// Callers walk it by index rather than dropping its front, so a long list
// costs linear time.
using word_list = std::vector<std::u16string>;

}  // namespace ambrel::text
