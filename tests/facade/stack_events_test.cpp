// Stack events from the simulated stack: each facade has its own CQBtAPI connection with the
// facade's callbacks registered under its instance index, as the facade's initialisation
// registers them; the simulator's events then reach every facade with its own user data and the
// event's arguments as the stack sent them, and a destroyed facade's events are dropped.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "facade/callback_entry_points.h"
#include "facade/stackapi/cqbtapi.h"
#include "facade_fixture.h"
#include "qelcfg/QelConfig.h"
#include "sim/sim_backend.h"
#include "sim/simulator.h"

using namespace qbtapiM;
using qel::test::FacadeTest;

namespace {

const BD_ADDR kPhone{0x00, 0x1e, 0x3a, 0x4b, 0x7c, 0x21};
const std::int64_t kPhoneBda = 0x001e3a4b7c21;

// A facade with its own connection to the stack, its callbacks registered in the order and with
// the user data of the facade's initialisation.
struct Connected {
    std::unique_ptr<QelConfig> facade;
    std::unique_ptr<CQBtAPI> api;

    explicit Connected(std::int64_t bda) : facade(std::make_unique<QelConfig>(bda)), api(std::make_unique<CQBtAPI>()) {
        EXPECT_EQ(api->ConnectToServer(true, 60, false, false), QBT_SUCCESS);
        const QBtUserData user = qbtapiM::detail::QelConfigAccess::instance_index(*facade);
        api->SetOnHAGConnectionStatusChangedCallback(HSPStateChangeCallbackExt, user);
        api->SetOnHSPConnectionStatusChangedCallback(HSPStateChangeCallbackExt, user);
        api->SetOnLocalServiceStateChangeCallback(LocalServiceStateChangedCallbackExt, user);
        api->SetOnDunStateChangeCallback(DunStateChangeCallbackExt, user);
        api->SetOnSppStateChangeCallback(SppStateChangeCallbackExt, user);
        api->SetOnLapStateChangeCallback(LapStateChangeCallbackExt, user);
        api->SetOnDiscoveryEventCallback(GAPDiscoveryCallbackExt, user);
        api->SetOnDeviceFoundCallback(OnDeviceFoundCallbackExt, user);
        api->SetOnDeviceStatusCallback(OnDeviceStatusCallbackExt, user);
        api->SetOnSyncProgressCallback(SyncProgressCallbackExt, user);
        api->SetOnSyncSynchronizeCallback(SyncSynchronizeCallbackExt, user);
        api->SetOnSyncAbortCallback(SyncAbortCallbackExt, user);
        api->SetOnSyncObjectCallback(SyncObjectCallbackExt, user);
    }
};

class StackEventsTest : public FacadeTest {
protected:
    std::shared_ptr<qel::sim::Simulator> sim_ = qel::sim::Simulator::create(qel::sim::demo_world());
    qel::sim::ScopedSimulatorBackend backend_{sim_};

    void settle() { ASSERT_TRUE(sim_->wait_until_idle()); }

    // The pending events of one receiver, by facade.
    std::vector<qbtapiM::detail::PendingEvent> events_of(const std::string& receiver) const {
        std::vector<qbtapiM::detail::PendingEvent> out;
        for (auto& e : pending())
            if (e.receiver == receiver) out.push_back(e);
        return out;
    }
};

}  // namespace

TEST_F(StackEventsTest, DeviceChangesReachEveryFacadeWithItsOwnUserData) {
    Connected phone_page(kPhoneBda), headset_page(0x000d442a198e);
    std::vector<std::string> seen;
    auto record = [&](const std::any& u) { seen.push_back(std::any_cast<std::string>(u)); };
    phone_page.facade->SetCallbacks(nullptr, {}, record, std::any(std::string("phone page")));
    headset_page.facade->SetCallbacks(nullptr, {}, record, std::any(std::string("headset page")));

    ASSERT_TRUE(sim_->simulate_device_lost(kPhone));
    settle();
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"headset page", "phone page"}));
}

TEST_F(StackEventsTest, DeviceStatusOtherThanZeroIsIgnored) {
    Connected page(kPhoneBda);
    int changes = 0;
    page.facade->SetCallbacks(nullptr, {}, [&](const std::any&) { ++changes; }, {});
    sim_->inject([](qel::stackapi::EventSink& sink) {
        sink.device_status(0, 1);
        sink.device_status(3, -1);
    });
    settle();
    EXPECT_EQ(changes, 0);
    sim_->inject([](qel::stackapi::EventSink& sink) { sink.device_status(3, 0); });
    settle();
    EXPECT_EQ(changes, 1);
}

