#include "benchlayouts.h"
#include "layoutedits.h"
#include "layoutsummary.h"
#include "modelvalues.h"

#include <benchmark/benchmark.h>

namespace {

// A hand edit on a lived-in phone as the window sees it: the edit itself, then what the model
// works out for the new proposal (its summary: fingerprint, inventory, counts) and the preview's
// values. The first item of page 1 goes to its end, so every iteration edits the layout anew.
void handEditRealistic(benchmark::State &state)
{
    Layout layout = BenchLayouts::realistic();
    for (auto _ : state) {
        layout = LayoutEdits::move(layout, {1, 0}, 1, 99, 24);
        const LayoutSummary summary(layout);
        benchmark::DoNotOptimize(summary.fingerprint);
        benchmark::DoNotOptimize(ModelValues::layout(summary.layout, {}, {}));
    }
}

} // namespace

BENCHMARK(handEditRealistic)->Unit(benchmark::kMicrosecond);
