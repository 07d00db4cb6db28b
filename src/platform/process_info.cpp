// Process facts: the WOW64 question and the program's file (see process_info.h).
#include "platform/process_info.h"

#include <atomic>

namespace qel::platform {
namespace {
// -1: no override; 0 or 1: the answer a test set.
std::atomic<int> g_wow64_override{-1};
}  // namespace

bool is_wow64_process() noexcept {
    const int forced = g_wow64_override.load(std::memory_order_acquire);
    if (forced >= 0) {
        return forced == 1;
    }
    // A Linux process runs in its own architecture's registry view: there is no WOW64 layer.
    return false;
}

void set_wow64_for_tests(std::optional<bool> answer) noexcept {
    g_wow64_override.store(answer ? (*answer ? 1 : 0) : -1, std::memory_order_release);
}

std::optional<std::filesystem::path> executable_path() noexcept {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::nullopt;
    return exe;
}

}  // namespace qel::platform
