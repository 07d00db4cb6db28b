#include "config/service_cfg.h"

#include "config/cfg_iterator.h"
#include "config/record_values.h"
#include "config/reg_key.h"
#include "config/registry_view.h"

using namespace qel::config;

namespace {

// Bytes read of "Name" while looking keys up: 520, as 260 wide characters.
constexpr std::size_t kLookupNameChars = 260;

std::u16string GuidText(const GUID& guid) {
    char16_t text[kGuidTextChars + 1] = {};
    GuidToString(guid, text);
    return text;
}

}  // namespace

// ---- CBTAppSrvCfg

CBTAppSrvCfg::CBTAppSrvCfg(const char16_t* szKeyName, const char16_t* szKeyPath)
    : CBTCfg(szKeyName, szKeyPath) {}

void CBTAppSrvCfg::GetAll(HKEY hKey) {
    get_dword(hKey, u"UUID", m_dwUUID);
    get_dword(hKey, u"Authorization", m_dwAuthorization);
    get_dword(hKey, u"Authentication", m_dwAuthentication);
    get_dword(hKey, u"Encryption", m_dwEncryption);
    get_dword(hKey, u"SecurityId", m_dwSecurityId);
    get_text(hKey, u"Name", m_szName, kCfgTextChars);
    get_text(hKey, u"GUID", m_szGuid, kCfgGuidTextChars);
    get_text(hKey, u"StatusDll", m_szStatusDll, kCfgTextChars);
    get_text(hKey, u"PropertiesDll", m_szPropertiesDll, kCfgTextChars);
    StringToGuid(m_guid, m_szGuid.c_str());
    get_text(hKey, u"Description", m_szDescription, kCfgDescriptionChars);
    get_dword(hKey, u"InstallOnDemand", m_dwInstallOnDemand);
}

void CBTAppSrvCfg::PutAll(HKEY hKey) {
    put_dword(hKey, u"UUID", m_dwUUID);
    put_dword(hKey, u"Authorization", m_dwAuthorization);
    put_dword(hKey, u"Authentication", m_dwAuthentication);
    put_dword(hKey, u"Encryption", m_dwEncryption);
    put_dword(hKey, u"SecurityId", m_dwSecurityId);
    put_text(hKey, u"Name", m_szName, kCfgTextChars);
    put_text(hKey, u"GUID", m_szGuid, kCfgGuidTextChars);
    put_text(hKey, u"StatusDll", m_szStatusDll, kCfgTextChars);
    put_text(hKey, u"PropertiesDll", m_szPropertiesDll, kCfgTextChars);
    put_text(hKey, u"Description", m_szDescription, kCfgDescriptionChars);
    put_dword(hKey, u"InstallOnDemand", m_dwInstallOnDemand);
}

bool CBTAppSrvCfg::IsEqualCfg(const CBTAppSrvCfg& other) const {
    return CBTCfg::IsEqualCfg(other) && m_dwUUID == other.m_dwUUID && m_guid == other.m_guid &&
           m_dwAuthorization == other.m_dwAuthorization &&
           m_dwAuthentication == other.m_dwAuthentication && m_dwEncryption == other.m_dwEncryption &&
           m_dwSecurityId == other.m_dwSecurityId && m_szName == other.m_szName &&
           m_szDescription == other.m_szDescription;
}

void CBTAppSrvCfg::CopyCfg(const CBTAppSrvCfg& other) {
    CBTCfg::CopyCfg(other);
    m_dwUUID = other.m_dwUUID;
    m_guid = other.m_guid;
    m_dwAuthorization = other.m_dwAuthorization;
    m_dwAuthentication = other.m_dwAuthentication;
    m_dwEncryption = other.m_dwEncryption;
    m_dwSecurityId = other.m_dwSecurityId;
    m_szName = other.m_szName;
    m_szStatusDll = other.m_szStatusDll;
    m_szPropertiesDll = other.m_szPropertiesDll;
    m_szGuid = other.m_szGuid;
    m_szDescription = other.m_szDescription;
}

void CBTAppSrvCfg::SetUuid(DWORD uuid) {
    m_dwUUID = uuid;
    MapUuidToGuid(uuid, &m_guid);
    m_szGuid = GuidText(m_guid);
}

template <typename Match>
bool CBTAppSrvCfg::FindKey(std::u16string& szKeyName, const char16_t* szKeyPath, Match&& match) const {
    szKeyName.clear();
    BtRegKey tree;
    if (tree.Open(m_hBaseKey, szKeyPath, CfgAccess(KEY_READ)) != ERROR_SUCCESS) return false;
    for (DWORD index = 0;; ++index) {
        char16_t name[MAX_PATH] = {};
        DWORD length = MAX_PATH;
        LONG st = qel::platform::reg_enum_key(tree, index, name, &length);
        if (st == ERROR_MORE_DATA) continue;  // a name longer than any key name can be
        if (st != ERROR_SUCCESS) return false;
        BtRegKey sub;
        if (sub.Open(tree, name, CfgAccess(KEY_READ)) != ERROR_SUCCESS) continue;
        if (match(sub.m_hKey)) {
            szKeyName = name;
            return true;
        }
    }
}

