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
#include <vector>

#include "qelcfg/QelConfigRetcode.h"
#include "qelcfg/QelDelegates.h"
#include "qelcfg/QelStates.h"

// Types of the stack's API library and of the platform, used only by reference here.
class CQBtAPI;
struct GUID;
struct tBT_SERVICE_INFO;
struct tagvObject;
struct HWND__;
class CBTFTPServiceCfg;
class CBTOPPServiceCfg;
class CBTSYNCAppCfg;
class CBTPimCfg;

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

    // Reads the vCard (or vCalendar) file at strPath and hands its first contact (or first event
    // or to-do) to the callback with the user data, on the calling thread, while the file is
    // read. Results: success, PARSE_OPEN_FILE_ERROR (extended error 7), PARSE_VCARD_ERROR or
    // PARSE_VCAL_ERROR (extended error: the reader's result). Delivery needs the object to be
    // initialised (SetCallbacks). Only one parse of the process reads at a time.
    QEL_CONFIG_RETCODE ParseVCard(const std::u16string& strPath, _ObjectParseCallback callback, const std::any& userData);
    QEL_CONFIG_RETCODE ParseVCAL(const std::u16string& strPath, _ObjectParseVCalCallback callback,
                                 const std::any& userData);

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

    // --- Fields ---
    // Platform handles owned by other operations (sessions, the remote-access connection, the
    // device-notification registrations) are opaque pointers here, null when there is none.
    using Handle = void*;

    // Restore session, and the stores of each kind of PIM data offered for synchronisation: each
    // store's name, PIM identifier, folder name, folder path and whether its folder may be chosen
    // (the five lists of one kind run in parallel).
    Handle m_hRestore = nullptr;
    struct StoreLists {
        std::vector<std::u16string> pims;
        std::vector<std::uint32_t> pimIds;
        std::vector<std::u16string> folders;
        std::vector<std::u16string> folderPaths;
        std::vector<bool> folderSelectionAllowed;
    };
    StoreLists m_PhoneStore;     // m_PhoneStorePIMs ... m_PhoneFolderSelectionAllowed
    StoreLists m_CalendarStore;  // m_CalendarStorePIMs ... m_CalendarFolderSelectionAllowed
    StoreLists m_MessageStore;   // m_MessageStorePIMs ... m_MessageFolderSelectionAllowed
    StoreLists m_NotesStore;     // m_NotesStorePIMs ... m_NotesFolderSelectionAllowed


    // Index of the facade that receives the folder engine's callbacks, and the folder of the
    // current enumeration (process-wide).
    static std::atomic<std::uint32_t> m_dwCurrentInstance;
    static std::atomic<std::uint32_t> m_dwCurrentFolderID;
    // The instance list: entry i is the facade whose m_dwInstanceIndex is i, or empty once it was
    // disposed. Its lock is its own (facade/instance_registry.h).
    static detail::InstanceRegistry m_ConfigList;

    // Serial ports of the device: client ports (names, states, port numbers) and this computer's
    // server ports. Absent (empty) until the service inventory fills them.
    QEL_ITEM_STATE m_sppState = QEL_ITEM_STATE_DISCONNECTED;
    std::vector<std::u16string> m_portList;
    std::vector<QEL_ITEM_STATE> m_sppPortState;
    std::vector<std::int16_t> m_sSPPPortNumList;
    std::vector<std::u16string> m_serverPortList;
    std::vector<QEL_ITEM_STATE> m_serverPortState;
    std::vector<std::int16_t> m_serverPortNumList;

    // Dial-up networking.
    QEL_ITEM_STATE m_dialupServiceState = QEL_ITEM_STATE_DISCONNECTED;
    Handle m_hRasConn = nullptr;
    std::atomic<bool> m_fShutdown{false};  // read by the dial-up notification thread
    std::int16_t m_sPort = 0;
    std::u16string m_szNumber;
    bool m_fDialNumber = false;
    bool m_fHangup = false;
    _onDialupDisableAutoConnectConfirm m_dialupDisableAutoConnectCallback;
    std::any m_dunuserData;
    HWND__* m_hWndUI = nullptr;

    std::int16_t m_sCurrentIndex = 0;
    std::int16_t m_sLAPPort = 0;
    std::unique_ptr<CBTFTPServiceCfg> m_pFTPServiceCfg;

    // Backup, restore and parsing.
    std::uint32_t m_dwBackupRestoreObjects = 0;
    std::u16string m_strbackupRestorePath;
    _BackupStatus m_backupStatusChange;
    _BackupObjectStatus m_backupObjectChange;
    std::any m_backupUserData;
    _ObjectParseCallback m_objectParseCallback;
    std::any m_parseUserData;
    _ObjectParseVCalCallback m_vcalParseCallback;
    std::any m_vcalParseUserData;
    Handle m_hBackup = nullptr;
    std::u16string m_sBackupRestoreSessionPath;
    std::unique_ptr<CBTOPPServiceCfg> m_pOppServiceCfg;
    std::unique_ptr<CBTSYNCAppCfg> m_pSyncAppCfg;
    std::unique_ptr<CBTPimCfg> m_pPimCfg;

    // Synchronisation delegates and their user data.
    _onSyncProgressCallback m_syncProgressCallback;
    std::any m_syncuserData;
    _onSyncSynchronizeCallback m_syncSynchronizeCallback;
    std::any m_syncSynchronizeuserData;
    _onSyncAbortCallback m_syncAbortCallback;
    std::any m_syncAbortUserData;
    _onSyncObjectCallback m_syncObjectCallback;
    std::any m_syncObjectUserData;

    // Audio: the device's services, their states and the audio settings.
    std::u16string m_strAGServiceName;
    std::uint16_t m_uuidAGService = 0;
    QEL_HEADSET_CONTACT_ACCESS m_contactAccess = HEADSET_NO_CONTACT_ACCESS;
    std::int32_t m_defaultSkype = 0;
    std::int32_t m_fNotifyAudio = 0;
    std::int32_t m_fNotifyVideo = 0;
    std::int32_t m_fSCMSEnable = 0;
    std::uint16_t m_uuidHeadsetService = 0;
    std::u16string m_strHeadsetServiceName;
    QEL_ITEM_STATE m_HeadsetServiceState = QEL_ITEM_STATE_DISCONNECTED;
    QEL_ITEM_STATE m_vdpSourceState = QEL_ITEM_STATE_DISCONNECTED;
    QEL_ITEM_STATE m_lapState = QEL_ITEM_STATE_DISCONNECTED;
    std::u16string m_strStereoHeadsetServiceName;
    std::uint16_t m_uuidStereoHeadsetService = 0;
    QEL_ITEM_STATE m_StereoHeadsetServiceState = QEL_ITEM_STATE_DISCONNECTED;
    std::u16string m_strAudioSourceServiceName;
    std::uint16_t m_uuidAudioSourceService = 0;
    QEL_ITEM_STATE m_AudioSourceServiceState = QEL_ITEM_STATE_DISCONNECTED;
    std::uint16_t m_nBatterLevel = 0;

    std::int64_t m_myBDA = 0;
    std::u16string m_strDeviceName;
    std::u16string m_strComputerName;
    QEL_CONFIG_RETCODE m_dwLastError = HEADSET_CONFIG_SUCCESS;
    std::uint32_t m_dwExtendedError = 0;
    QEL_ITEM_STATE m_AGserviceState = QEL_ITEM_STATE_DISCONNECTED;
    HWND__* m_hDevNotificationWnd = nullptr;
    Handle m_hDevNotify = nullptr;
    Handle m_hBluetoothDevNotify = nullptr;

    // m_callbackLock guards the caller's two delegates and their user data: SetCallbacks writes
    // them on the caller's thread while events read them on the stack's threads. Readers copy
    // them under the lock and call the copy without it.
    mutable std::mutex m_callbackLock;
    _onDeviceChange _onDeviceChangeNotification;
    std::any m_deviceChangeUserData;
    std::uint32_t m_dwInstanceIndex = 0;
    _OnServiceStatusChange _onServiceStatusChange;
    std::any _onServiceStatusChangeUserData;

    // Which services the device offers.
    _onFTPRefresh _refreshCallback;
    _onFTPSendCompletion _ftpSendCompleteCallback;
    std::any m_ftpuserData;
    bool m_fIsDialupInstalled = false;
    bool m_fIsFTPInstalled = false;
    bool m_fIsOppInstalled = false;
    bool m_fIsBipInstalled = false;
    bool m_fIsHeadsetAudioGatewayInstalled = false;
    bool m_fIsHandsFreeInstalled = false;
    bool m_fIsHeadsetInstalled = false;
    bool m_fIsPIMSyncInstalled = false;
    bool m_fIsAudioSinkInstalled = false;
    bool m_fIsAudioSourceInstalled = false;
    bool m_fIsSyncMLInstalled = false;
    bool m_fIsVDPSourceInstalled = false;
    bool m_fIsSPPInstalled = false;
    bool m_fIsPANInstalled = false;

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
