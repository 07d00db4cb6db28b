// The world's phones: the simulator starts a phone modem per present device with a dial-up
// service when QEL_COM_DIR is set, answering as the device's settings say; the registry gets the
// platform's modem entries and the installation record the dialer relies on.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/registry/registry.h"
#include "platform/sync/clock.h"
#include "platform/text/text.h"
#include "port_client.h"
#include "sim/registry/stack_machine_records.h"
#include "sim/registry/world_records.h"
#include "sim/simulator.h"
#include "sim/world_phones.h"
#include "support/test_support.h"

namespace qel::sim {
namespace {

using test::PortClient;

constexpr BD_ADDR kPhone{0x00, 0x1e, 0x3a, 0x4b, 0x7c, 0x21};
constexpr BD_ADDR kLaptop{0x00, 0x21, 0x86, 0x9c, 0x33, 0x5f};
constexpr BD_ADDR kCdmaPhone{0x00, 0x0a, 0x28, 0x11, 0x22, 0x33};
constexpr BD_ADDR kAwayPhone{0x00, 0x0a, 0x28, 0x11, 0x22, 0x44};

Device dialup_phone(const BD_ADDR& address, const char* name, std::int16_t port) {
    Device d;
    d.address = address;
    d.name = name;
    Service dun;
    dun.uuid = QBT_UUID_DIALUP_NETWORKING;
    dun.name = "Dial-up networking";
    dun.com_port = port;
    d.services.push_back(dun);
    return d;
}

// A string value of the machine root, or nothing.
std::optional<std::string> machine_string(std::u16string_view path, std::u16string_view name) {
    platform::RegKey key;
    if (platform::reg_open_key(HKEY_LOCAL_MACHINE, path, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    char16_t buf[600] = {};
    DWORD size = sizeof buf - sizeof(char16_t), type = 0;
    if (platform::reg_query_value(key.get(), name, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    return platform::from_utf16(std::u16string(buf));
}

std::u16string modem_entry(const char* instance) {
    return std::u16string(kModemClassPath) + u"\\" + platform::to_utf16(instance);
}

class WorldPhonesTest : public testing::Test {
protected:
    WorldPhonesTest() { platform::reg_reset_for_tests(); }
    ~WorldPhonesTest() override { platform::reg_reset_for_tests(); }

    qel::test::TempDir registry_dir_;
    qel::test::ScopedEnv registry_env_{"QEL_REGISTRY_DIR", registry_dir_.path().string()};
    qel::test::TempDir com_dir_;
    qel::test::ScopedEnv com_env_{"QEL_COM_DIR", com_dir_.path().string()};
    platform::ScopedTimeScale scale_{0.05};
};

TEST_F(WorldPhonesTest, EveryPresentDialupDeviceGetsItsPhone) {
    World world = demo_world();
    Device cdma = dialup_phone(kCdmaPhone, "Q2 Phone", 2);
    cdma.phone = PhoneSettings{};
    cdma.phone->cdma = true;
    cdma.phone->operator_number = "";
    world.devices.push_back(cdma);
    Device away = dialup_phone(kAwayPhone, "Away", 1);
    away.present = false;
    world.devices.push_back(away);

    auto sim = Simulator::create(world);
    EXPECT_TRUE(sim->phone_modem_problems().empty());
    ASSERT_EQ(sim->phone_modems().size(), 2u);
    EXPECT_EQ(sim->phone_modem(kLaptop), nullptr);
    EXPECT_EQ(sim->phone_modem(kAwayPhone), nullptr);
    EXPECT_FALSE(std::filesystem::exists(com_dir_.path() / "COM1"));

    ASSERT_NE(sim->phone_modem(kPhone), nullptr);
    EXPECT_EQ(sim->phone_modem(kPhone)->port_name(), "COM7");
    {
        PortClient port("COM7");
        ASSERT_TRUE(port.ok());
        ASSERT_TRUE(port.send("ATE0\r"));
        EXPECT_EQ(port.receive_until("OK\r\n"), "ATE0\r\r\nOK\r\n");
        ASSERT_TRUE(port.send("AT+COPS=3,2\r"));
        EXPECT_EQ(port.receive_until("OK\r\n"), "\r\nOK\r\n");
        ASSERT_TRUE(port.send("AT+COPS?\r"));
        EXPECT_EQ(port.receive_until("OK\r\n"), "\r\n+COPS: 0,2,\"262021\"\r\n\r\nOK\r\n");
        ASSERT_TRUE(port.send("AT+GMM\r"));
        EXPECT_EQ(port.receive_until("OK\r\n"), "\r\n+GMM: Corvo 6300i GSM\r\n\r\nOK\r\n");
    }
    {
        PortClient port("COM2");
        ASSERT_TRUE(port.ok());
        ASSERT_TRUE(port.send("ATE0\r"));
        port.receive_until("OK\r\n");
        ASSERT_TRUE(port.send("AT+CAD?\r"));
        EXPECT_EQ(port.receive_until("OK\r\n"), "\r\n+CAD: 1\r\n\r\nOK\r\n");
        ASSERT_TRUE(port.send("AT+GMM\r"));
        EXPECT_EQ(port.receive_until("OK\r\n"), "\r\n+GMM: Q2 Phone\r\n\r\nOK\r\n") << "model: the device's name";
        ASSERT_TRUE(port.send("AT+COPS?\r"));
        EXPECT_EQ(port.receive_until("OK\r\n"), "\r\n+COPS: 0\r\n\r\nOK\r\n");
    }
    sim.reset();
    EXPECT_FALSE(std::filesystem::is_symlink(com_dir_.path() / "COM7")) << "links go with the simulator";
}

TEST_F(WorldPhonesTest, WithoutComDirNoPhoneIsStarted) {
    qel::test::ScopedEnv unset("QEL_COM_DIR", std::nullopt);
    auto sim = Simulator::create(demo_world());
    EXPECT_TRUE(sim->phone_modems().empty());
    EXPECT_TRUE(sim->phone_modem_problems().empty());
}

TEST_F(WorldPhonesTest, APortServedElsewhereIsLeftAloneAndAStaleLinkReplaced) {
    std::filesystem::create_symlink("/dev/null", com_dir_.path() / "COM7");
    World world = demo_world();
    world.devices.push_back(dialup_phone(kCdmaPhone, "Second", 2));
    std::filesystem::create_symlink(com_dir_.path() / "gone", com_dir_.path() / "COM2");

    auto sim = Simulator::create(world);
    EXPECT_EQ(sim->phone_modem(kPhone), nullptr);
    ASSERT_EQ(sim->phone_modem_problems().size(), 1u);
    EXPECT_NE(sim->phone_modem_problems()[0].find("COM7 is in use"), std::string::npos)
        << sim->phone_modem_problems()[0];
    EXPECT_EQ(std::filesystem::read_symlink(com_dir_.path() / "COM7"), "/dev/null");
    ASSERT_NE(sim->phone_modem(kCdmaPhone), nullptr);
    EXPECT_EQ(std::filesystem::read_symlink(com_dir_.path() / "COM2"), sim->phone_modem(kCdmaPhone)->slave_path());
}

TEST_F(WorldPhonesTest, RegistryGetsTheModemEntryOfEveryPhone) {
    World world = demo_world();
    world.devices.push_back(dialup_phone(kCdmaPhone, "Q2 Phone", 2));
    auto sim = Simulator::create(world);
    const auto session = attach_world_records(sim);
    EXPECT_EQ(machine_string(modem_entry("0000"), u"AttachedTo"), "COM7");
    EXPECT_EQ(machine_string(modem_entry("0000"), u"FriendlyName"), "Bluetooth Modem (Corvo 6300i)");
    EXPECT_EQ(machine_string(modem_entry("0001"), u"AttachedTo"), "COM2");
    EXPECT_FALSE(machine_string(modem_entry("0002"), u"AttachedTo"));
    detach_world_records(*sim, session);
}

TEST_F(WorldPhonesTest, ModemEntriesAreNumberedWithoutGapsAndFoundAgainByPort) {
    int n = -1;
    ASSERT_EQ(write_modem_class_entry("COM7", "first", &n), ERROR_SUCCESS);
    EXPECT_EQ(n, 0);
    ASSERT_EQ(write_modem_class_entry("COM9", "second", &n), ERROR_SUCCESS);
    EXPECT_EQ(n, 1);
    {
        // The dialer has put its initialisation string on the first modem.
        platform::RegKey key;
        ASSERT_EQ(platform::reg_open_key(HKEY_LOCAL_MACHINE, modem_entry("0000"), KEY_ALL_ACCESS, key.put()),
                  ERROR_SUCCESS);
        const std::u16string init = u"AT+CGDCONT=1,\"IP\",\"internet\"";
        ASSERT_EQ(platform::reg_set_value(key.get(), u"UserInit", REG_SZ, reinterpret_cast<const BYTE*>(init.c_str()),
                                          DWORD((init.size() + 1) * 2)),
                  ERROR_SUCCESS);
    }
    ASSERT_EQ(write_modem_class_entry("com7", "renamed", &n), ERROR_SUCCESS);
    EXPECT_EQ(n, 0) << "the port's entry, whatever the case of its name";
    EXPECT_EQ(machine_string(modem_entry("0000"), u"FriendlyName"), "renamed");
    EXPECT_EQ(machine_string(modem_entry("0000"), u"UserInit"), "AT+CGDCONT=1,\"IP\",\"internet\"");
    EXPECT_FALSE(machine_string(modem_entry("0002"), u"AttachedTo"));
}

TEST_F(WorldPhonesTest, InstallRecordPointsAtTheProgramDataFolderUnlessOneExists) {
    const std::u16string install = u"Software\\Quorlan\\Install";
    write_world_records(demo_world());
    const auto dir = machine_string(install, u"INSTALLDIR");
    ASSERT_TRUE(dir);
    EXPECT_EQ(*dir, program_data_dir().string());
    EXPECT_TRUE(dir->ends_with("/share/qelcfg/")) << *dir;
    EXPECT_TRUE(std::filesystem::path(*dir).is_absolute()) << *dir;
    EXPECT_EQ(dir->find("/../"), std::string::npos) << *dir;

    // A record that names another folder stays as it is.
    {
        platform::RegKey key;
        ASSERT_EQ(platform::reg_create_key(HKEY_LOCAL_MACHINE, install, KEY_ALL_ACCESS, key.put(), nullptr),
                  ERROR_SUCCESS);
        const std::u16string other = u"/opt/quorlan/";
        ASSERT_EQ(platform::reg_set_value(key.get(), u"INSTALLDIR", REG_SZ, reinterpret_cast<const BYTE*>(other.c_str()),
                                          DWORD((other.size() + 1) * 2)),
                  ERROR_SUCCESS);
    }
    write_world_records(demo_world());
    EXPECT_EQ(machine_string(install, u"INSTALLDIR"), "/opt/quorlan/");
}

}  // namespace
}  // namespace qel::sim
