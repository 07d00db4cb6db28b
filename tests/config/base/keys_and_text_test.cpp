// Deep copy of keys and its limits, the sub-key iterators, GUID text and code-page conversion.
#include <gtest/gtest.h>

#include <cstring>

#include "config/cfg_iterator.h"
#include "config/code_page.h"
#include "config/guid.h"
#include "config/reg_key.h"
#include "config_test_util.h"

namespace qel::test {
namespace {

using CopyTest = ConfigTest;

LSTATUS set_bytes(HKEY key, std::u16string_view name, std::size_t size, BYTE fill) {
    std::vector<BYTE> data(size, fill);
    return reg_set_value(key, name, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
}

std::vector<BYTE> get_bytes(HKEY root, std::u16string_view path, std::u16string_view name) {
    return value_bytes(root, path, name).value_or(std::vector<BYTE>{});
}

TEST_F(CopyTest, CopiesValuesAndSubKeysDeeply) {
    BtRegKey org;
    ASSERT_EQ(org.Create(HKEY_CURRENT_USER, u"Software\\Org"), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(org.m_hKey, u"Bin", 1040, 0xAB), ERROR_SUCCESS);  // exactly at the limit
    const DWORD number = 5;
    ASSERT_EQ(reg_set_value(org.m_hKey, u"Num", REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
    ASSERT_EQ(reg_set_value(org.m_hKey, u"", REG_SZ, reinterpret_cast<const BYTE*>(u"dflt"), 10), ERROR_SUCCESS);
    {
        BtRegKey sub;
        ASSERT_EQ(sub.Create(org.m_hKey, u"Sub\\Deeper"), ERROR_SUCCESS);
        ASSERT_EQ(set_bytes(sub.m_hKey, u"Inner", 3, 1), ERROR_SUCCESS);
    }
    BtRegKey copy;
    ASSERT_EQ(copy.Create(HKEY_LOCAL_MACHINE, u"Software\\Copy"), ERROR_SUCCESS);
    EXPECT_EQ(CopyRegKey(org, copy), ERROR_SUCCESS);
    EXPECT_EQ(get_bytes(HKEY_LOCAL_MACHINE, u"Software\\Copy", u"Bin"), std::vector<BYTE>(1040, 0xAB));
    EXPECT_EQ(get_bytes(HKEY_LOCAL_MACHINE, u"Software\\Copy", u"Num").size(), 4u);
    EXPECT_EQ(get_bytes(HKEY_LOCAL_MACHINE, u"Software\\Copy", u"").size(), 10u);
    EXPECT_EQ(get_bytes(HKEY_LOCAL_MACHINE, u"Software\\Copy\\Sub\\Deeper", u"Inner"), std::vector<BYTE>(3, 1));
}

TEST_F(CopyTest, ValueOverTheDataLimitStopsTheCopyThere) {
    BtRegKey org;
    ASSERT_EQ(org.Create(HKEY_CURRENT_USER, u"Software\\Org"), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(org.m_hKey, u"Before", 10, 1), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(org.m_hKey, u"Big", 1041, 2), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(org.m_hKey, u"After", 10, 3), ERROR_SUCCESS);
    BtRegKey copy;
    ASSERT_EQ(copy.Create(HKEY_CURRENT_USER, u"Software\\Copy"), ERROR_SUCCESS);
    EXPECT_EQ(CopyKeyValues(org, copy), static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(value_names(HKEY_CURRENT_USER, u"Software\\Copy").size(), 1u);
    EXPECT_EQ(get_bytes(HKEY_CURRENT_USER, u"Software\\Copy", u"Before"), std::vector<BYTE>(10, 1));
    // The deep copy reports the incomplete copy, so a caller moving the key keeps the original.
    BtRegKey copy2;
    ASSERT_EQ(copy2.Create(HKEY_CURRENT_USER, u"Software\\Copy2"), ERROR_SUCCESS);
    EXPECT_NE(CopyRegKey(org, copy2), ERROR_SUCCESS);
}

TEST_F(CopyTest, ValueNameOverTheNameLimitStopsTheCopy) {
    BtRegKey org;
    ASSERT_EQ(org.Create(HKEY_CURRENT_USER, u"Software\\Org"), ERROR_SUCCESS);
    const std::u16string fits(519, u'a');   // 519 characters and the terminator: 520
    const std::u16string tooLong(520, u'b');
    ASSERT_EQ(set_bytes(org.m_hKey, fits, 1, 1), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(org.m_hKey, tooLong, 1, 2), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(org.m_hKey, u"Last", 1, 3), ERROR_SUCCESS);
    BtRegKey copy;
    ASSERT_EQ(copy.Create(HKEY_CURRENT_USER, u"Software\\Copy"), ERROR_SUCCESS);
    EXPECT_EQ(CopyKeyValues(org, copy), static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(get_bytes(HKEY_CURRENT_USER, u"Software\\Copy", fits), std::vector<BYTE>(1, 1));
    EXPECT_EQ(value_names(HKEY_CURRENT_USER, u"Software\\Copy").size(), 1u);
}

using IteratorTest = ConfigTest;

TEST_F(IteratorTest, WalksSubKeysInRegistryOrderAndCounts) {
    for (const char16_t* name : {u"0002", u"0001", u"beta", u"Alpha"}) {
        create_key(HKEY_CURRENT_USER, std::u16string(kServicesPath) + u"\\" + name);
    }
    CBTServiceCfgIterator it;
    EXPECT_EQ(it.GetCount(), 4u);
    std::vector<std::u16string> seen;
    char16_t name[MAX_PATH];
    while (it.GetNext(name)) seen.emplace_back(name);
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"0001", u"0002", u"Alpha", u"beta"}));
    EXPECT_FALSE(it.GetNext(name));
}

TEST_F(IteratorTest, MissingPathEndsQuietlyAndIsTriedAgain) {
    CBTAppsCfgIterator it;
    char16_t name[MAX_PATH] = u"untouched";
    EXPECT_FALSE(it.GetNext(name));
    EXPECT_EQ(it.GetCount(), 0u);
    EXPECT_EQ(std::u16string(name), u"untouched");
    create_key(HKEY_CURRENT_USER, std::u16string(kApplicationsPath) + u"\\0001");
    EXPECT_TRUE(it.GetNext(name));
    EXPECT_EQ(std::u16string(name), u"0001");
}

TEST_F(IteratorTest, TypedIteratorsUseTheirRoots) {
    create_key(HKEY_LOCAL_MACHINE, std::u16string(kDevicesPath) + u"\\00:11:22:aa:bb:cc\\0001");
    create_key(HKEY_LOCAL_MACHINE, std::u16string(kDevicesPath) + u"\\00:11:22:aa:bb:cc\\0002");
    create_key(HKEY_CURRENT_USER, std::u16string(kDevicesPath) + u"\\ff:ff:ff:ff:ff:ff");
    CBTDevCfgIterator devices;
    char16_t name[MAX_PATH];
    ASSERT_TRUE(devices.GetNext(name));
    EXPECT_EQ(std::u16string(name), u"00:11:22:aa:bb:cc");
    EXPECT_FALSE(devices.GetNext(name));

    const BYTE bda[6] = {0x00, 0x11, 0x22, 0xAA, 0xBB, 0xCC};
    CBTServiceCacheCfgIterator cache(bda);
    EXPECT_EQ(cache.GetCount(), 2u);

    create_key(HKEY_LOCAL_MACHINE, std::u16string(kCustomAppsPath) + u"\\0");
    CBTCustomAppsCfgIterator apps;
    EXPECT_EQ(apps.GetCount(), 1u);
    CBTConnectionInfoCfgIterator connections;
    EXPECT_EQ(connections.GetCount(), 0u);
}

TEST_F(IteratorTest, IndexAdvancesPastAFailedStepAsRegistryIndexesShift) {
    create_key(HKEY_CURRENT_USER, std::u16string(kAutoConnectPath) + u"\\0003");
    create_key(HKEY_CURRENT_USER, std::u16string(kAutoConnectPath) + u"\\0004");
    CBTAutoConnectIterator it;
    char16_t name[MAX_PATH];
    ASSERT_TRUE(it.GetNext(name));
    EXPECT_EQ(std::u16string(name), u"0003");
    // Deleting the key just returned shifts "0004" to index 0: the walk has passed it.
    RegKey path;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, kAutoConnectPath, KEY_ALL_ACCESS, path.put()), ERROR_SUCCESS);
    ASSERT_EQ(reg_delete_key(path.get(), u"0003"), ERROR_SUCCESS);
    EXPECT_FALSE(it.GetNext(name));
}

// GUID text.
constexpr GUID kSerialPort = {0x00001101, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};
constexpr char16_t kSerialPortText[] = u"{00001101-0000-1000-8000-00805F9B34FB}";

TEST(GuidText, SerialPortGuidRoundTrips) {
    GUID g{};
    StringToGuid(g, kSerialPortText);
    EXPECT_EQ(g, kSerialPort);
    char16_t text[kGuidTextChars + 1];
    GuidToString(kSerialPort, text);
    EXPECT_EQ(std::u16string(text), kSerialPortText);
    GUID lower{};
    StringToGuid(lower, u"{00001101-0000-1000-8000-00805f9b34fb}");
    EXPECT_EQ(lower, kSerialPort);
    GUID mapped{};
    MapUuidToGuid(0x1101, &mapped);
    EXPECT_EQ(mapped, kSerialPort);
    CBTCfg::MapUuidToGuid(0xFFFF1101, &mapped);  // only the 16-bit UUID counts
    EXPECT_EQ(mapped, kSerialPort);
    const GUID odd = {0xDEADBEEF, 0xA1B2, 0xC3D4, {1, 2, 3, 4, 5, 6, 7, 0xFF}};
    GuidToString(odd, text);
    GUID back{};
    StringToGuid(back, text);
    EXPECT_EQ(back, odd);
}

TEST(GuidText, MalformedTextLeavesTheGuidUntouched) {
    const GUID before = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    for (const char16_t* bad : {u"00001101-0000-1000-8000-00805F9B34FB", u"{00001101-0000-1000-8000-00805F9B34FB",
                                u"{000011010-000-1000-8000-00805F9B34FB}", u"{00001101-0000-1000-8000-00805F9B34F}",
                                u"{00001101-0000-1000-8000:00805F9B34FB}", u"", u"{", u"{00001101-0000"}) {
        GUID g = before;
        StringToGuid(g, bad);
        EXPECT_EQ(g, before) << std::string(bad, bad + std::u16string_view(bad).size());
    }
    GUID g = before;
    StringToGuid(g, nullptr);
    EXPECT_EQ(g, before);
    // Right layout, digits not validated: counted as the store always counted them.
    StringToGuid(g, u"{0000001G-0000-1000-8000-00805F9B34FB}");
    EXPECT_EQ(g.Data1, 0x10u + ('G' - 55));
}

TEST(GuidText, CGuidStrFormatsLowerCaseAndParsesEitherCase) {
    const CGuidStr fromGuid(kSerialPort);
    EXPECT_EQ(std::u16string(fromGuid.Str()), u"{00001101-0000-1000-8000-00805f9b34fb}");
    const CGuidStr fromText(kSerialPortText);
    EXPECT_EQ(fromText.Guid(), kSerialPort);
    EXPECT_EQ(std::u16string(fromText.Str()), kSerialPortText);
    const CGuidStr bad(u"{00001101-0000-1000-80-00805F9B34FB}");
    EXPECT_EQ(bad.Guid(), GUID{});
    const CGuidStr truncated(u"{00001101-0000-1000-8000-00805F9B34");
    EXPECT_EQ(truncated.Guid(), GUID{});  // fewer than 11 fields
    const std::u16string longText(200, u'x');
    const CGuidStr cut(longText.c_str());
    EXPECT_EQ(std::u16string(cut.Str()).size(), 63u);
}

TEST(CodePage, ConvertsUtf8NamesToTheNativeCodePageWithinTheLimit) {
    char out[16];
    BtRegUtf8ToNative("Gr\xC3\xBC\xC3\x9F" "e", CP_UTF8, out, 1252, sizeof out);
    EXPECT_STREQ(out, "Gr\xFC\xDF" "e");
    std::memset(out, 'z', sizeof out);
    BtRegUtf8ToNative("abcdefghij", CP_UTF8, out, 1252, 5);
    EXPECT_STREQ(out, "abcd");
    EXPECT_EQ(out[5], 'z');  // nothing written past the limit
    // Shift-JIS: a double-byte character is never split.
    BtRegUtf8ToNative("a\xE3\x81\x82\xE3\x81\x82", CP_UTF8, out, 932, 5);
    EXPECT_STREQ(out, "a\x82\xA0");

    std::strcpy(out, "keep");
    BtUtf8ToNative("", CP_UTF8, out, 1252, sizeof out);
    EXPECT_STREQ(out, "keep");
    BtRegUtf8ToNative("", CP_UTF8, out, 1252, sizeof out);
    EXPECT_STREQ(out, "");
    BtUtf8ToNative("x", CP_UTF8, out, 1252, sizeof out);
    EXPECT_STREQ(out, "x");
}

}  // namespace
}  // namespace qel::test
