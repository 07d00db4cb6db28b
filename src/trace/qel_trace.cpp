#include "trace/qel_trace.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/debug_stream.h"
#include "platform/last_error.h"
#include "platform/text/text.h"
#include "trace/debug_values.h"
#include "trace/event_trace.h"

namespace qel::trace {
namespace {

constexpr std::size_t kLineSize = 1000;
constexpr int kEventTraceLevel = 5;
constexpr int kEventTraceSubsystem = 0x1000000;

// -1 = not read yet; 0 = facade lines dropped; 1 = written. Set with release order after the log
// file name, so a reader that sees it set may read the name without the lock.
std::atomic<std::int32_t> g_trace_level{-1};
// 1 until the first facade line clears it and runs InitWppTracing.
std::atomic<std::int32_t> g_wpp_first_use{1};
// Guards the one-time reading of the switches and the writing of g_log_file.
std::mutex g_switch_mutex;
// "LogFileName" as a zero-terminated UTF-8 path (at most 129 UTF-16 units, 3 bytes each); written
// under g_switch_mutex before g_trace_level is set. A plain array, so a line traced during process
// exit never meets a destroyed string.
std::array<char, 3 * 129 + 1> g_log_file{};

int trace_level() {
    int level = g_trace_level.load(std::memory_order_acquire);
    if (level != -1) return level;
    std::lock_guard lock(g_switch_mutex);
    level = g_trace_level.load(std::memory_order_relaxed);
    if (level != -1) return level;
    const FacadeSwitches switches = read_facade_switches();
    const std::string path = qel::platform::from_utf16(switches.log_file_name, CP_UTF8);
    g_log_file.fill('\0');
    if (path.size() < g_log_file.size()) std::memcpy(g_log_file.data(), path.data(), path.size());
    g_trace_level.store(switches.level, std::memory_order_release);
    return switches.level;
}

// Appends the line and a line feed with one write, so lines of several threads do not mix.
void append_to_log_file(std::string_view line) {
    if (g_log_file[0] == '\0') return;
    std::FILE* f = std::fopen(g_log_file.data(), "a");
    if (f == nullptr) return;
    std::array<char, kLineSize + 1> record{};
    std::memcpy(record.data(), line.data(), line.size());
    record[line.size()] = '\n';
    std::fwrite(record.data(), 1, line.size() + 1, f);
    std::fclose(f);
}

// Steps shared by both facade lines: first-use init, the line, the event-trace library.
std::string_view build_line(std::array<char, kLineSize>& line, std::string_view prefix,
                            const char* format, std::span<const FormatArg> args) {
    if (g_wpp_first_use.exchange(0) != 0) InitWppTracing();
    std::memcpy(line.data(), prefix.data(), prefix.size());
    const std::size_t n =
        format_args(std::span<char>(line).subspan(prefix.size()), format, args);
    LogEventTraceMsg(kEventTraceLevel, kEventTraceSubsystem, line.data());
    return std::string_view(line.data(), prefix.size() + n);
}

}  // namespace

namespace detail {

void qel_trace(const char* format, std::span<const FormatArg> args) noexcept {
    qel::platform::LastErrorPreserver keep;
    try {
        std::array<char, kLineSize> line;
        const std::string_view text = build_line(line, "QELA: ", format, args);
        if (trace_level() == 0) return;
        qel::platform::output_debug_string(text);
        append_to_log_file(text);
    } catch (...) {
        // Tracing never fails its caller.
    }
}

void qel_trace_err(const char* format, std::span<const FormatArg> args) noexcept {
    qel::platform::LastErrorPreserver keep;
    try {
        std::array<char, kLineSize> line;
        qel::platform::output_debug_string(build_line(line, "QELA:***** ", format, args));
    } catch (...) {
    }
}

void debug_print(const char* format, std::span<const FormatArg> args) noexcept {
    qel::platform::LastErrorPreserver keep;
    try {
        std::array<char, kLineSize> line;
        const std::size_t n = format_args(line, format, args);
        qel::platform::output_debug_string(std::string_view(line.data(), n));
    } catch (...) {
    }
}

}  // namespace detail

int facade_trace_level() noexcept { return g_trace_level.load(std::memory_order_acquire); }

void reset_facade_trace() noexcept {
    std::lock_guard lock(g_switch_mutex);
    g_log_file.fill('\0');
    g_trace_level.store(-1);
    g_wpp_first_use.store(1);
}

}  // namespace qel::trace
