// qbtapiM::QelConfig: the facade through which a user interface works on one paired Bluetooth
// device. This header is the library's public face: it compiles on its own, without the
// library's sources (internal types are only forward-declared here).
//
// What it promises:
//  - Every object is entered in the process-wide instance list when constructed and keeps its
//    index for life; the stack's callbacks and the facade's threads find the object by that index.
//    Destroying (or disposing) an object empties its entry, so events that arrive later are
//    dropped; no other index changes. The destructor waits until every event being routed to the
//    object on another thread has left it, so no event reaches freed memory. A delegate may
//    destroy its own facade; it must not wait for another thread that is destroying it.
//  - Delegates get back the user data registered with them, unchanged. They run on whichever
//    thread raised the event and must not throw.
//  - Operations report failures as QEL_CONFIG_RETCODE results and in the last-error fields, never
//    as exceptions.
// Objects may be constructed and destroyed on any thread; one object's operations are called from
// one thread at a time (the caller's user-interface thread).
#pragma once

#include <any>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "qelcfg/QelConfigRetcode.h"
#include "qelcfg/QelDelegates.h"
#include "qelcfg/QelStates.h"

// Types of the stack's API library and of the platform, used only by reference here.
class CQBtAPI;
struct GUID;
struct tBT_SERVICE_INFO;
struct tagvObject;
struct HWND__;

namespace qbtapiM {

namespace detail {
class InstanceRegistry;
struct QelConfigAccess;
}  // namespace detail

class QelConfig {
public:
    // The object for the device `bda` (64-bit address form). The one-argument form is the
    // automatic mode; bManualMode chooses how Initialize reads the device's services.
    explicit QelConfig(std::int64_t bda);
    QelConfig(std::int64_t bda, bool bManualMode);
    // Runs the disposal (see Dispose) unless Dispose already did. It does not uninitialise: the
    // caller calls Uninitialize first.
    virtual ~QelConfig();
    QelConfig(const QelConfig&) = delete;
    QelConfig& operator=(const QelConfig&) = delete;

    // Registers the caller's delegates with their user data; from then on the stack's events are
    // passed on to the caller.
    void SetCallbacks(_OnServiceStatusChange onServiceStatusChange, const std::any& userData,
                      _onDeviceChange onDeviceChange, const std::any& deviceChangeUserData);

    // Dispose() and Dispose(true) run the destructor's work now (tracing, leaving the instance
    // list); the object then receives no more events and the destructor does nothing further.
    // Dispose(false) is the plain finalisation, which has nothing to release.
    void Dispose();
    void Dispose(bool disposing);

    // Tells the caller that the device changed: its device-change delegate, when set, with its
    // user data.
    void DeviceChangeNotification();

    std::int64_t getmyBDA() const;
    std::u16string getDeviceName() const;
    std::u16string getComputerName() const;

    // Ask the tray application (its window of class "QelTrayMainWindow", in any process of the
    // user) to show or close its wait dialog. Nothing happens when it is not running.
    static void TellQelTrayToDisplayWaitDialog();
    static void TellQelTrayToCloseWaitDialog();

    // Menu texts of the platform's Bluetooth control panel, without "&" accelerator marks; empty
    // when the control panel, its menu or the item is missing.
    static std::u16string GetAddaBluetoothDeviceString();
    static std::u16string GetShowBluetoothDevicesString();
    static std::u16string GetOpenBluetoothSettingsString();
    static std::u16string GetTurnBluetoothAdapterOnString();
    static std::u16string GetTurnBluetoothAdapterOffString();

    // One trace line of the caller's text: through the error trace when fError, else the facade
    // trace. Text over 1000 bytes is cut to 980 first (UTF-16 text counts its UTF-8 bytes and is
    // never cut inside a character).
    static void ODS(bool fError, std::u16string_view text);
    static void ODS(bool fError, std::string_view text);

    static bool IsWin7HelpEnabled();

private:
    friend struct detail::QelConfigAccess;

    using BdAddr = std::array<std::uint8_t, 6>;   // the stack's BD_ADDR, most significant byte first
    using DevClass = std::array<std::uint8_t, 3>;  // the stack's DEV_CLASS

    // Platform handles of the object (events, the device-query thread); defined inside the library.
    struct Handles;

    void Init();
    void Dispose_();  // the destructor's work, run once
    // Raises _onServiceStatusChange with m_myBDA, its user data and lStatus (when set).
    void NotifyServiceStatusChange(std::int32_t lStatus);

