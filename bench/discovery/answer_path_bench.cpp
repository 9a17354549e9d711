// What one answer costs on the receive thread, from datagram bytes to the agent's stored list,
// with N devices already stored: codec, processor, the engine's transient record, and the agent's
// lookup of the answering device among its stored devices. The rate at which one receive thread
// drains a burst of answers follows from it. Also what the engine's deletion of one cycle's
// answer records costs (it runs at the start of the next cycle, under the engine lock).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "ndd/ndd_protocol_processor.h"
#include "ndd/ndd_user_agent.h"
#include "ndd/network_device.h"
#include "ndd/network_device_detection.h"
#include "ndd/network_device_index.h"
#include "net/ip_address.h"

namespace {

uint32_t AddressOf(uint32_t i) {
    const std::string text =
        "10.200." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
    return ParseDottedAddress(text.c_str());
}

// The answer datagram of device i (every device its own address), as the simulator builds it.
std::vector<uint8_t> AnswerOf(uint32_t i) {
    ZNDDProtocolProcessor p;
    p.BuildAnswer("zelvane.cuedeck", AddressOf(i), ParseDottedAddress("255.255.0.0"), 0, 4300, 0,
                  "Sim Cuedeck", "Cuedeck", "1.0.0",
                  "<data><systemconfig><entry serial=\"SIM000001\" model=\"prime\" "
                  "masterversion=\"1\"/></systemconfig></data>",
                  ParseDottedAddress("10.99.0.1"), ParseDottedAddress("255.255.255.0"), 1, "");
    return std::vector<uint8_t>(p.GetData(), p.GetData() + p.GetLength());
}

void Feed(ZNetworkDeviceDetection* engine, const std::vector<uint8_t>& datagram) {
    engine->OnUDPData(reinterpret_cast<const char*>(datagram.data()),
                      static_cast<int>(datagram.size()), "10.200.0.1", 0, nullptr);
}

// An agent that has stored every device once.
std::unique_ptr<ZNDDUserAgent> AgentWith(const std::vector<std::vector<uint8_t>>& answers) {
    auto agent = std::make_unique<ZNDDUserAgent>(nullptr, 0, 4258);
    for (const std::vector<uint8_t>& a : answers) {
        Feed(agent->GetEngine(), a);
    }
    return agent;
}

// Answers of devices that are all stored already. Every device answers twice per cycle; the
// engine keeps its records of a cycle until the next one, so the agent (and with it the engine
// and its records) is renewed, outside the timing, after each cycle of at least 2,000 answers:
// the engine's records never pile up beyond what a real cycle holds.
void BM_AnswerOfAStoredDevice(benchmark::State& state) {
    const uint32_t stored = static_cast<uint32_t>(state.range(0));
    std::vector<std::vector<uint8_t>> answers;
    for (uint32_t i = 0; i < stored; ++i) {
        answers.push_back(AnswerOf(i));
    }
    const size_t cycle = std::max<size_t>(2 * answers.size(), 2000);
    std::unique_ptr<ZNDDUserAgent> agent = AgentWith(answers);
    size_t next = 0;
    size_t inCycle = 0;
    for (auto _ : state) {
        Feed(agent->GetEngine(), answers[next]);
        next = next + 1 == answers.size() ? 0 : next + 1;
        if (++inCycle == cycle) {
            state.PauseTiming();
            agent.reset();
            agent = AgentWith(answers);
            inCycle = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["stored"] = agent->GetDeviceCount();
}
BENCHMARK(BM_AnswerOfAStoredDevice)->Arg(1)->Arg(100)->Arg(1000)->Arg(10000);

// The first answer of each device: the agent stores a new copy.
void BM_AnswerOfANewDevice(benchmark::State& state) {
    constexpr uint32_t kDevices = 2000;
    std::vector<std::vector<uint8_t>> answers;
    for (uint32_t i = 0; i < kDevices; ++i) {
        answers.push_back(AnswerOf(i));
    }
    auto agent = std::make_unique<ZNDDUserAgent>(nullptr, 0, 4258);
    size_t next = 0;
    for (auto _ : state) {
        Feed(agent->GetEngine(), answers[next]);
        if (++next == answers.size()) {
            state.PauseTiming();
            agent = std::make_unique<ZNDDUserAgent>(nullptr, 0, 4258);
            next = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AnswerOfANewDevice);

// The agent's lookup alone: one answer record looked up among N stored devices.
void BM_IndexFind(benchmark::State& state) {
    const uint32_t stored = static_cast<uint32_t>(state.range(0));
    const uint32_t mask = ParseDottedAddress("255.255.0.0");
    std::vector<std::unique_ptr<ZNetworkDevice>> devices;
    std::vector<std::unique_ptr<ZNetworkDevice>> answers;
    ZNetworkDeviceIndex index;
    for (uint32_t i = 0; i < stored; ++i) {
        for (auto* list : {&devices, &answers}) {
            list->push_back(std::make_unique<ZNetworkDevice>("zelvane.cuedeck", 4300, 0, "Sim",
                                                             "Cuedeck", "1.0.0", "<data/>", ""));
            list->back()->AddAddress(AddressOf(i), mask, 1);
        }
        index.Add(devices.back().get());
    }
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(index.Find(answers[next].get()));
        next = next + 1 == answers.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IndexFind)->Arg(100)->Arg(10000);

// The engine's deletion of one cycle's answer records: two per device, built as the engine
// builds them.
void BM_DeleteOneCyclesAnswerRecords(benchmark::State& state) {
    const uint32_t devices = static_cast<uint32_t>(state.range(0));
    const uint32_t mask = ParseDottedAddress("255.255.0.0");
    for (auto _ : state) {
        state.PauseTiming();
        LNetworkDeviceList records;
        for (uint32_t i = 0; i < 2 * devices; ++i) {
            auto* d = new ZNetworkDevice("zelvane.cuedeck", 4300, 0, "Sim Cuedeck", "Cuedeck",
                                         "1.0.0", "<data/>", "");
            d->AddAddress(AddressOf(i / 2), mask, 1);
            d->SetLocalAddress(ParseDottedAddress("10.99.0.1"),
                               ParseDottedAddress("255.255.255.0"));
            records.AddTail(d);
        }
        state.ResumeTiming();
        records.Lock(LNetworkDeviceList::kLockReason);
        records.DeleteAll();
        records.Unlock(LNetworkDeviceList::kLockReason);
    }
    state.counters["records"] = 2.0 * devices;
}
BENCHMARK(BM_DeleteOneCyclesAnswerRecords)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
