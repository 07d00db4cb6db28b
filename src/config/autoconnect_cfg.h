// Automatic reconnection entries under "Software\Quorlan\BTConfig\AutoConnect", one key per COM
// port ("%4.4d" of its number). An entry is kept under both roots: Save() writes the current
// user's copy and, when that succeeded, the machine's; CBTAutoConnectIterator (cfg_iterator.h)
// walks the current user's entries.
//
// Promises: as cfg_base.h. A failed save under the current user writes nothing under the
// machine root. Save() leaves the record's root as it was.
#pragma once

#include <string>

#include "config/connection_cfg.h"

class CBTAutoConnect : public CBTCfg {
public:
    // The entry of COM port `nComPort` (key "%4.4d" of it), current-user root.
    explicit CBTAutoConnect(DWORD nComPort = 0);

    // Saves under HKEY_CURRENT_USER, then, when that succeeded, under HKEY_LOCAL_MACHINE; the
    // result is the first failure or 0.
    LONG Save() override;
    using CBTCfg::Save;

    // Reads "ServiceName", "BDAddress", "BDDevClass", "BDName", "UUID", "SecurityID",
    // "SecurityLevel", "MTU", "ClassID"; writes them in the same order.
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    CfgBdAddr m_bdAddr{};          // "BDAddress"
    CfgDevClass m_devClass{};      // "BDDevClass"
    std::string m_szBdName;        // "BDName": typed REG_SZ but holding the name's bytes, 248
    std::u16string m_szServiceName;// "ServiceName", 260
    GUID m_classId{};              // "ClassID", REG_BINARY 16
    DWORD m_dwUUID = 0;            // "UUID"
    DWORD m_dwMTU = 0;             // "MTU"
    DWORD m_dwSecurityID = 0;      // "SecurityID"
    DWORD m_dwSecurityLevel = 0;   // "SecurityLevel"
    DWORD m_dwComPort = 0;         // not stored: the key name says it
};
