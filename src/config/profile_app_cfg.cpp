#include "config/profile_app_cfg.h"

#include "config/cfg_iterator.h"
#include "config/record_table.h"

using namespace qel::config;

// ---- Serial port

LONG CBTSPPAppCfg::Read(DWORD uuid) {
    return ReadProfile(uuid);
}

LONG CBTSPPAppCfg::Read(std::u16string_view szServiceName) {
    std::u16string name;
    if (!GetKeyName(name, kUuidSerialPort, szServiceName)) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    SetKeyName(name.c_str());
    return CBTCfg::Read();
}

LONG CBTSPPAppCfg::ReadByPort(DWORD nPort) {
    CBTAppsCfgIterator it;
    char16_t name[MAX_PATH] = {};
    while (it.GetNext(name)) {
        CBTSPPAppCfg candidate(name, m_dwProfileUuid);
        candidate.SetBaseKey(m_hBaseKey);
        if (candidate.CBTCfg::Read() != ERROR_SUCCESS || candidate.m_dwComPortNumber != nPort) continue;
        SetKeyName(name);
        return CBTCfg::Read();
    }
    return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
}

namespace {

constexpr std::size_t T = kCfgTextChars;

using SPP = CBTSPPAppCfg;
const RecordRow<SPP> kSppRows[] = {
    {u"ComPortNumber", &SPP::m_dwComPortNumber},
    {u"UserInstalled", &SPP::m_dwUserInstalled},
};

using DUN = CBTDUNAppCfg;
const RecordRow<DUN> kDunRows[] = {
    {u"RasConnection", &DUN::m_szRasConnection, T},
};

using LAP = CBTLAPAppCfg;
const RecordRow<LAP> kLapRows[] = {
    {u"UserName", &LAP::m_szUserName, T},
    {u"Password", &LAP::m_szPassword, T},
    {u"Autoconnect", &LAP::m_dwAutoconnect},
    {u"RasConnection", &LAP::m_szRasConnection, T},
    {u"EnableAutoReconnect", &LAP::m_dwEnableAutoReconnect},
};

// Object push, synchronisation and imaging compare and copy as plain applications.
using OPP = CBTOPPAppCfg;
const RecordRow<OPP> kOppRows[] = {
    {u"OPPType", &OPP::m_dwOPPType},
};

using SYNC = CBTSYNCAppCfg;
const RecordRow<SYNC> kSyncRows[] = {
    {u"SyncBusinessCards", &SYNC::m_dwSyncBusinessCards},
    {u"SyncCalendarItems", &SYNC::m_dwSyncCalendarItems},
    {u"SyncEmailMessages", &SYNC::m_dwSyncEmailMessages},
    {u"SyncNotes", &SYNC::m_dwSyncNotes},
    {u"PreferredProfile", &SYNC::m_dwPreferredProfile},
};

using BIP = CBTBIPAppCfg;
const RecordRow<BIP> kBipRows[] = {
    {u"PutImageToPrinterTimeout", &BIP::m_dwPutImageToPrinterTimeout},
};

}  // namespace

QEL_CFG_TABLE_METHODS(CBTSPPAppCfg, CBTAppCfg, kSppRows)
QEL_CFG_TABLE_METHODS(CBTDUNAppCfg, CBTSPPAppCfg, kDunRows)
QEL_CFG_TABLE_METHODS(CBTLAPAppCfg, CBTSPPAppCfg, kLapRows)
QEL_CFG_TABLE_IO(CBTOPPAppCfg, CBTAppCfg, kOppRows)
QEL_CFG_TABLE_IO(CBTSYNCAppCfg, CBTAppCfg, kSyncRows)
QEL_CFG_TABLE_IO(CBTBIPAppCfg, CBTAppCfg, kBipRows)

void CBTAvAppCfg::GetAll(HKEY hKey) {
    CBTAppCfg::GetAll(hKey);
    get_dword(hKey, u"ObexThrottleBytes", m_dwObexThrottleBytes);
}
