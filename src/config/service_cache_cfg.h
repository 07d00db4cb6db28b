// CBTServiceCacheCfg: one service found on a remote device, cached under
// "Software\Quorlan\BTConfig\Devices\<address>\<index>" (machine root; index "0", "1"...), and the
// finding or numbering of the entry for a service.
//
// Promises:
//  - Read()/Save() as cfg_base.h; "Security", "DefaultConnection" and "SdpAttr" read as 0 when
//    they cannot be read.
//  - The constructors taking a service name find the device's entry for that service (same UUID,
//    names equal or one beginning with the other, ignoring letter case) and take its key name;
//    without a match they take the next number not in use, counting from the number of entries,
//    so an entry already stored is never overwritten by a new service ("0", "1", "2"... for a
//    cache without gaps).
//  - Delete removes one entry; the others keep their numbers.
// Plain values: no locks, one thread at a time. No exceptions.
#pragma once

#include <string>
#include <string_view>

#include "config/cfg_base.h"
#include "config/dev_cfg.h"
#include "config/record_slots.h"

class CBTServiceCacheCfg : public CBTCfg {
public:
    static constexpr std::size_t kNameBytes = 260;
    static constexpr std::size_t kDevKeyChars = 260;

    CBTServiceCacheCfg();
    // The device given by its key name ("00:0a:95:9d:68:16").
    CBTServiceCacheCfg(const char16_t* pszBD_ADDR, const char16_t* szKeyIndex);
    CBTServiceCacheCfg(const CfgBdAddr& bda, const char16_t* szKeyIndex);
    // Find or allocate the entry of the service (security and default connection from a matching
    // entry, else 0).
    CBTServiceCacheCfg(const CfgBdAddr& bda, std::string_view szServiceNameUTF8, DWORD uuid);
    // Find or allocate the entry of the service, security and default connection from the arguments.
    CBTServiceCacheCfg(const CfgBdAddr& bda, std::string_view szServiceNameUTF8, DWORD uuid, DWORD bSecurity,
                       DWORD bDefault);

    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    // Compares the base, the UTF-8 name, the device key name, UUID, security, default connection
    // and SDP attributes; copies every field.
    QEL_CFG_COMPARISON_SLOTS(CBTServiceCacheCfg, CBTCfg)

    // Deletes the first entry whose UTF-8 name equals szServiceNameUTF8 exactly and whose UUID is
    // uuid; true when one was deleted.
    static bool Delete(const CfgBdAddr& bda, std::string_view szServiceNameUTF8, DWORD uuid);
    // Deletes every cache entry of the device (the device's own key stays).
    static void DeleteAll(const CfgBdAddr& bda);

    void GetServiceNameUTF8(std::string& szServiceNameUTF8) const { szServiceNameUTF8 = m_szServiceNameUTF8; }
    void GetServiceNameNative(std::string& szServiceNameNative) const { szServiceNameNative = m_szServiceNameNative; }
    // The native name of the device's entry of `uuid` whose UTF-8 name equals szServiceNameUTF8,
    // else of the last entry of that UUID, else empty.
    static void GetServiceNameNative(const CfgBdAddr& bda, DWORD uuid, std::string_view szServiceNameUTF8,
                                     std::string& szServiceNameNative);
    // The same with the two names exchanged.
    static void GetServiceNameUTF8(const CfgBdAddr& bda, DWORD uuid, std::string_view szServiceNameNative,
                                   std::string& szServiceNameUTF8);

    DWORD m_dwUUID = 0;                  // "UUID"
    DWORD m_dwSecurity = 0;              // "Security"
    DWORD m_dwDefaultConnection = 0;     // "DefaultConnection"
    std::u16string m_szDevKeyName;       // the device's key name (not stored)
    DWORD m_dwSdpAttr = 0;               // "SdpAttr"
    std::string m_szServiceNameUTF8;     // "ServiceNameUTF8"
    std::string m_szServiceNameNative;   // "ServiceNameNative", the native code page

private:
    void SetDevice(std::u16string_view szDevKeyName);
    void FindOrAllocate(const CfgBdAddr& bda, std::string_view szServiceNameUTF8, DWORD uuid, bool bUseParams,
                        DWORD bSecurity, DWORD bDefault);
};
