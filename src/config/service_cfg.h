// Local services and client applications of the stack: the record both share (CBTAppSrvCfg: the
// profile's UUID and GUID, security requirements, display name, status and properties libraries),
// the service record (CBTServiceCfg, under "Software\Quorlan\BTConfig\Services") and the
// application record (CBTAppCfg, under "Software\Quorlan\BTConfig\Applications"), with the
// look-ups of a key by UUID, GUID, security identifier and name. Per-profile records are in
// profile_service_cfg.h and profile_app_cfg.h.
//
// Promises: records are plain values (Part of the store's record rules in cfg_base.h): the
// constructor values are the defaults, Read overwrites what is stored, Save writes every written
// value in the documented order. Texts longer than their field are cut to it on write. Look-ups
// walk the tree in the registry's enumeration order and skip keys that cannot be opened; they
// report "not found" (false, or ERROR_FILE_NOT_FOUND) and never throw.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "config/cfg_base.h"
#include "config/record_slots.h"
#include "platform/win32.h"

// Field capacities in wide characters, terminator included.
inline constexpr std::size_t kCfgTextChars = MAX_PATH;     // names, folders, libraries
inline constexpr std::size_t kCfgGuidTextChars = 40;       // braced GUID text
inline constexpr std::size_t kCfgDescriptionChars = 1040;  // "Description"

// 16-bit UUIDs of the profiles the records know.
inline constexpr DWORD kUuidSerialPort = 0x1101;
inline constexpr DWORD kUuidLanAccess = 0x1102;
inline constexpr DWORD kUuidDialupNetworking = 0x1103;
inline constexpr DWORD kUuidIrMcSync = 0x1104;
inline constexpr DWORD kUuidObexObjectPush = 0x1105;
inline constexpr DWORD kUuidObexFileTransfer = 0x1106;
inline constexpr DWORD kUuidIrMcSyncCommand = 0x1107;
inline constexpr DWORD kUuidHeadset = 0x1108;
inline constexpr DWORD kUuidAudioSink = 0x110B;
inline constexpr DWORD kUuidFax = 0x1111;
inline constexpr DWORD kUuidHeadsetAudioGateway = 0x1112;
inline constexpr DWORD kUuidPanu = 0x1115;
inline constexpr DWORD kUuidNap = 0x1116;
inline constexpr DWORD kUuidGn = 0x1117;
inline constexpr DWORD kUuidImaging = 0x111B;
inline constexpr DWORD kUuidHandsfree = 0x111E;
inline constexpr DWORD kUuidHid = 0x1124;
inline constexpr DWORD kUuidHardcopyCableReplacement = 0x1126;

// True for the three PAN roles (0x1115 to 0x1117).
constexpr bool IsPanUuid(DWORD uuid) { return uuid >= kUuidPanu && uuid <= kUuidGn; }

class CBTAppSrvCfg : public CBTCfg {
public:
    CBTAppSrvCfg(const char16_t* szKeyName, const char16_t* szKeyPath);
    virtual ~CBTAppSrvCfg() = default;

    // Reads "UUID", "Authorization", "Authentication", "Encryption", "SecurityId", "Name",
    // "GUID", "StatusDll", "PropertiesDll", parses the GUID text (a text not in the braced form
    // leaves the GUID as it was), then "Description" and "InstallOnDemand".
    void GetAll(HKEY hKey) override;
    // Writes the same values in the same order; "GUID" is the text field, not the parsed GUID.
    void PutAll(HKEY hKey) override;

    // Compares the key, UUID, GUID, the three security values, security id, name and
    // description; copies the key and every field but "InstallOnDemand".
    QEL_CFG_COMPARISON_SLOTS(CBTAppSrvCfg, CBTCfg)

    using CBTCfg::GetKeyName;

    // Sets UUID, GUID and GUID text together (the Bluetooth base GUID with `uuid` as first field).
    void SetUuid(DWORD uuid);

