// Trace through a caller-supplied callback: utility classes that are given a trace callback at
// construction (shell-folder registration, device utilities) trace only through these.
//
// ods(callback, format, args...) formats into a 1024-byte line, BTTrace(callback, format, args...)
// into a 1000-byte line (cut if longer, formatted as trace_format.h says), and hands the
// zero-terminated line to the callback on the calling thread. A null callback makes them do
// nothing. They never throw (an exception from the callback is absorbed) and keep the thread's
// last error.
#pragma once

#include <functional>
#include <span>

#include "trace/trace_format.h"

namespace qel::trace {

using TraceCallback = std::function<void(const char* line)>;

namespace detail {
void callback_trace(const TraceCallback& callback, std::span<char> line, const char* format,
                    std::span<const FormatArg> args) noexcept;

template <std::size_t N, typename... Args>
void callback_trace_n(const TraceCallback& callback, const char* format, const Args&... args) noexcept {
    if (!callback) return;
    char line[N];
    if constexpr (sizeof...(Args) == 0) {
        callback_trace(callback, line, format, {});
    } else {
        const FormatArg captured[] = {capture(args)...};
        callback_trace(callback, line, format, captured);
    }
}
}  // namespace detail

}  // namespace qel::trace

template <typename... Args>
void ods(const qel::trace::TraceCallback& callback, const char* format, const Args&... args) noexcept {
    qel::trace::detail::callback_trace_n<1024>(callback, format, args...);
}

template <typename... Args>
void BTTrace(const qel::trace::TraceCallback& callback, const char* format, const Args&... args) noexcept {
    qel::trace::detail::callback_trace_n<1000>(callback, format, args...);
}
