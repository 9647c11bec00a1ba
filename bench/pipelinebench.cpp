#include "benchlayouts.h"
#include "layoutparser.h"
#include "organizer.h"

#include <QCryptographicHash>
#include <QJsonDocument>

#include <benchmark/benchmark.h>

namespace {

const QByteArray &largestDeviceForm()
{
    static const QByteArray data = BenchLayouts::largest().cfgutilData();
    return data;
}

const QByteArray &organizableDeviceForm()
{
    static const QByteArray data = BenchLayouts::largestOrganizable().cfgutilData();
    return data;
}

SortOptions fullPages()
{
    SortOptions options;
    options.pageCapacity = 30;
    return options;
}

// What a phone read costs end to end: parse and validate, organize, encode, fingerprint.
void readPipelineLargest(benchmark::State &state)
{
    const QByteArray &data = organizableDeviceForm();
    for (auto _ : state) {
        const ParsedLayout parsed = LayoutParser::parse(data);
        const Layout proposal = Organizer::organize(parsed.layout, fullPages(), parsed.names, {});
        const QByteArray deviceForm = proposal.cfgutilData();
        benchmark::DoNotOptimize(Layout::fingerprint(deviceForm));
    }
    state.SetBytesProcessed(state.iterations() * data.size());
}

// The floor for the same bytes: decode and re-encode them with Qt's JSON classes and hash them.
void floorLargest(benchmark::State &state)
{
    const QByteArray &data = organizableDeviceForm();
    for (auto _ : state) {
        const QJsonDocument document = QJsonDocument::fromJson(data);
        const QByteArray text = document.toJson(QJsonDocument::Indented);
        benchmark::DoNotOptimize(QCryptographicHash::hash(text, QCryptographicHash::Sha256));
    }
    state.SetBytesProcessed(state.iterations() * data.size());
}

// The stages one by one, to see where the pipeline's time goes; parse and fingerprint on the
// largest layout the limits allow.
void parseLargest(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(LayoutParser::parse(largestDeviceForm()));
}

void organizeLargest(benchmark::State &state)
{
    const Layout layout = LayoutParser::parse(organizableDeviceForm()).layout;
    for (auto _ : state)
        benchmark::DoNotOptimize(Organizer::organize(layout, fullPages(), {}, {}));
}

void deviceFormLargest(benchmark::State &state)
{
    const Layout layout = LayoutParser::parse(largestDeviceForm()).layout;
    for (auto _ : state)
        benchmark::DoNotOptimize(layout.cfgutilData());
}

void sha256Largest(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Layout::fingerprint(largestDeviceForm()));
}

} // namespace

BENCHMARK(readPipelineLargest)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(floorLargest)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(parseLargest)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(organizeLargest)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(deviceFormLargest)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(sha256Largest)->Unit(benchmark::kMillisecond)->UseRealTime();
