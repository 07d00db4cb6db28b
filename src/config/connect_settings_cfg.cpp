#include "config/connect_settings_cfg.h"

#include "config/record_table.h"

using namespace qel::config;

// ---- CBTConnectCfg

CBTConnectCfg::CBTConnectCfg() : CBTCfg(u"Filters", kBTConfigPath) {}

namespace {
const RecordRow<CBTConnectCfg> kConnectCfgRows[] = {
    {u"WhoAllowedToConnect", &CBTConnectCfg::m_dwWhoAllowedToConnect},
    {u"AllowOthersToDiscover", &CBTConnectCfg::m_dwAllowOthersToDiscover},
    {u"InquiryScanMode", &CBTConnectCfg::m_dwInquiryScanMode},
    {u"InquiryScanType", &CBTConnectCfg::m_dwInquiryScanType, 0, kRowReadOnly},
    {u"InquiryScanInterval", &CBTConnectCfg::m_dwInquiryScanInterval, 0, kRowReadOnly},
    {u"InquiryScanWindow", &CBTConnectCfg::m_dwInquiryScanWindow, 0, kRowReadOnly},
    {u"PageScanType", &CBTConnectCfg::m_dwPageScanType, 0, kRowReadOnly},
    {u"PageScanInterval", &CBTConnectCfg::m_dwPageScanInterval, 0, kRowReadOnly},
    {u"PageScanWindow", &CBTConnectCfg::m_dwPageScanWindow, 0, kRowReadOnly},
};
}  // namespace

QEL_CFG_ROOT_TABLE_IO(CBTConnectCfg, kConnectCfgRows)

// ---- CBTInquiryCfg

CBTInquiryCfg::CBTInquiryCfg() : CBTCfg(u"General", kBTConfigPath) {}

namespace {
const RecordRow<CBTInquiryCfg> kInquiryCfgRows[] = {
    {u"UseInquiryFilters", &CBTInquiryCfg::m_dwUseInquiryFilters},
    {u"InquiryMode", &CBTInquiryCfg::m_dwInquiryMode},
    {u"InquiryDuration", &CBTInquiryCfg::m_dwInquiryDuration, 0, kRowReadOnly},
    {u"PeriodicInquiry", &CBTInquiryCfg::m_dwPeriodicInquiry},
    {u"PeriodicInquiryRetryTime", &CBTInquiryCfg::m_dwPeriodicInquiryRetryTime},
    {u"AutoDiscovery", &CBTInquiryCfg::m_dwAutoDiscovery},
    {u"InquirySupportedWithConnsUp", &CBTInquiryCfg::m_dwInquirySupportedWithConnsUp, 0, kRowReadOnly},
    {u"InquiryMaxResults", &CBTInquiryCfg::m_dwInquiryMaxResults, 0, kRowReadOnly},
    {u"ReportNotNamedDevices", &CBTInquiryCfg::m_dwReportNotNamedDevices},
};
}  // namespace

QEL_CFG_ROOT_TABLE_IO(CBTInquiryCfg, kInquiryCfgRows)

// ---- CBTConnectPrefsCfg

namespace {

constexpr std::u16string_view kPromptNames[] = {
    u"SPPPromptForClose",     u"DUNPromptForClose",     u"LAPPromptForClose",     u"FAXPromptForClose",
    u"HSPPromptForClose",     u"HAGPromptForClose",     u"HIDPromptForClose",     u"AVPromptForClose",
    u"SPPPromptForConnected", u"DUNPromptForConnected", u"LAPPromptForConnected", u"FAXPromptForConnected",
    u"HSPPromptForConnected", u"HAGPromptForConnected", u"HIDPromptForConnected", u"AVPromptForConnected",
};

// The profile's position among the eight, or -1 for a UUID without prompts.
int PromptProfile(DWORD uuid) {
    switch (uuid) {
    case kUuidSerialPort: return 0;
    case kUuidDialupNetworking: return 1;
    case kUuidLanAccess:
    case kUuidPanu:
    case kUuidNap:
    case kUuidGn: return 2;
    case kUuidFax: return 3;
    case kUuidHeadset:
    case kUuidHandsfree: return 4;
    case kUuidHeadsetAudioGateway: return 5;
    case kUuidHid: return 6;
    case kUuidAudioSink: return 7;
    default: return -1;
    }
}

}  // namespace

