// The versit object library's log lines: LogMsg gated by goep_trace_level (errors at level 1,
// warnings, notices and dumps at level 4), and the C library's text for the last error.
//
// Promises: a line is formatted and sent only when the library's level is at least its own.
#pragma once

#include <cerrno>
#include <cstring>

#include "trace/pim_log.h"

inline constexpr int OSIF_LOG_ERROR = 1;
inline constexpr int OSIF_LOG_WARNING = 4;

template <typename... Args>
void osif_log(int level, const char* format, const Args&... args) noexcept {
    if (goep_trace_level.load() >= level) LogMsg(level, format, args...);
}

// Logs "OSIF:  Error: %s" with the text of errno (level 1).
inline void osif_log_errno(int err) noexcept {
    osif_log(OSIF_LOG_ERROR, "OSIF:  Error: %s", std::strerror(err));
}
