// The platform generation the icon tables are chosen by (PLATFORM_TYPE, 0 to 7) from the
// platform's version query, computed once per process by CBtUtils::GetPlatformType.
//
//   0 the query fails, or an NT version not listed  4 NT 4.0
//   1 9x platform, any other version                5 NT 5.0
//   2 9x platform 4.10                              6 NT 5.1 or a later 5.x
//   3 9x platform 4.90                              7 NT 6.0 or later
//
// On this system the version is a process setting (platform/os_version.h), NT 6.0 unless
// configured, so the default generation is 7.
#pragma once

#include <optional>

#include "platform/os_version.h"

using PLATFORM_TYPE = int;

// The icon column of a generation: 0 older (below 6), 1 XP (6), 2 Vista and later (7 or more).
inline constexpr int IconColumnOfPlatform(PLATFORM_TYPE platform) {
    return platform < 6 ? 0 : platform == 6 ? 1 : 2;
}

class CBtUtils {
public:
    // The generation of this process, computed on first use and kept in m_platformType. Stored
    // without a lock: every computation gives the same value, and the store is atomic.
    static PLATFORM_TYPE GetPlatformType();

    // The generation a version answer gives (nothing: the query failed).
    static PLATFORM_TYPE PlatformTypeFromVersion(const std::optional<qel::platform::OsVersion>& version);
};
