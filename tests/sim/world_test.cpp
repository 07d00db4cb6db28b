// The world description: the demo world's contents, JSON reading and writing, the sample worlds,
// QEL_STACK_WORLD, and clear errors for malformed descriptions.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "facade/stackapi/cqbtapi.h"
#include "sim/simulator.h"
#include "sim/world.h"
#include "support/test_support.h"

namespace qel::sim {
namespace {

bool has_service(const Device& d, std::uint16_t uuid) {
    for (const auto& s : d.services) {
        if (s.uuid == uuid) return true;
    }
    return false;
}

int count_service(const Device& d, std::uint16_t uuid) {
    int n = 0;
    for (const auto& s : d.services) n += s.uuid == uuid;
    return n;
}

TEST(DemoWorld, HoldsThePhoneHeadsetLaptopKeyboardAndPrinter) {
    const World w = demo_world();
    ASSERT_EQ(w.devices.size(), 5u);
    std::set<BD_ADDR> addresses;
    for (const auto& d : w.devices) addresses.insert(d.address);
    EXPECT_EQ(addresses.size(), 5u);

    const Device& phone = w.devices[0];
    EXPECT_EQ(phone.device_class[1] & 0x1F, 0x02) << "major class phone";
    for (auto uuid : {QBT_UUID_DIALUP_NETWORKING, QBT_UUID_OBEX_OBJECT_PUSH, QBT_UUID_OBEX_FILE_TRANSFER,
                      QBT_UUID_IRMC_SYNC, QBT_UUID_HANDSFREE_AUDIO_GATEWAY, QBT_UUID_PANU, QBT_UUID_NAP}) {
        EXPECT_TRUE(has_service(phone, uuid)) << std::hex << uuid;
    }
    EXPECT_EQ(count_service(phone, QBT_UUID_SERIAL_PORT), 2);
    EXPECT_GE(phone.battery, 0);

    const Device& headset = w.devices[1];
    EXPECT_EQ(headset.device_class[1] & 0x1F, 0x04) << "major class audio/video";
    EXPECT_TRUE(has_service(headset, QBT_UUID_AUDIO_SINK));
    EXPECT_TRUE(has_service(headset, QBT_UUID_HANDSFREE));
    EXPECT_EQ(w.devices[2].device_class[1] & 0x1F, 0x01) << "laptop: computer";
    EXPECT_EQ(w.devices[3].device_class[1] & 0x1F, 0x05) << "keyboard: peripheral";
    EXPECT_EQ(w.devices[4].device_class[1] & 0x1F, 0x06) << "printer: imaging";
    for (const auto& s : w.adapter.services) {
        if (s.uuid == QBT_UUID_SERIAL_PORT) {
            EXPECT_GT(s.com_port, 0) << s.name;
        }
    }
}

TEST(WorldJson, RoundTripKeepsEverything) {
    World w = demo_world();
    RequestBehaviour b;
    b.result = 0;
    b.delay_ms = 1234;
    b.events = std::vector<LONG>{LONG(QBT_STATUS_PORT_READY), -5, 0};
    w.devices[0].behaviours["DunCreateConnection"] = b;
    RequestBehaviour silent;
    silent.no_answer = true;
    w.adapter.behaviours["GapStartDiscovery"] = silent;
    w.devices[1].services[0].guid = GUID{0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};
    w.devices[3].battery = -1;
    auto back = parse_world(world_to_json(w));
    ASSERT_TRUE(std::holds_alternative<World>(back)) << std::get<WorldError>(back).message;
    EXPECT_EQ(std::get<World>(back), w);
}

TEST(WorldJson, DefaultsAndLimits) {
    const std::string long_name(300, 'n');
    auto r = parse_world(R"({"adapter": {"address": "00:00:00:00:00:01"},
        "devices": [{"address": "AA:bb:CC:dd:EE:ff", "name": ")" + long_name + R"(", "class": 5898764,
                     "services": [{"uuid": 4353, "name": ")" + long_name + R"("}]},
                    {"address": "00:00:00:00:00:02", "paired": true, "class": "0x240404"}]})");
    ASSERT_TRUE(std::holds_alternative<World>(r)) << std::get<WorldError>(r).message;
    const World& w = std::get<World>(r);
    ASSERT_EQ(w.devices.size(), 2u);
    const Device& d = w.devices[0];
    EXPECT_EQ(d.address, (BD_ADDR{0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff}));
    EXPECT_EQ(d.name.size(), BD_NAME_LEN);
    EXPECT_EQ(d.services[0].name.size(), 100u);
    EXPECT_EQ(d.device_class, (DEV_CLASS{0x5a, 0x02, 0x0c}));
    EXPECT_FALSE(d.paired);
    EXPECT_FALSE(d.cached) << "an unpaired device has no cache unless the world says so";
    EXPECT_TRUE(d.present);
    EXPECT_EQ(d.battery, -1);
    EXPECT_TRUE(w.devices[1].cached);
    EXPECT_EQ(w.devices[1].device_class, (DEV_CLASS{0x24, 0x04, 0x04}));
}

TEST(WorldJson, PhoneSettingsDefaultsAndRoundTrip) {
    auto r = parse_world(R"({"adapter": {"address": "00:00:00:00:00:01"},
        "devices": [{"address": "00:00:00:00:00:02", "phone": {"cdma": true, "operator": "", "contexts": null}},
                    {"address": "00:00:00:00:00:03", "phone": {"model": "Q2", "echo": false, "contexts": "1-255"}},
                    {"address": "00:00:00:00:00:04"}]})");
    ASSERT_TRUE(std::holds_alternative<World>(r)) << std::get<WorldError>(r).message;
    World w = std::get<World>(r);
    ASSERT_TRUE(w.devices[0].phone);
    EXPECT_TRUE(w.devices[0].phone->cdma);
    EXPECT_EQ(w.devices[0].phone->operator_number, "") << "a phone that is not registered";
    EXPECT_FALSE(w.devices[0].phone->context_range) << "null: no packet data";
    EXPECT_TRUE(w.devices[0].phone->echo);
    ASSERT_TRUE(w.devices[1].phone);
    EXPECT_EQ(w.devices[1].phone->model, "Q2");
    EXPECT_FALSE(w.devices[1].phone->echo);
    EXPECT_EQ(w.devices[1].phone->context_range, "1-255");
    EXPECT_EQ(w.devices[1].phone->operator_number, PhoneSettings{}.operator_number);
    EXPECT_FALSE(w.devices[2].phone);

