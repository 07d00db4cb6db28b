// The version of the platform the system believes it runs on, as the platform's version query
// answers it (platform identifier, major and minor number). Linux has no such generation, so it
// is a process setting: QEL_PLATFORM_VERSION holds "NT <major>.<minor>" or "9X <major>.<minor>"
// (case ignored, for example "NT 5.1"); unset, the answer is NT 6.0, the newest generation the
// system distinguishes. A value that does not read that way makes the query fail, as the
// platform's query can. Read on every call, so a test can switch generations; safe from any thread.
#pragma once

#include <optional>
#include <string_view>

#include "platform/win32.h"

namespace qel::platform {

struct OsVersion {
    DWORD platform_id = VER_PLATFORM_WIN32_NT;  // VER_PLATFORM_WIN32_WINDOWS or VER_PLATFORM_WIN32_NT
    DWORD major = 6;
    DWORD minor = 0;
};

// The version from QEL_PLATFORM_VERSION (NT 6.0 when unset); nothing with the thread's last
// error ERROR_INVALID_DATA when the setting cannot be read.
std::optional<OsVersion> os_version();

// Reads one setting text as QEL_PLATFORM_VERSION is read; nothing when it is malformed.
std::optional<OsVersion> parse_os_version(std::string_view text);

}  // namespace qel::platform
