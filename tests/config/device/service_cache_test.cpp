// Service cache entries: finding the entry of a service (letter case, prefixes, native names),
// numbering new entries without overwriting others, deletion and the name look-ups.
#include "../records/records_test_util.h"
#include "config/service_cache_cfg.h"
#include "config/service_cfg.h"

namespace qel::test {
namespace {

const CfgBdAddr kPhone = {0x00, 0x0a, 0x95, 0x9d, 0x68, 0x16};
const std::u16string kPhonePath = u"Software\\Quorlan\\BTConfig\\Devices\\00:0a:95:9d:68:16";

void add_entry(std::string_view name, DWORD uuid, DWORD security = 0, DWORD def = 0) {
    CBTServiceCacheCfg entry(kPhone, name, uuid, security, def);
    ASSERT_EQ(entry.Save(), ERROR_SUCCESS);
}

std::u16string key_of(std::string_view name, DWORD uuid) {
    CBTServiceCacheCfg entry(kPhone, name, uuid);
    return entry.GetKeyName();
}

using ServiceCacheTest = RecordsTest;

TEST_F(ServiceCacheTest, NewServicesAreNumberedFromZero) {
    EXPECT_EQ(key_of("Serial Port", 0x1101), u"0");
    add_entry("Serial Port", 0x1101);
    add_entry("Dial-up Networking", 0x1103);
    EXPECT_EQ(key_of("OBEX Object Push", 0x1105), u"2");
    EXPECT_EQ(sub_keys(HKEY_LOCAL_MACHINE, kPhonePath), (std::vector<std::u16string>{u"0", u"1"}));
}

TEST_F(ServiceCacheTest, MatchingIgnoresCaseAndTakesPrefixesOfTheSameUuid) {
    add_entry("serial port 1 (COM5)", 0x1101, 1, 1);
    CBTServiceCacheCfg same(kPhone, "Serial Port 1", 0x1101);
    EXPECT_EQ(std::u16string(same.GetKeyName()), u"0");
    EXPECT_EQ(same.m_dwSecurity, 1u);
    EXPECT_EQ(same.m_dwDefaultConnection, 1u);
    // The five-argument form keeps the key but takes its own switches.
    CBTServiceCacheCfg forced(kPhone, "SERIAL PORT 1 (com5)", 0x1101, 0, 0);
    EXPECT_EQ(std::u16string(forced.GetKeyName()), u"0");
    EXPECT_EQ(forced.m_dwSecurity, 0u);
    // Another UUID or a longer name is another service.
    EXPECT_EQ(key_of("Serial Port 1", 0x1103), u"1");
    EXPECT_EQ(key_of("Serial Port 1 (COM5) extra", 0x1101), u"1");
}

TEST_F(ServiceCacheTest, DeletedEntryLeavesAGapThatNewServicesDoNotOverwrite) {
    add_entry("Serial Port", 0x1101);
    add_entry("Dial-up Networking", 0x1103);
    add_entry("Headset", 0x1108);
    ASSERT_TRUE(CBTServiceCacheCfg::Delete(kPhone, "Serial Port", 0x1101));
    EXPECT_EQ(sub_keys(HKEY_LOCAL_MACHINE, kPhonePath), (std::vector<std::u16string>{u"1", u"2"}));
    // Two entries are counted, but "2" is the headset's: the new service takes "3".
    add_entry("OBEX Object Push", 0x1105);
    CBTServiceCacheCfg headset(kPhone, u"2");
    ASSERT_EQ(headset.Read(), ERROR_SUCCESS);
    EXPECT_EQ(headset.m_szServiceNameUTF8, "Headset");
    EXPECT_EQ(headset.m_dwUUID, 0x1108u);
    EXPECT_EQ(key_of("OBEX Object Push", 0x1105), u"3");
    // A match found after the gap keeps its own number, not its place in the walk.
    EXPECT_EQ(key_of("headset", 0x1108), u"2");
}

TEST_F(ServiceCacheTest, MatchesBeyondTenKeepTheirNumbers) {
    for (int i = 0; i < 11; ++i) add_entry("Service " + std::to_string(i), 0x1101);
    // "10" enumerates before "2": the entry's number is its key name.
    EXPECT_EQ(key_of("Service 2", 0x1101), u"2");
    EXPECT_EQ(key_of("Service 10", 0x1101), u"10");
    EXPECT_EQ(key_of("Other", 0x1101), u"11");
}

TEST_F(ServiceCacheTest, UnreadableSwitchesReadAsZero) {
    add_entry("Headset", 0x1108, 1, 1);
    RegKey key = create_key(HKEY_LOCAL_MACHINE, kPhonePath + u"\\0");
    ASSERT_EQ(reg_delete_value(key.get(), u"Security"), ERROR_SUCCESS);
    set_text(HKEY_LOCAL_MACHINE, kPhonePath + u"\\0", u"DefaultConnection", u"1");
    CBTServiceCacheCfg entry(kPhone, u"0");
    entry.m_dwSecurity = 5;
    entry.m_dwDefaultConnection = 5;
    ASSERT_EQ(entry.Read(), ERROR_SUCCESS);
    EXPECT_EQ(entry.m_dwSecurity, 0u);
    EXPECT_EQ(entry.m_dwDefaultConnection, 0u);
    EXPECT_EQ(entry.m_dwUUID, 0x1108u);
}

TEST_F(ServiceCacheTest, NameWithoutNativeFormTakesTheApplicationName) {
    CBTAppCfg app;
    app.m_szName = u"Bluetooth Serial Port";
    app.m_dwUUID = 0x1101;
    ASSERT_EQ(app.Save(), ERROR_SUCCESS);
    // U+4E2D has no form in code page 1252.
    CBTServiceCacheCfg entry(kPhone, "\xe4\xb8\xad COM", 0x1101);
    EXPECT_EQ(entry.m_szServiceNameNative, "Bluetooth Serial Port");
    CBTServiceCacheCfg plain(kPhone, "Caf\xc3\xa9", 0x1101);
    EXPECT_EQ(plain.m_szServiceNameNative, "Caf\xe9");
}

TEST_F(ServiceCacheTest, DeleteIsExactAndDeleteAllEmptiesTheCache) {
    add_entry("Serial Port", 0x1101);
    EXPECT_FALSE(CBTServiceCacheCfg::Delete(kPhone, "serial port", 0x1101));
    EXPECT_FALSE(CBTServiceCacheCfg::Delete(kPhone, "Serial Port", 0x1103));
    add_entry("Headset", 0x1108);
    CBTServiceCacheCfg::DeleteAll(kPhone);
    EXPECT_TRUE(sub_keys(HKEY_LOCAL_MACHINE, kPhonePath).empty());
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kPhonePath));
}

