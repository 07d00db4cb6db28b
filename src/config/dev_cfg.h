// CBTDevCfg: the machine-wide record of one remote device (name, class, features, link key,
// per-profile switches) under "Software\Quorlan\BTConfig\Devices\<address>", and the link-key
// tree "Software\Quorlan\BTConfig\LinkKeys\<remote>\<local adapter>" kept beside it.
//
// Promises:
//  - A device key name is the address printed "%02x:%02x:%02x:%02x:%02x:%02x" (lower case); the
//    constructors parse it back (an unparsable name leaves the address zero), and Save() of a
//    record without a key name names it from the address.
//  - Read()/Save() as cfg_base.h; every field keeps its default when its value is missing, too
//    long or of another type; "AllowWakeup", "HidDisabled" and "DefaultAudio" read as 0 or 1.
//  - The link key is a protected value. A stored link key that does not open (sealed for another
//    name or container, tampered, truncated, longer than 16 bytes) is removed on Read and the
//    record holds no link key; a link key that could not be read for another reason (an I/O or
//    memory failure) is left stored, though the record read holds none.
//  - SaveLinkKey never leaves a half-written link-key entry: when sealing fails the entry is
//    deleted again. DeleteLinkKey/DeleteAllKeys update a device record only when one exists.
// Records are plain values: no locks, one thread at a time per record. No exceptions.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "config/cfg_base.h"
#include "config/connection_cfg.h"
#include "platform/win32.h"

using CfgLinkKey = std::array<BYTE, 16>;
using CfgFeatures = std::array<BYTE, 8>;

namespace qel::config {
// Parses a device key name ("00:0a:95:9d:68:16", either letter case) into its address; false
// (address untouched) when the text is not exactly six two-digit hexadecimal fields.
bool KeyNameToBda(std::u16string_view name, CfgBdAddr& bda);
// The device key name of an address as UTF-16 text.
std::u16string DeviceKeyName(const CfgBdAddr& bda);
// Deletes one device's key under `root`'s "Devices" tree with everything below it, or (the second)
// the whole "Devices" key; the result of opening the parent key or of the deletion.
LONG DeleteDeviceKey(HKEY root, const CfgBdAddr& bda);
LONG DeleteDevicesKey(HKEY root);
}  // namespace qel::config

class CBTDevCfg : public CBTCfg {
public:
    static constexpr std::size_t kNameBytes = 248;        // "Name", "RemoteName", terminator included
    static constexpr std::size_t kTextChars = 260;        // the UTF-16 texts
    static constexpr std::size_t kPairedUserChars = 258;  // "PairedUserName"
    static constexpr std::size_t kApnBytes = 260;         // "LastDialedAPN"

    explicit CBTDevCfg(const char16_t* szKeyName);
    // Sets class and name from the arguments (the name cut to 247 bytes).
    CBTDevCfg(const char16_t* szKeyName, const CfgDevClass& devClass, std::string_view bdName);

    using CBTCfg::Save;
    // Names the key from the address when the key name is empty, then saves.
    LONG Save() override;
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    // The link key of this remote and local adapter: the LinkKeys tree first, else the device
    // record's own. False (tLinkKey zero) when neither holds one.
    static bool ReadLinkKey(const CfgBdAddr& tBdAddr, const CfgBdAddr& tLocalBdAddr, CfgLinkKey& tLinkKey);
    // Writes the link key into the LinkKeys tree and into the device record (created if needed).
    // szPairedUserName may be null.
    static void SaveLinkKey(const CfgBdAddr& tBdAddr, const CfgBdAddr& tLocalBdAddr, const CfgLinkKey& tLinkKey,
                            const char16_t* szPairedUserName);
    // Paired when the LinkKeys entry exists; else, for an installation whose "VERSION" begins
    // with 5 or more, not paired; else when the device record holds a link key.
    static bool IsPaired(const CfgBdAddr& tBdAddr, const CfgBdAddr& tLocalBdAddr);
    static void DeleteLinkKey(const CfgBdAddr& tBdAddr, const CfgBdAddr& tLocalBdAddr);
    static void DeleteAllKeys(const CfgBdAddr& tBdAddr);
    // Deletes the device's key with everything below it (records and service cache).
    static LONG Delete(const CfgBdAddr& bda);
    // Deletes the whole "Devices" key under the machine root.
    static LONG DeleteAll();

