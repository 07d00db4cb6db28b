// The simulator's records: the demo world written into an empty registry gives the general
// settings, a record per device with its cache, link keys of the paired devices and the local
// services; writing again changes nothing; pairing and unpairing add and remove link keys.
#include "../records/records_test_util.h"
#include "config/cfg_iterator.h"
#include "config/dev_per_user_cfg.h"
#include "config/general_cfg.h"
#include "config/service_cache_cfg.h"
#include "config/service_cfg.h"
#include "platform/sync/clock.h"
#include "platform/text/text.h"
#include "sim/registry/world_records.h"

namespace qel::test {
namespace {

const std::u16string kDevices = u"Software\\Quorlan\\BTConfig\\Devices";

// Every key and value under a root's Quorlan tree, as text, to compare two states.
void dump(HKEY root, const std::u16string& path, std::vector<std::u16string>& out) {
    for (const auto& name : value_names(root, path)) {
        auto data = value_bytes(root, path, name);
        out.push_back(path + u"|" + name + u"|" + std::u16string(data ? data->size() : 0, u'x'));
    }
    for (const auto& sub : sub_keys(root, path)) dump(root, path + u"\\" + sub, out);
}

using WorldRecordsTest = RecordsTest;

TEST_F(WorldRecordsTest, DemoWorldGivesACompleteTreeOnAnEmptyRegistry) {
    sim::World world = sim::demo_world();
    sim::write_world_records(world);

    CBTGeneralCfg general;
    ASSERT_EQ(general.Read(), ERROR_SUCCESS);
    EXPECT_EQ(general.m_szDeviceName, qel::platform::to_utf16(world.adapter.name));

    EXPECT_EQ(CBTDevCfgIterator().GetCount(), world.devices.size());
    for (const sim::Device& device : world.devices) {
        SCOPED_TRACE(device.name);
        CBTDevCfg record(qel::config::DeviceKeyName(device.address).c_str());
        ASSERT_EQ(record.Read(), ERROR_SUCCESS);
        EXPECT_EQ(record.m_szName, device.name);
        EXPECT_EQ(record.m_devClass, device.device_class);
        EXPECT_EQ(CBTDevCfg::IsPaired(device.address, world.adapter.address), device.paired);
        CfgLinkKey key{};
        EXPECT_EQ(CBTDevCfg::ReadLinkKey(device.address, world.adapter.address, key), device.paired);
        if (device.paired) {
            EXPECT_EQ(key, sim::simulated_link_key(device.address, world.adapter.address));
        }
        if (!device.cached) continue;
        CBTServiceCacheCfgIterator cache(device.address.data());
        EXPECT_EQ(cache.GetCount(), device.services.size());
        for (const sim::Service& service : device.services) {
            std::string native;
            CBTServiceCacheCfg::GetServiceNameNative(device.address, service.uuid, service.name, native);
            EXPECT_FALSE(native.empty()) << service.name;
        }
    }
    for (const sim::Service& service : world.adapter.services) {
        CBTServiceCfg record;
        std::u16string key;
        EXPECT_TRUE(record.GetKeyName(key, service.uuid, qel::platform::to_utf16(service.name))) << service.name;
    }

    std::vector<std::u16string> before;
    dump(HKEY_LOCAL_MACHINE, u"Software\\Quorlan", before);
    dump(HKEY_CURRENT_USER, u"Software\\Quorlan", before);
    sim::write_world_records(world);
    std::vector<std::u16string> after;
    dump(HKEY_LOCAL_MACHINE, u"Software\\Quorlan", after);
    dump(HKEY_CURRENT_USER, u"Software\\Quorlan", after);
    EXPECT_EQ(before, after);
}

TEST_F(WorldRecordsTest, PairingAndUnpairingUpdateLinkKeysAndKeepARename) {
    sim::World world = sim::demo_world();
    sim::write_world_records(world);
    const sim::Device* stranger = nullptr;
    for (const auto& d : world.devices)
        if (!d.paired) stranger = &d;
    ASSERT_NE(stranger, nullptr);
    EXPECT_FALSE(CBTDevCfg::IsPaired(stranger->address, world.adapter.address));
    sim::write_pairing(world, stranger->address, true);
    EXPECT_TRUE(CBTDevCfg::IsPaired(stranger->address, world.adapter.address));

    CBTDevCfg record(qel::config::DeviceKeyName(stranger->address).c_str());
    ASSERT_EQ(record.Read(), ERROR_SUCCESS);
    EXPECT_EQ(record.m_fLinkKeyPresent, 1u);
    ASSERT_TRUE(record.UpdateDisplayName("Mine"));
    ASSERT_EQ(record.Save(), ERROR_SUCCESS);
    sim::write_world_records(world);  // the world still says: not paired
    CBTDevCfg back(qel::config::DeviceKeyName(stranger->address).c_str());
    ASSERT_EQ(back.Read(), ERROR_SUCCESS);
    EXPECT_EQ(back.m_szName, "Mine");
    EXPECT_EQ(back.m_szRemoteName, stranger->name);
    EXPECT_EQ(back.m_fLinkKeyPresent, 0u);
    EXPECT_FALSE(CBTDevCfg::IsPaired(stranger->address, world.adapter.address));
}

TEST_F(WorldRecordsTest, AttachedRecordsFollowTheSimulatorsPairing) {
    platform::ScopedTimeScale scale{0.001};
    auto simulator = sim::Simulator::create(sim::demo_world());
    const sim::World world = simulator->world();
    const sim::Device* printer = nullptr;
    for (const auto& d : world.devices)
        if (!d.paired) printer = &d;
    ASSERT_NE(printer, nullptr);
    std::uint64_t session = sim::attach_world_records(simulator);
    EXPECT_EQ(CBTDevCfgIterator().GetCount(), world.devices.size());
    EXPECT_FALSE(CBTDevCfg::IsPaired(printer->address, world.adapter.address));

    ASSERT_TRUE(simulator->simulate_pairing(printer->address));
    ASSERT_TRUE(simulator->wait_until_idle());
    EXPECT_TRUE(CBTDevCfg::IsPaired(printer->address, world.adapter.address));
    CfgLinkKey key{};
    EXPECT_TRUE(CBTDevCfg::ReadLinkKey(printer->address, world.adapter.address, key));

    ASSERT_TRUE(simulator->simulate_unpairing(printer->address));
    ASSERT_TRUE(simulator->wait_until_idle());
    EXPECT_FALSE(CBTDevCfg::IsPaired(printer->address, world.adapter.address));
    EXPECT_FALSE(CBTDevCfg::ReadLinkKey(printer->address, world.adapter.address, key));
    EXPECT_EQ(CBTServiceCacheCfgIterator(printer->address.data()).GetCount(), 0u) << "unpairing forgets the cache";
    sim::detach_world_records(*simulator, session);
}

}  // namespace
}  // namespace qel::test

namespace qel::test {
namespace {

// The embedded default stack (the process-wide simulator behind CQBtAPI) fills an empty registry
// as soon as it exists, without anyone asking it to. Only this test creates it in this program.
TEST_F(WorldRecordsTest, SharedSimulatorWritesItsWorldWhenCreated) {
    ASSERT_EQ(CBTDevCfgIterator().GetCount(), 0u);
    auto simulator = sim::Simulator::shared();
    ASSERT_TRUE(simulator);
    const sim::World& world = simulator->world();
    EXPECT_EQ(CBTDevCfgIterator().GetCount(), world.devices.size());
    CBTGeneralCfg general;
    ASSERT_EQ(general.Read(), ERROR_SUCCESS);
    EXPECT_EQ(general.m_szDeviceName, qel::platform::to_utf16(world.adapter.name));
}

}  // namespace
}  // namespace qel::test
