#include "config/profile_app_cfg.h"

#include "config/cfg_iterator.h"
#include "config/record_values.h"

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

void CBTSPPAppCfg::GetAll(HKEY hKey) {
    CBTAppCfg::GetAll(hKey);
    get_dword(hKey, u"ComPortNumber", m_dwComPortNumber);
    get_dword(hKey, u"UserInstalled", m_dwUserInstalled);
}

void CBTSPPAppCfg::PutAll(HKEY hKey) {
    CBTAppCfg::PutAll(hKey);
    put_dword(hKey, u"ComPortNumber", m_dwComPortNumber);
    put_dword(hKey, u"UserInstalled", m_dwUserInstalled);
}

bool CBTSPPAppCfg::IsEqualCfg(const CBTSPPAppCfg& other) const {
    return CBTAppCfg::IsEqualCfg(other) && m_dwComPortNumber == other.m_dwComPortNumber &&
           m_dwUserInstalled == other.m_dwUserInstalled;
}

void CBTSPPAppCfg::CopyCfg(const CBTSPPAppCfg& other) {
    CBTAppCfg::CopyCfg(other);
    m_dwComPortNumber = other.m_dwComPortNumber;
    m_dwUserInstalled = other.m_dwUserInstalled;
}

// ---- Dial-up networking

void CBTDUNAppCfg::GetAll(HKEY hKey) {
    CBTSPPAppCfg::GetAll(hKey);
    get_text(hKey, u"RasConnection", m_szRasConnection, kCfgTextChars);
}

void CBTDUNAppCfg::PutAll(HKEY hKey) {
    CBTSPPAppCfg::PutAll(hKey);
    put_text(hKey, u"RasConnection", m_szRasConnection, kCfgTextChars);
}

bool CBTDUNAppCfg::IsEqualCfg(const CBTDUNAppCfg& other) const {
    return CBTSPPAppCfg::IsEqualCfg(other) && m_szRasConnection == other.m_szRasConnection;
}

void CBTDUNAppCfg::CopyCfg(const CBTDUNAppCfg& other) {
    CBTSPPAppCfg::CopyCfg(other);
    m_szRasConnection = other.m_szRasConnection;
}

// ---- LAN access

void CBTLAPAppCfg::GetAll(HKEY hKey) {
    CBTSPPAppCfg::GetAll(hKey);
    get_text(hKey, u"UserName", m_szUserName, kCfgTextChars);
    get_text(hKey, u"Password", m_szPassword, kCfgTextChars);
    get_dword(hKey, u"Autoconnect", m_dwAutoconnect);
    get_text(hKey, u"RasConnection", m_szRasConnection, kCfgTextChars);
    get_dword(hKey, u"EnableAutoReconnect", m_dwEnableAutoReconnect);
}

void CBTLAPAppCfg::PutAll(HKEY hKey) {
    CBTSPPAppCfg::PutAll(hKey);
    put_text(hKey, u"UserName", m_szUserName, kCfgTextChars);
    put_text(hKey, u"Password", m_szPassword, kCfgTextChars);
    put_dword(hKey, u"Autoconnect", m_dwAutoconnect);
    put_text(hKey, u"RasConnection", m_szRasConnection, kCfgTextChars);
    put_dword(hKey, u"EnableAutoReconnect", m_dwEnableAutoReconnect);
}

bool CBTLAPAppCfg::IsEqualCfg(const CBTLAPAppCfg& other) const {
    return CBTSPPAppCfg::IsEqualCfg(other) && m_szUserName == other.m_szUserName &&
           m_szPassword == other.m_szPassword && m_dwAutoconnect == other.m_dwAutoconnect &&
           m_szRasConnection == other.m_szRasConnection &&
           m_dwEnableAutoReconnect == other.m_dwEnableAutoReconnect;
}

void CBTLAPAppCfg::CopyCfg(const CBTLAPAppCfg& other) {
    CBTSPPAppCfg::CopyCfg(other);
    m_szUserName = other.m_szUserName;
    m_szPassword = other.m_szPassword;
    m_dwAutoconnect = other.m_dwAutoconnect;
    m_szRasConnection = other.m_szRasConnection;
    m_dwEnableAutoReconnect = other.m_dwEnableAutoReconnect;
}

// ---- Object push, synchronisation, imaging, audio

void CBTOPPAppCfg::GetAll(HKEY hKey) {
    CBTAppCfg::GetAll(hKey);
    get_dword(hKey, u"OPPType", m_dwOPPType);
}

void CBTOPPAppCfg::PutAll(HKEY hKey) {
    CBTAppCfg::PutAll(hKey);
    put_dword(hKey, u"OPPType", m_dwOPPType);
}

void CBTSYNCAppCfg::GetAll(HKEY hKey) {
    CBTAppCfg::GetAll(hKey);
    get_dword(hKey, u"SyncBusinessCards", m_dwSyncBusinessCards);
    get_dword(hKey, u"SyncCalendarItems", m_dwSyncCalendarItems);
    get_dword(hKey, u"SyncEmailMessages", m_dwSyncEmailMessages);
    get_dword(hKey, u"SyncNotes", m_dwSyncNotes);
    get_dword(hKey, u"PreferredProfile", m_dwPreferredProfile);
}

void CBTSYNCAppCfg::PutAll(HKEY hKey) {
    CBTAppCfg::PutAll(hKey);
    put_dword(hKey, u"SyncBusinessCards", m_dwSyncBusinessCards);
    put_dword(hKey, u"SyncCalendarItems", m_dwSyncCalendarItems);
    put_dword(hKey, u"SyncEmailMessages", m_dwSyncEmailMessages);
    put_dword(hKey, u"SyncNotes", m_dwSyncNotes);
    put_dword(hKey, u"PreferredProfile", m_dwPreferredProfile);
}

void CBTBIPAppCfg::GetAll(HKEY hKey) {
    CBTAppCfg::GetAll(hKey);
    get_dword(hKey, u"PutImageToPrinterTimeout", m_dwPutImageToPrinterTimeout);
}

void CBTBIPAppCfg::PutAll(HKEY hKey) {
    CBTAppCfg::PutAll(hKey);
    put_dword(hKey, u"PutImageToPrinterTimeout", m_dwPutImageToPrinterTimeout);
}

void CBTAvAppCfg::GetAll(HKEY hKey) {
    CBTAppCfg::GetAll(hKey);
    get_dword(hKey, u"ObexThrottleBytes", m_dwObexThrottleBytes);
}
