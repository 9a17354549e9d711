// ZRouteFinder: reading the adapters and the routing table once, then splitting the swept blocks
// where a route begins or ends inside them, one question to the routing table per piece. The
// engine does this at every opening of its socket (start and every address change), under its
// lock; zunit's --subnet check does it once.
//   BM_SplitRecords/routes: a fake IP Helper; one /16 with that many /24 routes inside it, every
//       other one through a second interface (so no two neighbouring pieces join): the work of
//       the finder itself.
//   BM_SplitSystem/prefix/blocks: the system's own routing table in the namespace it runs in;
//       blocks of that prefix from 10.32.0.0 on (a /16, or 4,096 /32 blocks, the most the command
//       line takes). `bench/subnets/run` measures it in a namespace of its own with routes inside
//       the /16.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "net/network_adapter_pci_location.h"
#include "net/route_finder.h"
#include "platform/network/fake_ip_helper.h"
#include "platform/network/inet.h"
#include "platform/network/wmi.h"
#include "platform/registry/registry.h"

namespace {

ZCIDRBlock Block(const std::string& text) {
    ZCIDRBlock block;
    ZCIDRBlock::Parse(text.c_str(), &block, nullptr);
    return block;
}

void BM_SplitRecords(benchmark::State& state) {
    const int inside = static_cast<int>(state.range(0));
    auto ip = std::make_shared<zplat::FakeIpHelper>();
    zplat::AdapterInfo a;
    a.index = 3;
    a.type = zplat::MIB_IF_TYPE_ETHERNET;
    a.ipAddressList = {{"10.31.1.2", "255.255.255.0", 1}};
    ip->adapters.push_back(a);
    a.index = 4;
    a.ipAddressList = {{"172.20.0.2", "255.255.0.0", 2}};
    ip->adapters.push_back(a);
    const zplat::BestRoute first{3, zplat::InetAddr("10.31.1.2"), zplat::InetAddr("10.31.1.1")};
    const zplat::BestRoute second{4, zplat::InetAddr("172.20.0.2"), zplat::InetAddr("172.20.0.1")};
    ip->routes.push_back({zplat::InetAddr("10.32.0.0"), 16, first});
    for (int i = 0; i < inside; ++i) {
        const std::string net = "10.32." + std::to_string(i * 256 / inside) + ".0";
        ip->routes.push_back({zplat::InetAddr(net.c_str()), 24, i % 2 == 0 ? second : first});
    }
    zplat::ScopedIpHelper useIp(ip);
    zplat::ScopedRegistry registry;
    zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "", std::make_shared<zplat::MemoryRegistry>());
    zplat::ScopedWmiProvider useWmi(std::make_shared<zplat::FakeWmi>());
    GetPCILocationTable()->Build(true);
    const ZCIDRBlock block = Block("10.32.0.0/16");
    std::vector<ZRouteFinder::Span> spans;
    for (auto _ : state) {
        ZRouteFinder routes;
        benchmark::DoNotOptimize(routes.Split(block, &spans, nullptr));
    }
    state.counters["spans"] = static_cast<double>(spans.size());
    state.counters["lookups"] =
        benchmark::Counter(ip->routeCalls, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SplitRecords)->Arg(0)->Arg(16)->Arg(256)->Unit(benchmark::kMicrosecond);

void BM_SplitSystem(benchmark::State& state) {
    const int prefix = static_cast<int>(state.range(0));
    const int count = static_cast<int>(state.range(1));
    std::vector<ZCIDRBlock> blocks;
    for (int i = 0; i < count; ++i) {
        const uint32_t first = zplat::NetToHost32(zplat::InetAddr("10.32.0.0")) +
                               (static_cast<uint32_t>(i) << (32 - prefix));
        blocks.push_back(
            Block(zplat::InetNtoa(zplat::HostToNet32(first)) + "/" + std::to_string(prefix)));
    }
    uint64_t lookups = 0;
    size_t spans = 0, routed = 0;
    for (auto _ : state) {
        ZRouteFinder routes;
        spans = routed = 0;
        std::vector<ZRouteFinder::Span> found;
        for (const ZCIDRBlock& block : blocks) {
            if (routes.Split(block, &found, nullptr)) {
                ++routed;
                spans += found.size();
            }
        }
        lookups = routes.GetLookupCount();
    }
    state.counters["lookups"] = static_cast<double>(lookups);
    state.counters["spans"] = static_cast<double>(spans);
    state.counters["routed_blocks"] = static_cast<double>(routed);
}
BENCHMARK(BM_SplitSystem)->Args({16, 1})->Args({32, 4096})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
