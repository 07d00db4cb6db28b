// Connection records under "Software\Quorlan\Connections": a named shortcut tying one remote
// device and one of its services to the application values used to reach it. The key is named
// by the user-visible connection name and holds the application record's values (Part of the
// record, owned by it, of the type its UUID calls for) beside the connection's own.
//
// Promises:
//  - Records are plain values as cfg_base.h says; the connection owns its application record
//    and copies it when copied.
//  - Names compare without regard to letter case, as registry key names do.
//  - Rename never loses a connection or a value: it refuses a new name that another connection
//    already has (in any letter case, after the cut to 99 characters), copies every value and
//    sub-key whatever its size, and deletes the old key only once the copy is complete (a failed
//    copy is removed again and the old connection stays). A reader in between may see both keys.
//  - A connection name is a single key name: a name given with a "\" is replaced by a generated
//    one (CreateConnectionObject) or refused (Rename), and generated names turn a "\" of a
//    device or service name into "_", so no connection is ever created inside another's key.
//  - Walks over the connections skip records that cannot be read; nothing throws.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "config/profile_app_cfg.h"
#include "config/record_slots.h"

using CfgBdAddr = std::array<BYTE, 6>;   // device address, most significant byte first
using CfgDevClass = std::array<BYTE, 3>; // class of device as received from the stack

// Capacity of a device name in UTF-8 bytes, terminator included.
inline constexpr std::size_t kCfgBdNameBytes = 248;
// Longest connection name a rename gives (longer new names are cut).
inline constexpr std::size_t kConnectionRenameChars = 99;

class CBTConnectionInfoCfg : public CBTCfg {
public:
    CBTConnectionInfoCfg();
    explicit CBTConnectionInfoCfg(const char16_t* szConnectionName);
    // Creates the application record for the GUID's UUID (its first field) with szServiceName as
    // its name, tGuid as its GUID (and GUID text), and fills the connection fields.
    CBTConnectionInfoCfg(const char16_t* szConnectionName, std::u16string_view szServiceName,
                         const GUID& tGuid, const CfgBdAddr& tBdAddr, const CfgDevClass& tDevClass,
                         std::string_view tBdName, const CfgBdAddr& tLocalBdAddress, bool bDefaultConnect);
    virtual ~CBTConnectionInfoCfg() = default;

    // Creates the application record from the stored "UUID" when there is none yet (or when the
    // one held is of another profile than the stored "UUID" calls for), lets it read
    // its values from this key, then reads "BDAddress", "LocalBAddress", "BDDevClass", "BDName",
    // "DefaultConnection", "Flags".
    void GetAll(HKEY hKey) override;
    // The application values, then the same six values.
    void PutAll(HKEY hKey) override;

    // Compares the key, device address, device name, device class, default flag and flags;
    // copies the same, the local adapter's address and a copy of the application record.
    QEL_CFG_SLOTS_ONLY(CBTConnectionInfoCfg, CBTCfg)
    CBTConnectionInfoCfg(const CBTConnectionInfoCfg& other);

    // The application record a connection of `dwUUID` keeps: serial port 0x1101; LAN access
    // 0x1102 and the PAN roles; dial-up 0x1103; synchronisation 0x1104 and 0x1107; object push
    // 0x1105; fax 0x1111; a plain application record for any other UUID.
    static std::unique_ptr<CBTAppCfg> NewAppCfg(DWORD dwUUID);

    // Creates and saves a connection named szConnectionName (a unique name made from the device
    // and service names when that one is taken), with the application values of the
    // applications tree that fit the UUID (see the source for which). Reports nothing; the
    // returned name is the one saved (empty when saving failed).
    static std::u16string CreateConnectionObject(std::u16string_view szConnectionName,
                                                 std::u16string_view szServiceName, DWORD uuid,
                                                 const CfgBdAddr& bdAddr, const CfgDevClass& tDevClass,
                                                 std::string_view tBdName, const CfgBdAddr& tLocalBdAddress,
                                                 bool bDefault, DWORD dwOPPType, bool bEncryption);

    // "<device> <service>", or "<device> <service>(n)" with the first n from 1 that no connection
    // has. The device name (UTF-8 when bConvertToNative, else the ANSI code page) is cut to 63
    // characters when it has 64 or more, the service name to 95 minus the device name's length.
    static void GetUniqueConnectionName(std::string_view tBdName, std::u16string_view szServiceName,
                                        std::u16string& szConnName, bool bConvertToNative);
    // True when no connection has that name (in any letter case).
    static bool IsConnectionNameUnique(std::u16string_view szConnectionName);
    // True and the name of the first connection to bdAddr whose application has `uuid` and the
    // name szServiceName (object push: and the OPP type dwOPPType).
    static bool ConnectionExists(const CfgBdAddr& bdAddr, std::u16string_view szServiceName, DWORD uuid,
                                 DWORD dwOPPType, std::u16string* pExistingName);
    // True when the connection was renamed (see the promises above).
    static bool Rename(std::u16string_view szOldConnectionName, std::u16string_view szNewConnectionName);
    // True when the connection's key was deleted (one level: a key with sub-keys stays).
    static bool Delete(std::u16string_view szConnectionName);
    // The stored spelling of the connection named szConnectionName in any letter case.
    static std::optional<std::u16string> FindConnectionKey(std::u16string_view szConnectionName);

    CfgBdAddr m_bdAddr{};            // "BDAddress"
    CfgDevClass m_devClass{};        // "BDDevClass"
    std::string m_szBdName;          // "BDName", UTF-8, 248 bytes
    DWORD m_dwDefaultConnection = 0; // "DefaultConnection"
    CfgBdAddr m_localBdAddr{};       // "LocalBAddress"
    std::unique_ptr<CBTAppCfg> m_pAppCfg;
    DWORD m_dwFlags = 0;             // "Flags"
};
