// Peak heap use of one request on each large text, against the text's own
// size. This program's operator new keeps the running and the peak total of
// live blocks; the text itself is built before the peak is reset.

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "host/export_guard.h"
#include "large_texts.h"
#include "roomy_record.h"
#include "tags/tag_text.h"
#include "text/user_locale.h"

namespace {

std::size_t live_bytes = 0;
std::size_t peak_bytes = 0;

// Each block carries its size in front, so every form of delete can count it.
constexpr std::size_t header = alignof(std::max_align_t);

void* allocate(std::size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + header));
  if (block == nullptr) throw std::bad_alloc();
  *reinterpret_cast<std::size_t*>(block) = size;
  live_bytes += size;
  if (live_bytes > peak_bytes) peak_bytes = live_bytes;
  return block + header;
}

void release(void* pointer) noexcept {
  if (pointer == nullptr) return;
  auto* block = static_cast<unsigned char*>(pointer) - header;
  live_bytes -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* pointer) noexcept { release(pointer); }
void operator delete[](void* pointer) noexcept { release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { release(pointer); }

int main() {
  using namespace ambrel;
  text::create_user_locale();
  std::printf("%-22s %12s %14s %16s %8s\n", "text", "size", "text bytes", "peak heap bytes", "ratio");
  for (const bench::large_text& kind : bench::large_texts()) {
    for (const std::size_t size : {kind.smaller, kind.larger}) {
      const std::u16string text = kind.build(size);
      const std::size_t bytes = std::char_traits<char16_t>::length(text.c_str()) * sizeof(char16_t);
      bench::roomy_record record;

      const std::size_t before = live_bytes;
      peak_bytes = live_bytes;
      const int result = host::guarded([&] { return tags::apply_tag_text(text.c_str(), record.get()); });
      const std::size_t peak = peak_bytes - before;
      std::printf("%-22s %8zu %-5s %14zu %16zu %7.2fx  (result %d)\n", kind.name, size, kind.unit, bytes, peak,
                  static_cast<double>(peak) / static_cast<double>(bytes), result);
    }
  }
  return 0;
}
