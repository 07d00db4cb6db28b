#include "config/autoconnect_cfg.h"

#include <cstdio>

#include "config/record_table.h"

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

namespace {
using AC = CBTAutoConnect;
// "BDName" is written as REG_SZ bytes.
const RecordRow<AC> kAutoConnectRows[] = {
    {u"ServiceName", &AC::m_szServiceName, MAX_PATH},
    {u"BDAddress", &AC::m_bdAddr},
    {u"BDDevClass", &AC::m_devClass},
    {u"BDName", &AC::m_szBdName, kCfgBdNameBytes, kRowAllUses, REG_SZ},
    {u"UUID", &AC::m_dwUUID},
    {u"SecurityID", &AC::m_dwSecurityID},
    {u"SecurityLevel", &AC::m_dwSecurityLevel},
    {u"MTU", &AC::m_dwMTU},
    {u"ClassID", &AC::m_classId},
};
}  // namespace

QEL_CFG_ROOT_TABLE_IO(CBTAutoConnect, kAutoConnectRows)