    // The key name of the first sub-key of szKeyPath (under this record's root) whose "UUID"
    // equals `uuid` and, when szServiceName is given, whose "Name" equals it exactly (case
    // included). False and an empty name when there is none.
    bool GetKeyName(std::u16string& szKeyName, const char16_t* szKeyPath, DWORD uuid,
                    std::optional<std::u16string_view> szServiceName = std::nullopt) const;
    // The same, matching the "GUID" text parsed as braced GUID text.
    bool GetKeyName(std::u16string& szKeyName, const char16_t* szKeyPath, const GUID& guid,
                    std::optional<std::u16string_view> szServiceName = std::nullopt) const;

    // "UUID" (0 when missing) and "Name" (empty when missing) of an open key.
    static DWORD GetUUID(HKEY hKey);
    static std::u16string GetServiceName(HKEY hKey);

    DWORD m_dwUUID = 0;
    GUID m_guid{};
    DWORD m_dwAuthorization = 0;
    DWORD m_dwAuthentication = 0;
    DWORD m_dwEncryption = 0;
    DWORD m_dwSecurityId = 0;
    std::u16string m_szName;           // "Name", 260
    std::u16string m_szStatusDll;      // "StatusDll", 260
    std::u16string m_szPropertiesDll;  // "PropertiesDll", 260
    std::u16string m_szGuid;           // "GUID", 40
    std::u16string m_szDescription;    // "Description", 1040
    DWORD m_dwInstallOnDemand = 1;

protected:
    // Profile records: when the key name is empty, finds the key of `uuid` in the record's own
    // tree first (ERROR_FILE_NOT_FOUND when there is none, the fields untouched), then reads.
    LONG ReadProfile(DWORD uuid);

private:
    template <typename Match>
    bool FindKey(std::u16string& szKeyName, const char16_t* szKeyPath, Match&& match) const;
};

// A local service of the stack. Defaults: authorisation, authentication and encryption 1.
class CBTServiceCfg : public CBTAppSrvCfg {
public:
    explicit CBTServiceCfg(const char16_t* szKeyName = nullptr);

    // The base values, then "Auto" and "DoNotUseMicrosoftDevice" (read only: Save leaves a
    // stored value as it is).
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    // Compares "Auto" in addition to the base; copies both own fields.
    QEL_CFG_COMPARISON_SLOTS(CBTServiceCfg, CBTAppSrvCfg)

    using CBTAppSrvCfg::GetKeyName;
    // GetKeyName on the services tree.
    bool GetKeyName(std::u16string& szKeyName, DWORD uuid,
                    std::optional<std::u16string_view> szServiceName = std::nullopt) const;

    // UUID and name of the first service whose "SecurityId" equals SecurityId; false when none.
    static bool UUIDFromSecurityId(DWORD SecurityId, DWORD* pUUID);
    static bool ServiceNameFromSecurityId(DWORD SecurityId, std::u16string& szServiceName);

    DWORD m_dwAuto = 0;
    DWORD m_dwDoNotUseMicrosoftDevice = 0;
};

// A client application of the stack. Defaults: authentication and encryption 1.
class CBTAppCfg : public CBTAppSrvCfg {
public:
    explicit CBTAppCfg(const char16_t* szKeyName = nullptr);

    using CBTAppSrvCfg::GetKeyName;
    // GetKeyName on the applications tree.
    bool GetKeyName(std::u16string& szKeyName, DWORD uuid,
                    std::optional<std::u16string_view> szServiceName = std::nullopt) const;

    // The name of the first application of `uuid` into *pAppNameOut; the PAN roles (0x1115 to
    // 0x1117) are looked up as LAN access (0x1102). A null pAppNameOut does nothing. False when
    // no application has that UUID (the output then unchanged).
    static bool GetApplicationName(DWORD uuid, std::u16string* pAppNameOut);

    // A copy of this record with its dynamic type (the connection record keeps its own copy).
    virtual std::unique_ptr<CBTAppCfg> Clone() const { return std::make_unique<CBTAppCfg>(*this); }
};
