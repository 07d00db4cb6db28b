#include "config/connect_settings_cfg.h"

#include "config/record_values.h"

using namespace qel::config;

// ---- CBTConnectCfg

CBTConnectCfg::CBTConnectCfg() : CBTCfg(u"Filters", kBTConfigPath) {}

void CBTConnectCfg::GetAll(HKEY hKey) {
    get_dword(hKey, u"WhoAllowedToConnect", m_dwWhoAllowedToConnect);
    get_dword(hKey, u"AllowOthersToDiscover", m_dwAllowOthersToDiscover);
    get_dword(hKey, u"InquiryScanMode", m_dwInquiryScanMode);
    get_dword(hKey, u"InquiryScanType", m_dwInquiryScanType);
    get_dword(hKey, u"InquiryScanInterval", m_dwInquiryScanInterval);
    get_dword(hKey, u"InquiryScanWindow", m_dwInquiryScanWindow);
    get_dword(hKey, u"PageScanType", m_dwPageScanType);
    get_dword(hKey, u"PageScanInterval", m_dwPageScanInterval);
    get_dword(hKey, u"PageScanWindow", m_dwPageScanWindow);
}

void CBTConnectCfg::PutAll(HKEY hKey) {
    put_dword(hKey, u"WhoAllowedToConnect", m_dwWhoAllowedToConnect);
    put_dword(hKey, u"AllowOthersToDiscover", m_dwAllowOthersToDiscover);
    put_dword(hKey, u"InquiryScanMode", m_dwInquiryScanMode);
}

// ---- CBTInquiryCfg

CBTInquiryCfg::CBTInquiryCfg() : CBTCfg(u"General", kBTConfigPath) {}

void CBTInquiryCfg::GetAll(HKEY hKey) {
    get_dword(hKey, u"UseInquiryFilters", m_dwUseInquiryFilters);
    get_dword(hKey, u"InquiryMode", m_dwInquiryMode);
    get_dword(hKey, u"InquiryDuration", m_dwInquiryDuration);
    get_dword(hKey, u"PeriodicInquiry", m_dwPeriodicInquiry);
    get_dword(hKey, u"PeriodicInquiryRetryTime", m_dwPeriodicInquiryRetryTime);
    get_dword(hKey, u"AutoDiscovery", m_dwAutoDiscovery);
    get_dword(hKey, u"InquirySupportedWithConnsUp", m_dwInquirySupportedWithConnsUp);
    get_dword(hKey, u"InquiryMaxResults", m_dwInquiryMaxResults);
    get_dword(hKey, u"ReportNotNamedDevices", m_dwReportNotNamedDevices);
}

void CBTInquiryCfg::PutAll(HKEY hKey) {
    put_dword(hKey, u"UseInquiryFilters", m_dwUseInquiryFilters);
    put_dword(hKey, u"InquiryMode", m_dwInquiryMode);
    put_dword(hKey, u"PeriodicInquiry", m_dwPeriodicInquiry);
    put_dword(hKey, u"PeriodicInquiryRetryTime", m_dwPeriodicInquiryRetryTime);
    put_dword(hKey, u"AutoDiscovery", m_dwAutoDiscovery);
    put_dword(hKey, u"ReportNotNamedDevices", m_dwReportNotNamedDevices);
}

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

void CBTConnectFilterCfg::GetAll(HKEY hKey) {
    get_bytes(hKey, u"BdAddr", m_bdAddr);
    get_byte_string(hKey, u"BdName", m_szBdName, kCfgBdNameBytes);
    get_dword(hKey, u"MajorClass", m_dwMajorClass);
    get_dword(hKey, u"MinorClass", m_dwMinorClass);
}

void CBTConnectFilterCfg::PutAll(HKEY hKey) {
    put_bytes(hKey, u"BdAddr", m_bdAddr);
    put_byte_string(hKey, u"BdName", m_szBdName, kCfgBdNameBytes);
    put_dword(hKey, u"MajorClass", m_dwMajorClass);
    put_dword(hKey, u"MinorClass", m_dwMinorClass);
}

bool CBTConnectFilterCfg::IsEqualCfg(const CBTConnectFilterCfg& other) const {
    return CBTCfg::IsEqualCfg(other) && m_bdAddr == other.m_bdAddr && m_szBdName == other.m_szBdName &&
           m_dwMajorClass == other.m_dwMajorClass && m_dwMinorClass == other.m_dwMinorClass;
}

void CBTConnectFilterCfg::CopyCfg(const CBTConnectFilterCfg& other) {
    CBTCfg::CopyCfg(other);
    m_bdAddr = other.m_bdAddr;
    m_szBdName = other.m_szBdName;
    m_dwMajorClass = other.m_dwMajorClass;
    m_dwMinorClass = other.m_dwMinorClass;
}

// ---- CBTInquiryFilterCfg

CBTInquiryFilterCfg::CBTInquiryFilterCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kInquiryFiltersPath) {}

CBTInquiryFilterCfg::CBTInquiryFilterCfg(DWORD dwMajorClass, DWORD dwMinorClass)
    : CBTCfg(nullptr, kInquiryFiltersPath), m_dwMajorClass(dwMajorClass), m_dwMinorClass(dwMinorClass) {}

CBTInquiryFilterCfg::CBTInquiryFilterCfg(const CfgBdAddr& bdAddr, std::string_view bdName)
    : CBTCfg(nullptr, kInquiryFiltersPath),
      m_dwType(kDeviceFilter),
      m_bdAddr(bdAddr),
      m_szBdName(fit_bytes(bdName, kCfgBdNameBytes)) {}

void CBTInquiryFilterCfg::GetAll(HKEY hKey) {
    get_dword(hKey, u"Type", m_dwType);
    get_bytes(hKey, u"BdAddr", m_bdAddr);
    get_byte_string(hKey, u"BdName", m_szBdName, kCfgBdNameBytes);
    get_dword(hKey, u"MajorClass", m_dwMajorClass);
    get_dword(hKey, u"MinorClass", m_dwMinorClass);
}

void CBTInquiryFilterCfg::PutAll(HKEY hKey) {
    put_dword(hKey, u"Type", m_dwType);
    put_bytes(hKey, u"BdAddr", m_bdAddr);
    put_byte_string(hKey, u"BdName", m_szBdName, kCfgBdNameBytes);
    put_dword(hKey, u"MajorClass", m_dwMajorClass);
    put_dword(hKey, u"MinorClass", m_dwMinorClass);
}

bool CBTInquiryFilterCfg::IsEqualCfg(const CBTInquiryFilterCfg& other) const {
    return CBTCfg::IsEqualCfg(other) && m_dwType == other.m_dwType && m_bdAddr == other.m_bdAddr &&
           m_szBdName == other.m_szBdName && m_dwMajorClass == other.m_dwMajorClass &&
           m_dwMinorClass == other.m_dwMinorClass;
}

void CBTInquiryFilterCfg::CopyCfg(const CBTInquiryFilterCfg& other) {
    CBTCfg::CopyCfg(other);
    m_dwType = other.m_dwType;
    m_bdAddr = other.m_bdAddr;
    m_szBdName = other.m_szBdName;
    m_dwMajorClass = other.m_dwMajorClass;
    m_dwMinorClass = other.m_dwMinorClass;
}