CBTConnectPrefsCfg::CBTConnectPrefsCfg() : CBTCfg(u"ConnectPrefs", kBTConfigPath) {
    m_dwPrompts.fill(1);
}

std::u16string_view CBTConnectPrefsCfg::ValueName(int index) {
    return kPromptNames[index];
}

void CBTConnectPrefsCfg::GetAll(HKEY hKey) {
    for (std::size_t i = 0; i < m_dwPrompts.size(); ++i) get_dword(hKey, kPromptNames[i], m_dwPrompts[i]);
}

void CBTConnectPrefsCfg::PutAll(HKEY hKey) {
    for (std::size_t i = 0; i < m_dwPrompts.size(); ++i) put_dword(hKey, kPromptNames[i], m_dwPrompts[i]);
}

DWORD CBTConnectPrefsCfg::GetPromptValue(DWORD uuid, int nPromptType) const {
    int profile = PromptProfile(uuid);
    if (profile < 0) return 1;
    if (nPromptType == kPromptForClose) return m_dwPrompts[profile];
    if (nPromptType == kPromptForConnected) return m_dwPrompts[kProfiles + profile];
    return 1;
}

bool CBTConnectPrefsCfg::SetPromptValue(DWORD uuid, int nPromptType, DWORD bValue) {
    int profile = PromptProfile(uuid);
    if (profile < 0) return false;
    if (nPromptType == kPromptForClose) m_dwPrompts[profile] = bValue;
    if (nPromptType == kPromptForConnected) m_dwPrompts[kProfiles + profile] = bValue;
    return true;
}

// ---- CBTConnectFilterCfg

CBTConnectFilterCfg::CBTConnectFilterCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kConnectFiltersPath) {}

CBTConnectFilterCfg::CBTConnectFilterCfg(const CfgBdAddr& bdAddr, std::string_view bdName)
    : CBTCfg(nullptr, kConnectFiltersPath), m_bdAddr(bdAddr), m_szBdName(fit_bytes(bdName, kCfgBdNameBytes)) {}

namespace {
const RecordRow<CBTConnectFilterCfg> kConnectFilterCfgRows[] = {
    {u"BdAddr", &CBTConnectFilterCfg::m_bdAddr},
    {u"BdName", &CBTConnectFilterCfg::m_szBdName, kCfgBdNameBytes},
    {u"MajorClass", &CBTConnectFilterCfg::m_dwMajorClass},
    {u"MinorClass", &CBTConnectFilterCfg::m_dwMinorClass},
};
}  // namespace

QEL_CFG_ROOT_TABLE_METHODS(CBTConnectFilterCfg, kConnectFilterCfgRows)

// ---- CBTInquiryFilterCfg

CBTInquiryFilterCfg::CBTInquiryFilterCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kInquiryFiltersPath) {}

CBTInquiryFilterCfg::CBTInquiryFilterCfg(DWORD dwMajorClass, DWORD dwMinorClass)
    : CBTCfg(nullptr, kInquiryFiltersPath), m_dwMajorClass(dwMajorClass), m_dwMinorClass(dwMinorClass) {}

CBTInquiryFilterCfg::CBTInquiryFilterCfg(const CfgBdAddr& bdAddr, std::string_view bdName)
    : CBTCfg(nullptr, kInquiryFiltersPath),
      m_dwType(kDeviceFilter),
      m_bdAddr(bdAddr),
      m_szBdName(fit_bytes(bdName, kCfgBdNameBytes)) {}

namespace {
const RecordRow<CBTInquiryFilterCfg> kInquiryFilterCfgRows[] = {
    {u"Type", &CBTInquiryFilterCfg::m_dwType},
    {u"BdAddr", &CBTInquiryFilterCfg::m_bdAddr},
    {u"BdName", &CBTInquiryFilterCfg::m_szBdName, kCfgBdNameBytes},
    {u"MajorClass", &CBTInquiryFilterCfg::m_dwMajorClass},
    {u"MinorClass", &CBTInquiryFilterCfg::m_dwMinorClass},
};
}  // namespace

QEL_CFG_ROOT_TABLE_METHODS(CBTInquiryFilterCfg, kInquiryFilterCfgRows)

