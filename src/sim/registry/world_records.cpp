#include "sim/registry/world_records.h"

#include "config/general_cfg.h"
#include "config/service_cache_cfg.h"
#include "config/service_cfg.h"
#include "platform/text/text.h"
#include "sim/registry/stack_machine_records.h"

namespace qel::sim {
namespace {

std::u16string key_name(const BD_ADDR& address) { return qel::config::DeviceKeyName(address); }

void write_general(const World& world) {
    CBTGeneralCfg general;
    general.Read();
    general.m_szDeviceName = qel::platform::to_utf16(world.adapter.name);
    general.Save();
}

void write_local_services(const World& world) {
    for (const Service& service : world.adapter.services) {
        std::u16string name = qel::platform::to_utf16(service.name);
        CBTServiceCfg record;
        std::u16string key;
        if (record.GetKeyName(key, service.uuid, std::u16string_view(name))) {
            CBTServiceCfg existing(key.c_str());
            if (existing.Read() == ERROR_SUCCESS) continue;  // present: the user's settings stay
        }
        record.SetUuid(service.uuid);
        if (service.guid) {
            record.m_guid = *service.guid;
            char16_t text[40] = {};
            GuidToString(*service.guid, text);
            record.m_szGuid = text;
        }
        record.m_szName = name;
        record.m_dwAuto = 1;
        record.Save();
    }
}

void write_cache(const Device& device) {
    for (const Service& service : device.services) {
        CBTServiceCacheCfg entry(device.address, service.name, service.uuid, service.security, 0);
        entry.Save();
    }
}

}  // namespace

CfgLinkKey simulated_link_key(const BD_ADDR& remote, const BD_ADDR& local) {
    CfgLinkKey key{};
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<BYTE>(remote[i % 6] * 31 + local[(i + 3) % 6] * 17 + i * 7 + 0x5A);
    return key;
}

void write_device_records(const World& world, const Device& device) {
    CBTDevCfg record(key_name(device.address).c_str(), device.device_class, device.name);
    record.Read();
    record.m_devClass = device.device_class;
    record.UpdateRemoteName(device.name);
    record.Save();
    if (device.cached) {
        write_cache(device);
    } else {
        CBTServiceCacheCfg::DeleteAll(device.address);  // the stack forgot the device's services
    }
    write_pairing(world, device.address, device.paired);
}

void write_pairing(const World& world, const BD_ADDR& address, bool paired) {
    if (paired) {
        CfgLinkKey key = simulated_link_key(address, world.adapter.address);
        CBTDevCfg::SaveLinkKey(address, world.adapter.address, key, nullptr);
    } else {
        CBTDevCfg::DeleteLinkKey(address, world.adapter.address);
    }
}

void write_world_records(const World& world) {
    write_install_record_if_missing();
    write_general(world);
    for (const Device& device : world.devices) write_device_records(world, device);
    write_local_services(world);
}

namespace {

// Rewrites a device's records when the simulator reports it; every other event is ignored.
class RecordsSink final : public stackapi::EventSink {
public:
    explicit RecordsSink(std::weak_ptr<Simulator> simulator) : simulator_(std::move(simulator)) {}

    void device_found(const BD_ADDR& address, const DEV_CLASS&, const char*, int) override {
        auto simulator = simulator_.lock();
        if (!simulator) return;
        World world = simulator->world();
        if (const Device* device = world.find(address)) write_device_records(world, *device);
    }
    void device_status(LONG, LONG) override {}
    void discovery_event(const BD_ADDR&, WORD, LONG) override {}
    void dun_state(const BD_ADDR&, const DEV_CLASS&, const char*, const GUID&, std::int16_t, LONG) override {}
    void spp_state(const BD_ADDR&, const DEV_CLASS&, const char*, const GUID&, std::int16_t, LONG) override {}
    void lap_state(const BD_ADDR&, const DEV_CLASS&, const char*, const GUID&, std::int16_t, LONG) override {}
    void hag_status(const BD_ADDR&, const DEV_CLASS&, const char*, LONG, LONG) override {}
    void hsp_status(const BD_ADDR&, const DEV_CLASS&, const char*, LONG, LONG) override {}
    void local_service_state(const tBT_SERVICE_INFO&) override {}
    void sync_progress(const BD_ADDR&, LONG, LONG, LONG, LONG) override {}
    void sync_synchronize(const BD_ADDR&, LONG) override {}
    void sync_abort(LONG) override {}
    void sync_object(const BD_ADDR&, LONG, LONG, const char16_t*) override {}
    void opp_response(stackapi::OppEvent, LONG, LONG) override {}
    void ftp_response(stackapi::FtpEvent, LONG, LONG) override {}
    void ftp_folder_listing(LONG, LONG, const char16_t*) override {}
    void ftp_progress(LONG, LONG, DWORD, DWORD) override {}

private:
    std::weak_ptr<Simulator> simulator_;
};

}  // namespace

void write_phone_modem_records(const Simulator& simulator) {
    const World world = simulator.world();
    for (const auto& phone : simulator.phone_modems()) {
        const Device* device = world.find(phone.address);
        const std::string name = device ? device->name : address_text(phone.address);
        write_modem_class_entry(phone.modem->port_name(), "Bluetooth Modem (" + name + ")");
    }
}

std::uint64_t attach_world_records(const std::shared_ptr<Simulator>& simulator) {
    write_world_records(simulator->world());
    write_phone_modem_records(*simulator);
    // Only sessions connected to the stack server receive events.
    std::uint64_t session = simulator->open_session(std::make_shared<RecordsSink>(simulator));
    simulator->connect_to_server(session);
    return session;
}

void detach_world_records(Simulator& simulator, std::uint64_t session) { simulator.close_session(session); }

namespace {
// The process-wide simulator (the embedded default stack) writes its world's records when it is
// created and keeps them following the world for the life of the process.
[[maybe_unused]] const bool hooked_at_start = [] {
    Simulator::set_shared_created_hook([](const std::shared_ptr<Simulator>& simulator) {
        attach_world_records(simulator);
    });
    return true;
}();
}  // namespace

}  // namespace qel::sim
