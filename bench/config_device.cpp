// Device record speed: Read of one device record (CBTDevCfg, 33 values with a protected link key),
// and reading the service cache of a device with 32 services the way the facade does (iterate the
// cache keys, construct each entry from the address and key name, Read it), on hives in a
// temporary folder.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "config/cfg_iterator.h"
#include "config/dev_cfg.h"
#include "config/service_cache_cfg.h"
#include "platform/registry/registry.h"

namespace {

const CfgBdAddr kPhone = {0x00, 0x0a, 0x95, 0x9d, 0x68, 0x16};

void BM_DeviceRead(benchmark::State& state) {
    CBTDevCfg device(u"00:0a:95:9d:68:16", CfgDevClass{0x0c, 0x02, 0x5a}, "Phone 1");
    device.m_linkKey = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    device.m_fLinkKeyPresent = 1;
    device.m_szRemoteName = "Phone";
    if (device.Save() != ERROR_SUCCESS) state.SkipWithError("save");
    for (auto _ : state) {
        CBTDevCfg record(u"00:0a:95:9d:68:16");
        if (record.Read() != ERROR_SUCCESS || record.m_fLinkKeyPresent == 0) state.SkipWithError("read");
        benchmark::DoNotOptimize(record.m_linkKey);
    }
}
BENCHMARK(BM_DeviceRead)->Unit(benchmark::kMicrosecond)->Iterations(1)->Repetitions(200)->ReportAggregatesOnly(true);

void BM_ServiceCacheOf32(benchmark::State& state) {
    for (int i = 0; i < 32; ++i) {
        CBTServiceCacheCfg entry(kPhone, "Service " + std::to_string(i), 0x1101 + static_cast<DWORD>(i % 8), 1, 0);
        entry.Save();
    }
    for (auto _ : state) {
        CBTServiceCacheCfgIterator cache(kPhone.data());
        char16_t key[MAX_PATH];
        int count = 0;
        while (cache.GetNext(key)) {
            CBTServiceCacheCfg entry(kPhone, key);
            if (entry.Read() == ERROR_SUCCESS) ++count;
            benchmark::DoNotOptimize(entry.m_dwUUID);
        }
        if (count != 32) state.SkipWithError("entries");
    }
}
BENCHMARK(BM_ServiceCacheOf32)->Unit(benchmark::kMicrosecond)->Iterations(1)->Repetitions(100)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    char dir_template[] = "/tmp/qelbench-XXXXXX";
    std::string dir = mkdtemp(dir_template) ? dir_template : "";
    if (dir.empty()) return 1;
    setenv("QEL_REGISTRY_DIR", dir.c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    qel::platform::reg_reset_for_tests();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
