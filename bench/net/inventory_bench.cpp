// ZNetworkAdapterManager::Refresh with 11, 21 and 41 adapters over the synthesized registry view,
// the way the detection engine refreshes at start and at every address change (under its lock).
//   BM_RefreshRecords: a fake IP Helper's hand-built adapters, two addresses each; measures the
//       inventory and the registry view alone.
//   BM_RefreshSystem: the system's own links in the namespace it runs in; run `bench/net/run` to
//       measure it with 41 links in a namespace of its own.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "net/network_adapter_manager.h"
#include "net/network_adapter_pci_location.h"
#include "platform/network/fake_ip_helper.h"
#include "platform/network/wmi.h"
#include "platform/registry/registry.h"
#include "platform/registry/system_registry.h"

namespace {

void BM_RefreshRecords(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    auto ip = std::make_shared<zplat::FakeIpHelper>();
    std::vector<zplat::PciDeviceRecord> pci;
    for (int i = 0; i < count; ++i) {
        const std::string name = "eth" + std::to_string(i);
        const std::string net = "10." + std::to_string(i) + ".0.";
        zplat::AdapterInfo a;
        a.index = static_cast<uint32_t>(2 + i);
        a.adapterName = name;
        a.description = name;
        a.type = zplat::MIB_IF_TYPE_ETHERNET;
        a.ipAddressList = {{net + "1", "255.255.255.0", 1}, {net + "2", "255.255.255.0", 2}};
        ip->adapters.push_back(a);
        ip->dns[a.index] = {net + "53"};
        zplat::PciDeviceRecord d;
        d.slot = "0000:" + std::to_string(10 + i) + ":00.0";
        d.bus = static_cast<uint32_t>(10 + i);
        d.classCode = 0x020000;
        d.interfaces = {name};
        pci.push_back(d);
    }
    zplat::ScopedIpHelper useIp(ip);
    zplat::ScopedRegistry registry;
    zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet",
                         std::make_shared<zplat::SystemRegistry>([pci] { return pci; }));
    zplat::ScopedWmiProvider useWmi(std::make_shared<zplat::FakeWmi>());
    GetPCILocationTable()->Build(true);
    for (auto _ : state) {
        ZNetworkAdapterManager inventory;
        benchmark::DoNotOptimize(inventory.Refresh());
    }
    state.counters["adapter_list_calls"] =
        benchmark::Counter(ip->adapterCalls, benchmark::Counter::kAvgIterations);
    state.counters["per_adapter_calls"] =
        benchmark::Counter(ip->perAdapterCalls, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RefreshRecords)->Arg(11)->Arg(21)->Arg(41)->Unit(benchmark::kMillisecond);

void BM_RefreshSystem(benchmark::State& state) {
    zplat::ScopedRegistry registry;
    zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet",
                         std::make_shared<zplat::SystemRegistry>());
    GetPCILocationTable()->Build(true);
    uint32_t adapters = 0;
    for (auto _ : state) {
        ZNetworkAdapterManager inventory;
        benchmark::DoNotOptimize(inventory.Refresh());
        adapters = inventory.GetCount();
    }
    state.counters["adapters"] = adapters;
}
BENCHMARK(BM_RefreshSystem)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
