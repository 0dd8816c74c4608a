// The field splitter and number readers sit under every text-file reader; road drawings of
// hundreds of megabytes go through them line by line.
#include "support/brdodatkirozn.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <string>
#include <vector>

namespace {

// As the road-design programs write them, with "." whatever the locale.
std::string number(double v) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 6).ptr;
    return std::string(text, end);
}

std::vector<std::string> roadLines() {
    std::vector<std::string> lines;
    for (int i = 0; i < 1000; ++i) {
        lines.push_back("PD," + number(1000 + i * 0.125) + "," + number(i * 7.5));
        if (i % 50 == 0)
            lines.push_back("TX,12.5,-3.25,0.0,2.5,KM 0+" + std::to_string(i));
    }
    return lines;
}

void SplitAndReadReals(benchmark::State& state) {
    const auto lines = roadLines();
    std::size_t bytes = 0;
    for (const auto& l : lines)
        bytes += l.size() + 2;
    FieldSplitter s;
    for (auto _ : state) {
        double sum = 0;
        for (const auto& l : lines) {
            s.line = l;
            s.split();
            for (int k = 2; k <= s.count(); ++k)
                sum += s.real(k);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(SplitAndReadReals);

void ParseRealAlone(benchmark::State& state) {
    const std::string numbers[] = {"1234.5678", "-0.25", "12", "1.5e3", " 7.125 "};
    for (auto _ : state)
        for (const auto& n : numbers)
            benchmark::DoNotOptimize(TextToReal(std::string_view(n)));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * std::size(numbers)));
}
BENCHMARK(ParseRealAlone);

} // namespace