TEST_F(StackEventsTest, SerialConnectionEventsReachTheFacadesWithTheStacksArguments) {
    Connected first(kPhoneBda), second(kPhoneBda);
    const GUID serial = qbt_base_guid(QBT_UUID_SERIAL_PORT);
    ASSERT_EQ(first.api->SppCreateConnection(kPhone, serial, "COM 1", 0), QBT_SUCCESS);
    settle();

    auto events = events_of("SppStateChangeCallback");
    ASSERT_FALSE(events.empty());
    std::vector<const QelConfig*> reached;
    for (const auto& e : events) {
        reached.push_back(e.facade);
        EXPECT_EQ(e.address, kPhone);
        EXPECT_EQ(e.guid, serial);
        EXPECT_EQ(e.name_text, std::string("Corvo 6300i"));
        ASSERT_EQ(e.numbers.size(), 2u);
        EXPECT_EQ(e.numbers[0], 8);  // the COM port the phone's "COM 1" service gets
    }
    // The connection's events go to both connections, each to its own facade.
    EXPECT_NE(std::find(reached.begin(), reached.end(), first.facade.get()), reached.end());
    EXPECT_NE(std::find(reached.begin(), reached.end(), second.facade.get()), reached.end());
}

TEST_F(StackEventsTest, EveryKindOfStackEventIsRouted) {
    Connected page(kPhoneBda);
    const DEV_CLASS cls{0x5a, 0x02, 0x04};
    const GUID dun = qbt_base_guid(QBT_UUID_DIALUP_NETWORKING);
    tBT_SERVICE_INFO info;
    info.set_service_name("Bluetooth Serial Port");
    info.set_remote_address(kPhone);
    sim_->inject([&](qel::stackapi::EventSink& sink) {
        sink.hag_status(kPhone, cls, "Corvo 6300i", 5, 0);
        sink.hsp_status(kPhone, cls, "Corvo 6300i", 6, LONG(QBT_AUDIO_DEMAND_HEADSET_NOT_CONNECTED));
        sink.local_service_state(info);
        sink.dun_state(kPhone, cls, "Corvo 6300i", dun, 7, LONG(QBT_STATUS_PORT_READY));
        sink.lap_state(kPhone, cls, "Corvo 6300i", dun, 0, 0);
        sink.discovery_event(kPhone, 11, 0);
        sink.device_found(kPhone, cls, "Corvo 6300i", 1);
        sink.sync_progress(kPhone, 1, 2, 3, 0);
        sink.sync_synchronize(kPhone, 0);
        sink.sync_abort(LONG(QBT_ERR_SYNC_ABORTED));
        sink.sync_object(kPhone, 1, 2, u"vCard 1");
    });
    settle();

    std::vector<std::string> receivers;
    for (const auto& e : pending()) {
        EXPECT_EQ(e.facade, page.facade.get()) << e.receiver;
        receivers.push_back(e.receiver);
    }
    EXPECT_EQ(receivers, (std::vector<std::string>{
                             "HSPStateChangeCallback", "HSPStateChangeCallback", "LocalServiceStateChangedCallback",
                             "DunStateChangeCallback", "LapStateChangeCallback", "GapDiscoveryCallback",
                             "DeviceFoundCallback", "OnSyncProgressCallback", "OnSyncSynchronizeCallback",
                             "OnSyncAbortCallback", "OnSyncObjectCallback"}));
    auto hsp = events_of("HSPStateChangeCallback");
    ASSERT_EQ(hsp.size(), 2u);
    EXPECT_EQ(hsp[1].numbers, (std::vector<std::int64_t>{6, LONG(QBT_AUDIO_DEMAND_HEADSET_NOT_CONNECTED)}));
    auto dun_events = events_of("DunStateChangeCallback");
    ASSERT_EQ(dun_events.size(), 1u);
    EXPECT_EQ(dun_events[0].numbers, (std::vector<std::int64_t>{7, LONG(QBT_STATUS_PORT_READY)}));
    EXPECT_EQ(events_of("OnSyncObjectCallback")[0].wide_name_text, std::u16string(u"vCard 1"));
    EXPECT_EQ(events_of("OnSyncAbortCallback")[0].numbers, (std::vector<std::int64_t>{LONG(QBT_ERR_SYNC_ABORTED)}));
}

TEST_F(StackEventsTest, EventsForADestroyedFacadeAreDroppedWhileItsConnectionLives) {
    Connected gone(kPhoneBda), kept(kPhoneBda);
    int kept_changes = 0;
    kept.facade->SetCallbacks(nullptr, {}, [&](const std::any&) { ++kept_changes; }, {});
    // The caller destroyed the facade without uninitialising it: its connection still delivers.
    gone.facade.reset();
    ASSERT_TRUE(sim_->simulate_pairing(kPhone));
    settle();
    EXPECT_EQ(kept_changes, 1);
    for (const auto& e : pending()) EXPECT_EQ(e.facade, kept.facade.get()) << e.receiver;
    EXPECT_EQ(events_of("DeviceFoundCallback").size(), 1u);
}
