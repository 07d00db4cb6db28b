// BtRegKey: one owned, open registry key of the configuration store, closed on destruction, with
// the create/open/delete operations the records use, and the deep copy of keys.
//
// Part of the configuration base (reg_key.h, cfg_base.h, cfg_iterator.h, guid.h, code_page.h,
// protected_value.h, registry_view.h and their .cpp files); the record families live in the other
// files of this folder.
//
// Promises: every operation returns a Win32 result code (0 on success) and never throws. The key
// given to an operation is used with exactly the access mask given: nothing here widens masks
// for the registry view (see registry_view.h), so BtRegKey and CopyRegKey work on the handles
// they are given. A BtRegKey is used by one thread at a time.
#pragma once

#include "platform/registry/registry.h"
#include "platform/win32.h"

// Sizes of the buffers the deep copy uses: value and sub-key names of up to 520 characters
// (terminator included) and value data of up to 1040 bytes.
inline constexpr DWORD kCopyNameChars = 520;
inline constexpr DWORD kCopyDataBytes = 1040;
// Names taken while deleting a tree: 256 characters, terminator included.
inline constexpr DWORD kDeleteNameChars = 256;

class BtRegKey {
public:
    BtRegKey() = default;
    explicit BtRegKey(HKEY hKey) : m_hKey(hKey) {}
    ~BtRegKey() { Close(); }
    BtRegKey(BtRegKey&& other) noexcept : m_hKey(other.Detach()) {}
    BtRegKey& operator=(BtRegKey&& other) noexcept;
    BtRegKey(const BtRegKey&) = delete;
    BtRegKey& operator=(const BtRegKey&) = delete;

    // Creates or opens lpszKeyName under hKeyParent. On success the old handle is closed and
    // replaced; lpdwDisposition (may be null) receives REG_CREATED_NEW_KEY or
    // REG_OPENED_EXISTING_KEY. lpszClass, dwOptions and lpSecAttr are accepted for the platform's
    // signature; the registry has no classes, volatile keys or per-key security.
    LONG Create(HKEY hKeyParent, const char16_t* lpszKeyName, const char16_t* lpszClass = nullptr,
                DWORD dwOptions = REG_OPTION_NON_VOLATILE, DWORD samDesired = KEY_READ | KEY_WRITE,
                void* lpSecAttr = nullptr, DWORD* lpdwDisposition = nullptr);
    // Opens an existing key; on success the old handle is closed and replaced.
    LONG Open(HKEY hKeyParent, const char16_t* lpszKeyName, DWORD samDesired = KEY_READ | KEY_WRITE);
    // Closes the handle (nothing to do when closed); returns the close result.
    LONG Close();
    // Takes ownership of hKey (closing the handle held before).
    void Attach(HKEY hKey);
    // Hands the handle back and forgets it.
    HKEY Detach();
    // Deletes one sub-key without sub-keys. A null or empty name is refused with
    // ERROR_INVALID_PARAMETER (the platform would delete this key itself).
    LONG DeleteSubKey(const char16_t* lpszSubKey);
    // Deletes a sub-key with every key and value under it: opens it with KEY_READ | KEY_WRITE,
    // deletes its sub-keys one by one (always the one at index 0), stops at the first failure
    // and returns it, else deletes lpszKey itself and returns that result. A null or empty name
    // is refused with ERROR_INVALID_PARAMETER (it would empty and delete this key itself).
    LONG RecurseDeleteKey(const char16_t* lpszKey);

    HKEY m_hKey = nullptr;

    operator HKEY() const { return m_hKey; }
};

// Copies every value of keyOrg to keyNew (same name, type and data), enumerating from index 0
// with a 520-character name buffer and a 1040-byte data buffer. The copy stops at the first value
// that cannot be enumerated, a value with longer data or a longer name included.
// Returns ERROR_SUCCESS when every value was copied; else the error that stopped the copy
// (ERROR_MORE_DATA for a value over the limits), so a caller that moves a key can keep the
// original when the copy is incomplete.
LONG CopyKeyValues(BtRegKey& keyOrg, BtRegKey& keyNew);

// Makes keyNew a deep copy of keyOrg: the values (CopyKeyValues), then for each sub-key (names of
// up to 520 characters) the same-named sub-key of keyNew created with KEY_ALL_ACCESS, the source
// opened with KEY_READ, copied recursively. The copy goes on past a failure as far as it can;
// the result is ERROR_SUCCESS only when everything was copied, else the first error met.
LONG CopyRegKey(BtRegKey& keyOrg, BtRegKey& keyNew);
