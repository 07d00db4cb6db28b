// Connection records: unique names, creation, look-ups, renames (with the refusals that keep
// other connections and large values safe) and deletion; auto-connect entries under both roots;
// the prompt switches and the connect and inquiry settings.
#include <fstream>

#include "config/autoconnect_cfg.h"
#include "config/cfg_iterator.h"
#include "config/connect_settings_cfg.h"
#include "config/connection_cfg.h"
#include "records_test_util.h"

namespace qel::test {
namespace {

const std::u16string kConnections = u"Software\\Quorlan\\Connections";
const std::u16string kApps = u"Software\\Quorlan\\BTConfig\\Applications";
const CfgBdAddr kPhone = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const CfgBdAddr kLocal = {0x00, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e};
const CfgDevClass kClass = {0x0c, 0x02, 0x5a};

std::u16string make_connection(std::u16string_view name, DWORD uuid, std::u16string_view service,
                               DWORD opp_type = 0) {
    return CBTConnectionInfoCfg::CreateConnectionObject(name, service, uuid, kPhone, kClass, "Phone", kLocal, true,
                                                        opp_type, true);
}

using ConnectionRecordsTest = RecordsTest;

TEST_F(ConnectionRecordsTest, UniqueNamesCountUpAndIgnoreCase) {
    create_key(HKEY_CURRENT_USER, kConnections + u"\\Phone Serial Port");
    create_key(HKEY_CURRENT_USER, kConnections + u"\\phone serial port(1)");
    std::u16string name;
    CBTConnectionInfoCfg::GetUniqueConnectionName("Phone", u"Serial Port", name, true);
    EXPECT_EQ(name, u"Phone Serial Port(2)");
    CBTConnectionInfoCfg::GetUniqueConnectionName("Phone", u"Dial-up", name, true);
    EXPECT_EQ(name, u"Phone Dial-up");
    EXPECT_FALSE(CBTConnectionInfoCfg::IsConnectionNameUnique(u"PHONE SERIAL PORT"));
}

TEST_F(ConnectionRecordsTest, UniqueNamesCutLongDeviceAndServiceNames) {
    std::string device(70, 'd');
    std::u16string name;
    CBTConnectionInfoCfg::GetUniqueConnectionName(device, std::u16string(80, u's'), name, true);
    EXPECT_EQ(name, std::u16string(63, u'd') + u" " + std::u16string(32, u's'));
    // A UTF-8 device name is converted when asked to: "é" is one character.
    CBTConnectionInfoCfg::GetUniqueConnectionName("T\xc3\xa9l", u"FTP", name, true);
    EXPECT_EQ(name, u"T\u00e9l FTP");
}

TEST_F(ConnectionRecordsTest, CreatedConnectionTakesTheNamedApplicationsValues) {
    set_dword(HKEY_CURRENT_USER, kApps + u"\\0001", u"UUID", 0x1101);
    set_text(HKEY_CURRENT_USER, kApps + u"\\0001", u"Name", u"COM3");
    set_dword(HKEY_CURRENT_USER, kApps + u"\\0001", u"ComPortNumber", 3);
    set_dword(HKEY_CURRENT_USER, kApps + u"\\0002", u"UUID", 0x1101);
    set_text(HKEY_CURRENT_USER, kApps + u"\\0002", u"Name", u"COM4");
    set_dword(HKEY_CURRENT_USER, kApps + u"\\0002", u"ComPortNumber", 4);

    EXPECT_EQ(make_connection(u"Phone COM4", 0x1101, u"COM4"), u"Phone COM4");
    CBTConnectionInfoCfg connection(u"phone com4");
    ASSERT_EQ(connection.Read(), 0);
    auto* spp = dynamic_cast<CBTSPPAppCfg*>(connection.m_pAppCfg.get());
    ASSERT_NE(spp, nullptr);
    EXPECT_EQ(spp->m_dwComPortNumber, 4u);
    EXPECT_EQ(spp->m_szName, u"COM4");
    EXPECT_EQ(connection.m_bdAddr, kPhone);
    EXPECT_EQ(connection.m_localBdAddr, kLocal);
    EXPECT_EQ(connection.m_devClass, kClass);
    EXPECT_EQ(connection.m_szBdName, "Phone");
    EXPECT_EQ(connection.m_dwDefaultConnection, 1u);
    DWORD type = 0;
    auto name = value_bytes(HKEY_CURRENT_USER, kConnections + u"\\Phone COM4", u"BDName", &type);
    ASSERT_TRUE(name);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(name->size(), 6u);

    // The same name again gets a unique one; file transfer is never the default connection.
    EXPECT_EQ(make_connection(u"Phone COM4", 0x1106, u"FTP"), u"Phone FTP");
    CBTConnectionInfoCfg ftp(u"Phone FTP");
    ASSERT_EQ(ftp.Read(), 0);
    EXPECT_EQ(ftp.m_dwDefaultConnection, 0u);
}

TEST_F(ConnectionRecordsTest, PanConnectionsUseTheLanAccessApplicationWithTheirOwnUuid) {
    set_dword(HKEY_CURRENT_USER, kApps + u"\\0001", u"UUID", 0x1102);
    set_text(HKEY_CURRENT_USER, kApps + u"\\0001", u"Name", u"Network Access");
    set_text(HKEY_CURRENT_USER, kApps + u"\\0001", u"UserName", u"guest");
    make_connection(u"Phone NAP", 0x1116, u"NAP");
    CBTConnectionInfoCfg connection(u"Phone NAP");
    ASSERT_EQ(connection.Read(), 0);
    auto* lap = dynamic_cast<CBTLAPAppCfg*>(connection.m_pAppCfg.get());
    ASSERT_NE(lap, nullptr);
    EXPECT_EQ(lap->m_dwUUID, 0x1116u);
    EXPECT_EQ(lap->m_szGuid, u"{00001116-0000-1000-8000-00805F9B34FB}");
    EXPECT_EQ(lap->m_szUserName, u"guest");
    EXPECT_EQ(lap->m_szName, u"NAP");
}

TEST_F(ConnectionRecordsTest, ExistingConnectionsAreFoundByDeviceServiceAndPushType) {
    make_connection(u"Phone OPP", 0x1105, u"Object Push", 2);
    make_connection(u"Phone SPP", 0x1101, u"Serial Port");
    std::u16string found;
    EXPECT_TRUE(CBTConnectionInfoCfg::ConnectionExists(kPhone, u"Object Push", 0x1105, 2, &found));
    EXPECT_EQ(found, u"Phone OPP");
    EXPECT_FALSE(CBTConnectionInfoCfg::ConnectionExists(kPhone, u"Object Push", 0x1105, 1, &found));
    EXPECT_TRUE(CBTConnectionInfoCfg::ConnectionExists(kPhone, u"Serial Port", 0x1101, 0, &found));
    EXPECT_EQ(found, u"Phone SPP");
    EXPECT_FALSE(CBTConnectionInfoCfg::ConnectionExists(kLocal, u"Serial Port", 0x1101, 0, &found));
}

TEST_F(ConnectionRecordsTest, StoredPanUuidReadsWithALanAccessRecord) {
    set_dword(HKEY_CURRENT_USER, kConnections + u"\\PAN", u"UUID", 0x1116);
    set_dword(HKEY_CURRENT_USER, kConnections + u"\\Other", u"UUID", 0x1234);
    CBTConnectionInfoCfg pan(u"PAN");
    ASSERT_EQ(pan.Read(), 0);
    EXPECT_NE(dynamic_cast<CBTLAPAppCfg*>(pan.m_pAppCfg.get()), nullptr);
    // The same record read from a serial-port connection takes a serial-port record.
    set_dword(HKEY_CURRENT_USER, kConnections + u"\\Serial", u"UUID", 0x1101);
    set_dword(HKEY_CURRENT_USER, kConnections + u"\\Serial", u"ComPortNumber", 6);
    pan.SetKeyName(u"Serial");
    ASSERT_EQ(pan.Read(), 0);
    auto* spp = dynamic_cast<CBTSPPAppCfg*>(pan.m_pAppCfg.get());
    ASSERT_NE(spp, nullptr);
    EXPECT_EQ(dynamic_cast<CBTLAPAppCfg*>(spp), nullptr);
    EXPECT_EQ(spp->m_dwComPortNumber, 6u);
    CBTConnectionInfoCfg other(u"Other");
    ASSERT_EQ(other.Read(), 0);
    ASSERT_NE(other.m_pAppCfg, nullptr);
    EXPECT_EQ(dynamic_cast<CBTSPPAppCfg*>(other.m_pAppCfg.get()), nullptr);
    EXPECT_EQ(other.m_pAppCfg->m_dwEncryption, 1u);
}

TEST_F(ConnectionRecordsTest, CopiesOwnTheirApplicationRecord) {
    make_connection(u"Phone SPP", 0x1101, u"Serial Port");
    CBTConnectionInfoCfg original(u"Phone SPP");
    ASSERT_EQ(original.Read(), 0);
    CBTConnectionInfoCfg copy(original);
    ASSERT_NE(copy.m_pAppCfg.get(), original.m_pAppCfg.get());
    EXPECT_NE(dynamic_cast<CBTSPPAppCfg*>(copy.m_pAppCfg.get()), nullptr);
    EXPECT_TRUE(copy == original);
    CBTConnectionInfoCfg assigned;
    assigned = original;
    EXPECT_TRUE(assigned == original);
    EXPECT_EQ(assigned.m_localBdAddr, kLocal);
    original.m_pAppCfg->m_szName = u"changed";
    EXPECT_EQ(assigned.m_pAppCfg->m_szName, u"Serial Port");
}

TEST_F(ConnectionRecordsTest, RenameMovesEveryValueAndSubKey) {
    make_connection(u"Phone SPP", 0x1101, u"Serial Port");
    std::vector<BYTE> large(5000);
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<BYTE>(i);
    // Stored first, so a copy that stops at a large value would lose every value.
    set_binary(HKEY_CURRENT_USER, kConnections + u"\\Phone SPP", u"Extra", large);
    set_dword(HKEY_CURRENT_USER, kConnections + u"\\Phone SPP\\Sub", u"Deep", 7);
    auto before = value_names(HKEY_CURRENT_USER, kConnections + u"\\Phone SPP");

    EXPECT_TRUE(CBTConnectionInfoCfg::Rename(u"phone spp", u"My Phone"));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kConnections + u"\\Phone SPP"));
    EXPECT_EQ(value_names(HKEY_CURRENT_USER, kConnections + u"\\My Phone"), before);
    EXPECT_EQ(value_bytes(HKEY_CURRENT_USER, kConnections + u"\\My Phone", u"Extra"), large);
    EXPECT_EQ(stored_dword(HKEY_CURRENT_USER, kConnections + u"\\My Phone\\Sub", u"Deep"), 7u);
    CBTConnectionInfoCfg moved(u"My Phone");
    ASSERT_EQ(moved.Read(), 0);
    EXPECT_EQ(moved.m_pAppCfg->m_szName, u"Serial Port");
}

