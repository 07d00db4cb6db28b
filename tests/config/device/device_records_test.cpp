// Device records: key names and addresses, defaults and folding, renames, the protected link key
// in both layouts (and a tampered one), the per-user trust mask, and value helpers.
#include <cstring>

#include "../records/records_test_util.h"
#include "config/dev_cfg.h"
#include "config/dev_per_user_cfg.h"
#include "config/install_cfg.h"
#include "config/protected_value.h"

namespace qel::test {
namespace {

const std::u16string kDevices = u"Software\\Quorlan\\BTConfig\\Devices";
const std::u16string kLinkKeys = u"Software\\Quorlan\\BTConfig\\LinkKeys";
const CfgBdAddr kPhone = {0x00, 0x0a, 0x95, 0x9d, 0x68, 0x16};
const CfgBdAddr kLocal = {0x00, 0x1b, 0xdc, 0x0f, 0xaa, 0x01};
const CfgBdAddr kOtherLocal = {0x00, 0x1b, 0xdc, 0x0f, 0xaa, 0x02};
const std::u16string kPhoneKey = u"00:0a:95:9d:68:16";
const CfgLinkKey kKey = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

using DeviceRecordsTest = RecordsTest;

void set_version(std::u16string_view version) {
    CBTInstallCfg install;
    install.m_szVersion = version;
    ASSERT_EQ(install.Save(), ERROR_SUCCESS);
}

TEST_F(DeviceRecordsTest, KeyNamesParseEitherCaseAndAreWrittenLowerCase) {
    CBTDevCfg upper(u"00:0A:95:9D:68:16");
    EXPECT_EQ(upper.m_bdAddr, kPhone);
    CfgBdAddr untouched = {9, 9, 9, 9, 9, 9};
    for (std::u16string bad : {u"00:0a:95:9d:68", u"00-0a-95-9d-68-16", u"00:0a:95:9d:68:1g", u"00:0a:95:9d:68:167"})
        EXPECT_FALSE(qel::config::KeyNameToBda(bad, untouched)) << std::string(bad.begin(), bad.end());
    EXPECT_EQ(untouched, (CfgBdAddr{9, 9, 9, 9, 9, 9}));

    CBTDevCfg unnamed(nullptr);
    unnamed.m_bdAddr = {0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45};
    ASSERT_EQ(unnamed.Save(), ERROR_SUCCESS);
    EXPECT_EQ(sub_keys(HKEY_LOCAL_MACHINE, kDevices), std::vector<std::u16string>{u"ab:cd:ef:01:23:45"});
}

TEST_F(DeviceRecordsTest, FreshRecordDefaultsAndBooleanFolding) {
    create_key(HKEY_LOCAL_MACHINE, kDevices + u"\\" + kPhoneKey);
    set_dword(HKEY_LOCAL_MACHINE, kDevices + u"\\" + kPhoneKey, u"AllowWakeup", 7);
    set_dword(HKEY_LOCAL_MACHINE, kDevices + u"\\" + kPhoneKey, u"HidDisabled", 0x80000000);
    CBTDevCfg device(kPhoneKey.c_str());
    ASSERT_EQ(device.Read(), ERROR_SUCCESS);
    EXPECT_EQ(device.m_dwShowUI, 1u);
    EXPECT_EQ(device.m_dwHandsfreeCfg, 2u);
    EXPECT_EQ(device.m_dwManufacturer, 0xFFFFFFFFu);
    EXPECT_EQ(device.m_dwConnectHfIfAvConnected, 1u);
    EXPECT_EQ(device.m_fAllowWakeup, 1u);
    EXPECT_EQ(device.m_fHidDisabled, 1u);
    EXPECT_EQ(device.m_fDefaultAudio, 0u);
    EXPECT_EQ(device.m_fLinkKeyPresent, 0u);
}

TEST_F(DeviceRecordsTest, ValuesRoundTripWithTheirStoredForms) {
    CBTDevCfg device(kPhoneKey.c_str(), CfgDevClass{0x0c, 0x02, 0x5a}, "Phone 1");
    device.m_szCode = u"1234";
    device.m_szLastDialedAPN = "internet";
    device.m_features = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(device.Save(), ERROR_SUCCESS);
    const std::u16string path = kDevices + u"\\" + kPhoneKey;
    DWORD type = 0;
    auto name = value_bytes(HKEY_LOCAL_MACHINE, path, u"Name", &type);
    ASSERT_TRUE(name);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(name->size(), 8u);  // "Phone 1" and its terminator
    auto code = value_bytes(HKEY_LOCAL_MACHINE, path, u"Code", &type);
    ASSERT_TRUE(code);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(code->size(), 10u);  // four UTF-16 characters and the terminator
    EXPECT_FALSE(value_bytes(HKEY_LOCAL_MACHINE, path, u"LinkKey"));
    EXPECT_FALSE(value_bytes(HKEY_LOCAL_MACHINE, path, u"PairedUserName"));

    CBTDevCfg back(kPhoneKey.c_str());
    ASSERT_EQ(back.Read(), ERROR_SUCCESS);
    EXPECT_EQ(back.m_szName, "Phone 1");
    EXPECT_EQ(back.m_devClass, (CfgDevClass{0x0c, 0x02, 0x5a}));
    EXPECT_EQ(back.m_features, device.m_features);
    EXPECT_EQ(back.m_szCode, u"1234");
    EXPECT_EQ(back.m_szLastDialedAPN, "internet");
}

TEST_F(DeviceRecordsTest, FirstRenameKeepsTheReportedName) {
    CBTDevCfg device(kPhoneKey.c_str(), CfgDevClass{}, "Phone 1");
    EXPECT_TRUE(device.UpdateDisplayName("Work phone"));
    EXPECT_EQ(device.m_szName, "Work phone");
    EXPECT_EQ(device.m_szRemoteName, "Phone 1");
    EXPECT_TRUE(device.UpdateRemoteName("Phone 1b"));
    EXPECT_EQ(device.m_szName, "Work phone");
    EXPECT_EQ(device.m_szRemoteName, "Phone 1b");
    EXPECT_FALSE(device.UpdateRemoteName("Phone 1b"));
    EXPECT_FALSE(device.UpdateDisplayName("Work phone"));

    CBTDevCfg never_renamed(kPhoneKey.c_str(), CfgDevClass{}, "Old");
    EXPECT_TRUE(never_renamed.UpdateRemoteName("New"));
    EXPECT_EQ(never_renamed.m_szName, "New");
    EXPECT_EQ(never_renamed.m_szRemoteName, "");
}

TEST_F(DeviceRecordsTest, LinkKeyIsStoredInBothLayoutsAndRemoved) {
    CBTDevCfg::SaveLinkKey(kPhone, kLocal, kKey, u"alice");
    const std::u16string entry = kLinkKeys + u"\\" + kPhoneKey + u"\\00:1b:dc:0f:aa:01";
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, entry));
    auto sealed = value_bytes(HKEY_LOCAL_MACHINE, entry, u"LinkKey");
    ASSERT_TRUE(sealed);
    EXPECT_EQ(std::search(sealed->begin(), sealed->end(), kKey.begin(), kKey.end()), sealed->end())
        << "the link key must not be stored in the clear";

