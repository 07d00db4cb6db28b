// The delegate types through which the facade reports events to its caller. Every delegate gets
// back the user-data object the caller registered with it, unchanged (a copy of the std::any the
// caller gave: a pointer or shared pointer inside it still designates the caller's object).
// "Address" is the device's address as a 64-bit number, the least significant address byte in the
// lowest byte. Delegates run on whichever thread raised the event (a stack thread, one of the
// facade's own threads, or the caller's) and must not throw.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qbtapiM {

class QelPIMObject;
class QelVCalObject;

// Any change of a service state; lStatus is 0 except from headset events (the stack's status).
using _OnServiceStatusChange = std::function<void(std::int64_t bda, const std::any& userData, std::int32_t lStatus)>;
// The device changed (removed, forgotten, lost its pairing, the radio went away).
using _onDeviceChange = std::function<void(const std::any& userData)>;
// A folder listing of the device arrived: the current folder and its sub-folders.
using _onFTPRefresh =
    std::function<void(std::int64_t bdAddr, std::uint32_t dwCurrentFolderID, const std::vector<std::uint32_t>& folderIDs,
                       const std::vector<std::u16string>& folderNames, const std::any& userData)>;
// Sending files to the device finished with lError (0: success).
using _onFTPSendCompletion = std::function<void(std::int64_t bdAddr, std::int32_t lError, const std::any& userData)>;
// Asks whether automatic dial-up connection may be turned off; the answer is the result.
using _onDialupDisableAutoConnectConfirm = std::function<bool(const std::any& userData)>;
// Backup and restore progress: objects of a type done so far, and each object handled.
using _BackupStatus = std::function<void(std::int64_t bda, std::uint32_t dwObjectType, std::uint32_t dwCurrent,
                                         std::uint32_t nTotal, const std::any& userData)>;
using _BackupObjectStatus = std::function<void(std::int64_t bda, std::uint32_t dwObjectType, std::uint32_t nAction,
                                               const std::u16string& strObjectName, const std::any& userData)>;
// One contact or one calendar entry parsed from a backup.
using _ObjectParseCallback = std::function<void(std::int64_t bda, QelPIMObject& object, const std::any& userData)>;
using _ObjectParseVCalCallback =
    std::function<void(std::int64_t bda, QelVCalObject& object, const std::any& userData)>;
// Synchronisation: progress, the end of a run, an abort, and each object handled.
using _onSyncProgressCallback =
    std::function<void(std::int64_t bda, std::int32_t lDataType, std::int32_t lCurrent, std::int32_t lTotal,
                       std::int32_t lError, const std::any& userData)>;
using _onSyncSynchronizeCallback =
    std::function<void(std::int64_t bdAddr, std::int32_t lError, const std::any& userData)>;
using _onSyncAbortCallback = std::function<void(std::int64_t bdAddr, std::int32_t lError, const std::any& userData)>;
using _onSyncObjectCallback =
    std::function<void(std::int64_t bdAddr, std::int32_t lDataType, std::int32_t lAction,
                       const std::u16string& strObjName, const std::any& userData)>;

}  // namespace qbtapiM
