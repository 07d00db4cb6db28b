#include "facade/callback_entry_points.h"

#include "facade/qel_config_access.h"

namespace qbtapiM {

using detail::QelConfigAccess;
using detail::route;

void HSPStateChangeCallbackExt(QBtUserData user, const BD_ADDR& bda, const DEV_CLASS& devClass, const char* bdName,
                               LONG lHandle, LONG lStatus) {
    route(user, QelConfigAccess::HSPStateChangeCallback, bda, devClass, bdName, lHandle, lStatus);
}

void LocalServiceStateChangedCallbackExt(QBtUserData user, const tBT_SERVICE_INFO* pInfo) {
    route(user, QelConfigAccess::LocalServiceStateChangedCallback, pInfo);
}

void DunStateChangeCallbackExt(QBtUserData user, const BD_ADDR& bda, const DEV_CLASS& devClass, const char* bdName,
                               const GUID& guid, std::int16_t sComPort, LONG lError) {
    route(user, QelConfigAccess::DunStateChangeCallback, bda, devClass, bdName, guid, sComPort, lError);
}

void SppStateChangeCallbackExt(QBtUserData user, const BD_ADDR& bda, const DEV_CLASS& devClass, const char* bdName,
                               const GUID& guid, std::int16_t sComPort, LONG lError) {
    route(user, QelConfigAccess::SppStateChangeCallback, bda, devClass, bdName, guid, sComPort, lError);
}

void LapStateChangeCallbackExt(QBtUserData user, const BD_ADDR& bda, const DEV_CLASS& devClass, const char* bdName,
                               const GUID& guid, std::int16_t sComPort, LONG lError) {
    route(user, QelConfigAccess::LapStateChangeCallback, bda, devClass, bdName, guid, sComPort, lError);
}

void GAPDiscoveryCallbackExt(QBtUserData user, const BD_ADDR&, WORD, LONG) {
    route(user, QelConfigAccess::GapDiscoveryCallback);
}

void OnDeviceFoundCallbackExt(QBtUserData user, const BD_ADDR& bda, const DEV_CLASS& devClass, const char* bdName,
                              int connected) {
    route(user, QelConfigAccess::DeviceFoundCallback, bda, devClass, bdName, connected);
}

void OnDeviceStatusCallbackExt(QBtUserData user, LONG, LONG status) {
    if (status != 0) return;
    route(user, QelConfigAccess::DeviceChangeNotification);
}

void SyncProgressCallbackExt(QBtUserData user, const BD_ADDR& bda, LONG lDataType, LONG lCurrent, LONG lTotal,
                             LONG lError) {
    route(user, QelConfigAccess::OnSyncProgressCallback, bda, lDataType, lCurrent, lTotal, lError);
}

void SyncSynchronizeCallbackExt(QBtUserData user, const BD_ADDR& bda, LONG lError) {
    route(user, QelConfigAccess::OnSyncSynchronizeCallback, bda, lError);
}

void SyncAbortCallbackExt(QBtUserData user, LONG lError) {
    route(user, QelConfigAccess::OnSyncAbortCallback, lError);
}

void SyncObjectCallbackExt(QBtUserData user, const BD_ADDR&, LONG lDataType, LONG lAction, const char16_t* name) {
    route(user, QelConfigAccess::OnSyncObjectCallback, lDataType, lAction, name);
}

void OnObjectCallbackExt(std::uint32_t storeId, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    route(context, QelConfigAccess::OnObjectCallback, storeId, object, status);
}

void BackupRestoreStatusExt(std::uint64_t, std::uint32_t dwObjectType, std::uint32_t dwCurrent, std::uint32_t nTotal,
                            std::uintptr_t context) {
    route(context, QelConfigAccess::BackupRestoreStatusChange, dwObjectType, dwCurrent, nTotal);
}

void BackupRestoreObjectCallbackExt(std::uint64_t, std::uint32_t dwObjectType, std::uint32_t nAction,
                                    const char16_t* name, std::uintptr_t context) {
    route(context, QelConfigAccess::BackupRestoreObjectCallback, dwObjectType, nAction, name);
}

DWORD DiscoverDeviceDetails(std::uintptr_t parameter) {
    DWORD result = 0;
    route(parameter, [&](QelConfig& facade) {
        result = std::invoke(QelConfigAccess::DiscoverDeviceDetailsInternal, facade);
    });
    return result;
}

DWORD DialupNotificationThreadProc(std::uintptr_t parameter) {
    DWORD result = 0;
    route(parameter, [&](QelConfig& facade) {
        result = std::invoke(QelConfigAccess::DialupNotificationThreadProcInternal, facade);
    });
    return result;
}

void SendCompleteCb() {
    route(QelConfigAccess::current_instance().load(), QelConfigAccess::FTPSendCompleteCallback);
}

void RefreshCb() { route(QelConfigAccess::current_instance().load(), QelConfigAccess::RefreshCallback); }

}  // namespace qbtapiM
