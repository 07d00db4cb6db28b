// General settings: defaults of a fresh record, values that are only read, comparison
// exclusions, the two single-value tests and switching the audio services off.
#include "../records/records_test_util.h"
#include "config/general_cfg.h"
#include "config/service_cfg.h"

namespace qel::test {
namespace {

const std::u16string kGeneral = u"Software\\Quorlan\\BTConfig\\General";

using GeneralSettingsTest = RecordsTest;

TEST_F(GeneralSettingsTest, FreshRecordReadsItsDefaults) {
    CBTGeneralCfg general;
    EXPECT_EQ(general.Read(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(general.m_szUnnamedDeviceName, u"<No Name>");
    EXPECT_EQ(general.m_dwMinorClass, 4u);
    EXPECT_EQ(general.m_dwSecurityType, 2u);
    EXPECT_EQ(general.m_dwDeviceInactivityDuration, 60u);
    EXPECT_EQ(general.m_dwHidInactiveThreshold, 6u);
    EXPECT_EQ(general.m_dwBitMaskShowAllowWakeup, 32u);
    EXPECT_EQ(general.m_dwSCMS_T, 2u);
    EXPECT_EQ(general.m_dwDoNotIntegrateAvaya, 1u);
    EXPECT_EQ(general.m_dwUseRFCOMMAuth, 1u);
}

TEST_F(GeneralSettingsTest, ReadOnlyValuesSurviveSaves) {
    set_dword(HKEY_CURRENT_USER, kGeneral, u"ForceDevClassMajor", 5);
    CBTGeneralCfg fresh;
    fresh.m_dwForceDevClassMajor = 9;
    fresh.m_szDeviceName = u"Desk";
    ASSERT_EQ(fresh.Save(), ERROR_SUCCESS);
    EXPECT_EQ(stored_dword(HKEY_CURRENT_USER, kGeneral, u"ForceDevClassMajor"), 5u);
    EXPECT_FALSE(stored_dword(HKEY_CURRENT_USER, kGeneral, u"UseRFCOMMAuth"));
    EXPECT_FALSE(stored_dword(HKEY_CURRENT_USER, kGeneral, u"ForceDevClassMinor"));
    CBTGeneralCfg back;
    ASSERT_EQ(back.Read(), ERROR_SUCCESS);
    EXPECT_EQ(back.m_dwForceDevClassMajor, 5u);
    EXPECT_EQ(back.m_szDeviceName, u"Desk");
    // Written in the table's order, "DeviceName" first and "DevAuthAddress" last.
    auto names = value_names(HKEY_CURRENT_USER, kGeneral);
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(names[1], u"DeviceName");
    EXPECT_EQ(names.back(), u"DevAuthAddress");
}

TEST_F(GeneralSettingsTest, TextsAreCutToTheirCapacities) {
    CBTGeneralCfg general;
    general.m_szPinCode = std::u16string(30, u'7');
    general.m_szDeviceName = std::u16string(300, u'n');
    ASSERT_EQ(general.Save(), ERROR_SUCCESS);
    CBTGeneralCfg back;
    ASSERT_EQ(back.Read(), ERROR_SUCCESS);
    EXPECT_EQ(back.m_szPinCode, std::u16string(15, u'7'));
    EXPECT_EQ(back.m_szDeviceName, std::u16string(248, u'n'));
}

TEST_F(GeneralSettingsTest, ComparisonLeavesOutTheListedValues) {
    CBTGeneralCfg a;
    CBTGeneralCfg b;
    b.m_dwServerID = 7;
    b.m_dwTxPowerLow = 3;
    b.m_dwPinCodeWord = 1;
    b.m_devAuthAddress = {1, 2, 3, 4, 5, 6};
    b.m_dwDontShowAdvanced = 0;
    b.m_dwShowHandsFreeNotConfigured = 0;
    EXPECT_TRUE(a == b);
    b.m_szWizardLogo = u"logo.bmp";
    EXPECT_FALSE(a == b);
    a = b;
    EXPECT_EQ(a.m_szWizardLogo, u"logo.bmp");
    EXPECT_EQ(a.m_dwServerID, 0u) << "ServerID is not copied";
    b.m_keyCreationTime[7] = 1;
    EXPECT_TRUE(a != b);
}

TEST_F(GeneralSettingsTest, SingleValueTests) {
    EXPECT_FALSE(CBTGeneralCfg::BtIsHidAudioCoexistanseWarningEnabled());
    EXPECT_FALSE(CBTGeneralCfg::HspIsSendCkpdToDisconnect());
    set_dword(HKEY_CURRENT_USER, kGeneral, u"EnableHidAudioCoexistenceWarnings", 3);
    set_dword(HKEY_CURRENT_USER, kGeneral, u"HspSendCkpdToDisconnect", 2);
    EXPECT_TRUE(CBTGeneralCfg::BtIsHidAudioCoexistanseWarningEnabled());
    EXPECT_FALSE(CBTGeneralCfg::HspIsSendCkpdToDisconnect());
    set_dword(HKEY_CURRENT_USER, kGeneral, u"EnableHidAudioCoexistenceWarnings", 2);
    set_dword(HKEY_CURRENT_USER, kGeneral, u"HspSendCkpdToDisconnect", 1);
    EXPECT_FALSE(CBTGeneralCfg::BtIsHidAudioCoexistanseWarningEnabled());
    EXPECT_TRUE(CBTGeneralCfg::HspIsSendCkpdToDisconnect());
    set_text(HKEY_CURRENT_USER, kGeneral, u"HspSendCkpdToDisconnect", u"1");
    EXPECT_FALSE(CBTGeneralCfg::HspIsSendCkpdToDisconnect());
}

std::u16string add_service(DWORD uuid, DWORD automatic) {
    CBTServiceCfg service;
    service.m_dwUUID = uuid;
    service.m_dwAuto = automatic;
    EXPECT_EQ(service.Save(), ERROR_SUCCESS);
    return service.GetKeyName();
}

DWORD auto_of(const std::u16string& key) {
    CBTServiceCfg service(key.c_str());
    EXPECT_EQ(service.Read(), ERROR_SUCCESS);
    return service.m_dwAuto;
}

TEST_F(GeneralSettingsTest, DisableAllAudioServicesTouchesOnlyAudioServicesThatWereOn) {
    auto serial = add_service(0x1101, 1);
    auto headset_off = add_service(0x1108, 0);
    EXPECT_FALSE(CBTGeneralCfg::DisableAllAudioServices());
    auto gateway = add_service(0x1112, 1);
    auto handsfree = add_service(0x111F, 1);
    EXPECT_TRUE(CBTGeneralCfg::DisableAllAudioServices());
    EXPECT_EQ(auto_of(serial), 1u);
    EXPECT_EQ(auto_of(headset_off), 0u);
    EXPECT_EQ(auto_of(gateway), 0u);
    EXPECT_EQ(auto_of(handsfree), 0u);
    EXPECT_FALSE(CBTGeneralCfg::DisableAllAudioServices());
}

}  // namespace
}  // namespace qel::test
