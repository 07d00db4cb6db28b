// The registry view of the configuration store (see registry_view.h).
#include "config/registry_view.h"

#include <atomic>

#include "platform/process_info.h"

namespace qel::config {
namespace {
// -1 until the first use asks the platform; then 0 or 1 for the rest of the process.
std::atomic<int> g_wow64{-1};

bool is_wow64() {
    int v = g_wow64.load(std::memory_order_acquire);
    if (v < 0) {
        // Two threads may ask at once at start; both store the same answer.
        v = qel::platform::is_wow64_process() ? 1 : 0;
        g_wow64.store(v, std::memory_order_release);
    }
    return v == 1;
}
}  // namespace

DWORD CfgAccess(DWORD samDesired) {
    return is_wow64() ? (samDesired | KEY_WOW64_64KEY) : samDesired;
}

void ResetRegistryViewForTests() {
    g_wow64.store(-1, std::memory_order_release);
}

}  // namespace qel::config
