// The facade's trace lines and its plain debug print.
//
// QelTrace(format, args...): "QELA: " and the formatted text, cut to a 1000-byte line, goes to
// the event-trace library (level 5, subsystem mask 0x1000000, see event_trace.h) and, when the
// facade trace level is on, to the debugger stream and the log file.
// QelTraceErr(format, args...): "QELA:***** " and the text, to the event-trace library and always
// to the debugger stream; never to the log file.
// qbtapiM::LogMsg(format, args...): the facade module's debug print, straight to the debugger
// stream (1000-byte line). It lives in the facade's namespace so it does not clash with the PIM
// library's datagram LogMsg (pim_log.h).
//
// The switches live under HKEY_CURRENT_USER "Software\Quorlan\BTConfig\Debug" and are read once
// per process, at the first facade line: "app_trace_level" (non-zero = on) decides, "trace_level"
// only when "app_trace_level" cannot be read; "LogFileName" names a file appended to in text mode,
// one line and a line feed per call (a file that cannot be opened, for example in a missing
// folder, is skipped silently).
//
// Promises: formats as trace_format.h says; never fails, throws or changes the thread's last
// error; callable from any thread. The one-time reading of the switches is done under a lock by
// whichever call comes first (the others wait for it, so none sees half-read switches), and the
// first call alone runs InitWppTracing (an atomic flag decides which).
#pragma once

#include <span>

#include "trace/trace_format.h"

namespace qel::trace::detail {
void qel_trace(const char* format, std::span<const FormatArg> args) noexcept;
void qel_trace_err(const char* format, std::span<const FormatArg> args) noexcept;
void debug_print(const char* format, std::span<const FormatArg> args) noexcept;

template <typename... Args>
void with_args(void (*sink)(const char*, std::span<const FormatArg>) noexcept, const char* format,
               const Args&... args) noexcept {
    if constexpr (sizeof...(Args) == 0) {
        sink(format, {});
    } else {
        const FormatArg captured[] = {capture(args)...};
        sink(format, std::span<const FormatArg>(captured));
    }
}
}  // namespace qel::trace::detail

template <typename... Args>
void QelTrace(const char* format, const Args&... args) noexcept {
    qel::trace::detail::with_args(&qel::trace::detail::qel_trace, format, args...);
}

template <typename... Args>
void QelTraceErr(const char* format, const Args&... args) noexcept {
    qel::trace::detail::with_args(&qel::trace::detail::qel_trace_err, format, args...);
}

namespace qbtapiM {

template <typename... Args>
void LogMsg(const char* format, const Args&... args) noexcept {
    qel::trace::detail::with_args(&qel::trace::detail::debug_print, format, args...);
}

}  // namespace qbtapiM

namespace qel::trace {

// The facade trace level as this process uses it: -1 before the first facade line, else 0 or 1.
int facade_trace_level() noexcept;

// Forgets the switches read and re-arms the first-use InitWppTracing (tests only).
void reset_facade_trace() noexcept;

}  // namespace qel::trace
