#pragma once

// A full-size host music record with roomy text buffers, as a file display
// gives, for the request benchmarks.

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "host/records.h"

namespace ambrel::bench {

class roomy_record {
 public:
  static constexpr std::uint32_t capacity = 260;

  roomy_record() {
    record_.size = sizeof record_;
    record_.kind = host::music_information_kind;
    for (std::size_t i = 0; i < buffers_.size(); ++i) {
      record_.*host::music_text_fields[i].buffer = buffers_[i].data();
      record_.*host::music_text_fields[i].capacity = capacity;
    }
  }
  roomy_record(const roomy_record&) = delete;
  roomy_record& operator=(const roomy_record&) = delete;

  host::music_info& get() { return record_; }

 private:
  host::music_info record_{};
  std::array<std::array<char16_t, capacity>, std::size(host::music_text_fields)> buffers_{};
};

}  // namespace ambrel::bench
