#include "benchlayouts.h"
#include "layoutcomparison.h"
#include "layoutparser.h"
#include "organizer.h"

#include <benchmark/benchmark.h>

namespace {

// The largest layout the organizer can still sort into categories (the very largest one cannot,
// see BenchLayouts), against its proposal with full pages.
struct LargestPair
{
    QByteArray deviceForm;
    Layout before;
    Layout after;
};

const LargestPair &largestPair()
{
    static const LargestPair pair = [] {
        LargestPair made;
        made.before = BenchLayouts::largestOrganizable();
        made.deviceForm = made.before.cfgutilData();
        SortOptions options;
        options.pageCapacity = 30;
        made.after = Organizer::organize(made.before, options, {}, {});
        return made;
    }();
    return pair;
}

void compareLargest(benchmark::State &state)
{
    const LargestPair &pair = largestPair();
    for (auto _ : state)
        benchmark::DoNotOptimize(LayoutComparison(pair.before, pair.after).summary());
}

// The yardstick for compareLargest: parsing the same layout.
void parseLargestOrganizable(benchmark::State &state)
{
    const LargestPair &pair = largestPair();
    for (auto _ : state)
        benchmark::DoNotOptimize(LayoutParser::parse(pair.deviceForm));
}

void compareRealistic(benchmark::State &state)
{
    const Layout before = BenchLayouts::realistic();
    const Layout after = Organizer::organize(before, {}, {}, {});
    for (auto _ : state)
        benchmark::DoNotOptimize(LayoutComparison(before, after).summary());
}

// What the command line's diff adds: every move described with the app's name.
void describeMovesRealistic(benchmark::State &state)
{
    const Layout before = BenchLayouts::realistic();
    const LayoutComparison comparison(before, Organizer::organize(before, {}, {}, {}));
    for (auto _ : state)
        benchmark::DoNotOptimize(comparison.moves());
}

} // namespace

BENCHMARK(compareLargest)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(parseLargestOrganizable)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(compareRealistic)->Unit(benchmark::kMicrosecond);
BENCHMARK(describeMovesRealistic)->Unit(benchmark::kMicrosecond);
