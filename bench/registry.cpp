// Registry speed: saving and loading one configuration record (a key with 70 values) and
// enumerating 10,000 sibling keys by index, on hives in a temporary folder. Each case runs as
// many single repetitions and reports their median.
#include "platform/registry/registry.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace qel::platform;

namespace {

constexpr int kValues = 70;
constexpr int kSiblings = 10000;

std::u16string value_name(int i) {
    std::string n = "Value" + std::to_string(i);
    return std::u16string(n.begin(), n.end());
}

// One record's worth of values: DWORDs, strings and a binary blob, like a device record.
void write_record(HKEY key, DWORD seed) {
    for (int i = 0; i < kValues; ++i) {
        std::u16string name = value_name(i);
        if (i % 3 == 0) {
            DWORD v = seed + static_cast<DWORD>(i);
            reg_set_value(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
        } else if (i % 3 == 1) {
            std::u16string text = u"Device name or path " + name;
            reg_set_value(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * 2));
        } else {
            BYTE blob[16] = {1, 2, 3, 4, 5, 6, static_cast<BYTE>(seed)};
            reg_set_value(key, name, REG_BINARY, blob, sizeof blob);
        }
    }
}

void BM_SaveRecord(benchmark::State& state) {
    DWORD seed = 0;
    for (auto _ : state) {
        RegKey key;
        reg_create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Bench\\Record", KEY_ALL_ACCESS, key.put(),
                       nullptr);
        write_record(key.get(), ++seed);
    }
}
BENCHMARK(BM_SaveRecord)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(1)
    ->Repetitions(300)
    ->ReportAggregatesOnly(true);

void BM_LoadRecord(benchmark::State& state) {
    {
        RegKey key;
        reg_create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Bench\\Record", KEY_ALL_ACCESS, key.put(),
                       nullptr);
        write_record(key.get(), 1);
    }
    std::vector<std::u16string> names;
    for (int i = 0; i < kValues; ++i) names.push_back(value_name(i));
    for (auto _ : state) {
        RegKey key;
        reg_open_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Bench\\Record", KEY_READ, key.put());
        BYTE buffer[256];
        for (const auto& n : names) {
            DWORD type = 0, size = sizeof buffer;
            if (reg_query_value(key.get(), n, &type, buffer, &size) != ERROR_SUCCESS)
                state.SkipWithError("query");
            benchmark::DoNotOptimize(buffer);
        }
    }
}
BENCHMARK(BM_LoadRecord)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(1)
    ->Repetitions(300)
    ->ReportAggregatesOnly(true);

void BM_Enumerate10000(benchmark::State& state) {
    {
        RegKey parent;
        reg_create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Bench\\Many", KEY_ALL_ACCESS, parent.put(),
                       nullptr);
        DWORD count = 0;
        RegKeyInfo info;
        if (reg_query_info_key(parent.get(), &info) == ERROR_SUCCESS) count = info.sub_keys;
        for (int i = static_cast<int>(count); i < kSiblings; ++i) {
            std::string n = "Device" + std::to_string(i * 7919 % kSiblings);
            RegKey child;
            reg_create_key(parent.get(), std::u16string(n.begin(), n.end()), KEY_ALL_ACCESS, child.put(),
                           nullptr);
        }
    }
    for (auto _ : state) {
        RegKey parent;
        reg_open_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Bench\\Many", KEY_READ, parent.put());
        char16_t name[256];
        for (DWORD i = 0; i < kSiblings; ++i) {
            DWORD len = 256;
            if (reg_enum_key(parent.get(), i, name, &len) != ERROR_SUCCESS) state.SkipWithError("enum");
        }
    }
}
BENCHMARK(BM_Enumerate10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(30)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    char dir_template[] = "/tmp/qelbench-XXXXXX";
    std::string dir = mkdtemp(dir_template) ? dir_template : "";
    if (dir.empty()) return 1;
    setenv("QEL_REGISTRY_DIR", dir.c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    reg_reset_for_tests();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
