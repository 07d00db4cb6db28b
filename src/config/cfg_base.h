// CBTCfg: the abstract configuration record. A record knows its key (a root, a parent path and
// its own key name), reads itself from there and writes itself there; each record family adds
// its fields and implements GetAll/PutAll. Also the numbering of new record keys.
//
// Part of the configuration base: reg_key.h, cfg_base.h, cfg_iterator.h, guid.h, code_page.h,
// protected_value.h, registry_view.h and their .cpp files. The record families (the other files
// of this folder) build on it.
//
// Promises:
//  - Read() and both Save() open and close the record's key on every call and return the Win32
//    result of opening or creating it (0 on success); GetAll/PutAll results are not reported.
//  - Read() on a missing key returns the open error and leaves every field as it was.
//  - Save() never writes a record's values anywhere but under "<path>\<name>" with a non-empty
//    name: when no number can be given to an unnamed record (AddCfgKey leaves the name empty,
//    for example with "0031" and "0032" present) Save() fails with ERROR_NO_MORE_ITEMS (every
//    number used), or the error met, and writes nothing; Save(name) with a null or empty name
//    fails with ERROR_INVALID_PARAMETER.
//  - Key paths and names are cut to 259 characters and always terminated.
//  - Access masks are widened for the registry view as registry_view.h says.
// Records are plain values: no locks, one thread at a time per record; nothing is cached between
// calls. No exceptions.
#pragma once

#include <cstddef>
#include <string>

#include "config/guid.h"
#include "platform/registry/registry.h"
#include "platform/win32.h"

// Root path of the stack's configuration and the paths of the record trees.
inline constexpr char16_t kQuorlanRoot[] = u"Software\\Quorlan";
inline constexpr char16_t kBTConfigPath[] = u"Software\\Quorlan\\BTConfig";
inline constexpr char16_t kDevicesPath[] = u"Software\\Quorlan\\BTConfig\\Devices";
inline constexpr char16_t kLinkKeysPath[] = u"Software\\Quorlan\\BTConfig\\LinkKeys";
inline constexpr char16_t kServicesPath[] = u"Software\\Quorlan\\BTConfig\\Services";
inline constexpr char16_t kApplicationsPath[] = u"Software\\Quorlan\\BTConfig\\Applications";
inline constexpr char16_t kConnectionsPath[] = u"Software\\Quorlan\\Connections";
inline constexpr char16_t kAutoConnectPath[] = u"Software\\Quorlan\\BTConfig\\AutoConnect";
inline constexpr char16_t kInstalledPimsPath[] = u"Software\\Quorlan\\BTConfig\\Pims\\Installed";
inline constexpr char16_t kCustomAppsPath[] = u"Software\\Quorlan\\Install\\CustomApps";

// The highest number AddCfgKey gives ("0032"); it probes "0001" to "0031".
inline constexpr int kMaxCfgKeyNumber = 32;

class CBTCfg {
public:
    CBTCfg();
    // A null szKeyName gives an empty name; a null szKeyPath an empty path.
    CBTCfg(const char16_t* szKeyName, const char16_t* szKeyPath);
    CBTCfg(const CBTCfg& other);

    // Virtual operations, in this order (record families override them).
    // Opens "<path>\<name>" under the base key with KEY_READ and calls GetAll.
    virtual LONG Read();
    // Writes the record under another key name of the same path; its own name is unchanged.
    virtual LONG Save(const char16_t* szKeyName);
    // Writes the record under its own name, numbering the key first (AddCfgKey under the
    // record's base key) when the name is empty.
    virtual LONG Save();
    // Reads every value of the record from an open key (a value that is missing, too long or of
    // another type leaves its field unchanged).
    virtual void GetAll(HKEY hKey) = 0;
    // Writes every value of the record to an open key.
    virtual void PutAll(HKEY hKey) = 0;
    virtual void SetBaseKey(HKEY hKey);
    // True when base key, key name and key path are the same (exact, case-sensitive).
    virtual bool IsEqualCfg(const CBTCfg& other) const;
    // Copies base key, key name and key path.
    virtual void CopyCfg(const CBTCfg& other);
    virtual bool operator!=(const CBTCfg& other) const;
    virtual bool operator==(const CBTCfg& other) const;
    virtual CBTCfg& operator=(const CBTCfg& other);

    // Numbered record keys. Creates or opens szKeyPath under hBaseKey (its failure empties
    // szKeyName). A non-empty szKeyName: creates that sub-key and returns. An empty one: probes
    // "0001" to "0031", takes the highest present (0 if none; gaps are not reused) and creates
    // the next number ("0001" to "0032") into szKeyName (at least 260 characters); when that
    // fails or the key already existed, szKeyName becomes empty.
    static void AddCfgKey(char16_t* szKeyName, const char16_t* szKeyPath, HKEY hBaseKey);
    // Deletes the sub-key szKeyName of szKeyPath under hBaseKey (one level: a key that has
    // sub-keys stays). A null or empty name deletes nothing. Nothing is reported.
    static void DeleteCfgKey(const char16_t* szKeyName, const char16_t* szKeyPath, HKEY hBaseKey);
    static void MapUuidToGuid(DWORD uuid, GUID* pguid) { ::MapUuidToGuid(uuid, pguid); }

    const char16_t* GetKeyPath() const { return m_szKeyPath; }
    const char16_t* GetKeyName() const { return m_szKeyName; }
    HKEY GetBaseKey() const { return m_hBaseKey; }
    // Sets the key name (null: empty), cut to 259 characters.
    void SetKeyName(const char16_t* szKeyName);
    // Sets the key path (null: empty), cut to 259 characters.
    void SetKeyPath(const char16_t* szKeyPath);

protected:
    // Records are values used directly, never deleted through a base pointer.
    ~CBTCfg() = default;

    char16_t m_szKeyPath[MAX_PATH];
    char16_t m_szKeyName[MAX_PATH];
    HKEY m_hBaseKey;
};

namespace qel::config {

// AddCfgKey with the reason of a failure: ERROR_SUCCESS and the name in szKeyName; else
// szKeyName is empty and the result is the error of creating the path or the key,
// ERROR_NO_MORE_ITEMS when every number up to "0032" is used, or ERROR_ALREADY_EXISTS when the
// chosen number was created by someone else meanwhile.
LONG AddNumberedCfgKey(char16_t* szKeyName, const char16_t* szKeyPath, HKEY hBaseKey);

// Copies text into a fixed buffer of `capacity` characters, cutting it and terminating it.
void CopyCfgText(char16_t* destination, std::size_t capacity, const char16_t* source);

// The length of a terminated UTF-16 text (0 for null).
std::size_t CfgTextLength(const char16_t* text);

// "<path>\<name>" (just the path when name is empty).
std::u16string CfgKeyPath(const char16_t* szKeyPath, const char16_t* szKeyName);

// A device's key name: its address printed "%02x:%02x:%02x:%02x:%02x:%02x" (lower case, most
// significant byte first) into szName (at least 18 characters).
void BdaToKeyName(const BYTE* bda, char16_t* szName);

}  // namespace qel::config
