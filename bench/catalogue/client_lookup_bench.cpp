// Looking up a client in a Wine prefix whose system.reg holds many keys under one parent (here
// Software\Classes, where installers leave thousands): the first lookup after the file appears or
// changes (reading and parsing it, then the lookup) and the lookups that follow (answered from
// what was parsed). The prefix is a temporary folder; nothing outside it is read.
//   BM_FirstLookup/N   N keys under Software\Classes (37,000 make a file of about 4 MB)
//   BM_NextLookup/N    the same prefix, already parsed

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "catalogue/client_launch.h"
#include "platform/registry/registry.h"

namespace {

// A prefix with keys Software\Classes\Zelvane.Document<i>\DefaultIcon and no client: each
// lookup walks to the end and finds nothing, the dearest case.
class LargePrefix {
public:
    explicit LargePrefix(int keys) {
        char pattern[] = "/tmp/zlookup-bench-XXXXXX";
        dir_ = mkdtemp(pattern);
        std::ofstream out(dir_ + "/system.reg");
        out << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";
        for (int i = 0; i < keys; ++i) {
            out << "[Software\\\\Classes\\\\Zelvane.Document" << i
                << "\\\\DefaultIcon] 1700000000\n#time=1da0b1c2d3e4f50\n"
                   "@=\"C:\\\\Program Files\\\\Zelvane\\\\Viewer.exe,"
                << i % 10 << "\"\n\n";
        }
        out.close();
        bytes_ = static_cast<int64_t>(std::filesystem::file_size(dir_ + "/system.reg"));
        setenv("WINEPREFIX", dir_.c_str(), 1);
    }
    ~LargePrefix() {
        unsetenv("WINEPREFIX");
        std::filesystem::remove_all(dir_);
    }
    int64_t Bytes() const { return bytes_; }

private:
    std::string dir_;
    int64_t bytes_ = 0;
};

void BM_FirstLookup(benchmark::State& state) {
    LargePrefix prefix(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        zplat::ScopedRegistry scope;
        zplat::MountDefaultRegistry();  // new backends: the file is read again
        ClearClientInstalledCaches();
        benchmark::DoNotOptimize(IsConductorClientInstalled(6));
    }
    state.counters["file_bytes"] = static_cast<double>(prefix.Bytes());
}
BENCHMARK(BM_FirstLookup)->Arg(1000)->Arg(37000)->Unit(benchmark::kMillisecond);

void BM_NextLookup(benchmark::State& state) {
    LargePrefix prefix(static_cast<int>(state.range(0)));
    zplat::ScopedRegistry scope;
    zplat::MountDefaultRegistry();
    IsConductorClientInstalled(6);
    for (auto _ : state) {
        benchmark::DoNotOptimize(IsConductorClientInstalled(6));
    }
}
BENCHMARK(BM_NextLookup)->Arg(1000)->Arg(37000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
