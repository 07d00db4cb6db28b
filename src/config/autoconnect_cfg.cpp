#include "config/autoconnect_cfg.h"

#include <cstdio>
#include <span>

#include "config/record_values.h"

using namespace qel::config;

namespace {

std::u16string PortKeyName(DWORD port) {
    char text[16];
    std::snprintf(text, sizeof text, "%4.4u", static_cast<unsigned>(port));
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

}  // namespace

CBTAutoConnect::CBTAutoConnect(DWORD nComPort)
    : CBTCfg(PortKeyName(nComPort).c_str(), kAutoConnectPath), m_dwComPort(nComPort) {}

LONG CBTAutoConnect::Save() {
    HKEY root = m_hBaseKey;
    SetBaseKey(HKEY_CURRENT_USER);
    LONG st = CBTCfg::Save();
    if (st == ERROR_SUCCESS) {
        SetBaseKey(HKEY_LOCAL_MACHINE);
        st = CBTCfg::Save();
    }
    SetBaseKey(root);
    return st;
}

void CBTAutoConnect::GetAll(HKEY hKey) {
    get_text(hKey, u"ServiceName", m_szServiceName, MAX_PATH);
    get_bytes(hKey, u"BDAddress", m_bdAddr);
    get_bytes(hKey, u"BDDevClass", m_devClass);
    get_byte_string(hKey, u"BDName", m_szBdName, kCfgBdNameBytes);
    get_dword(hKey, u"UUID", m_dwUUID);
    get_dword(hKey, u"SecurityID", m_dwSecurityID);
    get_dword(hKey, u"SecurityLevel", m_dwSecurityLevel);
    get_dword(hKey, u"MTU", m_dwMTU);
    get_bytes(hKey, u"ClassID", std::span<BYTE>(reinterpret_cast<BYTE*>(&m_classId), sizeof(GUID)));
}

void CBTAutoConnect::PutAll(HKEY hKey) {
    put_text(hKey, u"ServiceName", m_szServiceName, MAX_PATH);
    put_bytes(hKey, u"BDAddress", m_bdAddr);
    put_bytes(hKey, u"BDDevClass", m_devClass);
    put_byte_string(hKey, u"BDName", m_szBdName, kCfgBdNameBytes, REG_SZ);
    put_dword(hKey, u"UUID", m_dwUUID);
    put_dword(hKey, u"SecurityID", m_dwSecurityID);
    put_dword(hKey, u"SecurityLevel", m_dwSecurityLevel);
    put_dword(hKey, u"MTU", m_dwMTU);
    put_bytes(hKey, u"ClassID", std::span<const BYTE>(reinterpret_cast<const BYTE*>(&m_classId), sizeof(GUID)));
}
