#include "devclass/platform_type.h"

#include <atomic>

namespace {
// -1 until computed.
std::atomic<PLATFORM_TYPE> m_platformType{-1};
}  // namespace

PLATFORM_TYPE CBtUtils::PlatformTypeFromVersion(const std::optional<qel::platform::OsVersion>& version) {
    if (!version) return 0;
    if (version->platform_id == VER_PLATFORM_WIN32_WINDOWS) {
        if (version->major == 4 && version->minor == 10) return 2;
        if (version->major == 4 && version->minor == 90) return 3;
        return 1;
    }
    if (version->platform_id == VER_PLATFORM_WIN32_NT) {
        if (version->major >= 6) return 7;
        if (version->major == 5) return version->minor == 0 ? 5 : 6;
        if (version->major == 4 && version->minor == 0) return 4;
        return 0;
    }
    return 0;
}

PLATFORM_TYPE CBtUtils::GetPlatformType() {
    PLATFORM_TYPE value = m_platformType.load(std::memory_order_relaxed);
    if (value < 0) {
        value = PlatformTypeFromVersion(qel::platform::os_version());
        m_platformType.store(value, std::memory_order_relaxed);
    }
    return value;
}
