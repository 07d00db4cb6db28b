// Looking an operator up in the full access-point database built from the public operator list:
// FindAPN reads the file, deciphers it, converts it from the ANSI code page and parses it on
// every call, as the dialer does once per connection (target: under 50 ms). Also the build of
// the database. Skipped with a message when the public list is not installed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "dialup/providers/provider_database.h"
#include "dialup/providers/provider_settings.h"

namespace {

constexpr char kPublicList[] = "/usr/share/mobile-broadband-provider-info/serviceproviders.xml";

std::string read_public_list() {
    std::ifstream in(kPublicList, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The database built once, in the temporary folder; empty when the public list is absent.
const std::string& database_path() {
    static const std::string path = [] {
        if (!std::filesystem::exists(kPublicList)) return std::string();
        std::string xml;
        if (!qel::dialup::providers_xml_from_serviceproviders(read_public_list(), &xml, nullptr, nullptr)) return std::string();
        const auto file = std::filesystem::temp_directory_path() / "qel_bench_providers.bin";
        if (qel::dialup::write_provider_database(file, xml) != 0) return std::string();
        return file.string();
    }();
    return path;
}

void BM_FindAPN(benchmark::State& state) {
    if (database_path().empty()) {
        state.SkipWithError("no public operator list at /usr/share/mobile-broadband-provider-info");
        return;
    }
    cProviderSettingsXML settings;
    settings.Initialize(database_path().c_str());
    const auto id = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        sProvider provider;
        if (!settings.FindAPN(id, &provider)) state.SkipWithError("operator not found");
        benchmark::DoNotOptimize(provider.m_Accounts.data());
    }
    state.counters["database_bytes"] = static_cast<double>(std::filesystem::file_size(database_path()));
}
// 26201 (Germany) and 310410 (the US).
BENCHMARK(BM_FindAPN)->Arg(26201)->Arg(310410)->Unit(benchmark::kMillisecond);

void BM_FindAPNMissing(benchmark::State& state) {
    if (database_path().empty()) {
        state.SkipWithError("no public operator list at /usr/share/mobile-broadband-provider-info");
        return;
    }
    cProviderSettingsXML settings;
    settings.Initialize(database_path().c_str());
    for (auto _ : state) {
        sProvider provider;
        benchmark::DoNotOptimize(settings.FindAPN(99999, &provider));
    }
}
BENCHMARK(BM_FindAPNMissing)->Unit(benchmark::kMillisecond);

void BM_BuildDatabase(benchmark::State& state) {
    if (!std::filesystem::exists(kPublicList)) {
        state.SkipWithError("no public operator list at /usr/share/mobile-broadband-provider-info");
        return;
    }
    const std::string list = read_public_list();
    for (auto _ : state) {
        std::string xml;
        qel::dialup::providers_xml_from_serviceproviders(list, &xml, nullptr, nullptr);
        benchmark::DoNotOptimize(xml.data());
    }
}
BENCHMARK(BM_BuildDatabase)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
