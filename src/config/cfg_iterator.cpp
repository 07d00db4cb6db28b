// Sub-key iterators of the record trees (see cfg_iterator.h).
#include "config/cfg_iterator.h"

#include "config/cfg_base.h"
#include "config/registry_view.h"

using namespace qel::platform;

CBTCfgIterator::CBTCfgIterator(const char16_t* szKeyPath) : CBTCfgIterator(szKeyPath, HKEY_CURRENT_USER) {}

CBTCfgIterator::CBTCfgIterator(const char16_t* szKeyPath, HKEY hRootKey) : m_szKeyPath{}, m_hRootKey(hRootKey) {
    qel::config::CopyCfgText(m_szKeyPath, MAX_PATH, szKeyPath);
}

CBTCfgIterator::~CBTCfgIterator() {
    if (m_hKey != nullptr) {
        reg_close_key(m_hKey);
    }
}

bool CBTCfgIterator::EnsureOpen() {
    if (m_hKey == nullptr) {
        HKEY key = nullptr;
        if (reg_open_key(m_hRootKey, m_szKeyPath, qel::config::CfgAccess(KEY_READ), &key) != ERROR_SUCCESS) {
            return false;
        }
        m_hKey = key;
    }
    return true;
}

bool CBTCfgIterator::GetNext(char16_t* szKeyName) {
    if (szKeyName == nullptr || !EnsureOpen()) {
        return false;
    }
    DWORD length = MAX_PATH;
    const LONG rc = reg_enum_key(m_hKey, m_dwIndex, szKeyName, &length);
    ++m_dwIndex;
    return rc == ERROR_SUCCESS;
}

DWORD CBTCfgIterator::GetCount() {
    if (!EnsureOpen()) {
        return 0;
    }
    RegKeyInfo info;
    if (reg_query_info_key(m_hKey, &info) != ERROR_SUCCESS) {
        return 0;
    }
    return info.sub_keys;
}

CBTServiceCfgIterator::CBTServiceCfgIterator() : CBTCfgIterator(kServicesPath, HKEY_CURRENT_USER) {}
CBTAppsCfgIterator::CBTAppsCfgIterator() : CBTCfgIterator(kApplicationsPath, HKEY_CURRENT_USER) {}
CBTDevCfgIterator::CBTDevCfgIterator() : CBTCfgIterator(kDevicesPath, HKEY_LOCAL_MACHINE) {}

CBTServiceCacheCfgIterator::CBTServiceCacheCfgIterator(const BYTE* bda)
    : CBTCfgIterator(kDevicesPath, HKEY_LOCAL_MACHINE) {
    char16_t name[18];
    qel::config::BdaToKeyName(bda, name);
    const std::u16string path = qel::config::CfgKeyPath(kDevicesPath, name);
    qel::config::CopyCfgText(m_szKeyPath, MAX_PATH, path.c_str());
}

CBTConnectionInfoCfgIterator::CBTConnectionInfoCfgIterator() : CBTCfgIterator(kConnectionsPath, HKEY_CURRENT_USER) {}
CBTAutoConnectIterator::CBTAutoConnectIterator() : CBTCfgIterator(kAutoConnectPath, HKEY_CURRENT_USER) {}
CBTInstalledPimCfgIterator::CBTInstalledPimCfgIterator() : CBTCfgIterator(kInstalledPimsPath, HKEY_CURRENT_USER) {}
CBTCustomAppsCfgIterator::CBTCustomAppsCfgIterator() : CBTCfgIterator(kCustomAppsPath, HKEY_LOCAL_MACHINE) {}
