#include "benchlayouts.h"
#include "layoutparser.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qsizetype hostileSize = 25'000'000; // the most a tool may print

long peakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
#ifdef __APPLE__
    return usage.ru_maxrss;
#else
    return usage.ru_maxrss * 1024;
#endif
}

// The peak memory one parse adds, measured in a child process of its own, so that every case
// starts from the same footing and no earlier peak hides a later one.
long parsePeakBytes(const QByteArray &data)
{
    int channel[2];
    if (pipe(channel) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        const long before = peakResidentBytes();
        try {
            LayoutParser::parse(data);
        } catch (...) {
            // Refused, as a hostile response must be; only the memory it took matters here.
        }
        const long growth = peakResidentBytes() - before;
        const bool sent = write(channel[1], &growth, sizeof growth) == sizeof growth;
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    long growth = -1;
    if (read(channel[0], &growth, sizeof growth) != sizeof growth)
        growth = -1;
    close(channel[0]);
    waitpid(child, nullptr, 0);
    return growth;
}

// A response of about 25 MB: `open`, then `element` repeated, then `close`.
QByteArray hostile(const QByteArray &open, const QByteArray &element, const QByteArray &close)
{
    const qsizetype count = (hostileSize - open.size() - close.size()) / (element.size() + 1);
    QByteArray data = open;
    data.reserve(hostileSize);
    for (qsizetype i = 0; i < count; ++i)
        data.append(element).append(i + 1 < count ? "," : "");
    return data.append(close);
}

// Reports the peak as a multiple of the input size; the target is under 10.
void parsePeakMemory(benchmark::State &state, const QByteArray &data)
{
    long peak = 0;
    for (auto _ : state)
        peak = std::max(peak, parsePeakBytes(data));
    state.counters["input_MB"] = double(data.size()) / 1e6;
    state.counters["peak_MB"] = double(peak) / 1e6;
    state.counters["peak_per_input"] = double(peak) / double(data.size());
}

void largestValid(benchmark::State &state)
{
    parsePeakMemory(state, BenchLayouts::largest().cfgutilData());
}

void emptyPages(benchmark::State &state)
{
    parsePeakMemory(state, hostile("[", "[]", "]"));
}

void crowdedPage(benchmark::State &state)
{
    parsePeakMemory(state, hostile("[[],[", "\"\"", "]]"));
}

void crowdedFolder(benchmark::State &state)
{
    parsePeakMemory(state, hostile("[[],[[\"F\",", "\"\"", "]]]"));
}

} // namespace

BENCHMARK(largestValid)->Name("parsePeakMemory/largestValid")->Iterations(1);
BENCHMARK(emptyPages)->Name("parsePeakMemory/hostileEmptyPages")->Iterations(1);
BENCHMARK(crowdedPage)->Name("parsePeakMemory/hostileCrowdedPage")->Iterations(1);
BENCHMARK(crowdedFolder)->Name("parsePeakMemory/hostileCrowdedFolder")->Iterations(1);
