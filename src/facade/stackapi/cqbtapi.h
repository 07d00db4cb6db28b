// CQBtAPI: the system's boundary to the Bluetooth stack's API library. Every operation returns a
// QBtRc (0 success) and forwards to a StackBackend (stack_backend.h; the simulated stack unless
// another factory is installed); the stack's events reach the functions registered with the
// SetOn...Callback operations, each with its user data, on the backend's threads.
//
// Promises:
//  - Requests return at once; their outcome arrives later as an event, on another thread.
//  - A Clear...Callback or ClearAllCallbacks that returns has stopped that delivery: no callback
//    of the kinds cleared starts afterwards, and one that was already running on another thread
//    has finished. A callback may clear callbacks (its own included) from within itself; it does
//    not wait then for callbacks that are themselves waiting in a Clear on other threads, so two
//    callbacks clearing at once cannot deadlock.
//  - Registering again replaces the function and user data of that kind.
//  - The destructor clears every callback (as above) and releases the backend; no callback runs
//    after it returns. An object must not be destroyed from within one of its own callbacks.
//  - Every operation other than ConnectToServer, the callback registrations and the destructor
//    answers QBT_ERR_NOT_CONNECTED until ConnectToServer succeeded.
// Operations may be called from any thread.
#pragma once

#include <atomic>
#include <memory>
#include <string_view>

#include "facade/stackapi/qbt_callbacks.h"
#include "facade/stackapi/qbt_records.h"
#include "facade/stackapi/qbt_types.h"
#include "facade/stackapi/stack_backend.h"

namespace qel::stackapi {
class CallbackTable;
}

class CQBtAPI {
public:
    // A connection through the process-wide backend factory (the simulated stack by default).
    CQBtAPI();
    // A connection through `backend` (tests, other stacks); none behaves as an absent server.
    explicit CQBtAPI(std::unique_ptr<qel::stackapi::StackBackend> backend);
    ~CQBtAPI();
    CQBtAPI(const CQBtAPI&) = delete;
    CQBtAPI& operator=(const CQBtAPI&) = delete;

    // --- Life ---
    // Connects to the stack server; the system calls it once as (true, 60, false, false).
    // QBT_ERR_SERVER_UNREACHABLE (75) when no server answers.
    QBtRc ConnectToServer(bool fStartServer, unsigned int nTimeoutSeconds, bool fReserved1, bool fReserved2);
    QBtRc ClearAllCallbacks();
    // Returns the stack's configuration to its installed state.
    QBtRc BtmResetConfiguration();

    // --- Events ---
    QBtRc SetOnDeviceFoundCallback(QBtDeviceFoundCallback fn, QBtUserData user);
    QBtRc ClearOnDeviceFoundCallback();
    QBtRc SetOnDeviceStatusCallback(QBtDeviceStatusCallback fn, QBtUserData user);
    QBtRc ClearOnDeviceStatusCallback();
    QBtRc SetOnDiscoveryEventCallback(QBtDiscoveryEventCallback fn, QBtUserData user);
    QBtRc ClearOnDiscoveryEventCallback();
    QBtRc SetOnDunStateChangeCallback(QBtPortStateCallback fn, QBtUserData user);
    QBtRc ClearOnDunStateChangeCallback();
    QBtRc SetOnSppStateChangeCallback(QBtPortStateCallback fn, QBtUserData user);
    QBtRc ClearOnSppStateChangeCallback();
    QBtRc SetOnLapStateChangeCallback(QBtPortStateCallback fn, QBtUserData user);
    QBtRc ClearOnLapStateChangeCallback();
    QBtRc SetOnHAGConnectionStatusChangedCallback(QBtAudioStatusCallback fn, QBtUserData user);
    QBtRc ClearOnHAGConnectionStatusChangedCallback();
    QBtRc SetOnHSPConnectionStatusChangedCallback(QBtAudioStatusCallback fn, QBtUserData user);
    QBtRc ClearOnHSPConnectionStatusChangedCallback();
    QBtRc SetOnLocalServiceStateChangeCallback(QBtLocalServiceStateCallback fn, QBtUserData user);
    QBtRc ClearOnLocalServiceStateChangeCallback();
    QBtRc SetOnSyncProgressCallback(QBtSyncProgressCallback fn, QBtUserData user);
    QBtRc ClearOnSyncProgressCallback();
    QBtRc SetOnSyncSynchronizeCallback(QBtSyncSynchronizeCallback fn, QBtUserData user);
    QBtRc ClearOnSyncSynchronizeCallback();
    QBtRc SetOnSyncAbortCallback(QBtSyncAbortCallback fn, QBtUserData user);
    QBtRc ClearOnSyncAbortCallback();
    QBtRc SetOnSyncObjectCallback(QBtSyncObjectCallback fn, QBtUserData user);
    QBtRc ClearOnSyncObjectCallback();
    QBtRc SetOnOppOpenCallback(QBtResponseCallback fn, QBtUserData user);
    QBtRc ClearOnOppOpenCallback();
    QBtRc SetOnOppPushExCallback(QBtResponseCallback fn, QBtUserData user);
    QBtRc ClearOnOppPushExCallback();
    QBtRc SetOnOppAbortCallback(QBtResponseCallback fn, QBtUserData user);
    QBtRc ClearOnOppAbortCallback();
    QBtRc SetOnFtpOpenCallback(QBtResponseCallback fn, QBtUserData user);
    QBtRc ClearOnFtpOpenCallback();
    QBtRc SetOnFtpCloseCallback(QBtResponseCallback fn, QBtUserData user);
    QBtRc ClearOnFtpCloseCallback();
    QBtRc SetOnFtpAbortCallback(QBtResponseCallback fn, QBtUserData user);
    QBtRc ClearOnFtpAbortCallback();
    QBtRc SetOnFtpFolderListingCallback(QBtFolderListingCallback fn, QBtUserData user);
    QBtRc ClearOnFtpFolderListingCallback();
    QBtRc SetOnFtpChangeFolderCallback(QBtResponseCallback fn, QBtUserData user);
    QBtRc ClearOnFtpChangeFolderCallback();
    QBtRc SetOnFtpCreateCallback(QBtResponseCallback fn, QBtUserData user);
    QBtRc ClearOnFtpCreateCallback();
    QBtRc SetOnFtpDeleteCallback(QBtResponseCallback fn, QBtUserData user);
    QBtRc ClearOnFtpDeleteCallback();
    QBtRc SetOnFtpGetCallback(QBtResponseCallback fn, QBtUserData user);
    QBtRc ClearOnFtpGetCallback();
    QBtRc SetOnFtpPutCallback(QBtResponseCallback fn, QBtUserData user);
    QBtRc ClearOnFtpPutCallback();
    QBtRc SetOnFtpProgressCallback(QBtProgressCallback fn, QBtUserData user);
    QBtRc ClearOnFtpProgressCallback();

