// The abstract configuration record and numbered record keys (see cfg_base.h).
#include "config/cfg_base.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "config/reg_key.h"
#include "config/registry_view.h"

using qel::config::CfgAccess;

namespace qel::config {

std::size_t CfgTextLength(const char16_t* text) {
    return text == nullptr ? 0 : std::u16string_view(text).size();
}

void CopyCfgText(char16_t* destination, std::size_t capacity, const char16_t* source) {
    if (destination == nullptr || capacity == 0) {
        return;
    }
    std::size_t n = 0;
    if (source != nullptr) {
        while (n + 1 < capacity && source[n] != u'\0') {
            destination[n] = source[n];
            ++n;
        }
    }
    destination[n] = u'\0';
}

std::u16string CfgKeyPath(const char16_t* szKeyPath, const char16_t* szKeyName) {
    std::u16string path(szKeyPath == nullptr ? u"" : szKeyPath);
    if (CfgTextLength(szKeyName) > 0) {
        path += u'\\';
        path += szKeyName;
    }
    return path;
}

void BdaToKeyName(const BYTE* bda, char16_t* szName) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", bda[0], bda[1], bda[2], bda[3],
                  bda[4], bda[5]);
    std::copy(text, text + sizeof text, szName);  // the terminator included
}

LONG AddNumberedCfgKey(char16_t* szKeyName, const char16_t* szKeyPath, HKEY hBaseKey) {
    // The path is held with the right to create sub-keys as well as read: the registry checks the
    // parent's rights when a new key is created under it.
    BtRegKey path;
    LONG rc = path.Create(hBaseKey, szKeyPath, nullptr, REG_OPTION_NON_VOLATILE,
                          CfgAccess(KEY_READ | KEY_CREATE_SUB_KEY));
    if (rc != ERROR_SUCCESS) {
        szKeyName[0] = u'\0';
        return rc;
    }
    if (szKeyName[0] != u'\0') {
        BtRegKey key;
        return key.Create(path.m_hKey, szKeyName, nullptr, REG_OPTION_NON_VOLATILE, CfgAccess(KEY_READ));
    }
    int highest = 0;
    for (int number = 1; number < kMaxCfgKeyNumber; ++number) {
        char16_t name[8];
        char text[16];
        std::snprintf(text, sizeof text, "%4.4d", number);
        std::copy(text, text + 5, name);
        BtRegKey probe;
        if (probe.Open(path.m_hKey, name, CfgAccess(KEY_READ)) == ERROR_SUCCESS) {
            highest = number;
        }
    }
    char text[16];
    std::snprintf(text, sizeof text, "%4.4d", highest + 1);
    char16_t name[8];
    std::copy(text, text + 5, name);
    BtRegKey key;
    DWORD disposition = 0;
    rc = key.Create(path.m_hKey, name, nullptr, REG_OPTION_NON_VOLATILE, CfgAccess(KEY_READ), nullptr, &disposition);
    if (rc != ERROR_SUCCESS) {
        szKeyName[0] = u'\0';
        return rc;
    }
    if (disposition != REG_CREATED_NEW_KEY) {
        szKeyName[0] = u'\0';
        return highest + 1 == kMaxCfgKeyNumber ? static_cast<LONG>(ERROR_NO_MORE_ITEMS)
                                                : static_cast<LONG>(ERROR_ALREADY_EXISTS);
    }
    std::copy(name, name + 5, szKeyName);
    return ERROR_SUCCESS;
}

}  // namespace qel::config

using qel::config::CopyCfgText;

CBTCfg::CBTCfg() : m_szKeyPath{}, m_szKeyName{}, m_hBaseKey(HKEY_CURRENT_USER) {}

CBTCfg::CBTCfg(const char16_t* szKeyName, const char16_t* szKeyPath) : CBTCfg() {
    CopyCfgText(m_szKeyName, MAX_PATH, szKeyName);
    CopyCfgText(m_szKeyPath, MAX_PATH, szKeyPath);
}

CBTCfg::CBTCfg(const CBTCfg& other) : m_szKeyPath{}, m_szKeyName{}, m_hBaseKey(other.m_hBaseKey) {
    CopyCfgText(m_szKeyPath, MAX_PATH, other.m_szKeyPath);
    CopyCfgText(m_szKeyName, MAX_PATH, other.m_szKeyName);
}

