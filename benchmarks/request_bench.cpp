// The request path natively: an ordinary tag text into a record, and large or
// hostile texts at two sizes each beside a baseline that only scans the same
// text for line breaks, the least any line-based parser must do.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "host/export_guard.h"
#include "large_texts.h"
#include "roomy_record.h"
#include "tags/tag_text.h"
#include "text/user_locale.h"

namespace {

using namespace ambrel;

// The locale is made once at load, as the module does.
const bool locale_created = [] {
  text::create_user_locale();
  return true;
}();

int request(const char16_t* text, bench::roomy_record& record) {
  return host::guarded([&] { return tags::apply_tag_text(text, record.get()); });
}

void typical_request(benchmark::State& state) {
  bench::roomy_record record;
  for (auto _ : state) {
    benchmark::DoNotOptimize(request(samples::typical_tag_text, record));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(typical_request);

std::size_t text_bytes(const std::u16string& text) {
  return std::char_traits<char16_t>::length(text.c_str()) * sizeof(char16_t);
}

void large_request(benchmark::State& state, const bench::large_text& kind) {
  const std::u16string text = kind.build(static_cast<std::size_t>(state.range(0)));
  bench::roomy_record record;
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
