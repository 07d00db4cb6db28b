// Modem round trip: one "AT" command queued with cModemManager, written to a pseudo-terminal,
// answered by the simulated phone (echo, blank line, "OK") and recognised by the dialer's
// response parser on the port's reader thread, until the waiting caller wakes. Each iteration is
// timed on its own; the counters report the median and the 99th percentile in microseconds.
// A second case sends "AT+COPS?" (a longer, three-line answer).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dialup/dialer/dialer.h"
#include "dialup/transport/modem_manager.h"
#include "platform/environment.h"
#include "sim/phone/phone_modem.h"

namespace {

namespace fs = std::filesystem;

// A temporary COM folder with the simulated phone on COM7, for the life of the benchmark.
class PhoneOnCom7 {
public:
    PhoneOnCom7() {
        std::string pattern = (qel::platform::temp_dir() / "qel-bench-modem-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) return;
        folder_ = pattern;
        setenv("QEL_COM_DIR", folder_.c_str(), 1);
        qel::sim::PhoneBehaviour behaviour;
        behaviour.operator_format = qel::sim::OperatorFormat::numeric_quoted;
        phone_ = qel::sim::PhoneModem::start(behaviour, 7, &error_);
    }
    ~PhoneOnCom7() {
        phone_.reset();
        std::error_code ec;
        if (!folder_.empty()) fs::remove_all(folder_, ec);
    }
    bool ok() const { return phone_ != nullptr; }
    const std::string& error() const { return error_; }

private:
    fs::path folder_;
    std::string error_ = "no temporary folder";
    std::unique_ptr<qel::sim::PhoneModem> phone_;
};

double percentile(std::vector<double> samples, double fraction) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const std::size_t index = std::min(samples.size() - 1, static_cast<std::size_t>(fraction * samples.size()));
    return samples[index];
}

void round_trip(benchmark::State& state, const char* command) {
    PhoneOnCom7 phone;
    if (!phone.ok()) {
        state.SkipWithError(("no simulated phone: " + phone.error()).c_str());
        return;
    }
    CDialer parser;  // only its response parser is used, as the port's receiver
    cModemManager port;
    if (port.Open("COM7") < 0 || port.Start(&parser) < 0) {
        state.SkipWithError("cannot open or start COM7");
        return;
    }
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        parser.ResetParser();
        port.Write(command);
        const int32_t answer = parser.WaitAnswer();
        const auto end = std::chrono::steady_clock::now();
        if (answer != 0) {
            state.SkipWithError("the phone did not answer OK");
            break;
        }
        const double seconds = std::chrono::duration<double>(end - start).count();
        state.SetIterationTime(seconds);
        micros.push_back(seconds * 1e6);
    }
    port.Close();
    state.counters["median_us"] = percentile(micros, 0.5);
    state.counters["p99_us"] = percentile(micros, 0.99);
}

void BM_AtRoundTrip(benchmark::State& state) { round_trip(state, "AT\r"); }
void BM_CopsRoundTrip(benchmark::State& state) { round_trip(state, "AT+COPS?\r"); }

BENCHMARK(BM_AtRoundTrip)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2000);
BENCHMARK(BM_CopsRoundTrip)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2000);

}  // namespace

BENCHMARK_MAIN();