LONG CBTCfg::Read() {
    const std::u16string path = qel::config::CfgKeyPath(m_szKeyPath, m_szKeyName);
    BtRegKey key;
    const LONG rc = key.Open(m_hBaseKey, path.c_str(), CfgAccess(KEY_READ));
    if (rc != ERROR_SUCCESS) {
        return rc;
    }
    GetAll(key.m_hKey);
    return ERROR_SUCCESS;
}

LONG CBTCfg::Save(const char16_t* szKeyName) {
    // An empty name would address the path's own key and spread the record's values over it.
    if (qel::config::CfgTextLength(szKeyName) == 0) {
        return ERROR_INVALID_PARAMETER;
    }
    char16_t name[MAX_PATH];
    CopyCfgText(name, MAX_PATH, szKeyName);
    const std::u16string path = qel::config::CfgKeyPath(m_szKeyPath, name);
    BtRegKey key;
    const LONG rc = key.Create(m_hBaseKey, path.c_str(), nullptr, REG_OPTION_NON_VOLATILE, CfgAccess(KEY_WRITE));
    if (rc != ERROR_SUCCESS) {
        return rc;
    }
    PutAll(key.m_hKey);
    return ERROR_SUCCESS;
}

LONG CBTCfg::Save() {
    if (m_szKeyName[0] == u'\0') {
        // Numbered under the record's own root: numbering under another root than the one written
        // to could pick a number already used there and overwrite that record.
        const LONG rc = qel::config::AddNumberedCfgKey(m_szKeyName, m_szKeyPath, m_hBaseKey);
        if (rc != ERROR_SUCCESS || m_szKeyName[0] == u'\0') {
            return rc != ERROR_SUCCESS ? rc : static_cast<LONG>(ERROR_NO_MORE_ITEMS);
        }
    }
    return CBTCfg::Save(m_szKeyName);
}

void CBTCfg::SetBaseKey(HKEY hKey) {
    m_hBaseKey = hKey;
}

bool CBTCfg::IsEqualCfg(const CBTCfg& other) const {
    return m_hBaseKey == other.m_hBaseKey && std::u16string_view(m_szKeyName) == other.m_szKeyName &&
           std::u16string_view(m_szKeyPath) == other.m_szKeyPath;
}

void CBTCfg::CopyCfg(const CBTCfg& other) {
    if (&other == this) {
        return;
    }
    m_hBaseKey = other.m_hBaseKey;
    CopyCfgText(m_szKeyName, MAX_PATH, other.m_szKeyName);
    CopyCfgText(m_szKeyPath, MAX_PATH, other.m_szKeyPath);
}

bool CBTCfg::operator!=(const CBTCfg& other) const {
    return !(*this == other);
}

bool CBTCfg::operator==(const CBTCfg& other) const {
    return IsEqualCfg(other);
}

CBTCfg& CBTCfg::operator=(const CBTCfg& other) {
    CopyCfg(other);
    return *this;
}

void CBTCfg::AddCfgKey(char16_t* szKeyName, const char16_t* szKeyPath, HKEY hBaseKey) {
    if (szKeyName == nullptr) {
        return;
    }
    qel::config::AddNumberedCfgKey(szKeyName, szKeyPath, hBaseKey);
}

void CBTCfg::DeleteCfgKey(const char16_t* szKeyName, const char16_t* szKeyPath, HKEY hBaseKey) {
    // An empty name would delete the path's own key.
    if (qel::config::CfgTextLength(szKeyName) == 0) {
        return;
    }
    BtRegKey path;
    if (path.Open(hBaseKey, szKeyPath, CfgAccess(KEY_WRITE)) == ERROR_SUCCESS) {
        path.DeleteSubKey(szKeyName);
    }
}

void CBTCfg::SetKeyName(const char16_t* szKeyName) {
    CopyCfgText(m_szKeyName, MAX_PATH, szKeyName);
}

void CBTCfg::SetKeyPath(const char16_t* szKeyPath) {
    CopyCfgText(m_szKeyPath, MAX_PATH, szKeyPath);
}
