#include "trace/event_trace.h"

#include <array>
#include <memory>
#include <mutex>
#include <string>

#include "platform/last_error.h"
#include "platform/library.h"
#include "platform/registry/registry.h"
#include "platform/text/text.h"
#include "trace/debug_values.h"
#include "trace/qel_trace.h"

std::atomic<DWORD> g_dwWppTracingEnabled{0};
std::atomic<DWORD> g_fWppTracingLibNotFound{0};

namespace {

using LogEventFn = int (*)(int level, int subsystem, const char* text);

constexpr const char* kLibraryName = "QelEventTraceWPP.dll";
constexpr const char* kEntryPoint = "QelEventTraceWpp_LogEvent";
constexpr std::size_t kLineSize = 1000;

// The loaded library. Its entry point is published through an atomic so trace calls read it
// without the lock; the library itself is only touched under the lock. Everything here is
// trivially destructible, so a line traced by another object's destructor at process exit still
// finds valid (if empty) state.
std::mutex g_library_mutex;                    // guards g_library
qel::platform::Library* g_library = nullptr;   // owned; unloaded at exit by g_unloader
std::atomic<LogEventFn> g_entry{nullptr};

void unload_library() {
    std::lock_guard lock(g_library_mutex);
    g_entry.store(nullptr);
    delete g_library;
    g_library = nullptr;
}

// Unloads the library at process exit, entry point first.
struct Unloader {
    ~Unloader() { unload_library(); }
} g_unloader;

// Loads the library from the installation directory; false when it is not usable.
bool load_event_trace_lib() {
    std::lock_guard lock(g_library_mutex);
    if (g_fWppTracingLibNotFound.load() != 0) return false;
    if (g_library != nullptr) return true;
    // The directory text is used as stored: the installer writes it with its trailing separator.
    const std::string path = qel::trace::read_install_dir() + kLibraryName;
    auto loaded = qel::platform::Library::load(path);
    if (!loaded) {
        qbtapiM::LogMsg("LoadEventTraceLib(), LoadLibrary Failed: 0x%x\n", qel::platform::last_error());
        g_fWppTracingLibNotFound.store(1);
        return false;
    }
    auto entry = loaded->entry_point_as<LogEventFn>(kEntryPoint);
    if (entry == nullptr) {
        g_fWppTracingLibNotFound.store(1);
        return false;  // `loaded` unloads the library
    }
    g_library = loaded.release();
    g_entry.store(entry);
    return true;
}

}  // namespace

void InitWppTracing() noexcept {
    qel::platform::LastErrorPreserver keep;
    try {
        qel::platform::RegKey key;
        const LSTATUS rc = qel::platform::reg_open_key(HKEY_LOCAL_MACHINE, qel::trace::kDebugKey,
                                                       KEY_QUERY_VALUE | KEY_NOTIFY, key.put());
        if (rc != ERROR_SUCCESS) {
            qbtapiM::LogMsg("RegOpenKeyEx failed for %d", rc);
            return;
        }
        DWORD enabled = 0;
        DWORD size = sizeof enabled;
        DWORD type = REG_NONE;
        if (qel::platform::reg_query_value(key.get(), u"LoggingEnabled", &type,
                                           reinterpret_cast<BYTE*>(&enabled), &size) != ERROR_SUCCESS)
            enabled = 0;
        key.reset();
        if (enabled == 1 && !qel::trace::event_trace_library_loaded() && !load_event_trace_lib()) {
            g_dwWppTracingEnabled.store(0);
            return;
        }
        g_dwWppTracingEnabled.store(enabled);
    } catch (...) {
        // Tracing never fails its caller.
    }
}

int LogEventTraceMsg(int iLevel, int iSubsystem, const char* buf) noexcept {
    if (g_fWppTracingLibNotFound.load() != 0 || g_dwWppTracingEnabled.load() == 0) return 0;
    if (LogEventFn entry = g_entry.load()) {
        qel::platform::LastErrorPreserver keep;
        entry(iLevel, iSubsystem, buf != nullptr ? buf : "");
    }
    return 1;
}

int LogEventTraceMsgW(int iLevel, int iSubsystem, const char16_t* buf) noexcept {
    if (g_fWppTracingLibNotFound.load() != 0 || g_dwWppTracingEnabled.load() == 0) return 0;
    qel::platform::LastErrorPreserver keep;
    std::array<char, kLineSize> line{};
    if (buf != nullptr) {
        // The longest prefix of whole characters whose conversion fits in 999 bytes. A character
        // gives at least one byte and at most two UTF-16 units, so 1998 units bound the search.
        const std::size_t units = std::char_traits<char16_t>::length(buf);
        constexpr int kMaxBytes = static_cast<int>(kLineSize - 1);
        const auto fits = [&](std::size_t n) {
            return qel::platform::wide_char_to_multi_byte(CP_ACP, 0, buf, static_cast<int>(n),
                                                          nullptr, 0, nullptr, nullptr) <= kMaxBytes;
        };
        std::size_t low = 0;
        std::size_t high = std::min(units, 2 * kLineSize);
        while (low < high) {
            const std::size_t mid = low + (high - low + 1) / 2;
            if (fits(mid))
                low = mid;
            else
                high = mid - 1;
        }
        std::size_t fit = low;
        if (fit > 0 && fit < units && buf[fit - 1] >= 0xD800 && buf[fit - 1] <= 0xDBFF) --fit;
        if (fit > 0) {
            const int n = qel::platform::wide_char_to_multi_byte(
                CP_ACP, 0, buf, static_cast<int>(fit), line.data(), kLineSize - 1, nullptr, nullptr);
            line[n > 0 ? n : 0] = '\0';
        }
    }
    return LogEventTraceMsg(iLevel, iSubsystem, line.data());
}

namespace qel::trace {

bool event_trace_library_loaded() noexcept {
    return g_entry.load() != nullptr;
}

void reset_event_trace() noexcept {
    unload_library();
    g_dwWppTracingEnabled.store(0);
    g_fWppTracingLibNotFound.store(0);
}

}  // namespace qel::trace
