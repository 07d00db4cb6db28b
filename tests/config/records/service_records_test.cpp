// Service and application records: defaults, value names and order, read-only values, look-ups
// by UUID, GUID, name, port and security identifier.
#include "config/profile_app_cfg.h"
#include "config/profile_service_cfg.h"
#include "records_test_util.h"

namespace qel::test {
namespace {

const std::u16string kServices = u"Software\\Quorlan\\BTConfig\\Services";
const std::u16string kApps = u"Software\\Quorlan\\BTConfig\\Applications";

// A stored service or application: key name, UUID, name, and optionally a COM port.
void store(const std::u16string& tree, const std::u16string& key, DWORD uuid, std::u16string_view name,
           std::optional<DWORD> port = std::nullopt) {
    set_dword(HKEY_CURRENT_USER, tree + u"\\" + key, u"UUID", uuid);
    set_text(HKEY_CURRENT_USER, tree + u"\\" + key, u"Name", name);
    if (port) set_dword(HKEY_CURRENT_USER, tree + u"\\" + key, u"ComPortNumber", *port);
}

using ServiceRecordsTest = RecordsTest;

TEST_F(ServiceRecordsTest, FreshRecordsHoldTheDocumentedDefaults) {
    CBTServiceCfg service;
    EXPECT_EQ(service.m_dwAuthorization, 1u);
    EXPECT_EQ(service.m_dwAuthentication, 1u);
    EXPECT_EQ(service.m_dwEncryption, 1u);
    EXPECT_EQ(service.m_dwInstallOnDemand, 1u);
    EXPECT_EQ(service.m_dwAuto, 0u);
    CBTAppCfg app;
    EXPECT_EQ(app.m_dwAuthorization, 0u);
    EXPECT_EQ(app.m_dwAuthentication, 1u);
    EXPECT_EQ(app.m_dwEncryption, 1u);

    CBTDUNServiceCfg dun;
    EXPECT_EQ(dun.m_dwFlowControl, 1u);
    EXPECT_EQ(dun.m_dwBaudrate, 57600u);
    CBTFTPServiceCfg ftp;
    EXPECT_EQ(ftp.m_dwDenyHiddenAccess, 1u);
    EXPECT_EQ(ftp.m_dwDenyReadOnlyAccess, 1u);
    CBTLAPServiceCfg lap;
    EXPECT_EQ(lap.m_dwNetworkMode, 1u);
    CBTLAPAppCfg lap_app;
    EXPECT_EQ(lap_app.m_dwAutoconnect, 1u);
    EXPECT_EQ(lap_app.m_dwEnableAutoReconnect, 0u);
    CBTAvAppCfg av;
    EXPECT_EQ(av.m_dwObexThrottleBytes, 1006u);
}

TEST_F(ServiceRecordsTest, ProfileWithoutKeyReadsNotFoundAndKeepsDefaults) {
    store(kServices, u"0001", 0x1101, u"COM3");  // another profile only
    CBTDUNServiceCfg dun;
    dun.m_dwBaudrate = 1234;
    EXPECT_EQ(dun.Read(), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(dun.m_dwBaudrate, 1234u);
    EXPECT_EQ(std::u16string(dun.GetKeyName()), u"");
    CBTAvAppCfg av;
    EXPECT_EQ(av.Read(), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
}

TEST_F(ServiceRecordsTest, SaveWritesEveryValueInOrderUnderANewNumber) {
    CBTSPPServiceCfg spp;
    spp.SetUuid(0x1101);
    spp.m_szName = u"COM5";
    spp.m_dwComPortNumber = 5;
    ASSERT_EQ(spp.Save(), 0);
    EXPECT_EQ(std::u16string(spp.GetKeyName()), u"0001");
    std::vector<std::u16string> expected = {u"UUID",          u"Authorization", u"Authentication", u"Encryption",
                                            u"SecurityId",    u"Name",          u"GUID",           u"StatusDll",
                                            u"PropertiesDll", u"Description",   u"InstallOnDemand", u"Auto",
                                            u"ComPortNumber", u"UserInstalled"};
    EXPECT_EQ(value_names(HKEY_CURRENT_USER, kServices + u"\\0001"), expected);
    EXPECT_EQ(stored_text(HKEY_CURRENT_USER, kServices + u"\\0001", u"GUID"),
              u"{00001101-0000-1000-8000-00805F9B34FB}");
    DWORD type = 0;
    auto guid = value_bytes(HKEY_CURRENT_USER, kServices + u"\\0001", u"GUID", &type);
    ASSERT_TRUE(guid);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(guid->size(), 78u);

    CBTSPPServiceCfg again;
    ASSERT_EQ(again.Read(), 0);
    EXPECT_EQ(again.m_dwComPortNumber, 5u);
    EXPECT_EQ(again.m_guid, spp.m_guid);
    EXPECT_TRUE(again == spp);
}

TEST_F(ServiceRecordsTest, DialupAndFaxSpellTheirRateDifferently) {
    CBTDUNServiceCfg dun(u"0001");
    dun.SetUuid(0x1103);
    ASSERT_EQ(dun.Save(), 0);
    CBTFAXServiceCfg fax(u"0002");
    fax.SetUuid(0x1111);
    ASSERT_EQ(fax.Save(), 0);
    // Value names are case-insensitive, so compare the spelling the enumeration reports.
    auto dun_names = value_names(HKEY_CURRENT_USER, kServices + u"\\0001");
    auto fax_names = value_names(HKEY_CURRENT_USER, kServices + u"\\0002");
    EXPECT_EQ(dun_names.back(), u"Baudrate");
    EXPECT_EQ(fax_names.back(), u"BaudRate");
}

TEST_F(ServiceRecordsTest, ReadOnlyValuesAreReadButNeverWritten) {
    const std::u16string key = kServices + u"\\0001";
    store(kServices, u"0001", 0x1106, u"FTP");
    set_dword(HKEY_CURRENT_USER, key, u"DoNotUseMicrosoftDevice", 1);
    set_dword(HKEY_CURRENT_USER, key, u"FlistFormat", 3);
    CBTFTPServiceCfg ftp;
    ASSERT_EQ(ftp.Read(), 0);
    EXPECT_EQ(ftp.m_dwDoNotUseMicrosoftDevice, 1u);
    EXPECT_EQ(ftp.m_dwFlistFormat, 3u);
    ftp.m_dwDoNotUseMicrosoftDevice = 0;
    ftp.m_dwFlistFormat = 9;
    ASSERT_EQ(ftp.Save(), 0);
    EXPECT_EQ(stored_dword(HKEY_CURRENT_USER, key, u"DoNotUseMicrosoftDevice"), 1u);
    EXPECT_EQ(stored_dword(HKEY_CURRENT_USER, key, u"FlistFormat"), 3u);

    CBTServiceCfg fresh(u"0002");
    ASSERT_EQ(fresh.Save(), 0);
    EXPECT_FALSE(stored_dword(HKEY_CURRENT_USER, kServices + u"\\0002", u"DoNotUseMicrosoftDevice"));

    CBTAvAppCfg av(u"0001");
    ASSERT_EQ(av.Save(), 0);
    EXPECT_FALSE(stored_dword(HKEY_CURRENT_USER, kApps + u"\\0001", u"ObexThrottleBytes"));
}

TEST_F(ServiceRecordsTest, MalformedOrMistypedValuesLeaveTheFields) {
    const std::u16string key = kServices + u"\\0001";
    store(kServices, u"0001", 0x1103, u"DUN");
    set_text(HKEY_CURRENT_USER, key, u"GUID", u"00001103-0000-1000-8000-00805F9B34FB");  // no braces
    set_text(HKEY_CURRENT_USER, key, u"Baudrate", u"115200");                           // text, not a number
    set_text(HKEY_CURRENT_USER, key, u"StatusDll", std::u16string(300, u'x'));          // longer than its field
    CBTDUNServiceCfg dun;
    ASSERT_EQ(dun.Read(), 0);
    EXPECT_EQ(dun.m_guid, GUID{});
    EXPECT_EQ(dun.m_dwBaudrate, 57600u);
    EXPECT_EQ(dun.m_szStatusDll, u"");
    EXPECT_EQ(dun.m_szName, u"DUN");
}

TEST_F(ServiceRecordsTest, LongTextsAreCutToTheirFieldAndReadBack) {
    CBTServiceCfg service(u"0001");
    service.m_szName = std::u16string(400, u'n');
    service.m_szDescription = std::u16string(2000, u'd');
    ASSERT_EQ(service.Save(), 0);
    CBTServiceCfg back(u"0001");
    ASSERT_EQ(back.Read(), 0);
    EXPECT_EQ(back.m_szName, std::u16string(259, u'n'));
    EXPECT_EQ(back.m_szDescription, std::u16string(1039, u'd'));
}

TEST_F(ServiceRecordsTest, TheFirstKeyOfAUuidWinsAndNamesPickAmongThem) {
    store(kServices, u"0001", 0x1101, u"COM3");
    store(kServices, u"0002", 0x1101, u"COM4");
    store(kApps, u"0001", 0x1101, u"COM3", 3);
    store(kApps, u"0002", 0x1101, u"COM4", 4);
    store(kApps, u"0003", 0x1103, u"Dial-up", 7);

    CBTSPPServiceCfg spp;
    ASSERT_EQ(spp.Read(), 0);
    EXPECT_EQ(std::u16string(spp.GetKeyName()), u"0001");
    EXPECT_EQ(spp.m_szName, u"COM3");

    CBTSPPAppCfg by_name;
    ASSERT_EQ(by_name.Read(std::u16string_view(u"COM4")), 0);
    EXPECT_EQ(std::u16string(by_name.GetKeyName()), u"0002");
    EXPECT_EQ(by_name.m_dwComPortNumber, 4u);
    CBTSPPAppCfg wrong_case;
    EXPECT_EQ(wrong_case.Read(std::u16string_view(u"com4")), static_cast<LONG>(ERROR_FILE_NOT_FOUND));

    CBTSPPAppCfg by_port;
    ASSERT_EQ(by_port.ReadByPort(7), 0);
    EXPECT_EQ(by_port.m_szName, u"Dial-up");
    EXPECT_EQ(by_port.ReadByPort(9), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(by_port.m_szName, u"Dial-up");

    CBTDUNAppCfg dun;
    ASSERT_EQ(dun.Read(), 0);
    EXPECT_EQ(std::u16string(dun.GetKeyName()), u"0003");

    std::u16string key;
    CBTServiceCfg finder;
    EXPECT_TRUE(finder.GetKeyName(key, 0x1101, std::u16string_view(u"COM4")));
    EXPECT_EQ(key, u"0002");
    EXPECT_FALSE(finder.GetKeyName(key, 0x1105));
    EXPECT_EQ(key, u"");
}

TEST_F(ServiceRecordsTest, KeysAreFoundByTheirGuidText) {
    store(kServices, u"0001", 0x1101, u"COM3");
    store(kServices, u"0002", 0x1105, u"Object push");
    set_text(HKEY_CURRENT_USER, kServices + u"\\0002", u"GUID", u"{00001105-0000-1000-8000-00805f9b34fb}");
    GUID opp{};
    MapUuidToGuid(0x1105, &opp);
    CBTServiceCfg finder;
    std::u16string key;
    EXPECT_TRUE(finder.GetKeyName(key, kServicesPath, opp));
    EXPECT_EQ(key, u"0002");
    EXPECT_FALSE(finder.GetKeyName(key, kServicesPath, opp, std::u16string_view(u"Other")));
}

TEST_F(ServiceRecordsTest, SecurityIdentifiersLeadToTheirService) {
    store(kServices, u"0001", 0x1101, u"COM3");
    set_dword(HKEY_CURRENT_USER, kServices + u"\\0001", u"SecurityId", 11);
    store(kServices, u"0002", 0x1105, u"Object push");
    set_dword(HKEY_CURRENT_USER, kServices + u"\\0002", u"SecurityId", 12);
    DWORD uuid = 0;
    EXPECT_TRUE(CBTServiceCfg::UUIDFromSecurityId(12, &uuid));
    EXPECT_EQ(uuid, 0x1105u);
    std::u16string name;
    EXPECT_TRUE(CBTServiceCfg::ServiceNameFromSecurityId(11, name));
    EXPECT_EQ(name, u"COM3");
    EXPECT_FALSE(CBTServiceCfg::UUIDFromSecurityId(13, &uuid));
    EXPECT_FALSE(CBTServiceCfg::ServiceNameFromSecurityId(13, name));
}

TEST_F(ServiceRecordsTest, ApplicationNameOfAPanRoleIsTheLanAccessApplications) {
    store(kApps, u"0001", 0x1101, u"COM3");
    store(kApps, u"0002", 0x1102, u"Network Access");
    std::u16string name = u"unchanged";
    EXPECT_TRUE(CBTAppCfg::GetApplicationName(0x1116, &name));
    EXPECT_EQ(name, u"Network Access");
    EXPECT_FALSE(CBTAppCfg::GetApplicationName(0x1116, nullptr));
    name = u"unchanged";
    EXPECT_FALSE(CBTAppCfg::GetApplicationName(0x1108, &name));
    EXPECT_EQ(name, u"unchanged");
}

TEST_F(ServiceRecordsTest, ComparisonAndCopyCoverTheDocumentedFields) {
    CBTHAGServiceCfg a(u"0001");
    a.SetUuid(0x1112);
    a.m_bdAddress = {1, 2, 3, 4, 5, 6};
    CBTHAGServiceCfg b(a);
    EXPECT_TRUE(a == b);
    b.m_dwConnectedUUID = 0x111E;
    EXPECT_TRUE(a != b);
    b = a;
    EXPECT_TRUE(a == b);
    b.m_szStatusDll = u"other.dll";  // not compared
    EXPECT_TRUE(a == b);

    CBTAppSrvCfg& base_a = a;
    CBTServiceCfg service(u"0001");
    service.m_dwInstallOnDemand = 0;
    static_cast<CBTAppSrvCfg&>(service) = base_a;  // copies every base field but "InstallOnDemand"
    EXPECT_EQ(service.m_dwUUID, 0x1112u);
    EXPECT_EQ(service.m_szGuid, a.m_szGuid);
    EXPECT_EQ(service.m_dwInstallOnDemand, 0u);

    CBTLAPAppCfg lap1, lap2;
    lap2.m_szPassword = u"secret";
    EXPECT_FALSE(lap1 == lap2);
    EXPECT_TRUE(static_cast<CBTAppSrvCfg&>(lap1) == static_cast<CBTAppSrvCfg&>(lap2));
}

}  // namespace
}  // namespace qel::test
