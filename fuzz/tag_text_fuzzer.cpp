// A tag text mapped onto a music record, as a request does once the tag
// reader has answered. The record, its buffers and their capacities come from
// the input; everything the module must not touch is checked afterwards.
//
// Input layout (fuzz/corpus/tag_text holds examples):
//   byte  0     declared record size in bytes
//   byte  1     information kind: below 0xF0 means 1 (music), else byte - 0xF0;
//               the export checks it before the reader is created, so here it
//               only has to come through untouched
//   bytes 2-5   flags word on entry
//   bytes 6-12  capacity of album, artist, title, genre, comment, encoder and
//               encoder settings, in code units; 0xFF means no buffer
//   the rest    the tag text, UTF-16LE, read up to its first zero
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "host/export_guard.h"
#include "host/records.h"
#include "tags/tag_text.h"
#include "text/user_locale.h"

namespace {

using ambrel::host::music_info;

constexpr std::size_t header_size = 13;
constexpr std::size_t text_field_count = std::size(ambrel::host::music_text_fields);
static_assert(header_size == 6 + text_field_count);
constexpr std::size_t guard_units = 8;
constexpr std::size_t record_guard_bytes = 16;
constexpr char16_t buffer_fill = 0xA5A5;
constexpr char16_t guard_fill = 0x5A5A;
constexpr unsigned char record_fill = 0xC3;
constexpr std::uint8_t no_buffer = 0xFF;
constexpr std::uint32_t capacity_of_absent_buffer = 16;

[[noreturn]] void fail(const char* what) {
  __builtin_printf("tag_text fuzzer: %s\n", what);
  std::abort();
}

// A host text buffer followed by guard code units, both pre-filled.
struct host_buffer {
  bool present = false;
  std::uint32_t capacity = 0;
  std::unique_ptr<char16_t[]> units;

  explicit host_buffer(std::uint8_t setting) {
    if (setting == no_buffer) {
      capacity = capacity_of_absent_buffer;
      return;
    }
    present = true;
    capacity = setting;
    units = std::make_unique<char16_t[]>(capacity + guard_units);
    for (std::size_t i = 0; i < capacity; ++i) units[i] = buffer_fill;
    for (std::size_t i = capacity; i < capacity + guard_units; ++i) units[i] = guard_fill;
  }

  void check() const {
    if (!present) return;
    for (std::size_t i = capacity; i < capacity + guard_units; ++i) {
      if (units[i] != guard_fill) fail("write past a text buffer's capacity");
    }
    bool changed = false;
    bool terminated = false;
    for (std::size_t i = 0; i < capacity; ++i) {
      changed |= units[i] != buffer_fill;
      terminated |= units[i] == 0;
    }
    if (changed && !terminated) fail("text buffer written without a terminator");
  }
};

// The record sits in an allocation as large as the host may make it: below the
// full record that is the declared size, but never less than the fields up to
// the flags word, which the module writes without consulting the size. A
// write to the tempo of a short record then lands outside the allocation and
// AddressSanitizer reports it. A declared size at or above the full record is
// followed by guard bytes the host owns.
struct host_record {
  std::size_t bytes;
  std::unique_ptr<unsigned char[]> storage;
  std::vector<unsigned char> before;

  explicit host_record(std::uint8_t declared_size)
      : bytes(declared_size < sizeof(music_info)
                  ? (declared_size > ambrel::host::music_info_minimum_size ? declared_size
                                                                           : ambrel::host::music_info_minimum_size)
                  : declared_size + record_guard_bytes),
        storage(new unsigned char[bytes]) {
    std::memset(storage.get(), record_fill, bytes);
  }

  // Only members are accessed through this, never the record as a whole.
  music_info& record() { return *reinterpret_cast<music_info*>(storage.get()); }

  void snapshot() { before.assign(storage.get(), storage.get() + bytes); }

  bool may_change(std::size_t offset) const {
    auto within = [&](std::size_t field, std::size_t size) { return offset >= field && offset < field + size; };
    return within(offsetof(music_info, bit_rate), offsetof(music_info, flags) - offsetof(music_info, bit_rate)) ||
           (record_size() >= ambrel::host::tempo_record_size && within(offsetof(music_info, tempo), 4));
  }

  std::uint32_t record_size() const {
    std::uint32_t size;
    std::memcpy(&size, before.data(), sizeof size);
    return size;
  }

  void check() const {
    for (std::size_t offset = 0; offset < bytes; ++offset) {
      const std::size_t flags_at = offsetof(music_info, flags);
      if (offset >= flags_at && offset < flags_at + 4) continue;
      if (storage[offset] != before[offset] && !may_change(offset)) fail("record byte written that the module must not touch");
    }
    std::uint32_t flags_before;
    std::uint32_t flags_after;
    std::memcpy(&flags_before, before.data() + offsetof(music_info, flags), 4);
    std::memcpy(&flags_after, storage.get() + offsetof(music_info, flags), 4);
    const std::uint32_t other_bits = ~ambrel::host::protected_flag;
    if ((flags_before & other_bits) != (flags_after & other_bits)) fail("flags bit other than protected changed");
    if ((flags_before & ~flags_after) != 0) fail("flags bit cleared");
  }
};

std::uint16_t read_u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t read_u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ambrel::text::create_user_locale();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < header_size) return -1;

  host_record storage{data[0]};
  std::vector<host_buffer> buffers;
  buffers.reserve(text_field_count);
  for (std::size_t i = 0; i < text_field_count; ++i) buffers.emplace_back(data[6 + i]);

  music_info& record = storage.record();
  record.size = data[0];
  record.kind = data[1] < 0xF0 ? ambrel::host::music_information_kind : data[1] - 0xF0;
  record.flags = read_u32(data + 2);
  for (std::size_t i = 0; i < text_field_count; ++i) {
    record.*ambrel::host::music_text_fields[i].buffer = buffers[i].units.get();
    record.*ambrel::host::music_text_fields[i].capacity = buffers[i].capacity;
  }
  storage.snapshot();

  // Exactly as long as the text plus its terminator, so reading past it shows.
  const std::size_t units = (size - header_size) / 2;
  const auto text = std::make_unique<char16_t[]>(units + 1);
  for (std::size_t i = 0; i < units; ++i) text[i] = read_u16(data + header_size + 2 * i);
  text[units] = 0;

  const int result = ambrel::host::guarded([&] { return ambrel::tags::apply_tag_text(text.get(), record); });
  if (result != 0 && result != 1) fail("result other than 0 or 1");

  storage.check();
  for (const host_buffer& buffer : buffers) buffer.check();
  return 0;
}
