// The simulated stack driven through CQBtAPI: queries answered from the world, requests that
// return at once with their events later on the simulator's thread, scripted behaviours, and the
// devices' comings and goings.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "sim_fixture.h"

namespace qel::sim::test {
namespace {

std::vector<tBT_SERVICE_INFO> available(CQBtAPI& api, const BD_ADDR& a, QBtRc* rc = nullptr) {
    std::vector<tBT_SERVICE_INFO> records(32);
    int n = -1;
    QBtRc r = api.GapGetAvailableServices(a, n, 32, records.data());
    if (rc) *rc = r;
    records.resize(std::size_t(std::max(n, 0)));
    return records;
}

std::vector<tBT_SERVICE_INFO> local(CQBtAPI& api) {
    std::vector<tBT_SERVICE_INFO> records(32);
    int n = -1;
    EXPECT_EQ(api.GapGetLocalServices(n, 32, records.data()), QBT_SUCCESS);
    records.resize(std::size_t(std::max(n, 0)));
    return records;
}

std::vector<tBT_ACTIVE_CONNS> active(CQBtAPI& api) {
    std::vector<tBT_ACTIVE_CONNS> records(32);
    int n = -1;
    EXPECT_EQ(api.GapGetActiveConnections(n, 32, records.data()), QBT_SUCCESS);
    records.resize(std::size_t(std::max(n, 0)));
    return records;
}

LONG app_state(CQBtAPI& api, const BD_ADDR& a, std::uint16_t uuid) {
    LONG state = -1, extra = -1;
    EXPECT_EQ(api.GapGetApplicationState(a, qbt_base_guid(uuid), "", state, extra), QBT_SUCCESS);
    return state;
}

// --- Queries ---------------------------------------------------------------------------------

using Queries = SimTest;

TEST_F(Queries, LocalServicesCarryNamesGuidsAndComPorts) {
    auto records = local(api_);
    ASSERT_EQ(records.size(), sim_->world().adapter.services.size());
    EXPECT_EQ(records[0].service_name(), "Bluetooth Serial Port");
    EXPECT_EQ(records[0].service_guid(), qbt_base_guid(QBT_UUID_SERIAL_PORT));
    EXPECT_EQ(records[0].com_port(), "COM3");
    EXPECT_EQ(records[1].com_port(), "COM4");
    for (const auto& r : records) EXPECT_EQ(r.state(), 0u) << r.service_name();
}

TEST_F(Queries, AvailableServicesComeFromTheCacheOfKnownDevicesOnly) {
    QBtRc rc = 1;
    auto phone = available(api_, kPhone, &rc);
    EXPECT_EQ(rc, QBT_SUCCESS);
    ASSERT_EQ(phone.size(), 11u);
    for (const auto& r : phone) {
        EXPECT_EQ(r.remote_address(), kPhone);
        EXPECT_EQ(r.state(), 0u);
    }
    auto com1 = std::find_if(phone.begin(), phone.end(), [](auto& r) { return r.service_name() == "COM 1"; });
    ASSERT_NE(com1, phone.end());
    EXPECT_EQ(com1->service_guid(), qbt_base_guid(QBT_UUID_SERIAL_PORT));
    EXPECT_EQ(com1->com_port(), "COM8");

    EXPECT_TRUE(available(api_, kPrinter, &rc).empty()) << "a device never discovered has no cache";
    EXPECT_EQ(rc, QBT_SUCCESS);
    available(api_, kStranger, &rc);
    EXPECT_EQ(rc, QBT_ERR_UNKNOWN_DEVICE);
}

TEST_F(Queries, ArraysAreFilledOnlyUpToTheirSize) {
    std::vector<tBT_SERVICE_INFO> three(3);
    int n = 0;
    EXPECT_EQ(api_.GapGetAvailableServices(kPhone, n, 3, three.data()), QBT_SUCCESS);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(api_.GapGetLocalServices(n, 0, nullptr), QBT_SUCCESS);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(api_.GapGetLocalServices(n, 4, nullptr), QBT_ERR_INVALID_PARAMETER);
}

TEST_F(Queries, NothingButRegistrationWorksBeforeConnectingToTheServer) {
    CQBtAPI fresh(std::make_unique<SimBackend>(sim_));
    int n = 0;
    std::vector<tBT_SERVICE_INFO> records(4);
    EXPECT_EQ(fresh.GapGetLocalServices(n, 4, records.data()), QBT_ERR_NOT_CONNECTED);
    EXPECT_EQ(fresh.SppCreateConnection(kPhone, qbt_base_guid(0x1101), "COM 1", 0), QBT_ERR_NOT_CONNECTED);
    EXPECT_EQ(sim_->call_count("SppCreateConnection"), 0u);
    CQBtAPI none(nullptr);
    EXPECT_EQ(none.ConnectToServer(true, 60, false, false), QBT_ERR_SERVER_UNREACHABLE);
}

TEST_F(Queries, ConnectionStatsReportBatteryOnlyWhileLinked) {
    tBT_CONN_STATS stats{};
    ASSERT_EQ(api_.GapGetConnectionStats(kHeadset, qbt_base_guid(0x111E), "", 1, &stats), QBT_SUCCESS);
    EXPECT_FALSE(stats.valid());
    ASSERT_EQ(api_.HAG_ConnectHeadsetUuid(kHeadset, "Hands-Free unit", QBT_UUID_HANDSFREE), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("hag"));
    ASSERT_EQ(api_.GapGetConnectionStats(kHeadset, qbt_base_guid(0x111E), "", 1, &stats), QBT_SUCCESS);
    EXPECT_TRUE(stats.valid());
    EXPECT_EQ(stats.battery_level(), 60);
    EXPECT_EQ(stats.first_field(), (60u << 16) | 1u);
    EXPECT_EQ(api_.GapGetConnectionStats(kStranger, qbt_base_guid(0x111E), "", 1, &stats), QBT_ERR_UNKNOWN_DEVICE);
}

// --- Connections -------------------------------------------------------------------------------

class Connections : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        sim_->set_default_delay(5000);  // 5 ms of real time
    }
};

