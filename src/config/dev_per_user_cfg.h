// CBTDevPerUserCfg: the current user's record of one remote device under
// "Software\Quorlan\BTConfig\Devices\<address>" (HKEY_CURRENT_USER): object-push authentication
// credentials, the user's trust mask and auto-authorisation. The machine-wide record of the same
// device is CBTDevCfg (dev_cfg.h).
//
// Promises: as cfg_base.h. The credentials and the trust mask are protected values; the trust
// mask is read and written only by ReadTrustedMask/SaveTrustedMask, never by Read/Save. A device
// is trusted only when all 64 bits of its mask are set. Delete/DeleteAll touch the current user's
// tree only. Plain values: no locks, one thread at a time. No exceptions.
#pragma once

#include <cstdint>
#include <string>

#include "config/cfg_base.h"
#include "config/dev_cfg.h"

class CBTDevPerUserCfg : public CBTCfg {
public:
    static constexpr std::size_t kCredentialChars = 260;  // stored as the full 520 bytes
    static constexpr std::uint64_t kTrustedAll = ~std::uint64_t{0};

    explicit CBTDevPerUserCfg(const char16_t* szKeyName);

    using CBTCfg::Save;
    // Names the key from the address when the key name is empty, then saves.
    LONG Save() override;
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    // Reads "TrustedMaskUser" into m_ullTrustedMask; the result of opening the key.
    LONG ReadTrustedMask();
    // Writes the mask as "TrustedMaskUser" (the key created when missing); the result of opening
    // or creating the key.
    LONG SaveTrustedMask(std::uint64_t ullTrustedMask);
    static bool IsTrusted(const CfgBdAddr& tBdAddr);
    // Deletes the device's key (recursively) under the current user.
    static LONG Delete(const CfgBdAddr& bda);
    // Deletes the current user's whole "Devices" key.
    static LONG DeleteAll();

    CfgBdAddr m_bdAddr{};                 // (key name)
    std::u16string m_szOAPPUserId;        // "OAPPAuthenticationUserId", protected
    std::u16string m_szOAPPPassword;      // "OAPPAuthenticationPassword", protected
    std::uint64_t m_ullTrustedMask = 0;   // "TrustedMaskUser", protected, 8 bytes
    DWORD m_dwAutoAuthorize = 0;          // "AutoAuthorize"
};
