// Record speed: Read and Save of one local service record (CBTServiceCfg, 13 values), and the
// look-up of a service key by UUID (GetKeyName) over 32 services where the one sought is the last,
// on hives in a temporary folder. Targets: a read under 0.2 ms, a save under 1 ms.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "config/service_cfg.h"
#include "platform/registry/registry.h"

namespace {

CBTServiceCfg sample_service(const char16_t* key, DWORD uuid) {
    CBTServiceCfg service(key);
    service.SetUuid(uuid);
    service.m_szName = u"Bluetooth Serial Port";
    service.m_szDescription = u"A serial port over the air, for programs that talk to a COM port";
    service.m_szStatusDll = u"qelstatus.dll";
    service.m_dwSecurityId = uuid;
    return service;
}

void BM_ServiceRead(benchmark::State& state) {
    sample_service(u"0001", 0x1101).Save();
    for (auto _ : state) {
        CBTServiceCfg service(u"0001");
        if (service.Read() != ERROR_SUCCESS) state.SkipWithError("read");
        benchmark::DoNotOptimize(service.m_dwUUID);
    }
}
BENCHMARK(BM_ServiceRead)->Unit(benchmark::kMicrosecond)->Iterations(1)->Repetitions(300)->ReportAggregatesOnly(true);

void BM_ServiceSave(benchmark::State& state) {
    CBTServiceCfg service = sample_service(u"0002", 0x1103);
    for (auto _ : state) {
        ++service.m_dwAuto;
        if (service.Save() != ERROR_SUCCESS) state.SkipWithError("save");
    }
}
BENCHMARK(BM_ServiceSave)->Unit(benchmark::kMicrosecond)->Iterations(1)->Repetitions(300)->ReportAggregatesOnly(true);

void BM_GetKeyNameOver32(benchmark::State& state) {
    CBTCfg::DeleteCfgKey(u"0001", kServicesPath, HKEY_CURRENT_USER);
    CBTCfg::DeleteCfgKey(u"0002", kServicesPath, HKEY_CURRENT_USER);
    for (int i = 1; i <= 32; ++i) {
        std::string name = (i < 10 ? "000" : "00") + std::to_string(i);
        std::u16string key(name.begin(), name.end());
        sample_service(key.c_str(), i == 32 ? 0x1126 : 0x1101).Save();
    }
    CBTServiceCfg finder;
    for (auto _ : state) {
        std::u16string key;
        if (!finder.GetKeyName(key, 0x1126)) state.SkipWithError("not found");
        benchmark::DoNotOptimize(key);
    }
}
BENCHMARK(BM_GetKeyNameOver32)->Unit(benchmark::kMicrosecond)->Iterations(1)->Repetitions(100)->ReportAggregatesOnly(true);

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