TEST_F(Connections, SerialConnectReturnsAtOnceAndReportsThePortLaterOnTheSimulatorThread) {
    const DWORD asked = platform::tick_count();
    ASSERT_EQ(api_.SppCreateConnection(kPhone, qbt_base_guid(0x1101), "COM 1", 0), QBT_SUCCESS);
    EXPECT_TRUE(rec_.of_kind("spp").empty()) << "the outcome is an event, not part of the request";
    ASSERT_TRUE(rec_.wait_for("spp"));
    auto e = rec_.of_kind("spp").front();
    EXPECT_TRUE(e.on_simulator_thread);
    EXPECT_GE(e.tick - asked, 5000u);
    EXPECT_EQ(e.address, kPhone);
    EXPECT_EQ(e.name, "Corvo 6300i");
    EXPECT_EQ(e.port, 8);
    EXPECT_EQ(e.status, 0);

    auto conns = active(api_);
    ASSERT_EQ(conns.size(), 1u);
    EXPECT_EQ(conns[0].port_name(), "COM 1");
    EXPECT_EQ(conns[0].port_number(), 8);
    EXPECT_FALSE(conns[0].is_server());
    EXPECT_EQ(conns[0].service_guid(), qbt_base_guid(0x1101));
    auto phone = available(api_, kPhone);
    for (auto& r : phone) EXPECT_EQ(r.state(), r.service_name() == "COM 1" ? 2u : 0u) << r.service_name();

    ASSERT_EQ(api_.SppRemoveConnection(0, 8), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("spp", 2));
    EXPECT_EQ(QBtRc(rec_.of_kind("spp")[1].status), QBT_STATUS_CONNECTION_CLOSED);
    EXPECT_TRUE(active(api_).empty());
    EXPECT_EQ(api_.SppRemoveConnection(0, 8), QBT_ERR_NOT_CONNECTED_TO_DEVICE);
}

TEST_F(Connections, DialUpReportsPortReadyWithItsComPort) {
    ASSERT_EQ(api_.DunCreateConnection(kPhone, qbt_base_guid(0x1103), "Dial-up networking", 0), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("dun"));
    auto e = rec_.of_kind("dun").front();
    EXPECT_EQ(QBtRc(e.status), QBT_STATUS_PORT_READY);
    EXPECT_EQ(e.port, 7);
    EXPECT_EQ(e.guid, qbt_base_guid(0x1103));
    ASSERT_EQ(active(api_).size(), 1u);
    ASSERT_EQ(api_.DunRemoveConnection(0, 7), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("dun", 2));
    EXPECT_EQ(QBtRc(rec_.of_kind("dun")[1].status), QBT_STATUS_CONNECTION_CLOSED);
}