    auto back = parse_world(world_to_json(w));
    ASSERT_TRUE(std::holds_alternative<World>(back)) << std::get<WorldError>(back).message;
    EXPECT_EQ(std::get<World>(back), w);
}

struct Malformed {
    const char* json;
    const char* message_part;
};

TEST(WorldJson, MalformedDescriptionsGiveAnErrorNamingThePlace) {
    const Malformed cases[] = {
        {"", "not valid JSON"},
        {"{\"adapter\": ", "not valid JSON"},
        {"[]", "world: expected an object"},
        {"{}", "missing \"adapter\""},
        {R"({"adapter": {"address": "00:00:00:00:00:1"}})", "adapter.address: expected an address"},
        {R"({"adapter": {"address": "00-00-00-00-00-01"}})", "adapter.address"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": {}})", "devices: expected a list"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"name": "x"}]})", "devices[0]: missing \"address\""},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02"},
            {"address": "00:00:00:00:00:02"}]})", "devices[1].address: address 00:00:00:00:00:02 appears twice"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "services": [{"uuid": 70000}]}]})", "devices[0].services[0].uuid: number out of range"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "services": [{"uuid": "0x11zz"}]}]})", "devices[0].services[0].uuid: expected a number"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "battery": 101}]})", "devices[0].battery: number out of range"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "battery": -3}]})", "devices[0].battery: must not be negative"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "paired": "yes"}]})", "devices[0].paired: expected true or false"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "colour": "red"}]})", "devices[0]: unknown member \"colour\""},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "behaviour": {"SppCreateConnection": {"events": 5}}}]})",
         "devices[0].behaviour.SppCreateConnection.events: expected a list"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "services": [{"uuid": 4353, "guid": "{1234}"}]}]})", "devices[0].services[0].guid: expected a GUID"},
        {R"({"adapter": {"address": "00:00:00:00:00:01", "class": "0x1000000"}})", "adapter.class: number out of range"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "phone": {"operator": "2620"}}]})", "devices[0].phone.operator: expected 5 or 6 digits"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "phone": {"operator": "26201x"}}]})", "devices[0].phone.operator: expected 5 or 6 digits"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "phone": {"operator": 26201}}]})", "devices[0].phone.operator: expected a text"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "phone": {"contexts": "1..3"}}]})", "devices[0].phone.contexts: expected a range"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "phone": {"contexts": "-3"}}]})", "devices[0].phone.contexts: expected a range"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "phone": {"cdma": 1}}]})", "devices[0].phone.cdma: expected true or false"},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "phone": {"imei": "1"}}]})", "devices[0].phone: unknown member \"imei\""},
        {R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": "00:00:00:00:00:02",
            "phone": []}]})", "devices[0].phone: expected an object"},
    };
    for (const auto& c : cases) {
        auto r = parse_world(c.json);
        ASSERT_TRUE(std::holds_alternative<WorldError>(r)) << c.json;
        EXPECT_NE(std::get<WorldError>(r).message.find(c.message_part), std::string::npos)
            << "input: " << c.json << "\nmessage: " << std::get<WorldError>(r).message;
    }
}

