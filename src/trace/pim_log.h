// The PIM object library's trace: its log level and its datagram line to a trace viewer.
//
// LogMsg(level, format, args...) formats the text into a 1000-byte buffer (cut if longer) and
// sends it as one UDP datagram to the viewer at "LogIPAddr" (HKEY_CURRENT_USER
// "Software\QUORLAN\BTConfig\Debug", an IPv4 address in host byte order), port 37926:
//   offset 0: the level, 2 bytes in host order     offset 2: text length, 2 bytes in host order
//   offset 4: 2 zero bytes                          offset 6: 2 reserved zero bytes
//   offset 8: the text, no terminator               (size: length + 8)
// "LogIPAddr" is read at the first line; absent or 0 leaves UDP logging off for the process and
// no socket is made. Otherwise one socket, bound to any local address and port, is made then and
// kept; a socket that cannot be made drops every line. Send errors are ignored. Callers test
// goep_trace_level before calling, as the library's messages are gated by it.
//
// Promises: never fails, throws or changes the thread's last error; callable from any thread (the
// one-time setup runs under a lock; the socket is then only read, and sending on it is safe from
// several threads at once).
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "trace/trace_format.h"

// The PIM library's log level: error messages at 1 or more, warnings, notices and dumps at 4 or
// more; 0 silences it. Initially 9. Atomic so that OSIF_InitLogging may run while other threads
// test it.
extern std::atomic<std::uint8_t> goep_trace_level;

// Stores the low byte of "OPP" (HKEY_CURRENT_USER
// "SOFTWARE\Quorlan\QUORLAN StackScope\Protocol Trace Level 1") in goep_trace_level when that
// 32-bit value can be read; nothing changes otherwise.
void OSIF_InitLogging() noexcept;

namespace qel::trace {

inline constexpr std::uint16_t kTraceViewerPort = 37926;

namespace detail {
void pim_log(int level, const char* format, std::span<const FormatArg> args) noexcept;
}

// The viewer address in use: 255 before the first line, 0 when UDP logging is off.
std::uint32_t pim_log_address() noexcept;

// Closes the socket, forgets "LogIPAddr" and puts goep_trace_level back to 9 (tests only).
void reset_pim_log() noexcept;

}  // namespace qel::trace

template <typename... Args>
void LogMsg(int level, const char* format, const Args&... args) noexcept {
    if constexpr (sizeof...(Args) == 0) {
        qel::trace::detail::pim_log(level, format, {});
    } else {
        const qel::trace::FormatArg captured[] = {qel::trace::detail::capture(args)...};
        qel::trace::detail::pim_log(level, format, captured);
    }
}