TEST_F(ConnectionRecordsTest, RenameRefusesWhatWouldDestroyAConnection) {
    make_connection(u"Phone SPP", 0x1101, u"Serial Port");
    make_connection(u"Phone DUN", 0x1103, u"Dial-up");
    auto spp_before = value_names(HKEY_CURRENT_USER, kConnections + u"\\Phone SPP");
    auto dun_before = value_bytes(HKEY_CURRENT_USER, kConnections + u"\\Phone DUN", u"Name");

    EXPECT_FALSE(CBTConnectionInfoCfg::Rename(u"Phone SPP", u"PHONE SPP"));  // its own name
    EXPECT_FALSE(CBTConnectionInfoCfg::Rename(u"Phone SPP", u"phone dun"));  // another's name
    EXPECT_FALSE(CBTConnectionInfoCfg::Rename(u"Nobody", u"Somebody"));      // no such connection
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kConnections + u"\\Somebody"));
    EXPECT_EQ(value_names(HKEY_CURRENT_USER, kConnections + u"\\Phone SPP"), spp_before);
    EXPECT_EQ(value_bytes(HKEY_CURRENT_USER, kConnections + u"\\Phone DUN", u"Name"), dun_before);

    // A name that matches another only after the cut to 99 characters is refused too.
    std::u16string long_name(99, u'L');
    make_connection(long_name, 0x1101, u"Serial Port");
    EXPECT_FALSE(CBTConnectionInfoCfg::Rename(u"Phone DUN", long_name + u"tail"));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, kConnections + u"\\" + long_name));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, kConnections + u"\\Phone DUN"));
    // And a name cut to 99 characters otherwise works.
    EXPECT_TRUE(CBTConnectionInfoCfg::Rename(u"Phone DUN", std::u16string(120, u'x')));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, kConnections + u"\\" + std::u16string(99, u'x')));
}

