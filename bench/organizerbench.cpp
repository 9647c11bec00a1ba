#include "benchlayouts.h"
#include "organizer.h"

#include <benchmark/benchmark.h>

namespace {

void organizeRealistic(benchmark::State &state, SortStyle style)
{
    const Layout layout = BenchLayouts::realistic();
    SortOptions options;
    options.style = style;
    for (auto _ : state)
        benchmark::DoNotOptimize(Organizer::organize(layout, options, {}, {}));
}

} // namespace

BENCHMARK_CAPTURE(organizeRealistic, categories, SortStyle::categories)
        ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(organizeRealistic, alphabetical, SortStyle::alphabetical)
        ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(organizeRealistic, twoIconTest, SortStyle::twoIconTest)
        ->Unit(benchmark::kMicrosecond);
