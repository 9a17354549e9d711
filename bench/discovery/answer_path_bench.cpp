// What one answer costs on the receive thread, from datagram bytes to the agent's stored list,
// with N devices already stored: codec, processor, the engine's transient record, and the agent's
// lookup of the answering device in its list (a walk with text comparisons). The rate at which
// one receive thread drains a burst of answers follows from it.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "ndd/ndd_protocol_processor.h"
#include "ndd/ndd_user_agent.h"
#include "ndd/network_device_detection.h"
#include "net/ip_address.h"

namespace {

// The answer datagram of device i (every device its own address), as the simulator builds it.
std::vector<uint8_t> AnswerOf(uint32_t i) {
    ZNDDProtocolProcessor p;
    const std::string text =
        "10.200." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
    const uint32_t address = ParseDottedAddress(text.c_str());
    p.BuildAnswer("zelvane.cuedeck", address, ParseDottedAddress("255.255.0.0"), 0, 4300, 0,
                  "Sim Cuedeck", "Cuedeck", "1.0.0",
                  "<data><systemconfig><entry serial=\"SIM000001\" model=\"prime\" "
                  "masterversion=\"1\"/></systemconfig></data>",
                  ParseDottedAddress("10.99.0.1"), ParseDottedAddress("255.255.255.0"), 1, "");
    return std::vector<uint8_t>(p.GetData(), p.GetData() + p.GetLength());
}

// Answers of devices that are all stored already: each walks on average half the list.
void BM_AnswerOfAStoredDevice(benchmark::State& state) {
    const uint32_t stored = static_cast<uint32_t>(state.range(0));
    ZNDDUserAgent agent(nullptr, 0, 4258);
    ZNetworkDeviceDetection* engine = agent.GetEngine();
    std::vector<std::vector<uint8_t>> answers;
    for (uint32_t i = 0; i < stored; ++i) {
        answers.push_back(AnswerOf(i));
        engine->OnUDPData(reinterpret_cast<const char*>(answers.back().data()),
                          static_cast<int>(answers.back().size()), "10.200.0.1", 0, nullptr);
    }
    size_t next = 0;
    for (auto _ : state) {
        const std::vector<uint8_t>& a = answers[next];
        engine->OnUDPData(reinterpret_cast<const char*>(a.data()), static_cast<int>(a.size()),
                          "10.200.0.1", 0, nullptr);
        next = (next + 1) % answers.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["stored"] = agent.GetDeviceCount();
}
BENCHMARK(BM_AnswerOfAStoredDevice)->Arg(1)->Arg(100)->Arg(1000)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
