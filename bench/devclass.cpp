// Classifying classes of device: the device type and the device icon identifier of 1,000,000
// classes (every 24-bit class value in turn, wrapping), and service icon identifiers of UUIDs.
#include <benchmark/benchmark.h>

#include <vector>

#include "devclass/device_type.h"
#include "devclass/icon_ids.h"

namespace {

constexpr int kClasses = 1'000'000;

std::vector<DEV_CLASS> make_classes() {
    std::vector<DEV_CLASS> classes(kClasses);
    std::uint32_t v = 0x5A020C;
    for (auto& dc : classes) {
        v = v * 1103515245u + 12345u;  // spread over every major and minor class
        dc = DEV_CLASS{BYTE(v >> 24), BYTE(v >> 16), BYTE(v >> 8)};
    }
    return classes;
}

void BM_DeviceTypeOfAMillionClasses(benchmark::State& state) {
    const auto classes = make_classes();
    for (auto _ : state) {
        unsigned sum = 0;
        for (const auto& dc : classes) sum += GetDeviceTypeFromDevClass(dc);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kClasses);
}
BENCHMARK(BM_DeviceTypeOfAMillionClasses)->Unit(benchmark::kMillisecond);

void BM_DeviceTypeAndIconOfAMillionClasses(benchmark::State& state) {
    const auto classes = make_classes();
    for (auto _ : state) {
        unsigned sum = 0;
        for (const auto& dc : classes) sum += GetDeviceTypeFromDevClass(dc) + DeviceIconIdFromDeviceClass(dc, 0, 7);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kClasses);
}
BENCHMARK(BM_DeviceTypeAndIconOfAMillionClasses)->Unit(benchmark::kMillisecond);

void BM_ServiceIconOfAMillionUuids(benchmark::State& state) {
    for (auto _ : state) {
        unsigned sum = 0;
        for (int i = 0; i < kClasses; ++i) sum += ServiceIconIdFromUUID(0x1100 + (i & 0x3F), i & 3, 7);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kClasses);
}
BENCHMARK(BM_ServiceIconOfAMillionUuids)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