TEST(WorldFiles, SampleWorldsLoad) {
    std::size_t loaded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QEL_EXAMPLE_WORLDS_DIR)) {
        if (entry.path().extension() != ".json") continue;
        auto r = load_world(entry.path());
        ASSERT_TRUE(std::holds_alternative<World>(r)) << std::get<WorldError>(r).message;
        ++loaded;
    }
    EXPECT_GE(loaded, 2u);
}

TEST(WorldFiles, DemoFileDescribesTheBuiltInDemo) {
    auto r = load_world(std::filesystem::path(QEL_EXAMPLE_WORLDS_DIR) / "demo.json");
    ASSERT_TRUE(std::holds_alternative<World>(r)) << std::get<WorldError>(r).message;
    const World& file = std::get<World>(r);
    EXPECT_EQ(file, demo_world());
    // The demo phone's modem: a registered GSM phone with a six-digit operator.
    const Device* phone = file.find(BD_ADDR{0x00, 0x1e, 0x3a, 0x4b, 0x7c, 0x21});
    ASSERT_TRUE(phone && phone->phone);
    EXPECT_EQ(phone->phone->operator_number, "262021");
    EXPECT_FALSE(phone->phone->cdma);
    ASSERT_TRUE(phone->dialup_service());
    EXPECT_EQ(phone->dialup_service()->com_port, 7);
}

TEST(WorldFiles, EnvironmentSelectsTheWorldAndErrorsNameTheFile) {
    qel::test::TempDir dir;
    const auto file = dir.path() / "one.json";
    std::ofstream(file) << R"({"adapter": {"address": "00:00:00:00:00:01", "name": "LAB"}, "devices": []})";
    {
        qel::test::ScopedEnv env("QEL_STACK_WORLD", file.string());
        auto r = load_default_world();
        ASSERT_TRUE(std::holds_alternative<World>(r));
        EXPECT_EQ(std::get<World>(r).adapter.name, "LAB");
        EXPECT_TRUE(std::get<World>(r).devices.empty());
    }
    {
        qel::test::ScopedEnv env("QEL_STACK_WORLD", (dir.path() / "missing.json").string());
        auto r = load_default_world();
        ASSERT_TRUE(std::holds_alternative<WorldError>(r));
        EXPECT_NE(std::get<WorldError>(r).message.find("missing.json: cannot be opened"), std::string::npos);
    }
    {
        std::ofstream(file) << "{\"adapter\": 3}";
        qel::test::ScopedEnv env("QEL_STACK_WORLD", file.string());
        auto r = load_default_world();
        ASSERT_TRUE(std::holds_alternative<WorldError>(r));
        EXPECT_NE(std::get<WorldError>(r).message.find("one.json: adapter: expected an object"), std::string::npos);
    }
    qel::test::ScopedEnv none("QEL_STACK_WORLD", std::nullopt);
    auto r = load_default_world();
    ASSERT_TRUE(std::holds_alternative<World>(r));
    EXPECT_EQ(std::get<World>(r), demo_world());
}

TEST(WorldText, AddressesParseStrictly) {
    EXPECT_EQ(parse_address("00:1e:3a:4b:7c:21"), (BD_ADDR{0x00, 0x1e, 0x3a, 0x4b, 0x7c, 0x21}));
    EXPECT_FALSE(parse_address("00:1e:3a:4b:7c:2"));
    EXPECT_FALSE(parse_address("00:1e:3a:4b:7c:2g"));
    EXPECT_FALSE(parse_address("00:1e:3a:4b:7c;21"));
    EXPECT_EQ(address_text({0xAB, 0, 1, 2, 3, 0xFF}), "ab:00:01:02:03:ff");
    EXPECT_EQ(class_text({0x5a, 0x02, 0x0c}), "0x5a020c");
}

// The process-wide simulator is made once per process from QEL_STACK_WORLD; this is the only test
// of this program that asks for it, so the world it sees is the one set here.
TEST(DefaultBackend, MalformedWorldLeavesTheDefaultApiWithoutAServer) {
    qel::test::TempDir dir;
    const auto file = dir.path() / "broken.json";
    std::ofstream(file) << R"({"adapter": {"address": "00:00:00:00:00:01"}, "devices": [{"address": 7}]})";
    qel::test::ScopedEnv env("QEL_STACK_WORLD", file.string());
    std::string error;
    EXPECT_FALSE(Simulator::shared(&error));
    EXPECT_NE(error.find("broken.json: devices[0].address: expected an address"), std::string::npos) << error;
    CQBtAPI api;  // through the factory the simulator installed at start-up
    EXPECT_EQ(api.ConnectToServer(true, 60, false, false), QBT_ERR_SERVER_UNREACHABLE);
}

}  // namespace
}  // namespace qel::sim