TEST_F(Connections, LanAccessGoesThroughConnectingAndMarksTheLocalPanService) {
    ASSERT_EQ(api_.LapCreateConnection(kPhone, qbt_base_guid(0x1116), "Network Access Point", 0), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("lap", 2));
    auto lap = rec_.of_kind("lap");
    EXPECT_EQ(QBtRc(lap[0].status), QBT_STATUS_PORT_READY);
    EXPECT_EQ(lap[1].status, 0);
    ASSERT_TRUE(rec_.wait_for("local"));
    auto ev = rec_.of_kind("local").front();
    EXPECT_EQ(ev.guid, qbt_base_guid(QBT_UUID_PANU));
    EXPECT_EQ(ev.address, kPhone);
    EXPECT_EQ(ev.status, 2);
    auto panu = local(api_);
    auto it = std::find_if(panu.begin(), panu.end(), [](auto& r) { return r.uuid16() == QBT_UUID_PANU; });
    ASSERT_NE(it, panu.end());
    EXPECT_EQ(it->state(), 2u);
    EXPECT_EQ(it->remote_address(), kPhone);

    ASSERT_EQ(api_.LapDisconnect(kPhone), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("local", 2));
    EXPECT_EQ(rec_.of_kind("local")[1].status, 0);
    EXPECT_EQ(QBtRc(rec_.of_kind("lap").back().status), QBT_STATUS_CONNECTION_CLOSED);
    EXPECT_EQ(api_.LapDisconnect(kPhone), QBT_ERR_NOT_CONNECTED_TO_DEVICE);
}

TEST_F(Connections, HeadsetAndGatewayConnectionsShowInApplicationState) {
    EXPECT_EQ(app_state(api_, BD_ADDR_ANY, QBT_UUID_HANDSFREE), 0);
    ASSERT_EQ(api_.HAG_ConnectHeadsetUuid(kHeadset, "Hands-Free unit", QBT_UUID_HANDSFREE), QBT_SUCCESS);
    ASSERT_EQ(api_.HSP_ConnectGateway(kPhone, "Audio Gateway"), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("hag"));
    ASSERT_TRUE(rec_.wait_for("hsp"));
    EXPECT_EQ(rec_.of_kind("hag").front().status, 0);
    EXPECT_EQ(rec_.of_kind("hsp").front().address, kPhone);
    EXPECT_EQ(app_state(api_, BD_ADDR_ANY, QBT_UUID_HANDSFREE), 2);
    EXPECT_EQ(app_state(api_, kHeadset, QBT_UUID_HANDSFREE), 2);
    EXPECT_EQ(app_state(api_, kPhone, QBT_UUID_HANDSFREE), 0);
    EXPECT_EQ(app_state(api_, kPhone, QBT_UUID_HEADSET_AUDIO_GATEWAY), 2);

    ASSERT_EQ(api_.HAG_DisconnectHeadset(kHeadset, QBT_UUID_HANDSFREE), QBT_SUCCESS);
    ASSERT_EQ(api_.HSP_DisconnectGateway(kPhone, 0), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("hag", 2));
    ASSERT_TRUE(rec_.wait_for("hsp", 2));
    EXPECT_EQ(app_state(api_, BD_ADDR_ANY, QBT_UUID_HANDSFREE), 0);
    EXPECT_EQ(app_state(api_, kPhone, QBT_UUID_HEADSET_AUDIO_GATEWAY), 0);
}

TEST_F(Connections, GatewayWithoutNameOrUuidIsTheHeadsetAudioGateway) {
    ASSERT_EQ(api_.HSP_ConnectGateway(kPhone, ""), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("hsp"));
    EXPECT_EQ(app_state(api_, kPhone, QBT_UUID_HEADSET_AUDIO_GATEWAY), 2);
    EXPECT_EQ(app_state(api_, kPhone, QBT_UUID_HANDSFREE_AUDIO_GATEWAY), 0);
    ASSERT_EQ(api_.HSP_ConnectGateway(kPhone, "Voice Gateway"), QBT_SUCCESS) << "the name chooses the other one";
    ASSERT_TRUE(rec_.wait_for("hsp", 2));
    EXPECT_EQ(app_state(api_, kPhone, QBT_UUID_HANDSFREE_AUDIO_GATEWAY), 2);
    // A disconnect naming a UUID that no connection uses ends every gateway connection.
    ASSERT_EQ(api_.HSP_DisconnectGateway(kPhone, QBT_UUID_HEADSET), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("hsp", 4));
    EXPECT_TRUE(sim_->connections().empty());
}

