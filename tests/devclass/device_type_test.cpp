// Device types from classes of device (every row of the type table, with the bytes each row
// ignores), the class-of-device byte orders, and the platform generation from version answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "devclass/cod_byte_order.h"
#include "devclass/device_type.h"
#include "devclass/platform_type.h"
#include "support/test_support.h"

using namespace qbtapiM;

namespace {

struct TypeRow {
    const char* name;
    BYTE major;
    std::vector<BYTE> minor_bytes;  // masked minor bytes the row covers
    QEL_DEVICE_TYPE type;
};

std::vector<BYTE> all_minor_bytes_except(std::vector<BYTE> excluded) {
    std::vector<BYTE> out;
    for (int m = 0; m <= 0xFC; m += 4) {
        if (std::find(excluded.begin(), excluded.end(), BYTE(m)) == excluded.end()) out.push_back(BYTE(m));
    }
    return out;
}

const std::vector<TypeRow>& type_rows() {
    static const std::vector<TypeRow> rows = {
        {"ComputerLaptop", 1, {0x0C}, QEL_DEVICE_LAPTOP},
        {"ComputerHandheldAndPalm", 1, {0x10, 0x14}, QEL_DEVICE_PDA},
        {"ComputerOther", 1, all_minor_bytes_except({0x0C, 0x10, 0x14}), QEL_DEVICE_COMPUTER},
        {"PhoneModem", 2, {0x10}, QEL_DEVICE_MODEM},
        {"PhoneOther", 2, all_minor_bytes_except({0x10}), QEL_DEVICE_PHONE},
        {"AudioMonoHeadset", 4, {0x04, 0x08}, QEL_DEVICE_MONO_HEADSET},
        {"AudioHeadphones", 4, {0x18}, QEL_DEVICE_UNIVERSAL_HEADSET},
        {"AudioHiFi", 4, {0x28}, QEL_DEVICE_HIFIAUDIO},
        {"AudioOther", 4, all_minor_bytes_except({0x04, 0x08, 0x18, 0x28}), QEL_DEVICE_STEREO_HEADSET},
        {"PeripheralKeyboard", 5, {0x40}, QEL_DEVICE_KEYBOARD},
        {"PeripheralPointing", 5, {0x80}, QEL_DEVICE_MOUSE},
        {"PeripheralOther", 5, all_minor_bytes_except({0x40, 0x80}), QEL_DEVICE_UNKNOWN},
        {"ImagingCamera", 6, {0x20}, QEL_DEVICE_CAMERA},
        {"ImagingPrinter", 6, {0x80}, QEL_DEVICE_PRINTER},
        {"ImagingOther", 6, all_minor_bytes_except({0x20, 0x80}), QEL_DEVICE_UNKNOWN},
        {"Miscellaneous", 0, all_minor_bytes_except({}), QEL_DEVICE_UNKNOWN},
        {"NetworkAccessPoint", 3, all_minor_bytes_except({}), QEL_DEVICE_UNKNOWN},
        {"Wearable", 7, all_minor_bytes_except({}), QEL_DEVICE_UNKNOWN},
        {"Uncategorised", 31, all_minor_bytes_except({}), QEL_DEVICE_UNKNOWN},
    };
    return rows;
}

class DeviceTypeTable : public testing::TestWithParam<TypeRow> {};

// Each minor byte of the row, with every format-bit pattern and with service-class bits set in
// byte 0 and the top of byte 1: none of those may change the type.
TEST_P(DeviceTypeTable, EveryClassOfTheRowGivesItsType) {
    const TypeRow& row = GetParam();
    for (BYTE minor : row.minor_bytes) {
        for (BYTE format = 0; format < 4; ++format) {
            for (BYTE service : {BYTE(0x00), BYTE(0xFF)}) {
                DEV_CLASS dc{service, BYTE(row.major | (service & 0xE0)), BYTE(minor | format)};
                ASSERT_EQ(GetDeviceTypeFromDevClass(dc), row.type)
                    << "class " << std::hex << int(dc[0]) << " " << int(dc[1]) << " " << int(dc[2]);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, DeviceTypeTable, testing::ValuesIn(type_rows()),
                         [](const testing::TestParamInfo<TypeRow>& info) { return std::string(info.param.name); });

TEST(DeviceType, NamesFollowTheEnumeration) {
    EXPECT_EQ(QelDeviceTypeName(QEL_DEVICE_UNKNOWN), "QEL_DEVICE_UNKNOWN");
    EXPECT_EQ(QelDeviceTypeName(QEL_DEVICE_UNIVERSAL_HEADSET), "QEL_DEVICE_UNIVERSAL_HEADSET");
    EXPECT_EQ(QelDeviceTypeName(QEL_DEVICE_HIFIAUDIO), "QEL_DEVICE_HIFIAUDIO");
    EXPECT_EQ(QelDeviceTypeName(QEL_DEVICE_LAPTOP), "QEL_DEVICE_LAPTOP");
    EXPECT_EQ(QelDeviceTypeName(14), "");
}

TEST(ByteOrder, BthCodToDCPutsTheMostSignificantByteFirstAndDCToBthCodIsItsInverse) {
    DEV_CLASS dc{};
    BthCodToDC(dc, 0xFF123456);  // the unused top byte is dropped
    EXPECT_EQ(dc, (DEV_CLASS{0x12, 0x34, 0x56}));
    BTH_COD cod = 0xFFFFFFFF;
    DCToBthCod(DEV_CLASS{0x5A, 0x02, 0x0C}, cod);
    EXPECT_EQ(cod, 0x005A020Cu);
    for (BTH_COD value : {0x000000u, 0x000001u, 0x200404u, 0xFFFFFFu, 0x800000u}) {
        BthCodToDC(dc, value);
        BTH_COD back = 0;
        DCToBthCod(dc, back);
        EXPECT_EQ(back, value);
    }
}

TEST(ByteOrder, ServClassToDCReadsTheFirstThreeBytesInMemoryOrder) {
    GUID guid{};
    const BYTE first[4] = {0x0C, 0x02, 0x5A, 0x77};
    std::memcpy(&guid, first, sizeof first);
    DEV_CLASS dc{};
    ServClassToDC(dc, &guid);
    EXPECT_EQ(dc, (DEV_CLASS{0x5A, 0x02, 0x0C}));
}

struct VersionCase {
    const char* setting;
    PLATFORM_TYPE expected;
};

class PlatformTypeTable : public testing::TestWithParam<VersionCase> {};

TEST_P(PlatformTypeTable, VersionSettingGivesItsGeneration) {
    qel::test::ScopedEnv env("QEL_PLATFORM_VERSION",
                             GetParam().setting ? std::optional<std::string>(GetParam().setting) : std::nullopt);
    EXPECT_EQ(CBtUtils::PlatformTypeFromVersion(qel::platform::os_version()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Versions, PlatformTypeTable,
                         testing::Values(VersionCase{nullptr, 7}, VersionCase{"NT 6.0", 7}, VersionCase{"nt 10.0", 7},
                                         VersionCase{"NT 6.1", 7}, VersionCase{"NT 5.2", 6}, VersionCase{"NT 5.1", 6},
                                         VersionCase{"NT 5.0", 5}, VersionCase{"NT 4.0", 4}, VersionCase{"NT 3.51", 0},
                                         VersionCase{"9X 4.10", 2}, VersionCase{"9x 4.90", 3}, VersionCase{"9X 4.0", 1},
                                         VersionCase{"9X 5.10", 1}, VersionCase{"NT", 0}, VersionCase{"NT 6", 0},
                                         VersionCase{"NT 6.x", 0}, VersionCase{"OS2 6.0", 0},
                                         VersionCase{"NT 6.0 extra", 0}));

TEST(PlatformType, ProcessGenerationIsComputedOnceAndKept) {
    const PLATFORM_TYPE first = CBtUtils::GetPlatformType();
    qel::test::ScopedEnv env("QEL_PLATFORM_VERSION", first == 5 ? "NT 6.0" : "NT 5.0");
    EXPECT_EQ(CBtUtils::GetPlatformType(), first);
}

TEST(PlatformType, ColumnsOfTheIconTables) {
    for (PLATFORM_TYPE p = 0; p <= 5; ++p) EXPECT_EQ(IconColumnOfPlatform(p), 0) << p;
    EXPECT_EQ(IconColumnOfPlatform(6), 1);
    EXPECT_EQ(IconColumnOfPlatform(7), 2);
    EXPECT_EQ(IconColumnOfPlatform(8), 2);
}

}  // namespace
