// The CDMA device list: never creates its key, formats addresses as twelve lower-case digits,
// appends with ";" and never rewrites what was there.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "dialup/providers/cdma_devices.h"
#include "platform/registry/registry.h"
#include "providers_test_util.h"

namespace qel::test {
namespace {

using namespace qel::platform;

class CdmaDevices : public ProvidersTest {
protected:
    void create_key() {
        RegKey key;
        ASSERT_EQ(reg_create_key(HKEY_CURRENT_USER, kPhoneIfKeyPath, KEY_ALL_ACCESS, key.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void set_list(const std::u16string& list) {
        RegKey key;
        ASSERT_EQ(reg_create_key(HKEY_CURRENT_USER, kPhoneIfKeyPath, KEY_ALL_ACCESS, key.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(reg_set_value(key.get(), kDevicesCdmaValue, REG_SZ, reinterpret_cast<const BYTE*>(list.c_str()),
                                static_cast<DWORD>((list.size() + 1) * 2)),
                  ERROR_SUCCESS);
    }
    // The stored value, or "<absent>".
    std::u16string list() {
        RegKey key;
        if (reg_open_key(HKEY_CURRENT_USER, kPhoneIfKeyPath, KEY_READ, key.put()) != ERROR_SUCCESS) return u"<no key>";
        std::vector<char16_t> data(256);
        DWORD type = 0, size = static_cast<DWORD>(data.size() * 2);
        if (reg_query_value(key.get(), kDevicesCdmaValue, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
            ERROR_SUCCESS) {
            return u"<absent>";
        }
        EXPECT_EQ(type, REG_SZ);
        return std::u16string(data.data());
    }

    const std::array<BYTE, 6> phone_{0x00, 0x1A, 0x2B, 0xC3, 0xD4, 0xEF};
    const std::array<BYTE, 6> other_{0xAB, 0xCD, 0xEF, 0x01, 0x02, 0x03};
};

TEST_F(CdmaDevices, MissingKeyIsFalseAndStaysMissing) {
    EXPECT_FALSE(check_CDMA_DEVICES(phone_, false));
    EXPECT_FALSE(check_CDMA_DEVICES(phone_, true));
    EXPECT_EQ(list(), u"<no key>");
}

TEST_F(CdmaDevices, EmptyListWithSaveBecomesExactlyTheTwelveDigits) {
    create_key();
    EXPECT_FALSE(check_CDMA_DEVICES(phone_, false));
    EXPECT_EQ(list(), u"<absent>") << "asking without saving writes nothing";
    EXPECT_TRUE(check_CDMA_DEVICES(phone_, true));
    EXPECT_EQ(list(), u"001a2bc3d4ef");
    EXPECT_TRUE(check_CDMA_DEVICES(phone_, false));

    set_list(u"");
    EXPECT_TRUE(check_CDMA_DEVICES(phone_, true));
    EXPECT_EQ(list(), u"001a2bc3d4ef") << "an empty value gets no separator either";
}

TEST_F(CdmaDevices, FurtherDevicesAreAppendedAfterASemicolon) {
    set_list(u"001a2bc3d4ef");
    EXPECT_FALSE(check_CDMA_DEVICES(other_, false));
    EXPECT_TRUE(check_CDMA_DEVICES(other_, true));
    EXPECT_EQ(list(), u"001a2bc3d4ef;abcdef010203");
    EXPECT_TRUE(check_CDMA_DEVICES(phone_, true));
    EXPECT_TRUE(check_CDMA_DEVICES(other_, true));
    EXPECT_EQ(list(), u"001a2bc3d4ef;abcdef010203") << "listed devices are not added twice";
}

TEST_F(CdmaDevices, UpperCaseEntriesAreNotTheLowerCaseForm) {
    set_list(u"001A2BC3D4EF");
    EXPECT_FALSE(check_CDMA_DEVICES(phone_, false));
    EXPECT_TRUE(check_CDMA_DEVICES(phone_, true));
    EXPECT_EQ(list(), u"001A2BC3D4EF;001a2bc3d4ef");
}

}  // namespace
}  // namespace qel::test
