// OnDeviceAnswer for a product the core already lists, with 100, 1,000 and 10,000 products in the
// list: every device answers every two seconds, so this is the common path on the network thread
// and must not slow down as the list grows. Also the first answer of a new device, for scale.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue/unitfinder_core.h"
#include "platform/process/memory_usage.h"
#include "tests/catalogue/fake_network_device.h"
#include "tests/catalogue/fake_user_agent.h"

namespace {

class NoHandler : public IUnitFinderCoreHandler {
public:
    void OnProductAdded(ZProduct*) override {}
};

std::string AddressOf(int i) {
    return "10." + std::to_string((i >> 16) & 255) + "." + std::to_string((i >> 8) & 255) + "." +
           std::to_string(i & 255);
}

// A core (not started: nothing is sent) whose list holds count products.
struct Filled {
    explicit Filled(int count)
        : core(&handler,
               [this](const char*, uint16_t, uint16_t) { return new FakeUserAgent(&log, 0); }) {
        for (int i = 0; i < count; ++i) {
            FakeNetworkDevice device("zelvane.cuedeck2", AddressOf(i), 4258);
            device.name = "Unit " + std::to_string(i);
            device.info = "<data><systemconfig><entry serial=\"S" + std::to_string(i) +
                          "\" model=\"prime\"/></systemconfig></data>";
            core.OnDeviceAnswer(&device, nullptr);
        }
    }
    FakeAgentLog log;
    NoHandler handler;
    ZUnitFinderCore core;
};

void BM_AnswerFromKnownProduct(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Filled filled(count);
    // The newest product: the last one a walk from the head would reach.
    FakeNetworkDevice device("zelvane.cuedeck2", AddressOf(count - 1), 4258);
    for (auto _ : state) {
        benchmark::DoNotOptimize(filled.core.OnDeviceAnswer(&device, nullptr));
    }
    state.counters["products"] = count;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AnswerFromKnownProduct)->Arg(100)->Arg(1000)->Arg(10000);

// What one listed product costs in memory: the product, its list node and its index entry, for
// answers like the simulator's (a name, a short device document with a serial).
void BM_MemoryPerProduct(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    double perProduct = 0;
    for (auto _ : state) {
        const uint64_t before = zplat::HeapInUseBytes();
        auto filled = std::make_unique<Filled>(count);
        const uint64_t after = zplat::HeapInUseBytes();
        perProduct = static_cast<double>(after - before) / count;
        state.PauseTiming();
        filled.reset();
        state.ResumeTiming();
    }
    state.counters["bytes_per_product"] = perProduct;
    state.counters["products"] = count;
}
BENCHMARK(BM_MemoryPerProduct)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_AnswerFromNewProduct(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::unique_ptr<Filled> filled;
    int next = 0;
    std::vector<std::unique_ptr<FakeNetworkDevice>> devices;
    for (auto _ : state) {
        state.PauseTiming();
        if (!filled || next >= count * 2) {
            filled = std::make_unique<Filled>(count);
            next = count;
        }
        FakeNetworkDevice device("zelvane.cuedeck2", AddressOf(next++), 4258);
        device.info =
            "<data><systemconfig><entry serial=\"N\" model=\"go\"/></systemconfig></data>";
        state.ResumeTiming();
        filled->core.OnDeviceAnswer(&device, nullptr);
    }
    state.counters["products"] = count;
}
BENCHMARK(BM_AnswerFromNewProduct)->Arg(100)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
