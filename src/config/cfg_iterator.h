// CBTCfgIterator: walks the sub-keys of one record tree in the registry's enumeration order,
// and the typed iterators of the record families. Part of the configuration base (see
// reg_key.h for the list of base files).
//
// Promises: the path's key is opened (KEY_READ, widened as registry_view.h says) on the first
// GetNext or GetCount and stays open until the iterator is destroyed; a path that cannot be
// opened makes GetNext return false and GetCount 0, and is tried again at the next call. GetNext
// advances its index on every call that had an open key, whether the enumeration succeeded or
// not, so a key added or removed meanwhile shifts the walk as the registry's indexes shift.
// An iterator is used by one thread at a time. No exceptions.
#pragma once

#include "platform/registry/registry.h"
#include "platform/win32.h"

class CBTCfgIterator {
public:
    // Walks szKeyPath (cut to 259 characters) under HKEY_CURRENT_USER.
    explicit CBTCfgIterator(const char16_t* szKeyPath);
    CBTCfgIterator(const char16_t* szKeyPath, HKEY hRootKey);
    virtual ~CBTCfgIterator();
    CBTCfgIterator(const CBTCfgIterator&) = delete;
    CBTCfgIterator& operator=(const CBTCfgIterator&) = delete;

    // Writes the next sub-key name into szKeyName (a buffer of 260 characters) and returns true;
    // false at the end or when the path cannot be opened.
    bool GetNext(char16_t* szKeyName);
    // The number of sub-keys (0 when the path cannot be opened).
    DWORD GetCount();

protected:
    // Opens the path when it is not open yet; true when open.
    bool EnsureOpen();

    char16_t m_szKeyPath[MAX_PATH];
    HKEY m_hKey = nullptr;
    DWORD m_dwIndex = 0;
    HKEY m_hRootKey = HKEY_CURRENT_USER;
};

// "Software\Quorlan\BTConfig\Services", current user.
class CBTServiceCfgIterator : public CBTCfgIterator {
public:
    CBTServiceCfgIterator();
};

// "Software\Quorlan\BTConfig\Applications", current user.
class CBTAppsCfgIterator : public CBTCfgIterator {
public:
    CBTAppsCfgIterator();
};

// "Software\Quorlan\BTConfig\Devices", machine.
class CBTDevCfgIterator : public CBTCfgIterator {
public:
    CBTDevCfgIterator();
};

// A device's key under "Software\Quorlan\BTConfig\Devices" (named by its address, see
// qel::config::BdaToKeyName), machine: the device's cached service records.
class CBTServiceCacheCfgIterator : public CBTCfgIterator {
public:
    // bda: the device address, 6 bytes, most significant first.
    explicit CBTServiceCacheCfgIterator(const BYTE* bda);
};

// "Software\Quorlan\Connections", current user.
class CBTConnectionInfoCfgIterator : public CBTCfgIterator {
public:
    CBTConnectionInfoCfgIterator();
};

// "Software\Quorlan\BTConfig\AutoConnect", current user.
class CBTAutoConnectIterator : public CBTCfgIterator {
public:
    CBTAutoConnectIterator();
};

// "Software\Quorlan\BTConfig\Pims\Installed", current user.
class CBTInstalledPimCfgIterator : public CBTCfgIterator {
public:
    CBTInstalledPimCfgIterator();
};

// "Software\Quorlan\Install\CustomApps", machine.
class CBTCustomAppsCfgIterator : public CBTCfgIterator {
public:
    CBTCustomAppsCfgIterator();
};