TEST_F(ConnectionRecordsTest, NamesNeverNestAConnectionInsideAnother) {
    make_connection(u"Phone", 0x1101, u"Serial Port");
    // A device named with a backslash, and a name given with one, both stay single key names.
    std::u16string made = CBTConnectionInfoCfg::CreateConnectionObject(u"Phone\\Evil", u"Dial-up", 0x1103, kPhone,
                                                                       kClass, "Ph\\one", kLocal, false, 0, true);
    EXPECT_EQ(made, u"Ph_one Dial-up");
    EXPECT_EQ(sub_keys(HKEY_CURRENT_USER, kConnections + u"\\Phone"), std::vector<std::u16string>{});
    EXPECT_FALSE(CBTConnectionInfoCfg::Rename(u"Phone", u"Phone\\Sub"));
    EXPECT_EQ(sub_keys(HKEY_CURRENT_USER, kConnections),
              (std::vector<std::u16string>{u"Phone", u"Ph_one Dial-up"}));  // "_" sorts after letters
}

TEST_F(ConnectionRecordsTest, DeleteFindsTheNameInAnyCase) {
    make_connection(u"Phone SPP", 0x1101, u"Serial Port");
    EXPECT_FALSE(CBTConnectionInfoCfg::Delete(u"Nobody"));
    EXPECT_TRUE(CBTConnectionInfoCfg::Delete(u"PHONE spp"));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kConnections + u"\\Phone SPP"));
}