    // One REG_DWORD of 4 bytes from the device's key; 0 when anything is missing or different.
    static DWORD ReadDwordValue(const CfgBdAddr& tBdAddr, std::u16string_view szValName);
    // Write one value into the device's existing key (never created); the Win32 result.
    static LONG SaveDwordValue(const CfgBdAddr& tBdAddr, std::u16string_view szValName, DWORD dwVal);
    static LONG SaveBinaryValue(const CfgBdAddr& tBdAddr, std::u16string_view szValName, std::span<const BYTE> pbVal);

    // Copies class and name into every connection record of the device. Always true.
    static bool UpdateDeviceInfo(const CfgBdAddr& tBdAddr, const CfgDevClass& devClass, std::string_view bdName);
    // The user's name for the device; the first rename keeps the device's own name in the
    // remote name. True when the record changed (the caller saves it).
    bool UpdateDisplayName(std::string_view bdDisplayName);
    // The name the device reports: into the name while the user never renamed the device, else
    // into the remote name. True when the record changed.
    bool UpdateRemoteName(std::string_view bdRemoteName);

    CfgBdAddr m_bdAddr{};                   // (key name)
    std::string m_szName;                   // "Name", UTF-8
    CfgDevClass m_devClass{};               // "DevClass"
    CfgFeatures m_features{};               // "Features"
    CfgLinkKey m_linkKey{};                 // "LinkKey", protected
    DWORD m_fLinkKeyPresent = 0;            // set when a link key is held
    DWORD m_dwTimeStamp = 0;                // "TimeStamp"
    std::u16string m_szFTPAuthorizationExpires;  // "FTPAuthorizationExpires"
    std::u16string m_szOPPAuthorizationExpires;  // "OPPAuthorizationExpires"
    std::u16string m_szBIPAuthorizationExpires;  // "BIPAuthorizationExpires"
    std::u16string m_szBPPAuthorizationExpires;  // "BPPAuthorizationExpires"
    DWORD m_dwDoNotAutoConfigure = 0;       // "DoNotAutoConfigure"
    std::u16string m_szPairedUserName;      // "PairedUserName", only beside a link key
    DWORD m_fAllowWakeup = 0;               // "AllowWakeup", 0 or 1
    DWORD m_fHidDisabled = 0;               // "HidDisabled", 0 or 1
    DWORD m_fDefaultAudio = 0;              // "DefaultAudio", 0 or 1
    DWORD m_dwManufacturer = 0xFFFFFFFF;    // "Manufacturer"
    DWORD m_dwLmpVersion = 0;               // "LmpVersion"
    DWORD m_dwLmpSubVersion = 0;            // "LmpSubVersion"
    DWORD m_dwSTRVStack = 0;                // "STRVStack"
    DWORD m_dwHandsfreeCfg = 2;             // "HandsfreeCfg"
    std::u16string m_szCode;                // "Code"
    std::string m_szRemoteName;             // "RemoteName", UTF-8
    DWORD m_dwConnectHfIfAvConnected = 1;   // "ConnectHfIfAvConnected"
    DWORD m_dwHandsFreeVersion = 0;         // "HandsFreeVersion"
    DWORD m_dwUnsecuredPrinter = 0;         // "UnsecuredPrinter"
    DWORD m_dwDisableBtWizardAutoPair = 0;  // "DisableBtWizardAutoPair"
    DWORD m_dwPopUpGenForAccessPIM = 0;     // "PopUpGenForAccessPIM"
    DWORD m_dwShowUI = 1;                   // "ShowUI"
    DWORD m_dwBrowseFTP = 0;                // "BrowseFTP"
    DWORD m_dwHidBootDevice = 0;            // "HidBootDevice"
    DWORD m_dwManualDun = 0;                // "ManualDun"
    std::string m_szLastDialedAPN;          // "LastDialedAPN", ANSI
};
