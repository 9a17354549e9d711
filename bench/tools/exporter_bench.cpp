// One scrape of `zunit exporter`'s /metrics page, as the web server makes it (chunk by chunk),
// over a model of N forged devices with texts of a realistic length: CPU time per scrape, the
// page's size, and the heap the model holds (counters "page_bytes", "model_heap_bytes").

#include <benchmark/benchmark.h>

#include <string>

#include "platform/process/memory_usage.h"
#include "tools/exporter_model.h"

namespace {

void FillModel(ZExporterModel* model, int count) {
    for (int i = 0; i < count; ++i) {
        ZExporterModel::Device d;
        d.service = "zelvane.cuedeck";
        d.name = "Booth " + std::to_string(i) + " stage left";
        d.model = "Cuedeck Prime";
        d.version = "6.4.2";
        d.address = "10." + std::to_string((i >> 16) & 255) + "." + std::to_string((i >> 8) & 255) +
                    "." + std::to_string(i & 255);
        d.port = 4300;
        d.serial = "SIM" + std::to_string(100000 + i);
        d.interface = "eth0";
        d.up = i % 10 != 0;
        d.lastSeenMs = 1712345678000 + i;
        model->Put(ZExporterModel::DeviceId(d), d);
    }
}

void BM_Scrape(benchmark::State& state) {
    const uint64_t heapBefore = zplat::HeapInUseBytes();
    ZExporterModel model(200000, "1.0.0");
    FillModel(&model, static_cast<int>(state.range(0)));
    const uint64_t heapModel = zplat::HeapInUseBytes() - heapBefore;
    size_t bytes = 0;
    for (auto _ : state) {
        ZExporterModel::Cursor cursor;
        std::string chunk;
        bytes = 0;
        // As the server does: a chunk is sent and dropped once it holds 64 KiB.
        while (model.NextChunk(ZExporterModel::Page::kMetrics, &cursor, &chunk)) {
            if (chunk.size() >= 64 * 1024) {
                bytes += chunk.size();
                chunk.clear();
            }
        }
        bytes += chunk.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["page_bytes"] = static_cast<double>(bytes);
    state.counters["model_heap_bytes"] = static_cast<double>(heapModel);
    state.counters["peak_rss_kib"] = static_cast<double>(zplat::PeakResidentKiB());
}
BENCHMARK(BM_Scrape)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
