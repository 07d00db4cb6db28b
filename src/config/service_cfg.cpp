#include "config/service_cfg.h"

#include "config/cfg_iterator.h"
#include "config/record_table.h"
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

namespace {

using AS = CBTAppSrvCfg;
// "GUID" is compared through the GUID it names; "InstallOnDemand" is neither compared nor copied.
const RecordRow<AS> kAppSrvRows[] = {
    {u"UUID", &AS::m_dwUUID},
    {u"Authorization", &AS::m_dwAuthorization},
    {u"Authentication", &AS::m_dwAuthentication},
    {u"Encryption", &AS::m_dwEncryption},
    {u"SecurityId", &AS::m_dwSecurityId},
    {u"Name", &AS::m_szName, kCfgTextChars},
    {u"GUID", &AS::m_szGuid, kCfgGuidTextChars, kRowWritten | kRowCopied},
    {u"StatusDll", &AS::m_szStatusDll, kCfgTextChars, kRowWritten | kRowCopied},
    {u"PropertiesDll", &AS::m_szPropertiesDll, kCfgTextChars, kRowWritten | kRowCopied},
    {u"Description", &AS::m_szDescription, kCfgDescriptionChars},
    {u"InstallOnDemand", &AS::m_dwInstallOnDemand, 0, kRowWritten},
};

using SV = CBTServiceCfg;
// "DoNotUseMicrosoftDevice" is read only and copied without being compared.
const RecordRow<SV> kServiceRows[] = {
    {u"Auto", &SV::m_dwAuto},
    {u"DoNotUseMicrosoftDevice", &SV::m_dwDoNotUseMicrosoftDevice, 0, kRowCopied},
};

}  // namespace

void CBTAppSrvCfg::GetAll(HKEY hKey) {
    read_rows(hKey, *this, kAppSrvRows);
    StringToGuid(m_guid, m_szGuid.c_str());
}

void CBTAppSrvCfg::PutAll(HKEY hKey) { write_rows(hKey, *this, kAppSrvRows); }

bool CBTAppSrvCfg::IsEqualCfg(const CBTAppSrvCfg& other) const {
    return CBTCfg::IsEqualCfg(other) && m_guid == other.m_guid && rows_equal(*this, other, kAppSrvRows);
}

void CBTAppSrvCfg::CopyCfg(const CBTAppSrvCfg& other) {
    CBTCfg::CopyCfg(other);
    m_guid = other.m_guid;
    copy_rows(*this, other, kAppSrvRows);
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

QEL_CFG_TABLE_METHODS(CBTServiceCfg, CBTAppSrvCfg, kServiceRows)

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
