// The facade's entry points: plain functions given to the stack's API library (with the instance
// index as user data), to the facade's threads (as their parameter) and to the folder engine.
// Each finds its facade in the instance list and forwards the remaining arguments unchanged to
// the facade's receiver of that event; an event for an emptied or unknown index is dropped.
// Their types are the callback types of the stack library (facade/stackapi/qbt_callbacks.h).
// Safe from any thread; each holds its facade pinned while the receiver runs (instance_registry.h).
#pragma once

#include <cstdint>

#include "facade/stackapi/qbt_callbacks.h"

struct tagvObject;

namespace qbtapiM {

// Stack events (registered with CQBtAPI's SetOn...Callback).
// HAG and HSP connection status -> HSPStateChangeCallback.
void HSPStateChangeCallbackExt(QBtUserData user, const BD_ADDR& bda, const DEV_CLASS& devClass, const char* bdName,
                               LONG lHandle, LONG lStatus);
// -> LocalServiceStateChangedCallback.
void LocalServiceStateChangedCallbackExt(QBtUserData user, const tBT_SERVICE_INFO* pInfo);
// -> DunStateChangeCallback, SppStateChangeCallback, LapStateChangeCallback.
void DunStateChangeCallbackExt(QBtUserData user, const BD_ADDR& bda, const DEV_CLASS& devClass, const char* bdName,
                               const GUID& guid, std::int16_t sComPort, LONG lError);
void SppStateChangeCallbackExt(QBtUserData user, const BD_ADDR& bda, const DEV_CLASS& devClass, const char* bdName,
                               const GUID& guid, std::int16_t sComPort, LONG lError);
void LapStateChangeCallbackExt(QBtUserData user, const BD_ADDR& bda, const DEV_CLASS& devClass, const char* bdName,
                               const GUID& guid, std::int16_t sComPort, LONG lError);
// -> GapDiscoveryCallback, which takes none of the event's arguments.
void GAPDiscoveryCallbackExt(QBtUserData user, const BD_ADDR& bda, WORD records, LONG result);
// -> DeviceFoundCallback.
void OnDeviceFoundCallbackExt(QBtUserData user, const BD_ADDR& bda, const DEV_CLASS& devClass, const char* bdName,
                              int connected);
// -> DeviceChangeNotification, only for status 0 (the devices changed); other statuses are ignored.
void OnDeviceStatusCallbackExt(QBtUserData user, LONG device, LONG status);
// Synchronisation events -> OnSyncProgressCallback, OnSyncSynchronizeCallback, OnSyncAbortCallback,
// OnSyncObjectCallback (which takes the data type, action and name, not the address).
void SyncProgressCallbackExt(QBtUserData user, const BD_ADDR& bda, LONG lDataType, LONG lCurrent, LONG lTotal,
                             LONG lError);
void SyncSynchronizeCallbackExt(QBtUserData user, const BD_ADDR& bda, LONG lError);
void SyncAbortCallbackExt(QBtUserData user, LONG lError);
void SyncObjectCallbackExt(QBtUserData user, const BD_ADDR& bda, LONG lDataType, LONG lAction, const char16_t* name);

// Callbacks of the PIM libraries, which take the context (instance index) last.
// A parsed versit object -> OnObjectCallback.
void OnObjectCallbackExt(std::uint32_t storeId, tagvObject* object, std::uint32_t status, std::uintptr_t context);
// Backup and restore progress (session handle first) -> BackupRestoreStatusChange,
// BackupRestoreObjectCallback.
void BackupRestoreStatusExt(std::uint64_t handle, std::uint32_t dwObjectType, std::uint32_t dwCurrent,
                            std::uint32_t nTotal, std::uintptr_t context);
void BackupRestoreObjectCallbackExt(std::uint64_t handle, std::uint32_t dwObjectType, std::uint32_t nAction,
                                    const char16_t* name, std::uintptr_t context);

// Thread bodies, the parameter being the instance index: the device-query thread ->
// DiscoverDeviceDetailsInternal, the dial-up notification thread ->
// DialupNotificationThreadProcInternal. The result is the receiver's, 0 when the facade is gone.
DWORD DiscoverDeviceDetails(std::uintptr_t parameter);
DWORD DialupNotificationThreadProc(std::uintptr_t parameter);

// Folder-engine completions, for the facade at index QelConfig::m_dwCurrentInstance ->
// FTPSendCompleteCallback, RefreshCallback.
void SendCompleteCb();
void RefreshCb();

}  // namespace qbtapiM