TEST_F(ConnectionRecordsTest, AutoConnectEntriesAreSavedUnderBothRoots) {
    CBTAutoConnect entry(7);
    EXPECT_EQ(std::u16string(entry.GetKeyName()), u"0007");
    entry.m_szServiceName = u"Serial Port";
    entry.m_szBdName = "Phone";
    entry.m_dwMTU = 672;
    MapUuidToGuid(0x1101, &entry.m_classId);
    ASSERT_EQ(entry.Save(), 0);
    EXPECT_EQ(entry.GetBaseKey(), HKEY_CURRENT_USER);
    const std::u16string key = u"Software\\Quorlan\\BTConfig\\AutoConnect\\0007";
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        EXPECT_EQ(stored_dword(root, key, u"MTU"), 672u);
        DWORD type = 0;
        auto name = value_bytes(root, key, u"BDName", &type);
        ASSERT_TRUE(name);
        EXPECT_EQ(type, REG_SZ);
        // The name's bytes and terminator (the registry may add a wide terminator to REG_SZ data).
        EXPECT_EQ(std::string(name->begin(), name->begin() + 6), std::string("Phone\0", 6));
    }
    CBTAutoConnect back(7);
    ASSERT_EQ(back.Read(), 0);
    EXPECT_EQ(back.m_classId, entry.m_classId);
    EXPECT_EQ(back.m_szBdName, "Phone");

    CBTAutoConnectIterator it;
    EXPECT_EQ(it.GetCount(), 1u);
}

TEST_F(ConnectionRecordsTest, AutoConnectFailureUnderTheUserLeavesTheMachineUntouched) {
    std::ofstream(dir_.path() / "user.db") << "not a registry database, just text that is long enough";
    reg_reset_for_tests();
    CBTAutoConnect entry(3);
    EXPECT_NE(entry.Save(), 0);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, u"Software\\Quorlan\\BTConfig\\AutoConnect\\0003"));
}