TEST_F(Connections, RequestsForMissingServicesOrRunningConnectionsFailAtOnce) {
    EXPECT_EQ(api_.SppCreateConnection(kPhone, qbt_base_guid(0x1101), "No Such Port", 0), QBT_ERR_UNKNOWN_SERVICE);
    EXPECT_EQ(api_.SppCreateConnection(kKeyboard, qbt_base_guid(0x1101), "", 0), QBT_ERR_UNKNOWN_SERVICE);
    EXPECT_EQ(api_.SppCreateConnection(kStranger, qbt_base_guid(0x1101), "", 0), QBT_ERR_UNKNOWN_DEVICE);
    EXPECT_EQ(api_.HAG_ConnectHeadsetUuid(kKeyboard, "", QBT_UUID_HEADSET), QBT_ERR_UNKNOWN_SERVICE);
    ASSERT_EQ(api_.SppCreateConnection(kPhone, qbt_base_guid(0x1101), "GPS Serial Port", 0), QBT_SUCCESS);
    EXPECT_EQ(api_.SppCreateConnection(kPhone, qbt_base_guid(0x1101), "GPS Serial Port", 0), QBT_ERR_BUSY);
    ASSERT_TRUE(sim_->wait_until_idle());
    EXPECT_EQ(rec_.of_kind("spp").size(), 1u) << "failed requests raise nothing";
}

TEST_F(Connections, ADeviceOutOfRangeFailsTheConnectionByEvent) {
    sim_->update_device(kPhone, [](Device& d) { d.present = false; });
    ASSERT_EQ(api_.SppCreateConnection(kPhone, qbt_base_guid(0x1101), "COM 1", 0), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("spp"));
    EXPECT_EQ(QBtRc(rec_.of_kind("spp").front().status), QBT_ERR_DEVICE_UNREACHABLE);
    EXPECT_TRUE(active(api_).empty());
    EXPECT_TRUE(sim_->connections().empty());
}

TEST_F(Connections, IncomingSerialConnectionUsesTheLocalServerPort) {
    ASSERT_TRUE(sim_->simulate_incoming_serial(kLaptop, "Bluetooth Serial Port"));
    ASSERT_TRUE(rec_.wait_for("spp"));
    EXPECT_EQ(rec_.of_kind("spp").front().port, 3);
    auto conns = active(api_);
    ASSERT_EQ(conns.size(), 1u);
    EXPECT_TRUE(conns[0].is_server());
    EXPECT_EQ(conns[0].port_name(), "Bluetooth Serial Port");
    ASSERT_TRUE(rec_.wait_for("local"));
    EXPECT_EQ(rec_.of_kind("local").front().record.service_name(), "Bluetooth Serial Port");
    EXPECT_EQ(api_.SppRemoveConnection(0, 3), QBT_ERR_NOT_CONNECTED_TO_DEVICE) << "not a client port";
    ASSERT_EQ(api_.SppRemoveConnection(1, 3), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("spp", 2));
    EXPECT_FALSE(sim_->simulate_incoming_serial(kLaptop, "No Such Service"));
}

// --- Scripted behaviour ------------------------------------------------------------------------

using Scripting = Connections;

TEST_F(Scripting, NextCallFailsOnceWithTheGivenResult) {
    sim_->make_next_call_fail("SppCreateConnection", 0x81000777);
    EXPECT_EQ(api_.SppCreateConnection(kPhone, qbt_base_guid(0x1101), "COM 1", 0), 0x81000777u);
    ASSERT_TRUE(sim_->wait_until_idle());
    EXPECT_TRUE(rec_.of_kind("spp").empty());
    EXPECT_EQ(api_.SppCreateConnection(kPhone, qbt_base_guid(0x1101), "COM 1", 0), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("spp"));
    auto log = sim_->calls();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2].operation, "SppCreateConnection");
    EXPECT_EQ(log[log.size() - 2].result, 0x81000777u);
    EXPECT_EQ(log.back().result, QBT_SUCCESS);
}

