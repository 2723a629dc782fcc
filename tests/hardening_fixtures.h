#pragma once

// A host's music record with every text buffer followed by guard units, and
// the sample tag texts the hardening tests push through it.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "host/records.h"
#include "tests/support/sample_tag_texts.h"

namespace ambrel::hardening {

using host::music_info;

struct sample_text {
  const char* name;
  std::u16string text;
};

inline std::vector<sample_text> sample_texts() {
  return {
      {"typical", samples::typical_protected_tag_text()},
      {"measured", u"BIT RATE: 1,411,200 bps\nSAMPLE RATE: 48 kHz stereo\nLENGTH: 1 hour 2 minutes 3 seconds\n"
                   u"bit rate: 5000 Mbps\nlength: 3 minutes 25\n"},
      {"odd_lines", u"\r\n\n  Title :\t a: b :c \t\n:no key\nno colon\nArtist:\nYEAR: 2004-05-01\n"
                    u"TRACK: 99999999999\nPROTECTED: nO\nComment: \xD83C\xDFB5 \xD800x\xDC00"},
  };
}

// Distinct fills, so a stray write or a missing terminator shows.
inline constexpr char16_t buffer_fill = 0xA5A5;
inline constexpr char16_t guard_fill = 0x5A5A;
inline constexpr unsigned char record_fill = 0xC3;
inline constexpr std::size_t guard_units = 16;
inline constexpr std::size_t text_field_count = std::size(host::music_text_fields);

// What a request leaves in the record, for comparing two requests.
struct record_view {
  std::array<std::u16string, text_field_count> texts;
  // Bit rate, sample rate, length, track, year, channels, and the tempo when
  // the record has one.
  std::array<std::int32_t, 7> numbers;
  std::uint32_t flags;

  bool operator==(const record_view& other) const = default;
};

// The record lives in an allocation of its declared size when that is below
// the full record (but never below the fields up to the flags word, which the
// module writes regardless), so AddressSanitizer sees a write to a tempo the
// host did not provide. Only members are ever accessed through it.
class guarded_record {
 public:
  explicit guarded_record(std::uint32_t declared_size = sizeof(music_info), std::uint32_t capacity = 64)
      : bytes_(declared_size < sizeof(music_info)
                   ? std::max<std::size_t>(declared_size, host::music_info_minimum_size)
                   : sizeof(music_info)),
        capacity_(capacity),
        storage_(new unsigned char[bytes_]) {
    std::memset(storage_.get(), record_fill, bytes_);
    record().size = declared_size;
    record().kind = host::music_information_kind;
    record().flags = ~host::protected_flag;
    for (std::size_t i = 0; i < text_field_count; ++i) {
      buffers_[i] = std::make_unique<char16_t[]>(capacity + guard_units);
      std::fill_n(buffers_[i].get(), capacity, buffer_fill);
      std::fill_n(buffers_[i].get() + capacity, guard_units, guard_fill);
      record().*host::music_text_fields[i].buffer = buffers_[i].get();
      record().*host::music_text_fields[i].capacity = capacity;
    }
    untouched_.assign(storage_.get(), storage_.get() + bytes_);
  }

  music_info& record() { return *reinterpret_cast<music_info*>(storage_.get()); }

  // Stored text of a field (up to its terminator), or empty if never written.
  std::u16string text(std::size_t field) const {
    const char16_t* units = buffers_[field].get();
    std::u16string out;
    for (std::size_t i = 0; i < capacity_ && units[i] != 0 && units[i] != buffer_fill; ++i) out.push_back(units[i]);
    return out;
  }

  record_view view() {
    const music_info& r = record();
    record_view out{{}, {r.bit_rate, r.sample_rate, r.length, r.track, r.year, r.channels,
                         r.size >= host::tempo_record_size ? r.tempo : 0}, r.flags};
    for (std::size_t field = 0; field < text_field_count; ++field) out.texts[field] = text(field);
    return out;
  }

  // Nothing past a capacity, a written buffer always terminated, and no byte
  // of the record written that the module must not touch.
  testing::AssertionResult intact() const {
    for (std::size_t field = 0; field < text_field_count; ++field) {
      const char16_t* units = buffers_[field].get();
      for (std::size_t i = capacity_; i < capacity_ + guard_units; ++i) {
        if (units[i] != guard_fill) return testing::AssertionFailure() << "guard of text field " << field << " written";
      }
      const bool written = std::any_of(units, units + capacity_, [](char16_t c) { return c != buffer_fill; });
      if (written && std::find(units, units + capacity_, u'\0') == units + capacity_) {
        return testing::AssertionFailure() << "text field " << field << " written without a terminator";
      }
    }
    const std::size_t writable_from = offsetof(music_info, bit_rate);
    const std::size_t writable_to = offsetof(music_info, flags) + sizeof(std::uint32_t);
    for (std::size_t offset = 0; offset < bytes_; ++offset) {
      const bool writable = (offset >= writable_from && offset < writable_to) ||
                            (untouched_size() >= host::tempo_record_size && offset >= offsetof(music_info, tempo));
      if (!writable && storage_[offset] != untouched_[offset]) {
        return testing::AssertionFailure() << "record byte " << offset << " written";
      }
    }
    std::uint32_t flags;
    std::memcpy(&flags, storage_.get() + offsetof(music_info, flags), sizeof flags);
    if ((flags | host::protected_flag) != 0xFFFFFFFFu) return testing::AssertionFailure() << "flags bits cleared";
    return testing::AssertionSuccess();
  }

 private:
  std::uint32_t untouched_size() const {
    std::uint32_t size;
    std::memcpy(&size, untouched_.data(), sizeof size);
    return size;
  }

  std::size_t bytes_;
  std::uint32_t capacity_;  // of every text buffer
  std::unique_ptr<unsigned char[]> storage_;
  std::array<std::unique_ptr<char16_t[]>, text_field_count> buffers_;
  std::vector<unsigned char> untouched_;
};

}  // namespace ambrel::hardening
