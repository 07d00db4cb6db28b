// CQBtAPI: forwards every operation to its backend and keeps the callback table the backend
// reports events to.
#include "facade/stackapi/cqbtapi.h"

#include "facade/stackapi/callback_table.h"

using qel::stackapi::CallbackKind;
using qel::stackapi::CallbackTable;

namespace {

// A record array argument as a span; nothing when the pointer is missing or the size negative.
template <class T>
bool as_span(T* p, int n, std::span<T>& out) {
    if (n < 0 || (p == nullptr && n > 0)) return false;
    out = std::span<T>(p, static_cast<std::size_t>(n));
    return true;
}

}  // namespace

CQBtAPI::CQBtAPI() : CQBtAPI(qel::stackapi::make_backend()) {}

CQBtAPI::CQBtAPI(std::unique_ptr<qel::stackapi::StackBackend> backend)
    : backend_(std::move(backend)), callbacks_(std::make_shared<CallbackTable>()) {
    if (backend_) backend_->set_event_sink(callbacks_);
}

CQBtAPI::~CQBtAPI() {
    callbacks_->clear_all();
    if (backend_) backend_->set_event_sink(nullptr);
    backend_.reset();
}

QBtRc CQBtAPI::ready() const {
    if (!backend_ || !connected_.load()) return QBT_ERR_NOT_CONNECTED;
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::ConnectToServer(bool fStartServer, unsigned int nTimeoutSeconds, bool fReserved1, bool fReserved2) {
    if (!backend_) return QBT_ERR_SERVER_UNREACHABLE;
    const QBtRc rc = backend_->connect_to_server(fStartServer, nTimeoutSeconds, fReserved1, fReserved2);
    if (rc == QBT_SUCCESS) connected_.store(true);
    return rc;
}

QBtRc CQBtAPI::ClearAllCallbacks() {
    callbacks_->clear_all();
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::GapGetLocalServices(int& nCount, int nMax, tBT_SERVICE_INFO* pInfo) {
    nCount = 0;
    if (QBtRc rc = ready()) return rc;
    std::span<tBT_SERVICE_INFO> out;
    if (!as_span(pInfo, nMax, out)) return QBT_ERR_INVALID_PARAMETER;
    return backend_->local_services(out, nCount);
}

QBtRc CQBtAPI::GapGetAvailableServices(const BD_ADDR& bda, int& nCount, int nMax, tBT_SERVICE_INFO* pInfo) {
    nCount = 0;
    if (QBtRc rc = ready()) return rc;
    std::span<tBT_SERVICE_INFO> out;
    if (!as_span(pInfo, nMax, out)) return QBT_ERR_INVALID_PARAMETER;
    return backend_->available_services(bda, out, nCount);
}

QBtRc CQBtAPI::GapGetConnectionStats(const BD_ADDR& bda, const GUID& guid, std::string_view name, int nCount,
                                     tBT_CONN_STATS* pStats) {
    if (QBtRc rc = ready()) return rc;
    std::span<tBT_CONN_STATS> out;
    if (!as_span(pStats, nCount, out) || out.empty()) return QBT_ERR_INVALID_PARAMETER;
    return backend_->connection_stats(bda, guid, name, out);
}

QBtRc CQBtAPI::GapGetActiveConnections(int& nCount, int nMax, tBT_ACTIVE_CONNS* pConns) {
    nCount = 0;
    if (QBtRc rc = ready()) return rc;
    std::span<tBT_ACTIVE_CONNS> out;
    if (!as_span(pConns, nMax, out)) return QBT_ERR_INVALID_PARAMETER;
    return backend_->active_connections(out, nCount);
}

QBtRc CQBtAPI::BtmResetConfiguration() {
    if (QBtRc rc = ready()) return rc;
    return backend_->reset_configuration();
}

QBtRc CQBtAPI::GapStartDiscovery(const BD_ADDR& filter, int nMode) {
    if (QBtRc rc = ready()) return rc;
    return backend_->start_discovery(filter, nMode);
}

QBtRc CQBtAPI::GapGetServiceState(const BD_ADDR& bda, const GUID& guid, std::string_view name, LONG& lState, LONG& lExtra) {
    if (QBtRc rc = ready()) return rc;
    return backend_->service_state(bda, guid, name, lState, lExtra);
}

QBtRc CQBtAPI::GapGetApplicationState(const BD_ADDR& bda, const GUID& guid, std::string_view name, LONG& lState, LONG& lExtra) {
    if (QBtRc rc = ready()) return rc;
    return backend_->application_state(bda, guid, name, lState, lExtra);
}

QBtRc CQBtAPI::DunCreateConnection(const BD_ADDR& bda, const GUID& guid, std::string_view name, int nFlags) {
    if (QBtRc rc = ready()) return rc;
    return backend_->dun_connect(bda, guid, name, nFlags);
}

QBtRc CQBtAPI::SppCreateConnection(const BD_ADDR& bda, const GUID& guid, std::string_view name, int nFlags) {
    if (QBtRc rc = ready()) return rc;
    return backend_->spp_connect(bda, guid, name, nFlags);
}

QBtRc CQBtAPI::LapCreateConnection(const BD_ADDR& bda, const GUID& guid, std::string_view name, int nFlags) {
    if (QBtRc rc = ready()) return rc;
    return backend_->lap_connect(bda, guid, name, nFlags);
}

QBtRc CQBtAPI::DunRemoveConnection(int nServer, std::int16_t sPort) {
    if (QBtRc rc = ready()) return rc;
    return backend_->dun_disconnect(nServer, sPort);
}

QBtRc CQBtAPI::SppRemoveConnection(int nServer, std::int16_t sPort) {
    if (QBtRc rc = ready()) return rc;
    return backend_->spp_disconnect(nServer, sPort);
}

QBtRc CQBtAPI::LapDisconnect(const BD_ADDR& bda) {
    if (QBtRc rc = ready()) return rc;
    return backend_->lap_disconnect(bda);
}

QBtRc CQBtAPI::HSP_ConnectGateway(const BD_ADDR& bda, std::string_view name) {
    if (QBtRc rc = ready()) return rc;
    return backend_->hsp_connect_gateway(bda, name);
}

QBtRc CQBtAPI::HSP_ConnectGatewayUuid(const BD_ADDR& bda, std::string_view name, unsigned short uuid) {
    if (QBtRc rc = ready()) return rc;
    return backend_->hsp_connect_gateway_uuid(bda, name, uuid);
}

QBtRc CQBtAPI::HAG_ConnectHeadsetUuid(const BD_ADDR& bda, std::string_view name, unsigned short uuid) {
    if (QBtRc rc = ready()) return rc;
    return backend_->hag_connect_headset_uuid(bda, name, uuid);
}

QBtRc CQBtAPI::HSP_DisconnectGateway(const BD_ADDR& bda, LONG lWhich) {
    if (QBtRc rc = ready()) return rc;
    return backend_->hsp_disconnect_gateway(bda, lWhich);
}

QBtRc CQBtAPI::HAG_DisconnectHeadset(const BD_ADDR& bda, LONG lWhich) {
    if (QBtRc rc = ready()) return rc;
    return backend_->hag_disconnect_headset(bda, lWhich);
}

QBtRc CQBtAPI::FtpOpenConnection(const BD_ADDR& bda, const GUID& guid, std::string_view name, LONG& lHandle) {
    if (QBtRc rc = ready()) return rc;
    return backend_->ftp_open(bda, guid, name, lHandle);
}

QBtRc CQBtAPI::OppOpenConnection(const BD_ADDR& bda, const GUID& guid, std::string_view name, LONG& lHandle) {
    if (QBtRc rc = ready()) return rc;
    return backend_->opp_open(bda, guid, name, lHandle);
}

QBtRc CQBtAPI::OppPushEx(std::u16string_view path) {
    if (QBtRc rc = ready()) return rc;
    return backend_->opp_push(path);
}

QBtRc CQBtAPI::OppCloseConnection(LONG lHandle) {
    if (QBtRc rc = ready()) return rc;
    return backend_->opp_close(lHandle);
}

QBtRc CQBtAPI::FtpFolderListing(LONG lHandle) {
    if (QBtRc rc = ready()) return rc;
    return backend_->ftp_folder_listing(lHandle);
}

QBtRc CQBtAPI::FtpRoot(LONG lHandle) {
    if (QBtRc rc = ready()) return rc;
    return backend_->ftp_root(lHandle);
}

QBtRc CQBtAPI::FtpParent(LONG lHandle) {
    if (QBtRc rc = ready()) return rc;
    return backend_->ftp_parent(lHandle);
}

QBtRc CQBtAPI::FtpAbort(LONG lHandle) {
    if (QBtRc rc = ready()) return rc;
    return backend_->ftp_abort(lHandle);
}

QBtRc CQBtAPI::FtpCloseConnection(LONG lHandle) {
    if (QBtRc rc = ready()) return rc;
    return backend_->ftp_close(lHandle);
}

QBtRc CQBtAPI::FtpChangeFolder(LONG lHandle, std::u16string_view name) {
    if (QBtRc rc = ready()) return rc;
    return backend_->ftp_change_folder(lHandle, name);
}

QBtRc CQBtAPI::FtpCreateFolder(LONG lHandle, std::u16string_view name) {
    if (QBtRc rc = ready()) return rc;
    return backend_->ftp_create_folder(lHandle, name);
}

QBtRc CQBtAPI::FtpDeleteFile(LONG lHandle, std::u16string_view name) {
    if (QBtRc rc = ready()) return rc;
    return backend_->ftp_delete(lHandle, name);
}

QBtRc CQBtAPI::FtpPutFile(LONG lHandle, std::u16string_view localPath) {
    if (QBtRc rc = ready()) return rc;
    return backend_->ftp_put(lHandle, localPath);
}

QBtRc CQBtAPI::FtpGetFile(LONG lHandle, std::u16string_view remoteName, std::u16string_view localPath) {
    if (QBtRc rc = ready()) return rc;
    return backend_->ftp_get(lHandle, remoteName, localPath);
}

QBtRc CQBtAPI::SyncSynchronize(const BD_ADDR& bda, const GUID& guid, std::string_view name) {
    if (QBtRc rc = ready()) return rc;
    return backend_->sync_synchronize(bda, guid, name);
}

QBtRc CQBtAPI::SyncBackup(const BD_ADDR& bda, const GUID& guid, LONG lObjects, std::u16string_view path) {
    if (QBtRc rc = ready()) return rc;
    return backend_->sync_backup(bda, guid, lObjects, path);
}

QBtRc CQBtAPI::SyncAbort() {
    if (QBtRc rc = ready()) return rc;
    return backend_->sync_abort();
}

// --- Callback registrations ---

QBtRc CQBtAPI::SetOnDeviceFoundCallback(QBtDeviceFoundCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::device_found, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnDeviceFoundCallback() {
    callbacks_->clear(CallbackKind::device_found);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnDeviceStatusCallback(QBtDeviceStatusCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::device_status, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnDeviceStatusCallback() {
    callbacks_->clear(CallbackKind::device_status);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnDiscoveryEventCallback(QBtDiscoveryEventCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::discovery_event, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnDiscoveryEventCallback() {
    callbacks_->clear(CallbackKind::discovery_event);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnDunStateChangeCallback(QBtPortStateCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::dun_state, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnDunStateChangeCallback() {
    callbacks_->clear(CallbackKind::dun_state);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnSppStateChangeCallback(QBtPortStateCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::spp_state, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnSppStateChangeCallback() {
    callbacks_->clear(CallbackKind::spp_state);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnLapStateChangeCallback(QBtPortStateCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::lap_state, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnLapStateChangeCallback() {
    callbacks_->clear(CallbackKind::lap_state);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnHAGConnectionStatusChangedCallback(QBtAudioStatusCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::hag_status, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnHAGConnectionStatusChangedCallback() {
    callbacks_->clear(CallbackKind::hag_status);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnHSPConnectionStatusChangedCallback(QBtAudioStatusCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::hsp_status, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnHSPConnectionStatusChangedCallback() {
    callbacks_->clear(CallbackKind::hsp_status);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnLocalServiceStateChangeCallback(QBtLocalServiceStateCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::local_service_state, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnLocalServiceStateChangeCallback() {
    callbacks_->clear(CallbackKind::local_service_state);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnSyncProgressCallback(QBtSyncProgressCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::sync_progress, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnSyncProgressCallback() {
    callbacks_->clear(CallbackKind::sync_progress);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnSyncSynchronizeCallback(QBtSyncSynchronizeCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::sync_synchronize, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnSyncSynchronizeCallback() {
    callbacks_->clear(CallbackKind::sync_synchronize);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnSyncAbortCallback(QBtSyncAbortCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::sync_abort, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnSyncAbortCallback() {
    callbacks_->clear(CallbackKind::sync_abort);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnSyncObjectCallback(QBtSyncObjectCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::sync_object, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnSyncObjectCallback() {
    callbacks_->clear(CallbackKind::sync_object);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnOppOpenCallback(QBtResponseCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::opp_open, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnOppOpenCallback() {
    callbacks_->clear(CallbackKind::opp_open);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnOppPushExCallback(QBtResponseCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::opp_push_ex, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnOppPushExCallback() {
    callbacks_->clear(CallbackKind::opp_push_ex);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnOppAbortCallback(QBtResponseCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::opp_abort, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnOppAbortCallback() {
    callbacks_->clear(CallbackKind::opp_abort);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnFtpOpenCallback(QBtResponseCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::ftp_open, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnFtpOpenCallback() {
    callbacks_->clear(CallbackKind::ftp_open);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnFtpCloseCallback(QBtResponseCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::ftp_close, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnFtpCloseCallback() {
    callbacks_->clear(CallbackKind::ftp_close);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnFtpAbortCallback(QBtResponseCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::ftp_abort, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnFtpAbortCallback() {
    callbacks_->clear(CallbackKind::ftp_abort);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnFtpFolderListingCallback(QBtFolderListingCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::ftp_folder_listing, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnFtpFolderListingCallback() {
    callbacks_->clear(CallbackKind::ftp_folder_listing);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnFtpChangeFolderCallback(QBtResponseCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::ftp_change_folder, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnFtpChangeFolderCallback() {
    callbacks_->clear(CallbackKind::ftp_change_folder);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnFtpCreateCallback(QBtResponseCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::ftp_create, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnFtpCreateCallback() {
    callbacks_->clear(CallbackKind::ftp_create);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnFtpDeleteCallback(QBtResponseCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::ftp_delete, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnFtpDeleteCallback() {
    callbacks_->clear(CallbackKind::ftp_delete);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnFtpGetCallback(QBtResponseCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::ftp_get, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnFtpGetCallback() {
    callbacks_->clear(CallbackKind::ftp_get);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnFtpPutCallback(QBtResponseCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::ftp_put, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnFtpPutCallback() {
    callbacks_->clear(CallbackKind::ftp_put);
    return QBT_SUCCESS;
}

QBtRc CQBtAPI::SetOnFtpProgressCallback(QBtProgressCallback fn, QBtUserData user) {
    if (fn == nullptr) return QBT_ERR_INVALID_PARAMETER;
    callbacks_->set(CallbackKind::ftp_progress, fn, user);
    return QBT_SUCCESS;
}
QBtRc CQBtAPI::ClearOnFtpProgressCallback() {
    callbacks_->clear(CallbackKind::ftp_progress);
    return QBT_SUCCESS;
}