TEST_F(ConnectionRecordsTest, PromptSwitchesByProfile) {
    CBTConnectPrefsCfg prefs;
    EXPECT_EQ(prefs.GetPromptValue(0x1116, CBTConnectPrefsCfg::kPromptForClose), 1u);
    EXPECT_TRUE(prefs.SetPromptValue(0x1116, CBTConnectPrefsCfg::kPromptForClose, 0));
    EXPECT_TRUE(prefs.SetPromptValue(0x111E, CBTConnectPrefsCfg::kPromptForConnected, 0));
    EXPECT_FALSE(prefs.SetPromptValue(0x1106, CBTConnectPrefsCfg::kPromptForClose, 0));
    EXPECT_TRUE(prefs.SetPromptValue(0x1101, 3, 0));  // unknown type: nothing changes
    ASSERT_EQ(prefs.Save(), 0);

    CBTConnectPrefsCfg back;
    ASSERT_EQ(back.Read(), 0);
    EXPECT_EQ(back.GetPromptValue(0x1102, 1), 0u);   // LAP close, set through a PAN role
    EXPECT_EQ(back.GetPromptValue(0x1102, 2), 1u);
    EXPECT_EQ(back.GetPromptValue(0x1108, 2), 0u);   // HSP connected, set through hands-free
    EXPECT_EQ(back.GetPromptValue(0x1101, 1), 1u);
    EXPECT_EQ(back.GetPromptValue(0x1101, 3), 1u);
    const std::u16string key = u"Software\\Quorlan\\BTConfig\\ConnectPrefs";
    EXPECT_EQ(stored_dword(HKEY_CURRENT_USER, key, u"LAPPromptForClose"), 0u);
    EXPECT_EQ(stored_dword(HKEY_CURRENT_USER, key, u"HSPPromptForConnected"), 0u);
    EXPECT_EQ(value_names(HKEY_CURRENT_USER, key).size(), 16u);

    // File transfer has no switch: 1 whatever is stored.
    set_dword(HKEY_CURRENT_USER, key, u"FTPPromptForClose", 0);
    ASSERT_EQ(back.Read(), 0);
    EXPECT_EQ(back.GetPromptValue(0x1106, 1), 1u);
}

TEST_F(ConnectionRecordsTest, ConnectAndInquirySettingsKeepTheirReadOnlyValues) {
    const std::u16string filters = u"Software\\Quorlan\\BTConfig\\Filters";
    const std::u16string general = u"Software\\Quorlan\\BTConfig\\General";
    CBTConnectCfg connect;
    EXPECT_EQ(connect.m_dwInquiryScanMode, 2u);
    EXPECT_EQ(connect.m_dwPageScanType, 1u);
    ASSERT_EQ(connect.Save(), 0);
    EXPECT_EQ(value_names(HKEY_CURRENT_USER, filters),
              (std::vector<std::u16string>{u"WhoAllowedToConnect", u"AllowOthersToDiscover", u"InquiryScanMode"}));

    set_dword(HKEY_CURRENT_USER, general, u"InquiryDuration", 20);
    CBTInquiryCfg inquiry;
    EXPECT_EQ(inquiry.m_dwInquiryDuration, 8u);
    EXPECT_EQ(inquiry.m_dwPeriodicInquiryRetryTime, 600u);
    ASSERT_EQ(inquiry.Read(), 0);
    EXPECT_EQ(inquiry.m_dwInquiryDuration, 20u);
    inquiry.m_dwInquiryDuration = 1;
    ASSERT_EQ(inquiry.Save(), 0);
    EXPECT_EQ(stored_dword(HKEY_CURRENT_USER, general, u"InquiryDuration"), 20u);
    EXPECT_FALSE(stored_dword(HKEY_CURRENT_USER, general, u"InquiryMaxResults"));
}

TEST_F(ConnectionRecordsTest, FiltersFromTheirConstructors) {
    CBTInquiryFilterCfg by_class(2, 4);
    EXPECT_EQ(by_class.m_dwType, 0u);
    CBTInquiryFilterCfg by_device(kPhone, "Phone");
    EXPECT_EQ(by_device.m_dwType, 1u);
    EXPECT_EQ(by_device.m_dwMajorClass, 0u);
    ASSERT_EQ(by_device.Save(), 0);
    CBTInquiryFilterCfg back(by_device.GetKeyName());
    ASSERT_EQ(back.Read(), 0);
    EXPECT_TRUE(back == by_device);

    CBTConnectFilterCfg connect(kPhone, "Phone");
    ASSERT_EQ(connect.Save(), 0);
    CBTConnectFilterCfg connect_back(connect.GetKeyName());
    ASSERT_EQ(connect_back.Read(), 0);
    EXPECT_TRUE(connect_back == connect);
    connect_back.m_dwMinorClass = 3;
    EXPECT_FALSE(connect_back == connect);
}

}  // namespace
}  // namespace qel::test