TEST_F(Scripting, QueriesCanFailToo) {
    sim_->make_next_call_fail("GapGetLocalServices", QBT_ERR_FAILED);
    std::vector<tBT_SERVICE_INFO> records(4);
    int n = 7;
    EXPECT_EQ(api_.GapGetLocalServices(n, 4, records.data()), QBT_ERR_FAILED);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(api_.GapGetLocalServices(n, 4, records.data()), QBT_SUCCESS);
    EXPECT_EQ(n, 4);
}

TEST_F(Scripting, SilentCallIsAcceptedButNeverAnswered) {
    sim_->make_next_call_silent("DunCreateConnection");
    EXPECT_EQ(api_.DunCreateConnection(kPhone, qbt_base_guid(0x1103), "", 0), QBT_SUCCESS);
    ASSERT_TRUE(sim_->wait_until_idle());
    EXPECT_TRUE(rec_.of_kind("dun").empty());
    EXPECT_EQ(sim_->call_count("DunCreateConnection"), 1u);
    ASSERT_EQ(sim_->connections().size(), 1u);
    EXPECT_FALSE(sim_->connections()[0].connected);
}

TEST_F(Scripting, DeviceBehaviourSetsEventsAndDelay) {
    RequestBehaviour b;
    b.events = std::vector<LONG>{LONG(QBT_ERR_DEVICE_UNREACHABLE)};
    b.delay_ms = 20000;
    ASSERT_TRUE(sim_->set_behaviour(kPhone, "DunCreateConnection", b));
    const DWORD asked = platform::tick_count();
    ASSERT_EQ(api_.DunCreateConnection(kPhone, qbt_base_guid(0x1103), "", 0), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("dun"));
    auto e = rec_.of_kind("dun").front();
    EXPECT_EQ(QBtRc(e.status), QBT_ERR_DEVICE_UNREACHABLE);
    EXPECT_GE(e.tick - asked, 20000u);
    EXPECT_TRUE(sim_->connections().empty()) << "a failing status leaves no connection";
    EXPECT_FALSE(sim_->set_behaviour(kStranger, "DunCreateConnection", b));
}

TEST_F(Scripting, ScriptedSequenceOfStatusesArrivesInOrder) {
    RequestBehaviour b;
    b.events = std::vector<LONG>{LONG(QBT_STATUS_PORT_READY), LONG(QBT_STATUS_PORT_READY), 0};
    ASSERT_TRUE(sim_->set_behaviour(kLaptop, "LapCreateConnection", b));
    ASSERT_EQ(api_.LapCreateConnection(kLaptop, qbt_base_guid(0x1116), "", 0), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("lap", 3));
    auto lap = rec_.of_kind("lap");
    EXPECT_EQ(QBtRc(lap[0].status), QBT_STATUS_PORT_READY);
    EXPECT_EQ(QBtRc(lap[1].status), QBT_STATUS_PORT_READY);
    EXPECT_EQ(lap[2].status, 0);
    EXPECT_LE(lap[0].tick, lap[1].tick);
}

TEST_F(Scripting, InjectedEventsReachEveryConnectedApiOnTheSimulatorThread) {
    Recorder rec2(sim_);
    CQBtAPI second(std::make_unique<SimBackend>(sim_));
    register_all(second, rec2);
    sim_->inject([](stackapi::EventSink& s) { s.device_status(4, 0); });
    ASSERT_TRUE(rec_.wait_for("status"));
    EXPECT_TRUE(rec_.of_kind("status").front().on_simulator_thread);
    ASSERT_TRUE(sim_->wait_until_idle());
    EXPECT_TRUE(rec2.events().empty()) << "an API that never connected to the server hears nothing";
    ASSERT_EQ(second.ConnectToServer(true, 60, false, false), QBT_SUCCESS);
    sim_->inject([](stackapi::EventSink& s) { s.device_status(5, 0); });
    ASSERT_TRUE(rec2.wait_for("status"));
    EXPECT_EQ(rec2.of_kind("status").front().port, 5);
}

