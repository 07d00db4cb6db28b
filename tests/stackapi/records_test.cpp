// The packed records at the stack's exact offsets, and the base-UUID GUIDs.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "facade/stackapi/qbt_records.h"

namespace {

template <class R>
std::vector<BYTE> raw(const R& r) {
    return std::vector<BYTE>(r.data(), r.data() + sizeof(R));
}

TEST(ServiceInfo, FieldsSitAtTheirOffsetsLittleEndian) {
    tBT_SERVICE_INFO r{};
    r.set_first_word(0x01020304);
    r.set_service_name("Dial-up Networking");
    r.set_service_guid(qbt_base_guid(0x1103));
    r.set_state(2);
    r.set_remote_address({0x00, 0x1e, 0x3a, 0x4b, 0x7c, 0x21});
    r.set_com_port("COM7");
    const auto b = raw(r);
    ASSERT_EQ(b.size(), 2435u);
    EXPECT_EQ((std::vector<BYTE>{b[0], b[1], b[2], b[3]}), (std::vector<BYTE>{4, 3, 2, 1}));
    EXPECT_EQ(std::memcmp(&b[4], "Dial-up Networking\0", 19), 0);
    // GUID 00001103-0000-1000-8000-00805F9B34FB, Data1..Data3 little-endian.
    const BYTE guid[16] = {0x03, 0x11, 0, 0, 0, 0, 0x00, 0x10, 0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB};
    EXPECT_EQ(std::memcmp(&b[105], guid, 16), 0);
    EXPECT_EQ((std::vector<BYTE>{b[2122], b[2123], b[2124], b[2125]}), (std::vector<BYTE>{2, 0, 0, 0}));
    const BYTE addr[6] = {0x00, 0x1e, 0x3a, 0x4b, 0x7c, 0x21};
    EXPECT_EQ(std::memcmp(&b[2130], addr, 6), 0);
    EXPECT_EQ(std::memcmp(&b[2384], "COM7\0", 5), 0);
    // Nothing else was touched outside this library's own fields.
    for (std::size_t i = 2126; i < 2130; ++i) EXPECT_EQ(b[i], 0) << i;
    EXPECT_EQ(b[2434], 0);
}

TEST(ServiceInfo, TextIsCutSoTheTerminatorFitsAndReadBack) {
    tBT_SERVICE_INFO r{};
    r.set_service_name(std::string(150, 'x'));
    EXPECT_EQ(r.service_name().size(), 100u);
    EXPECT_EQ(r.data()[4 + 100], 0);
    EXPECT_EQ(r.data()[105], 0) << "the GUID after the name is untouched";
    r.set_com_port(std::string(60, 'C'));
    EXPECT_EQ(r.com_port().size(), 50u);
    EXPECT_EQ(r.data()[2434], 0);
    r.set_service_name("AB");
    EXPECT_EQ(r.service_name(), "AB");
    EXPECT_EQ(r.data()[4 + 3], 0) << "the rest of the field is cleared";
    // A field filled to its width without a terminator (as a peer might send) reads to its end.
    std::memset(r.data() + 2384, 'Z', 51);
    EXPECT_EQ(r.com_port().size(), 51u);
}

TEST(ServiceInfo, ArraysHaveTheStacksStride) {
    tBT_SERVICE_INFO records[3]{};
    EXPECT_EQ(reinterpret_cast<const BYTE*>(&records[1]) - reinterpret_cast<const BYTE*>(&records[0]), 2435);
    records[1].set_state(2);
    EXPECT_EQ(reinterpret_cast<const BYTE*>(records)[2435 + 2122], 2);
}

TEST(ActiveConns, FieldsSitAtTheirOffsets) {
    tBT_ACTIVE_CONNS c{};
    c.set_port_name("COM 1");
    c.set_service_guid(qbt_base_guid(0x1101));
    c.set_server(true);
    c.set_port_number(-2);
    const auto b = raw(c);
    ASSERT_EQ(b.size(), 377u);
    EXPECT_EQ(std::memcmp(&b[0], "COM 1\0", 6), 0);
    EXPECT_EQ(b[101], 0x01);
    EXPECT_EQ(b[102], 0x11);
    EXPECT_EQ(b[374], 1);
    EXPECT_EQ(b[375], 0xFE);
    EXPECT_EQ(b[376], 0xFF);
    EXPECT_EQ(c.port_number(), -2);
    EXPECT_TRUE(c.is_server());
    tBT_ACTIVE_CONNS pair[2]{};
    EXPECT_EQ(reinterpret_cast<const BYTE*>(&pair[1]) - reinterpret_cast<const BYTE*>(&pair[0]), 377);
}

TEST(ConnStats, FirstFieldHoldsValidityLowAndBatteryHigh) {
    tBT_CONN_STATS s{};
    EXPECT_FALSE(s.valid());
    s.set_valid_and_battery(true, 87);
    EXPECT_EQ(s.first_field(), 0x00570001u);
    const auto b = raw(s);
    ASSERT_EQ(b.size(), 20u);
    EXPECT_EQ((std::vector<BYTE>{b[0], b[1], b[2], b[3]}), (std::vector<BYTE>{1, 0, 87, 0}));
    EXPECT_TRUE(s.valid());
    EXPECT_EQ(s.battery_level(), 87);
    s.set_rssi(-60);
    EXPECT_EQ(s.rssi(), -60);
}

TEST(Guids, BaseUuidGuidsAreRecognised) {
    std::uint32_t uuid = 0;
    EXPECT_TRUE(qbt_is_base_guid(qbt_base_guid(0x111E), &uuid));
    EXPECT_EQ(uuid, 0x111Eu);
    GUID other = qbt_base_guid(0x1101);
    other.Data4[7] = 0;
    EXPECT_FALSE(qbt_is_base_guid(other));
    EXPECT_EQ(qbt_rc_text(QBT_STATUS_PORT_READY), "0x81000013 port ready");
    EXPECT_EQ(qbt_rc_text(0x12345678), "0x12345678");
}

}  // namespace
