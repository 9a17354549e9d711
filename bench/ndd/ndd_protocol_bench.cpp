// The protocol's hot paths: the CRC-16 check value, building and finalising a search request
// (once per interface and cycle), and reading an answer into a handler (once per answer on the
// receive thread, where bursts of thousands arrive together).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "ndd/crc_calculator.h"
#include "ndd/ndd_protocol_handler.h"
#include "ndd/ndd_protocol_processor.h"
#include "ndd/zg2p_codec.h"
#include "ndd/zg2p_codec_handler.h"
#include "ndd/zg2p_message.h"

namespace {

uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

void BM_Crc16(benchmark::State& state) {
    std::vector<uint8_t> bytes(static_cast<size_t>(state.range(0)));
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 131 + 7);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ComputeCrc16(bytes.data(), static_cast<uint32_t>(bytes.size()),
                                              kZG2PCrcPolynomial, kZG2PCheckInitial));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
// An answer-sized message, and a long run where the per-call table build no longer counts.
BENCHMARK(BM_Crc16)->Arg(120)->Arg(1 << 16);

void BM_ByteSum16(benchmark::State& state) {
    std::vector<uint8_t> bytes(static_cast<size_t>(state.range(0)), 0x5A);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            ComputeByteSum16(bytes.data(), static_cast<uint32_t>(bytes.size()), kZG2PCheckInitial));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ByteSum16)->Arg(120)->Arg(1 << 16);

// BuildRequest and GetData of the 82-byte worked request.
void BM_BuildAndFinaliseRequest(benchmark::State& state) {
    ZNDDProtocolProcessor p;
    for (auto _ : state) {
        p.BuildRequest(Address(192, 168, 1, 20), Address(255, 255, 255, 0), 50000, "STUDIO-PC",
                       0xFFFFFFFFu, "zelvane.*", "abc");
        benchmark::DoNotOptimize(p.GetData());
        benchmark::DoNotOptimize(p.GetLength());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildAndFinaliseRequest);

class CountingHandler : public INDDProtocolHandler {
public:
    uint64_t sum = 0;
    int OnOtherMessage(uint16_t, void*) override { return 0; }
    int OnSearchRequest(uint32_t, uint32_t, uint16_t, const char*, uint32_t, const char*,
                        const char*, void*) override {
        return 0;
    }
    int OnAnswer(const char* serviceName, uint32_t deviceAddress, uint32_t, uint32_t, uint16_t port,
                 uint16_t, const char* deviceName, const char*, const char*, const char*, uint32_t,
                 uint32_t, uint32_t, const char*, void*) override {
        sum += deviceAddress + port + static_cast<uint8_t>(serviceName[0]) +
               static_cast<uint8_t>(deviceName[0]);
        return 1;
    }
    int OnErrorAnswer(uint32_t, const char*, uint16_t, void*) override { return 0; }
};

std::vector<uint8_t> WorkedAnswer() {
    ZNDDProtocolProcessor p;
    p.BuildAnswer("zelvane.cuedeck", Address(192, 168, 1, 50), Address(255, 255, 255, 0), 0, 4300,
                  0, "Booth 2", "", "6.4.2", "", Address(192, 168, 1, 20),
                  Address(255, 255, 255, 0), 0, "");
    return std::vector<uint8_t>(p.GetData(), p.GetData() + p.GetLength());
}

// Process of the 120-byte answer, already wrapped as a received message (the engine's copy).
void BM_ProcessAnswer(benchmark::State& state) {
    const std::vector<uint8_t> answer = WorkedAnswer();
    ZNDDProtocolProcessor p;
    CountingHandler handler;
    p.SetHandler(&handler);
    ZZG2PMessage message(answer.data(), static_cast<uint32_t>(answer.size()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(p.Process(&message, nullptr));
    }
    benchmark::DoNotOptimize(handler.sum);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ProcessAnswer);

// The whole receive path of one answer datagram: codec (reassembly, check value, a message over
// a copy), the handler's copy, and Process.
class Receiver : public IZG2PCodecHandler {
public:
    ZNDDProtocolProcessor processor;
    CountingHandler handler;
    Receiver() { processor.SetHandler(&handler); }
    bool OnMessage(ZZG2PMessage* message, int) override {
        ZZG2PMessage copy(*message);
        processor.Process(&copy, nullptr);
        return true;
    }
    bool OnError(int, int) override { return false; }
};

void BM_ReceiveAnswerDatagram(benchmark::State& state) {
    const std::vector<uint8_t> answer = WorkedAnswer();
    Receiver receiver;
    ZZG2PCodec codec(false, &receiver);
    for (auto _ : state) {
        codec.Feed(answer.data(), static_cast<uint32_t>(answer.size()), 0);
    }
    benchmark::DoNotOptimize(receiver.handler.sum);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReceiveAnswerDatagram);

}  // namespace

BENCHMARK_MAIN();