    CfgLinkKey read{};
    EXPECT_TRUE(CBTDevCfg::ReadLinkKey(kPhone, kLocal, read));
    EXPECT_EQ(read, kKey);
    // Another local adapter finds the device record's copy.
    read.fill(0);
    EXPECT_TRUE(CBTDevCfg::ReadLinkKey(kPhone, kOtherLocal, read));
    EXPECT_EQ(read, kKey);

    CBTDevCfg device(kPhoneKey.c_str());
    ASSERT_EQ(device.Read(), ERROR_SUCCESS);
    EXPECT_EQ(device.m_fLinkKeyPresent, 1u);
    EXPECT_EQ(device.m_szPairedUserName, u"alice");

    CBTDevCfg::DeleteLinkKey(kPhone, kLocal);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, entry));
    EXPECT_FALSE(value_bytes(HKEY_LOCAL_MACHINE, kDevices + u"\\" + kPhoneKey, u"LinkKey"));
    EXPECT_FALSE(CBTDevCfg::ReadLinkKey(kPhone, kLocal, read));
    EXPECT_EQ(read, CfgLinkKey{});
}

TEST_F(DeviceRecordsTest, DeletingKeysOfAnUnknownDeviceCreatesNoRecord) {
    CBTDevCfg::DeleteLinkKey(kPhone, kLocal);
    CBTDevCfg::DeleteAllKeys(kPhone);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kDevices + u"\\" + kPhoneKey));
}

