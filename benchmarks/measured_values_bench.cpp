// The three measured-value parsers on typical values, and on long values at
// doubling sizes in one run, so that doubling the input shows about double the
// time (the fit at the end of the run reports the order).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/records.h"
#include "tags/measured_values.h"

namespace {

using ambrel::host::music_info;
using parser = bool (*)(std::u16string&, music_info&);

std::string narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

// The parsers may change their value, so each iteration parses a fresh copy.
void run(benchmark::State& state, parser parse, const std::u16string& value) {
  music_info record{};
  for (auto _ : state) {
    std::u16string copy = value;
    benchmark::DoNotOptimize(parse(copy, record));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(value.size() * sizeof(char16_t)));
}

// A value of at least `units` code units made of whole repetitions of `piece`,
// without a trailing space, as a trimmed value has none.
std::u16string repeated(const std::u16string& piece, std::size_t units) {
  std::u16string value;
  value.reserve(units + piece.size());
  while (value.size() < units) {
    value += piece;
  }
  while (!value.empty() && value.back() == u' ') {
    value.pop_back();
  }
  return value;
}

constexpr std::size_t mebi = std::size_t{1} << 20;

void register_typical(const char* family, parser parse, std::vector<std::u16string> values) {
  for (std::u16string& value : values) {
    const std::string name = std::string(family) + "/\"" + narrow(value) + "\"";
    benchmark::RegisterBenchmark(name.c_str(), [parse, value](benchmark::State& state) {
      run(state, parse, value);
    });
  }
}

void register_long(const char* family, parser parse, std::u16string piece) {
  benchmark::RegisterBenchmark(family, [parse, piece](benchmark::State& state) {
    const std::u16string value = repeated(piece, static_cast<std::size_t>(state.range(0)));
    run(state, parse, value);
    state.SetComplexityN(state.range(0));
  })
      ->Arg(static_cast<std::int64_t>(mebi))
      ->Arg(static_cast<std::int64_t>(2 * mebi))
      ->Arg(static_cast<std::int64_t>(4 * mebi))
      ->Unit(benchmark::kMillisecond)
      ->Complexity(benchmark::oN);
}

const bool registered = [] {
  register_typical("bit_rate", ambrel::tags::parse_bit_rate,
                   {u"320 kbps", u"1,411 kbps", u"128", u"1.5 Mbps", u"VBR 320 kbps", u"5000 Mbps"});
  register_typical("sample_rate", ambrel::tags::parse_sample_rate,
                   {u"44100 Hz", u"44.1 kHz", u"8.0009 kHz", u"44100", u"22050 samples/s"});
  register_typical("length", ambrel::tags::parse_length,
                   {u"3 minutes 25 seconds", u"1 hour 2 minutes 3 seconds", u"50000 days", u"4 min 5 sec",
                    u"3 minutes 25"});
  // Long values, sized in code units: number-and-unit pairs through every
  // unit, and a bit rate whose many words and commas the parser must cross.
  register_long("length_pairs", ambrel::tags::parse_length, u"1 day 2 hours 3 minutes 4 seconds ");
  register_long("bit_rate_words", ambrel::tags::parse_bit_rate, u"1,411 kbps ");
  return true;
}();

}  // namespace
