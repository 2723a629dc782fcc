// The request path natively: an ordinary tag text into a record, and large or
// hostile texts at two sizes each beside a baseline that only scans the same
// text for line breaks, the least any line-based parser must do.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>

#include "host/export_guard.h"
#include "host/records.h"
#include "large_texts.h"
#include "tags/tag_text.h"
#include "text/user_locale.h"

namespace {

using namespace ambrel;

// The locale is made once at load, as the module does.
const bool locale_created = [] {
  text::create_user_locale();
  return true;
}();

// A host record with roomy buffers, as a file display gives.
class host_record {
 public:
  host_record() {
    record_.size = sizeof record_;
    record_.kind = host::music_information_kind;
    char16_t* host::music_info::*fields[] = {&host::music_info::album,   &host::music_info::artist,
                                             &host::music_info::title,   &host::music_info::genre,
                                             &host::music_info::comment, &host::music_info::encoder,
                                             &host::music_info::encoder_settings};
    std::uint32_t host::music_info::*capacities[] = {
        &host::music_info::album_capacity,   &host::music_info::artist_capacity,
        &host::music_info::title_capacity,   &host::music_info::genre_capacity,
        &host::music_info::comment_capacity, &host::music_info::encoder_capacity,
        &host::music_info::encoder_settings_capacity};
    for (std::size_t i = 0; i < buffers_.size(); ++i) {
      record_.*fields[i] = buffers_[i].data();
      record_.*capacities[i] = static_cast<std::uint32_t>(buffers_[i].size());
    }
  }
  host::music_info& get() { return record_; }

 private:
  host::music_info record_{};
  std::array<std::array<char16_t, 260>, 7> buffers_{};
};

int request(const char16_t* text, host_record& record) {
  return host::guarded([&] { return tags::apply_tag_text(text, record.get()); });
}

void typical_request(benchmark::State& state) {
  host_record record;
  for (auto _ : state) {
    benchmark::DoNotOptimize(request(bench::typical_tag_text, record));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(typical_request);

std::size_t text_bytes(const std::u16string& text) {
  return std::char_traits<char16_t>::length(text.c_str()) * sizeof(char16_t);
}

void large_request(benchmark::State& state, const bench::large_text& kind) {
  const std::u16string text = kind.build(static_cast<std::size_t>(state.range(0)));
  host_record record;
  for (auto _ : state) {
    benchmark::DoNotOptimize(request(text.c_str(), record));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text_bytes(text)));
}

// Counts line breaks up to the terminator.
void line_break_scan(benchmark::State& state, const bench::large_text& kind) {
  const std::u16string text = kind.build(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::size_t breaks = 0;
    for (const char16_t* p = text.c_str(); *p != 0; ++p) breaks += (*p == u'\n') | (*p == u'\r');
    benchmark::DoNotOptimize(breaks);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text_bytes(text)));
}

const bool large_registered = [] {
  for (const bench::large_text& kind : bench::large_texts()) {
    for (auto* run : {benchmark::RegisterBenchmark((std::string("request/") + kind.name).c_str(), large_request, kind),
                      benchmark::RegisterBenchmark((std::string("scan/") + kind.name).c_str(), line_break_scan, kind)}) {
      run->Arg(static_cast<std::int64_t>(kind.smaller))->Arg(static_cast<std::int64_t>(kind.larger));
      run->Unit(benchmark::kMillisecond);
    }
  }
  return true;
}();

}  // namespace