TEST_F(DeviceRecordsTest, IsPairedUnderBothLayoutsAndVersions) {
    // Older layout: only the device record holds the key.
    CBTDevCfg device(kPhoneKey.c_str());
    device.m_linkKey = kKey;
    device.m_fLinkKeyPresent = 1;
    ASSERT_EQ(device.Save(), ERROR_SUCCESS);
    set_version(u"4.1.0");
    EXPECT_TRUE(CBTDevCfg::IsPaired(kPhone, kLocal));
    set_version(u"5.0.1");
    EXPECT_FALSE(CBTDevCfg::IsPaired(kPhone, kLocal));
    set_version(u"12.0");  // the first character decides: "1"
    EXPECT_TRUE(CBTDevCfg::IsPaired(kPhone, kLocal));

    // Newer layout: the LinkKeys entry of this local adapter counts whatever the version.
    set_version(u"6.2.0.1");
    CBTDevCfg::SaveLinkKey(kPhone, kLocal, kKey, nullptr);
    EXPECT_TRUE(CBTDevCfg::IsPaired(kPhone, kLocal));
    EXPECT_FALSE(CBTDevCfg::IsPaired(kPhone, kOtherLocal));
    CBTDevCfg::DeleteAllKeys(kPhone);
    EXPECT_FALSE(CBTDevCfg::IsPaired(kPhone, kLocal));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kLinkKeys + u"\\" + kPhoneKey));
}

// The phone's record holding kKey under an old installation; the sealed "LinkKey" bytes.
std::optional<std::vector<BYTE>> save_phone_link_key() {
    CBTDevCfg device(kPhoneKey.c_str());
    device.m_linkKey = kKey;
    device.m_fLinkKeyPresent = 1;
    EXPECT_EQ(device.Save(), ERROR_SUCCESS);
    return value_bytes(HKEY_LOCAL_MACHINE, kDevices + u"\\" + kPhoneKey, u"LinkKey");
}

TEST_F(DeviceRecordsTest, TamperedLinkKeyReadsAsNotPairedAndIsRemoved) {
    set_version(u"4.0");
    auto sealed = save_phone_link_key();
    ASSERT_TRUE(sealed);
    const std::u16string path = kDevices + u"\\" + kPhoneKey;
    (*sealed)[sealed->size() - 3] ^= 0x5A;
    set_binary(HKEY_LOCAL_MACHINE, path, u"LinkKey", *sealed);

    CBTDevCfg back(kPhoneKey.c_str());
    ASSERT_EQ(back.Read(), ERROR_SUCCESS);
    EXPECT_EQ(back.m_fLinkKeyPresent, 0u);
    EXPECT_EQ(back.m_linkKey, CfgLinkKey{});
    EXPECT_FALSE(value_bytes(HKEY_LOCAL_MACHINE, path, u"LinkKey"));
    EXPECT_FALSE(CBTDevCfg::IsPaired(kPhone, kLocal));
}

TEST_F(DeviceRecordsTest, LinkKeyMovedToAnotherDeviceDoesNotOpen) {
    set_version(u"4.0");
    auto sealed = save_phone_link_key();
    ASSERT_TRUE(sealed);
    // Stored under another value name, the sealed data carries the wrong name.
    set_binary(HKEY_LOCAL_MACHINE, kDevices + u"\\11:22:33:44:55:66", u"OtherKey", *sealed);
    CfgBdAddr other = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    BYTE plain[16];
    DWORD size = sizeof plain;
    RegKey key = create_key(HKEY_LOCAL_MACHINE, kDevices + u"\\11:22:33:44:55:66");
    EXPECT_EQ(BTRegQueryEncValue(key.get(), u"OtherKey", nullptr, nullptr, plain, &size),
              static_cast<LONG>(BT_ERROR_INVALID_PROTECTED_VALUE));
    EXPECT_FALSE(CBTDevCfg::IsPaired(other, kLocal));
}