bool CBTAppSrvCfg::GetKeyName(std::u16string& szKeyName, const char16_t* szKeyPath, DWORD uuid,
                              std::optional<std::u16string_view> szServiceName) const {
    return FindKey(szKeyName, szKeyPath, [&](HKEY key) {
        return GetUUID(key) == uuid && (!szServiceName || GetServiceName(key) == *szServiceName);
    });
}

bool CBTAppSrvCfg::GetKeyName(std::u16string& szKeyName, const char16_t* szKeyPath, const GUID& guid,
                              std::optional<std::u16string_view> szServiceName) const {
    return FindKey(szKeyName, szKeyPath, [&](HKEY key) {
        std::u16string text;
        get_text(key, u"GUID", text, kCfgGuidTextChars);
        GUID stored{};
        StringToGuid(stored, text.c_str());
        return stored == guid && (!szServiceName || GetServiceName(key) == *szServiceName);
    });
}

DWORD CBTAppSrvCfg::GetUUID(HKEY hKey) {
    DWORD uuid = 0;
    get_dword(hKey, u"UUID", uuid);
    return uuid;
}

std::u16string CBTAppSrvCfg::GetServiceName(HKEY hKey) {
    std::u16string name;
    get_text(hKey, u"Name", name, kLookupNameChars);
    return name;
}

LONG CBTAppSrvCfg::ReadProfile(DWORD uuid) {
    if (m_szKeyName[0] == u'\0') {
        std::u16string name;
        if (!GetKeyName(name, m_szKeyPath, uuid)) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
        SetKeyName(name.c_str());
    }
    return CBTCfg::Read();
}

// ---- CBTServiceCfg

CBTServiceCfg::CBTServiceCfg(const char16_t* szKeyName) : CBTAppSrvCfg(szKeyName, kServicesPath) {
    m_dwAuthorization = 1;
    m_dwAuthentication = 1;
    m_dwEncryption = 1;
}

void CBTServiceCfg::GetAll(HKEY hKey) {
    CBTAppSrvCfg::GetAll(hKey);
    get_dword(hKey, u"Auto", m_dwAuto);
    get_dword(hKey, u"DoNotUseMicrosoftDevice", m_dwDoNotUseMicrosoftDevice);
}

void CBTServiceCfg::PutAll(HKEY hKey) {
    CBTAppSrvCfg::PutAll(hKey);
    put_dword(hKey, u"Auto", m_dwAuto);
}

bool CBTServiceCfg::IsEqualCfg(const CBTServiceCfg& other) const {
    return CBTAppSrvCfg::IsEqualCfg(other) && m_dwAuto == other.m_dwAuto;
}

void CBTServiceCfg::CopyCfg(const CBTServiceCfg& other) {
    CBTAppSrvCfg::CopyCfg(other);
    m_dwAuto = other.m_dwAuto;
    m_dwDoNotUseMicrosoftDevice = other.m_dwDoNotUseMicrosoftDevice;
}

bool CBTServiceCfg::GetKeyName(std::u16string& szKeyName, DWORD uuid,
                               std::optional<std::u16string_view> szServiceName) const {
    return CBTAppSrvCfg::GetKeyName(szKeyName, kServicesPath, uuid, szServiceName);
}

namespace {

// The first service whose "SecurityId" equals `security_id`, read whole; nothing when none.
std::optional<CBTServiceCfg> ServiceBySecurityId(DWORD security_id) {
    CBTServiceCfgIterator it;
    char16_t name[MAX_PATH] = {};
    while (it.GetNext(name)) {
        CBTServiceCfg service(name);
        if (service.Read() == ERROR_SUCCESS && service.m_dwSecurityId == security_id) return service;
    }
    return std::nullopt;
}

}  // namespace

bool CBTServiceCfg::UUIDFromSecurityId(DWORD SecurityId, DWORD* pUUID) {
    auto service = ServiceBySecurityId(SecurityId);
    if (!service) return false;
    if (pUUID) *pUUID = service->m_dwUUID;
    return true;
}

bool CBTServiceCfg::ServiceNameFromSecurityId(DWORD SecurityId, std::u16string& szServiceName) {
    auto service = ServiceBySecurityId(SecurityId);
    if (!service) return false;
    szServiceName = service->m_szName;
    return true;
}

// ---- CBTAppCfg

CBTAppCfg::CBTAppCfg(const char16_t* szKeyName) : CBTAppSrvCfg(szKeyName, kApplicationsPath) {
    m_dwAuthentication = 1;
    m_dwEncryption = 1;
}

bool CBTAppCfg::GetKeyName(std::u16string& szKeyName, DWORD uuid,
                           std::optional<std::u16string_view> szServiceName) const {
    return CBTAppSrvCfg::GetKeyName(szKeyName, kApplicationsPath, uuid, szServiceName);
}

bool CBTAppCfg::GetApplicationName(DWORD uuid, std::u16string* pAppNameOut) {
    if (!pAppNameOut) return false;
    if (IsPanUuid(uuid)) uuid = kUuidLanAccess;
    CBTAppCfg app;
    std::u16string key;
    if (!app.GetKeyName(key, uuid)) return false;
    app.SetKeyName(key.c_str());
    if (app.Read() != ERROR_SUCCESS) return false;
    *pAppNameOut = app.m_szName;
    return true;
}