TEST_F(ServiceCacheTest, NameLookupsPreferTheExactNameThenTheLastOfTheUuid) {
    add_entry("Port A", 0x1101);
    add_entry("Port B", 0x1101);
    std::string native;
    CBTServiceCacheCfg::GetServiceNameNative(kPhone, 0x1101, "Port A", native);
    EXPECT_EQ(native, "Port A");
    CBTServiceCacheCfg::GetServiceNameNative(kPhone, 0x1101, "Port C", native);
    EXPECT_EQ(native, "Port B");
    CBTServiceCacheCfg::GetServiceNameUTF8(kPhone, 0x1105, "Port A", native);
    EXPECT_EQ(native, "");
}

TEST_F(ServiceCacheTest, ComparisonLeavesOutTheNativeNameAndCopyTakesAll) {
    CBTServiceCacheCfg a(kPhone, "Port", 0x1101);
    CBTServiceCacheCfg b(a);
    b.m_szServiceNameNative = "other";
    EXPECT_TRUE(a == b);
    b.m_dwSdpAttr = 1;
    EXPECT_TRUE(a != b);
    CBTServiceCacheCfg c;
    c = b;
    EXPECT_EQ(c.m_szServiceNameNative, "other");
    EXPECT_TRUE(c == b);
}

}  // namespace
}  // namespace qel::test