TEST_F(DeviceRecordsTest, DwordAndBinaryValuesNeedAnExistingDevice) {
    EXPECT_EQ(CBTDevCfg::SaveDwordValue(kPhone, u"ManualDun", 1), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kDevices + u"\\" + kPhoneKey));
    create_key(HKEY_LOCAL_MACHINE, kDevices + u"\\" + kPhoneKey);
    EXPECT_EQ(CBTDevCfg::SaveDwordValue(kPhone, u"ManualDun", 7), ERROR_SUCCESS);
    EXPECT_EQ(CBTDevCfg::ReadDwordValue(kPhone, u"ManualDun"), 7u);
    const BYTE bytes[] = {1, 2, 3, 4};
    EXPECT_EQ(CBTDevCfg::SaveBinaryValue(kPhone, u"Blob", bytes), ERROR_SUCCESS);
    EXPECT_EQ(CBTDevCfg::ReadDwordValue(kPhone, u"Blob"), 0u) << "4 bytes but not REG_DWORD";
    EXPECT_EQ(CBTDevCfg::ReadDwordValue(kPhone, u"Missing"), 0u);
}

TEST_F(DeviceRecordsTest, DeleteRemovesRecordAndCacheButKeepsOthers) {
    create_key(HKEY_LOCAL_MACHINE, kDevices + u"\\" + kPhoneKey + u"\\0");
    create_key(HKEY_LOCAL_MACHINE, kDevices + u"\\11:22:33:44:55:66");
    create_key(HKEY_CURRENT_USER, kDevices + u"\\" + kPhoneKey);
    EXPECT_EQ(CBTDevCfg::Delete(kPhone), ERROR_SUCCESS);
    EXPECT_EQ(sub_keys(HKEY_LOCAL_MACHINE, kDevices), std::vector<std::u16string>{u"11:22:33:44:55:66"});
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, kDevices + u"\\" + kPhoneKey));
    EXPECT_EQ(CBTDevCfg::DeleteAll(), ERROR_SUCCESS);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kDevices));
    EXPECT_EQ(CBTDevPerUserCfg::Delete(kPhone), ERROR_SUCCESS);  // the user's record of the device
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, kDevices));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kDevices + u"\\" + kPhoneKey));
    EXPECT_EQ(CBTDevPerUserCfg::Delete(kPhone), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(CBTDevPerUserCfg::DeleteAll(), ERROR_SUCCESS);
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kDevices));
}

TEST_F(DeviceRecordsTest, TrustNeedsAllSixtyFourBits) {
    EXPECT_FALSE(CBTDevPerUserCfg::IsTrusted(kPhone));
    CBTDevPerUserCfg user(kPhoneKey.c_str());
    ASSERT_EQ(user.SaveTrustedMask(0x7FFFFFFFFFFFFFFFull), ERROR_SUCCESS);
    EXPECT_FALSE(CBTDevPerUserCfg::IsTrusted(kPhone));
    ASSERT_EQ(user.SaveTrustedMask(CBTDevPerUserCfg::kTrustedAll), ERROR_SUCCESS);
    EXPECT_TRUE(CBTDevPerUserCfg::IsTrusted(kPhone));

    // Read/Save leave the mask alone; the credentials are protected and kept whole.
    CBTDevPerUserCfg record(kPhoneKey.c_str());
    record.m_szOAPPUserId = u"user";
    record.m_szOAPPPassword = u"secret";
    record.m_ullTrustedMask = 0;
    ASSERT_EQ(record.Save(), ERROR_SUCCESS);
    EXPECT_TRUE(CBTDevPerUserCfg::IsTrusted(kPhone));
    auto sealed = value_bytes(HKEY_CURRENT_USER, kDevices + u"\\" + kPhoneKey, u"OAPPAuthenticationPassword");
    ASSERT_TRUE(sealed);
    CBTDevPerUserCfg back(kPhoneKey.c_str());
    ASSERT_EQ(back.Read(), ERROR_SUCCESS);
    EXPECT_EQ(back.m_szOAPPUserId, u"user");
    EXPECT_EQ(back.m_szOAPPPassword, u"secret");
    EXPECT_EQ(back.m_ullTrustedMask, 0u);
    ASSERT_EQ(user.SaveTrustedMask(0), ERROR_SUCCESS);
    EXPECT_FALSE(CBTDevPerUserCfg::IsTrusted(kPhone));
}

}  // namespace
}  // namespace qel::test
