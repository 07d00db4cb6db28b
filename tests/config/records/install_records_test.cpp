// Installation, PIM and shell records: defaults and roots, key naming from numbers, custom
// application numbering after deletions, DeleteAll, and the installation folder as tracing reads it.
#include "config/cfg_iterator.h"
#include "config/install_cfg.h"
#include "config/pim_cfg.h"
#include "records_test_util.h"
#include "trace/debug_values.h"

namespace qel::test {
namespace {

const std::u16string kInstall = u"Software\\Quorlan\\Install";
const std::u16string kCustomApps = u"Software\\Quorlan\\Install\\CustomApps";

using InstallRecordsTest = RecordsTest;

TEST_F(InstallRecordsTest, InstallationRecordLivesUnderTheMachineRoot) {
    CBTInstallCfg install;
    EXPECT_EQ(install.m_dwStartPort, 3u);
    EXPECT_EQ(install.m_dwShowUnplugDeviceDlg, 1u);
    EXPECT_EQ(install.m_dwLangID, 1033u);
    EXPECT_EQ(install.Read(), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    install.m_szVersion = u"6.2.0.1";
    install.m_erim = {1, 2, 3};
    install.m_lastNonUpgradeInstallTime = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(install.Save(), 0);
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kInstall));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kInstall));
    EXPECT_EQ(value_names(HKEY_LOCAL_MACHINE, kInstall).size(), 22u);

    CBTInstallCfg back;
    ASSERT_EQ(back.Read(), 0);
    EXPECT_EQ(back.GetMajorVersion(), 6u);
    EXPECT_EQ(back.m_erim, (std::vector<BYTE>{1, 2, 3}));
    EXPECT_EQ(back.m_lastNonUpgradeInstallTime, install.m_lastNonUpgradeInstallTime);
    back.m_szVersion.clear();
    EXPECT_EQ(back.GetMajorVersion(), 0u);
    back.m_szVersion = u"12.0";
    EXPECT_EQ(back.GetMajorVersion(), 12u);
}

TEST_F(InstallRecordsTest, TracingReadsTheSameInstallationFolder) {
    CBTInstallCfg install;
    install.m_szInstallDir = u"/opt/quorlan/bt \u00e9";
    ASSERT_EQ(install.Save(), 0);
    EXPECT_EQ(qel::trace::read_install_dir(), "/opt/quorlan/bt \xc3\xa9");

    // And the record reads what was stored for tracing.
    set_text(HKEY_LOCAL_MACHINE, kInstall, u"INSTALLDIR", u"/srv/bt");
    CBTInstallCfg back;
    ASSERT_EQ(back.Read(), 0);
    EXPECT_EQ(back.m_szInstallDir, u"/srv/bt");
    EXPECT_EQ(qel::trace::read_install_dir(), "/srv/bt");
}

TEST_F(InstallRecordsTest, NumberedRecordsNameTheirKeys) {
    CBTBusinessCardCfg card(7);
    card.m_szInfo = std::u16string(1400, u'i');
    ASSERT_EQ(card.Save(), 0);
    CBTInstalledPimCfg pim(12);
    pim.m_szContactFolderPath = std::u16string(2100, u'p');
    ASSERT_EQ(pim.Save(), 0);
    CBTHWPortCfg port(3);
    port.m_dwRefCount = 2;
    ASSERT_EQ(port.Save(), 0);

    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\BusinessCards\\0007"));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Pims\\Installed\\12"));
    EXPECT_EQ(stored_dword(HKEY_LOCAL_MACHINE, u"Software\\Quorlan\\Hardware\\Ports\\0003", u"RefCount"), 2u);

    CBTBusinessCardCfg card_back(u"0007");
    ASSERT_EQ(card_back.Read(), 0);
    EXPECT_EQ(card_back.m_szInfo.size(), 1299u);
    CBTInstalledPimCfg pim_back(u"12");
    ASSERT_EQ(pim_back.Read(), 0);
    EXPECT_EQ(pim_back.m_szContactFolderPath.size(), 2047u);
    CBTInstalledPimCfgIterator it;
    EXPECT_EQ(it.GetCount(), 1u);
}

