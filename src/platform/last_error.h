// The calling thread's last-error value: the platform keeps one per thread, set by failing
// platform calls and read by callers after a failure.
#pragma once

#include "platform/win32.h"

namespace qel::platform {

DWORD last_error() noexcept;
void set_last_error(DWORD code) noexcept;

// Restores the thread's last-error value on scope exit, for code (tracing) that must not disturb
// what its caller is about to read.
class LastErrorPreserver {
public:
    LastErrorPreserver() noexcept : saved_(last_error()) {}
    ~LastErrorPreserver() { set_last_error(saved_); }
    LastErrorPreserver(const LastErrorPreserver&) = delete;
    LastErrorPreserver& operator=(const LastErrorPreserver&) = delete;

private:
    DWORD saved_;
};

}  // namespace qel::platform

namespace qel::platform {

// The Win32 error code closest to a POSIX errno value (ERROR_GEN_FAILURE when none fits).
DWORD error_from_errno(int err) noexcept;

}  // namespace qel::platform