TEST(ServerScript, ConnectToServerAnswersWhatTheWorldSays) {
    platform::ScopedTimeScale fast(0.001);
    World w = demo_world();
    RequestBehaviour unreachable;
    unreachable.result = QBT_ERR_SERVER_UNREACHABLE;
    w.adapter.behaviours["ConnectToServer"] = unreachable;
    auto sim = Simulator::create(w);
    CQBtAPI api(std::make_unique<SimBackend>(sim));
    EXPECT_EQ(api.ConnectToServer(true, 60, false, false), 75u);
    int n = 0;
    std::vector<tBT_SERVICE_INFO> records(2);
    EXPECT_EQ(api.GapGetLocalServices(n, 2, records.data()), QBT_ERR_NOT_CONNECTED);

    auto sim2 = Simulator::create(demo_world());
    sim2->make_next_call_fail("ConnectToServer", 0x81000155);
    CQBtAPI api2(std::make_unique<SimBackend>(sim2));
    EXPECT_EQ(api2.ConnectToServer(true, 60, false, false), 0x81000155u);
    EXPECT_EQ(api2.ConnectToServer(true, 60, false, false), QBT_SUCCESS);
}

// --- Discovery ---------------------------------------------------------------------------------

using Discovery = SimTest;

TEST_F(Discovery, EndsWithTheDiscoveryEventAfterTheDevicesDelayAndFillsTheCache) {
    EXPECT_TRUE(available(api_, kPrinter).empty());
    const DWORD asked = platform::tick_count();
    ASSERT_EQ(api_.GapStartDiscovery(kPrinter, 1), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("discovery"));
    auto e = rec_.of_kind("discovery").front();
    EXPECT_GE(e.tick - asked, 2000u) << "the printer's discovery takes 2000 ms";
    EXPECT_TRUE(e.on_simulator_thread);
    EXPECT_EQ(e.address, kPrinter);
    EXPECT_EQ(e.port, 3) << "records found";
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(available(api_, kPrinter).size(), 3u);
}

TEST_F(Discovery, OfAnAbsentOrUnknownDeviceFails) {
    sim_->update_device(kHeadset, [](Device& d) { d.present = false; });
    ASSERT_EQ(api_.GapStartDiscovery(kHeadset, 1), QBT_SUCCESS);
    ASSERT_EQ(api_.GapStartDiscovery(kStranger, 1), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("discovery", 2));
    for (auto& e : rec_.of_kind("discovery")) {
        EXPECT_EQ(QBtRc(e.status), QBT_ERR_DEVICE_UNREACHABLE);
        EXPECT_EQ(e.port, 0);
    }
}

TEST_F(Discovery, EventGoesOnlyToTheApiThatAsked) {
    Recorder rec2(sim_);
    CQBtAPI other(std::make_unique<SimBackend>(sim_));
    ASSERT_EQ(other.ConnectToServer(true, 60, false, false), QBT_SUCCESS);
    register_all(other, rec2);
    ASSERT_EQ(api_.GapStartDiscovery(kKeyboard, 1), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("discovery"));
    ASSERT_TRUE(sim_->wait_until_idle());
    EXPECT_TRUE(rec2.of_kind("discovery").empty());
}

TEST_F(Discovery, ScriptedNoAnswerNeverEnds) {
    RequestBehaviour silent;
    silent.no_answer = true;
    sim_->set_behaviour(kPhone, "GapStartDiscovery", silent);
    ASSERT_EQ(api_.GapStartDiscovery(kPhone, 1), QBT_SUCCESS);
    ASSERT_TRUE(sim_->wait_until_idle());
    EXPECT_TRUE(rec_.of_kind("discovery").empty());
}

// --- Devices coming and going ------------------------------------------------------------------

using Devices = SimTest;

TEST_F(Devices, FoundDeviceJoinsTheWorldAndIsAnnounced) {
    Device mouse;
    mouse.address = kStranger;
    mouse.name = "Trackpoint Mouse";
    mouse.device_class = {0x00, 0x05, 0x80};
    sim_->simulate_device_found(mouse);
    ASSERT_TRUE(rec_.wait_for("found"));
    auto e = rec_.of_kind("found").front();
    EXPECT_EQ(e.address, kStranger);
    EXPECT_EQ(e.name, "Trackpoint Mouse");
    ASSERT_NE(sim_->world().find(kStranger), nullptr);
}