TEST_F(InstallRecordsTest, DeleteAllRemovesWholeTrees) {
    CBTBusinessCardCfg(1).Save();
    CBTBusinessCardCfg(2).Save();
    set_dword(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\BusinessCards\\0002\\Deeper", u"X", 1);
    CBTInstalledPimCfg(1).Save();
    EXPECT_TRUE(CBTBusinessCardCfg::DeleteAll());
    EXPECT_TRUE(CBTInstalledPimCfg::DeleteAll());
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\BusinessCards"));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Pims\\Installed"));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Pims"));
    EXPECT_FALSE(CBTBusinessCardCfg::DeleteAll());
}

TEST_F(InstallRecordsTest, CustomApplicationsNeverTakeAnExistingEntrysKey) {
    for (int i = 0; i < 3; ++i) {
        CBTCustomAppsCfg app(u"Tools", u16("App " + std::to_string(i)), u"/usr/bin/app");
        EXPECT_EQ(std::u16string(app.GetKeyName()), u16(std::to_string(i)));
        ASSERT_EQ(app.Save(), 0);
    }
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kCustomApps));
    CBTCustomAppsCfgIterator counted;
    EXPECT_EQ(counted.GetCount(), 3u);

    // With "1" deleted, two entries remain; "2" is taken, so the new one is "3".
    CBTCfg::DeleteCfgKey(u"1", kCustomApps.c_str(), HKEY_LOCAL_MACHINE);
    CBTCustomAppsCfg added(u"Tools", u"New", u"/usr/bin/new");
    EXPECT_EQ(std::u16string(added.GetKeyName()), u"3");
    ASSERT_EQ(added.Save(), 0);
    CBTCustomAppsCfg kept(u"2");
    ASSERT_EQ(kept.Read(), 0);
    EXPECT_EQ(kept.m_szAppName, u"App 2");
}

TEST_F(InstallRecordsTest, NotificationStringReadsEmptyWhenAbsentAndNameIsWriteOnly) {
    CNotificationSoundsCfg sound(u"Connect");
    sound.m_szString = u"ding.wav";
    sound.m_szName = u"Connected";
    sound.m_dwNotify = 1;
    ASSERT_EQ(sound.Save(), 0);
    EXPECT_EQ(stored_text(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Notifications\\Connect", u"Name"),
              u"Connected");
    CNotificationSoundsCfg back(u"Connect");
    ASSERT_EQ(back.Read(), 0);
    EXPECT_EQ(back.m_szString, u"ding.wav");
    EXPECT_EQ(back.m_szName, u"");

    set_dword(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Notifications\\Silent", u"Notify", 0);
    CNotificationSoundsCfg silent(u"Silent");
    silent.m_szString = u"left over";
    ASSERT_EQ(silent.Read(), 0);
    EXPECT_EQ(silent.m_szString, u"");
}

TEST_F(InstallRecordsTest, SmallRecordDefaults) {
    CBTInstallSendToCfg send_to;
    EXPECT_EQ(send_to.m_dwInstallSendToWAB, 1u);
    ASSERT_EQ(send_to.Save(), 0);
    EXPECT_EQ(stored_dword(HKEY_LOCAL_MACHINE, u"Software\\Quorlan\\Install\\SendTo", u"InstallSendToIE"), 1u);
    CBTSendToIExplorerCfg browser;
    EXPECT_EQ(browser.m_dwSendPictures, 1u);
    CBTPimCfg pims;
    EXPECT_EQ(pims.m_dwPromptWhenChanged, 1u);
    CBTPimCfg other;
    other.m_dwAlertWhenNewPIM = 1;
    EXPECT_TRUE(pims != other);
    pims = other;
    EXPECT_TRUE(pims == other);
    CBTComponentCfg component(u"Core");
    component.m_szDir = u"/opt/core";
    ASSERT_EQ(component.Save(), 0);
    EXPECT_EQ(stored_text(HKEY_LOCAL_MACHINE, u"Software\\Quorlan\\Components\\Core", u"Dir"), u"/opt/core");
}

}  // namespace
}  // namespace qel::test