    // Event receivers of the stack's callbacks and the facade's threads, reached through the entry
    // points of the instance list (facade/callback_entry_points.h).
    void HSPStateChangeCallback(const BdAddr& bda, const DevClass& devClass, const char* bdName,
                                std::int32_t lHandle, std::int32_t lStatus);
    void LocalServiceStateChangedCallback(const tBT_SERVICE_INFO* pInfo);
    void DunStateChangeCallback(const BdAddr& bda, const DevClass& devClass, const char* bdName, const GUID& guid,
                                std::int16_t sComPort, std::int32_t lError);
    void SppStateChangeCallback(const BdAddr& bda, const DevClass& devClass, const char* bdName, const GUID& guid,
                                std::int16_t sComPort, std::int32_t lError);
    void LapStateChangeCallback(const BdAddr& bda, const DevClass& devClass, const char* bdName, const GUID& guid,
                                std::int16_t sComPort, std::int32_t lError);
    void GapDiscoveryCallback();
    void DeviceFoundCallback(const BdAddr& bda, const DevClass& devClass, const char* bdName, int bConnected);
    void OnSyncProgressCallback(const BdAddr& bda, std::int32_t lDataType, std::int32_t lCurrent,
                                std::int32_t lTotal, std::int32_t lError);
    void OnSyncSynchronizeCallback(const BdAddr& bda, std::int32_t lError);
    void OnSyncAbortCallback(std::int32_t lError);
    void OnSyncObjectCallback(std::int32_t lDataType, std::int32_t lAction, const char16_t* name);
    void OnObjectCallback(std::uint32_t storeId, tagvObject* object, std::uint32_t status);
    void BackupRestoreStatusChange(std::uint32_t dwObjectType, std::uint32_t dwCurrent, std::uint32_t nTotal);
    void BackupRestoreObjectCallback(std::uint32_t dwObjectType, std::uint32_t nAction, const char16_t* name);
    std::uint32_t DiscoverDeviceDetailsInternal();
    std::uint32_t DialupNotificationThreadProcInternal();
    void FTPSendCompleteCallback();
    void RefreshCallback();

    // --- Fields (later parts of the facade add theirs) ---

    // Index of the facade that receives the folder engine's callbacks, and the folder of the
    // current enumeration (process-wide).
    static std::atomic<std::uint32_t> m_dwCurrentInstance;
    static std::atomic<std::uint32_t> m_dwCurrentFolderID;
    // The instance list: entry i is the facade whose m_dwInstanceIndex is i, or empty once it was
    // disposed. Its lock is its own (facade/instance_registry.h).
    static detail::InstanceRegistry m_ConfigList;

    QEL_ITEM_STATE m_dialupServiceState = QEL_ITEM_STATE_DISCONNECTED;
    QEL_ITEM_STATE m_HeadsetServiceState = QEL_ITEM_STATE_DISCONNECTED;
    QEL_ITEM_STATE m_AGserviceState = QEL_ITEM_STATE_DISCONNECTED;
    std::int64_t m_myBDA = 0;
    std::u16string m_strDeviceName;
    std::u16string m_strComputerName;
    QEL_CONFIG_RETCODE m_dwLastError = HEADSET_CONFIG_SUCCESS;
    std::uint32_t m_dwExtendedError = 0;
    HWND__* m_hDevNotificationWnd = nullptr;

    // m_callbackLock guards the caller's two delegates and their user data: SetCallbacks writes
    // them on the caller's thread while events read them on the stack's threads. Readers copy
    // them under the lock and call the copy without it.
    mutable std::mutex m_callbackLock;
    _onDeviceChange _onDeviceChangeNotification;
    std::any m_deviceChangeUserData;
    std::uint32_t m_dwInstanceIndex = 0;
    _OnServiceStatusChange _onServiceStatusChange;
    std::any _onServiceStatusChangeUserData;

    bool m_fIsDeviceEnabled = false;
    bool m_fIsBTAdapterTurnOnOffSupported = false;
    std::unique_ptr<CQBtAPI> m_pqbtAPI;
    // Written by SetCallbacks, read by events on the stack's threads.
    std::atomic<bool> m_fInitialized{false};
    bool m_bManualMode = false;
    bool m_bQueryThrdCalled = false;

    // m_hDiscCompleteEvent, m_hStop, m_hStartDialupNotif, m_hDiscThrdExited, m_hDiscvyThrd.
    std::unique_ptr<Handles> m_handles;
    bool m_fDisposed = false;
};

}  // namespace qbtapiM