    // --- Queries ---
    // Starts a service discovery of the device `filter`; its end is the discovery event.
    QBtRc GapStartDiscovery(const BD_ADDR& filter, int nMode);
    // Services of this computer: at most nMax records into pInfo, their number into nCount.
    QBtRc GapGetLocalServices(int& nCount, int nMax, tBT_SERVICE_INFO* pInfo);
    // Services of a remote device as last discovered (the stack's cache).
    QBtRc GapGetAvailableServices(const BD_ADDR& bda, int& nCount, int nMax, tBT_SERVICE_INFO* pInfo);
    // State of a device's service (lState 2 = connected); lExtra carries the COM port or 0.
    QBtRc GapGetServiceState(const BD_ADDR& bda, const GUID& guid, std::string_view name, LONG& lState,
                             LONG& lExtra);
    // State of this computer's application serving the device (BD_ADDR_ANY: any device).
    QBtRc GapGetApplicationState(const BD_ADDR& bda, const GUID& guid, std::string_view name, LONG& lState,
                                 LONG& lExtra);
    // Statistics of the connection to a device's service: nCount records (the system asks for 1).
    QBtRc GapGetConnectionStats(const BD_ADDR& bda, const GUID& guid, std::string_view name, int nCount,
                                tBT_CONN_STATS* pStats);
    QBtRc GapGetActiveConnections(int& nCount, int nMax, tBT_ACTIVE_CONNS* pConns);

    // --- Profiles ---
    QBtRc DunCreateConnection(const BD_ADDR& bda, const GUID& guid, std::string_view name, int nFlags);
    QBtRc SppCreateConnection(const BD_ADDR& bda, const GUID& guid, std::string_view name, int nFlags);
    QBtRc LapCreateConnection(const BD_ADDR& bda, const GUID& guid, std::string_view name, int nFlags);
    QBtRc DunRemoveConnection(int nServer, std::int16_t sPort);
    QBtRc SppRemoveConnection(int nServer, std::int16_t sPort);
    QBtRc LapDisconnect(const BD_ADDR& bda);
    QBtRc HSP_ConnectGateway(const BD_ADDR& bda, std::string_view name);
    QBtRc HSP_ConnectGatewayUuid(const BD_ADDR& bda, std::string_view name, unsigned short uuid);
    QBtRc HAG_ConnectHeadsetUuid(const BD_ADDR& bda, std::string_view name, unsigned short uuid);
    QBtRc HSP_DisconnectGateway(const BD_ADDR& bda, LONG lWhich);
    QBtRc HAG_DisconnectHeadset(const BD_ADDR& bda, LONG lWhich);

    // --- Object exchange ---
    QBtRc FtpOpenConnection(const BD_ADDR& bda, const GUID& guid, std::string_view name, LONG& lHandle);
    QBtRc OppOpenConnection(const BD_ADDR& bda, const GUID& guid, std::string_view name, LONG& lHandle);
    QBtRc OppPushEx(std::u16string_view path);
    QBtRc OppCloseConnection(LONG lHandle);
    QBtRc FtpFolderListing(LONG lHandle);
    QBtRc FtpRoot(LONG lHandle);
    QBtRc FtpParent(LONG lHandle);
    QBtRc FtpAbort(LONG lHandle);
    QBtRc FtpCloseConnection(LONG lHandle);
    QBtRc FtpChangeFolder(LONG lHandle, std::u16string_view name);
    QBtRc FtpCreateFolder(LONG lHandle, std::u16string_view name);
    QBtRc FtpDeleteFile(LONG lHandle, std::u16string_view name);
    QBtRc FtpPutFile(LONG lHandle, std::u16string_view localPath);
    QBtRc FtpGetFile(LONG lHandle, std::u16string_view remoteName, std::u16string_view localPath);

    // --- Synchronisation ---
    QBtRc SyncSynchronize(const BD_ADDR& bda, const GUID& guid, std::string_view name);
    QBtRc SyncBackup(const BD_ADDR& bda, const GUID& guid, LONG lObjects, std::u16string_view path);
    QBtRc SyncAbort();

private:
    QBtRc ready() const;

    std::unique_ptr<qel::stackapi::StackBackend> backend_;
    std::shared_ptr<qel::stackapi::CallbackTable> callbacks_;
    std::atomic<bool> connected_{false};  // set by ConnectToServer, read by every operation
};
