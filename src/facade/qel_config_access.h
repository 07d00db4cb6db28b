// The library's inside view of QelConfig: the platform handles its public header only names, and
// QelConfigAccess, through which the entry points, the later facade parts' helpers and the tests
// reach the object's fields and event receivers without making them public.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include "facade/instance_registry.h"
#include "platform/sync/thread.h"
#include "platform/sync/wait.h"
#include "qelcfg/QelConfig.h"

namespace qbtapiM {

// The object's events (manual-reset, created unsignalled by Init) and its device-query thread.
struct QelConfig::Handles {
    qel::platform::WaitHandle m_hDiscCompleteEvent;  // service discovery finished
    qel::platform::WaitHandle m_hStop;               // stop every wait of the worker threads
    qel::platform::WaitHandle m_hStartDialupNotif;   // the dial-up notification thread may start
    qel::platform::WaitHandle m_hDiscThrdExited;     // the device-query thread has finished
    std::optional<qel::platform::Thread> m_hDiscvyThrd;
};

namespace detail {

struct QelConfigAccess {
    // The event receivers, as member pointers for route().
    static constexpr auto HSPStateChangeCallback = &QelConfig::HSPStateChangeCallback;
    static constexpr auto LocalServiceStateChangedCallback = &QelConfig::LocalServiceStateChangedCallback;
    static constexpr auto DunStateChangeCallback = &QelConfig::DunStateChangeCallback;
    static constexpr auto SppStateChangeCallback = &QelConfig::SppStateChangeCallback;
    static constexpr auto LapStateChangeCallback = &QelConfig::LapStateChangeCallback;
    static constexpr auto GapDiscoveryCallback = &QelConfig::GapDiscoveryCallback;
    static constexpr auto DeviceFoundCallback = &QelConfig::DeviceFoundCallback;
    static constexpr auto DeviceChangeNotification = &QelConfig::DeviceChangeNotification;
    static constexpr auto OnSyncProgressCallback = &QelConfig::OnSyncProgressCallback;
    static constexpr auto OnSyncSynchronizeCallback = &QelConfig::OnSyncSynchronizeCallback;
    static constexpr auto OnSyncAbortCallback = &QelConfig::OnSyncAbortCallback;
    static constexpr auto OnSyncObjectCallback = &QelConfig::OnSyncObjectCallback;
    static constexpr auto OnObjectCallback = &QelConfig::OnObjectCallback;
    static constexpr auto BackupRestoreStatusChange = &QelConfig::BackupRestoreStatusChange;
    static constexpr auto BackupRestoreObjectCallback = &QelConfig::BackupRestoreObjectCallback;
    static constexpr auto DiscoverDeviceDetailsInternal = &QelConfig::DiscoverDeviceDetailsInternal;
    static constexpr auto DialupNotificationThreadProcInternal = &QelConfig::DialupNotificationThreadProcInternal;
    static constexpr auto FTPSendCompleteCallback = &QelConfig::FTPSendCompleteCallback;
    static constexpr auto RefreshCallback = &QelConfig::RefreshCallback;

    static InstanceRegistry& instance_list() { return QelConfig::m_ConfigList; }
    static std::uint32_t instance_index(const QelConfig& f) { return f.m_dwInstanceIndex; }
    static std::atomic<std::uint32_t>& current_instance() { return QelConfig::m_dwCurrentInstance; }
    static std::atomic<std::uint32_t>& current_folder_id() { return QelConfig::m_dwCurrentFolderID; }
    static QelConfig::Handles& handles(QelConfig& f) { return *f.m_handles; }
    static QEL_CONFIG_RETCODE last_error(const QelConfig& f) { return f.m_dwLastError; }
    static std::uint32_t extended_error(const QelConfig& f) { return f.m_dwExtendedError; }
    static bool manual_mode(const QelConfig& f) { return f.m_bManualMode; }
    static bool initialized(const QelConfig& f) { return f.m_fInitialized.load(); }
    static void notify_service_status_change(QelConfig& f, std::int32_t lStatus) {
        f.NotifyServiceStatusChange(lStatus);
    }

    // The states Init sets.
    struct States {
        QEL_ITEM_STATE dialup, headset, audio_gateway;
    };
    static States states(const QelConfig& f) {
        return {f.m_dialupServiceState, f.m_HeadsetServiceState, f.m_AGserviceState};
    }
};

// Finds the facade of instance index `user` (a callback's user data or a thread's parameter,
// narrowed to 32 bits as the stack hands it back) and calls `receiver` on it with `args`; false,
// doing nothing, when the entry is empty or unknown. The object stays pinned for the call.
template <typename Receiver, typename... Args>
bool route(std::uintptr_t user, Receiver receiver, Args&&... args) {
    auto pin = QelConfigAccess::instance_list().find(static_cast<std::uint32_t>(user));
    if (!pin) return false;
    std::invoke(receiver, *pin, std::forward<Args>(args)...);
    return true;
}

}  // namespace detail
}  // namespace qbtapiM