TEST_F(Devices, LostDeviceDropsItsConnectionsAndAnnouncesTheChange) {
    ASSERT_EQ(api_.SppCreateConnection(kPhone, qbt_base_guid(0x1101), "COM 1", 0), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("spp"));
    ASSERT_TRUE(sim_->simulate_device_lost(kPhone));
    ASSERT_TRUE(rec_.wait_for("spp", 2));
    EXPECT_EQ(QBtRc(rec_.of_kind("spp")[1].status), QBT_STATUS_LINK_LOST);
    ASSERT_TRUE(rec_.wait_for("status"));
    EXPECT_EQ(rec_.of_kind("status").front().status, 0);
    EXPECT_TRUE(active(api_).empty());
    EXPECT_FALSE(sim_->world().find(kPhone)->present);
    EXPECT_FALSE(sim_->simulate_device_lost(kStranger));
}

TEST_F(Devices, PairingAndUnpairingChangeTheWorldAndTheCache) {
    ASSERT_TRUE(sim_->simulate_pairing(kPrinter));
    EXPECT_TRUE(sim_->world().find(kPrinter)->paired);
    ASSERT_TRUE(rec_.wait_for("status"));
    ASSERT_TRUE(rec_.wait_for("found"));

    ASSERT_EQ(api_.HAG_ConnectHeadsetUuid(kHeadset, "", QBT_UUID_AUDIO_SINK), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("hag"));
    ASSERT_TRUE(sim_->simulate_unpairing(kHeadset));
    ASSERT_TRUE(rec_.wait_for("hag", 2));
    EXPECT_EQ(QBtRc(rec_.of_kind("hag")[1].status), QBT_STATUS_CONNECTION_CLOSED);
    ASSERT_TRUE(rec_.wait_for("status", 2));
    EXPECT_FALSE(sim_->world().find(kHeadset)->paired);
    EXPECT_TRUE(available(api_, kHeadset).empty()) << "unpairing forgets the service cache";
    EXPECT_FALSE(sim_->simulate_pairing(kStranger));
}

TEST_F(Devices, ChangedBatteryShowsInTheStatistics) {
    ASSERT_EQ(api_.HSP_ConnectGateway(kPhone, ""), QBT_SUCCESS);
    ASSERT_TRUE(rec_.wait_for("hsp"));
    ASSERT_TRUE(sim_->update_device(kPhone, [](Device& d) { d.battery = 15; }));
    tBT_CONN_STATS stats{};
    ASSERT_EQ(api_.GapGetConnectionStats(kPhone, qbt_base_guid(0x1112), "", 1, &stats), QBT_SUCCESS);
    EXPECT_EQ(stats.battery_level(), 15);
}

// --- Life ----------------------------------------------------------------------------------------

TEST(SimulatorLife, NoEventAfterTheApiOrTheSimulatorIsGone) {
    platform::ScopedTimeScale fast(0.001);
    auto sim = Simulator::create(demo_world());
    auto rec = std::make_unique<Recorder>(sim);
    {
        CQBtAPI api(std::make_unique<SimBackend>(sim));
        ASSERT_EQ(api.ConnectToServer(true, 60, false, false), QBT_SUCCESS);
        register_all(api, *rec);
        sim->set_default_delay(3000);
        ASSERT_EQ(api.SppCreateConnection(kPhone, qbt_base_guid(0x1101), "COM 1", 0), QBT_SUCCESS);
    }
    ASSERT_TRUE(sim->wait_until_idle());
    EXPECT_TRUE(rec->events().empty());
    EXPECT_EQ(sim->call_count("SppCreateConnection"), 1u);
}

TEST(SimulatorLife, DestructorDropsWhatIsStillScheduled) {
    platform::ScopedTimeScale fast(0.001);
    auto sim = Simulator::create(demo_world());
    Recorder rec(sim);
    auto api = std::make_unique<CQBtAPI>(std::make_unique<SimBackend>(sim));
    ASSERT_EQ(api->ConnectToServer(true, 60, false, false), QBT_SUCCESS);
    register_all(*api, rec);
    ASSERT_EQ(api->GapStartDiscovery(kPhone, 1), QBT_SUCCESS);  // 2500 ms
    auto weak = std::weak_ptr<Simulator>(sim);
    api.reset();
    sim.reset();
    EXPECT_TRUE(weak.expired()) << "the last backend released the simulator";
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(rec.events().empty());
}

}  // namespace
}  // namespace qel::sim::test
