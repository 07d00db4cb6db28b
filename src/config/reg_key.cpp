// BtRegKey and the deep copy of keys (see reg_key.h).
#include "config/reg_key.h"

#include <string_view>
#include <vector>


using namespace qel::platform;

namespace {
std::u16string_view view(const char16_t* text) {
    return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}
}  // namespace

BtRegKey& BtRegKey::operator=(BtRegKey&& other) noexcept {
    if (this != &other) {
        Attach(other.Detach());
    }
    return *this;
}

LONG BtRegKey::Create(HKEY hKeyParent, const char16_t* lpszKeyName, const char16_t* /*lpszClass*/,
                      DWORD /*dwOptions*/, DWORD samDesired, void* /*lpSecAttr*/, DWORD* lpdwDisposition) {
    HKEY key = nullptr;
    const LONG rc = reg_create_key(hKeyParent, view(lpszKeyName), samDesired, &key, lpdwDisposition);
    if (rc == ERROR_SUCCESS) {
        Attach(key);
    }
    return rc;
}

LONG BtRegKey::Open(HKEY hKeyParent, const char16_t* lpszKeyName, DWORD samDesired) {
    HKEY key = nullptr;
    const LONG rc = reg_open_key(hKeyParent, view(lpszKeyName), samDesired, &key);
    if (rc == ERROR_SUCCESS) {
        Attach(key);
    }
    return rc;
}

LONG BtRegKey::Close() {
    LONG rc = ERROR_SUCCESS;
    if (m_hKey != nullptr) {
        rc = reg_close_key(m_hKey);
        m_hKey = nullptr;
    }
    return rc;
}

void BtRegKey::Attach(HKEY hKey) {
    if (hKey != m_hKey) {
        Close();
    }
    m_hKey = hKey;
}

HKEY BtRegKey::Detach() {
    HKEY key = m_hKey;
    m_hKey = nullptr;
    return key;
}

LONG BtRegKey::DeleteSubKey(const char16_t* lpszSubKey) {
    if (view(lpszSubKey).empty()) {
        return ERROR_INVALID_PARAMETER;
    }
    return reg_delete_key(m_hKey, view(lpszSubKey));
}

LONG BtRegKey::RecurseDeleteKey(const char16_t* lpszKey) {
    if (view(lpszKey).empty()) {
        return ERROR_INVALID_PARAMETER;
    }
    BtRegKey key;
    LONG rc = key.Open(m_hKey, lpszKey, KEY_READ | KEY_WRITE);
    if (rc != ERROR_SUCCESS) {
        return rc;
    }
    char16_t name[kDeleteNameChars];
    for (;;) {
        DWORD length = kDeleteNameChars;
        if (reg_enum_key(key.m_hKey, 0, name, &length) != ERROR_SUCCESS) {
            break;
        }
        rc = key.RecurseDeleteKey(name);
        if (rc != ERROR_SUCCESS) {
            return rc;
        }
    }
    key.Close();
    return DeleteSubKey(lpszKey);
}

LONG CopyKeyValues(BtRegKey& keyOrg, BtRegKey& keyNew) {
    std::vector<char16_t> name(kCopyNameChars);
    std::vector<BYTE> data(kCopyDataBytes);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = kCopyNameChars;
        DWORD dataSize = kCopyDataBytes;
        DWORD type = 0;
        LONG rc = reg_enum_value(keyOrg.m_hKey, index, name.data(), &nameLength, &type, data.data(), &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) {
            return ERROR_SUCCESS;
        }
        if (rc != ERROR_SUCCESS) {
            return rc;
        }
        rc = reg_set_value(keyNew.m_hKey, std::u16string_view(name.data(), nameLength), type, data.data(), dataSize);
        if (rc != ERROR_SUCCESS) {
            return rc;
        }
    }
}

LONG CopyRegKey(BtRegKey& keyOrg, BtRegKey& keyNew) {
    LONG result = CopyKeyValues(keyOrg, keyNew);
    std::vector<char16_t> name(kCopyNameChars);
    for (DWORD index = 0;; ++index) {
        DWORD length = kCopyNameChars;
        const LONG rc = reg_enum_key(keyOrg.m_hKey, index, name.data(), &length);
        if (rc == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (rc != ERROR_SUCCESS) {
            if (result == ERROR_SUCCESS) result = rc;
            break;
        }
        BtRegKey subNew;
        BtRegKey subOrg;
        LONG sub = subNew.Create(keyNew.m_hKey, name.data(), nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS);
        if (sub == ERROR_SUCCESS) {
            sub = subOrg.Open(keyOrg.m_hKey, name.data(), KEY_READ);
        }
        if (sub == ERROR_SUCCESS) {
            sub = CopyRegKey(subOrg, subNew);
        }
        if (sub != ERROR_SUCCESS && result == ERROR_SUCCESS) {
            result = sub;
        }
    }
    return result;
}
