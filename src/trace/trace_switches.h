// What tracing is switched to: a report for people (the program's default screen shows it) and
// the reset tests use between cases.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32.h"

namespace qel::trace {

struct TraceSwitches {
    // Facade trace lines (HKEY_CURRENT_USER debug key), as the next process would read them.
    std::int32_t trace_level = 0;                 // 0 or 1
    std::optional<DWORD> app_trace_level;         // as stored; nothing when absent
    std::optional<DWORD> trace_level_value;       // "trace_level", read only without the former
    std::u16string log_file_name;                 // empty: no log file
    // Event-trace library (HKEY_LOCAL_MACHINE debug key) and its state in this process.
    std::optional<DWORD> logging_enabled;
    bool event_trace_library_loaded = false;
    bool event_trace_library_not_found = false;
    // PIM library: datagram viewer and log level.
    std::optional<DWORD> log_ip_addr;             // host byte order
    std::optional<DWORD> opp_level;               // "OPP"; its low byte is the level
    std::uint8_t goep_trace_level = 0;            // the level in use in this process
    // This process's facade level: -1 until its first facade line, else 0 or 1.
    std::int32_t process_trace_level = -1;
};

// Reads the switches from the registry now, without changing what this process has read.
TraceSwitches read_trace_switches();

// The report as lines "name: value" (addresses dotted, the log file as UTF-8), each ending "\n".
std::string describe_trace_switches(const TraceSwitches& switches);

// Makes the process forget every switch it has read: the facade level and log file, the
// first-use InitWppTracing, "LoggingEnabled" and the library (unloaded), "LogIPAddr" and the
// socket (closed), goep_trace_level (back to 9). For tests, with no trace call running.
void reset_trace_for_tests() noexcept;

}  // namespace qel::trace
