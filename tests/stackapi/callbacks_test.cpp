// CQBtAPI's callback registrations: delivery with the user data, and the promise of the clears:
// after a Clear returns no callback of that kind starts or is still running elsewhere, also while
// events race with the clear, and a callback may clear from within itself without deadlock.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <latch>
#include <thread>

#include "facade/stackapi/cqbtapi.h"
#include "platform/sync/clock.h"
#include "sim/sim_backend.h"

namespace {

using qel::sim::SimBackend;
using qel::sim::Simulator;
using qel::stackapi::EventSink;

// A backend whose events the test raises itself, from threads of its own: it hands the sink
// CQBtAPI gives it to the test (which may keep it past the API's end, as a late stack thread
// would). Every request is refused; only the connection to the server succeeds.
struct SinkProbe {
    std::mutex mutex;
    std::shared_ptr<EventSink> sink;  // guarded by mutex
    std::shared_ptr<EventSink> get() {
        std::lock_guard lock(mutex);
        return sink;
    }
};

class HandBackend final : public qel::stackapi::StackBackend {
public:
    explicit HandBackend(std::shared_ptr<SinkProbe> probe) : probe_(std::move(probe)) {}
    void set_event_sink(std::shared_ptr<EventSink> sink) override {
        std::lock_guard lock(probe_->mutex);
        if (sink) probe_->sink = std::move(sink);  // kept after a reset, like a late thread
    }
    QBtRc connect_to_server(bool, unsigned, bool, bool) override { return QBT_SUCCESS; }
    QBtRc reset_configuration() override { return no(); }
    QBtRc start_discovery(const BD_ADDR&, int) override { return no(); }
    QBtRc local_services(std::span<tBT_SERVICE_INFO>, int&) override { return no(); }
    QBtRc available_services(const BD_ADDR&, std::span<tBT_SERVICE_INFO>, int&) override { return no(); }
    QBtRc service_state(const BD_ADDR&, const GUID&, std::string_view, LONG&, LONG&) override { return no(); }
    QBtRc application_state(const BD_ADDR&, const GUID&, std::string_view, LONG&, LONG&) override { return no(); }
    QBtRc connection_stats(const BD_ADDR&, const GUID&, std::string_view, std::span<tBT_CONN_STATS>) override {
        return no();
    }
    QBtRc active_connections(std::span<tBT_ACTIVE_CONNS>, int&) override { return no(); }
    QBtRc dun_connect(const BD_ADDR&, const GUID&, std::string_view, int) override { return no(); }
    QBtRc spp_connect(const BD_ADDR&, const GUID&, std::string_view, int) override { return no(); }
    QBtRc lap_connect(const BD_ADDR&, const GUID&, std::string_view, int) override { return no(); }
    QBtRc dun_disconnect(int, std::int16_t) override { return no(); }
    QBtRc spp_disconnect(int, std::int16_t) override { return no(); }
    QBtRc lap_disconnect(const BD_ADDR&) override { return no(); }
    QBtRc hsp_connect_gateway(const BD_ADDR&, std::string_view) override { return no(); }
    QBtRc hsp_connect_gateway_uuid(const BD_ADDR&, std::string_view, std::uint16_t) override { return no(); }
    QBtRc hag_connect_headset_uuid(const BD_ADDR&, std::string_view, std::uint16_t) override { return no(); }
    QBtRc hsp_disconnect_gateway(const BD_ADDR&, LONG) override { return no(); }
    QBtRc hag_disconnect_headset(const BD_ADDR&, LONG) override { return no(); }
    QBtRc ftp_open(const BD_ADDR&, const GUID&, std::string_view, LONG&) override { return no(); }
    QBtRc opp_open(const BD_ADDR&, const GUID&, std::string_view, LONG&) override { return no(); }
    QBtRc opp_push(std::u16string_view) override { return no(); }
    QBtRc opp_close(LONG) override { return no(); }
    QBtRc ftp_folder_listing(LONG) override { return no(); }
    QBtRc ftp_root(LONG) override { return no(); }
    QBtRc ftp_parent(LONG) override { return no(); }
    QBtRc ftp_abort(LONG) override { return no(); }
    QBtRc ftp_close(LONG) override { return no(); }
    QBtRc ftp_change_folder(LONG, std::u16string_view) override { return no(); }
    QBtRc ftp_create_folder(LONG, std::u16string_view) override { return no(); }
    QBtRc ftp_delete(LONG, std::u16string_view) override { return no(); }
    QBtRc ftp_put(LONG, std::u16string_view) override { return no(); }
    QBtRc ftp_get(LONG, std::u16string_view, std::u16string_view) override { return no(); }
    QBtRc sync_synchronize(const BD_ADDR&, const GUID&, std::string_view) override { return no(); }
    QBtRc sync_backup(const BD_ADDR&, const GUID&, LONG, std::u16string_view) override { return no(); }
    QBtRc sync_abort() override { return no(); }

private:
    static QBtRc no() { return QBT_ERR_NOT_SUPPORTED; }
    std::shared_ptr<SinkProbe> probe_;
};

struct Counter {
    std::atomic<int> calls{0};
    std::atomic<LONG> last_device{0};
    std::atomic<bool> cleared{false};
    std::atomic<int> after_clear{0};
};

void count_status(QBtUserData user, LONG device, LONG) {
    auto& c = *reinterpret_cast<Counter*>(user);
    if (c.cleared.load()) c.after_clear++;
    c.last_device = device;
    c.calls++;
}

TEST(Callbacks, DeliveredWithTheirUserDataAndReplacedByANewRegistration) {
    auto probe = std::make_shared<SinkProbe>();
    CQBtAPI api(std::make_unique<HandBackend>(probe));
    Counter a, b;
    EXPECT_EQ(api.SetOnDeviceStatusCallback(nullptr, 0), QBT_ERR_INVALID_PARAMETER);
    ASSERT_EQ(api.SetOnDeviceStatusCallback(count_status, reinterpret_cast<QBtUserData>(&a)), QBT_SUCCESS);
    probe->get()->device_status(7, 0);
    EXPECT_EQ(a.calls, 1);
    EXPECT_EQ(a.last_device, 7);
    ASSERT_EQ(api.SetOnDeviceStatusCallback(count_status, reinterpret_cast<QBtUserData>(&b)), QBT_SUCCESS);
    probe->get()->device_status(8, 0);
    EXPECT_EQ(a.calls, 1);
    EXPECT_EQ(b.calls, 1);
    // Clearing one kind leaves the others.
    ASSERT_EQ(api.SetOnDeviceFoundCallback(
                  [](QBtUserData u, const BD_ADDR&, const DEV_CLASS&, const char*, int) {
                      reinterpret_cast<Counter*>(u)->calls++;
                  },
                  reinterpret_cast<QBtUserData>(&a)),
              QBT_SUCCESS);
    ASSERT_EQ(api.ClearOnDeviceStatusCallback(), QBT_SUCCESS);
    probe->get()->device_status(9, 0);
    probe->get()->device_found(BD_ADDR{}, DEV_CLASS{}, "", 0);
    EXPECT_EQ(b.calls, 1);
    EXPECT_EQ(a.calls, 2);
}

TEST(Callbacks, NoneArrivesAfterTheApiIsDestroyedEvenFromALateThread) {
    auto probe = std::make_shared<SinkProbe>();
    Counter c;
    {
        CQBtAPI api(std::make_unique<HandBackend>(probe));
        api.SetOnDeviceStatusCallback(count_status, reinterpret_cast<QBtUserData>(&c));
    }
    auto late = probe->get();
    ASSERT_TRUE(late);
    std::thread([&] { late->device_status(1, 0); }).join();
    EXPECT_EQ(c.calls, 0);
}

TEST(Callbacks, ClearAllRacingWithEventsLetsNoneStartAfterItReturns) {
    qel::platform::ScopedTimeScale fast(0.001);
    auto sim = Simulator::create(qel::sim::demo_world());
    CQBtAPI api(std::make_unique<SimBackend>(sim));
    ASSERT_EQ(api.ConnectToServer(true, 60, false, false), QBT_SUCCESS);
    Counter c;
    api.SetOnDeviceStatusCallback(count_status, reinterpret_cast<QBtUserData>(&c));
    for (int i = 0; i < 3000; ++i) {
        sim->inject([i](EventSink& s) { s.device_status(i, 0); });
    }
    while (c.calls.load() < 20) std::this_thread::yield();
    api.ClearAllCallbacks();
    c.cleared = true;
    ASSERT_TRUE(sim->wait_until_idle());
    EXPECT_EQ(c.after_clear, 0);
    EXPECT_GE(c.calls, 20);
}

TEST(Callbacks, ClearAllWithEventsFromSeveralThreadsLetsNoneStartAfterItReturns) {
    auto probe = std::make_shared<SinkProbe>();
    CQBtAPI api(std::make_unique<HandBackend>(probe));
    Counter c;
    api.SetOnDeviceStatusCallback(count_status, reinterpret_cast<QBtUserData>(&c));
    auto sink = probe->get();
    std::atomic<bool> stop{false};
    std::vector<std::thread> stack_threads;
    for (int t = 0; t < 4; ++t) {
        stack_threads.emplace_back([&, t] {
            while (!stop.load()) sink->device_status(t, 0);
        });
    }
    while (c.calls.load() < 200) std::this_thread::yield();
    api.ClearAllCallbacks();
    c.cleared = true;
    const int at_clear = c.calls.load();
    // The stack threads go on raising events for a while; none may reach the callback.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stop = true;
    for (auto& t : stack_threads) t.join();
    EXPECT_EQ(c.after_clear, 0);
    EXPECT_EQ(c.calls.load(), at_clear);
}

TEST(Callbacks, ClearWaitsForACallbackRunningOnAnotherThread) {
    auto probe = std::make_shared<SinkProbe>();
    CQBtAPI api(std::make_unique<HandBackend>(probe));
    struct Gate {
        std::promise<void> entered;
        std::promise<void> release;
        std::atomic<bool> finished{false};
    } gate;
    api.SetOnDiscoveryEventCallback(
        [](QBtUserData u, const BD_ADDR&, WORD, LONG) {
            auto& g = *reinterpret_cast<Gate*>(u);
            g.entered.set_value();
            g.release.get_future().wait();
            g.finished = true;
        },
        reinterpret_cast<QBtUserData>(&gate));
    std::thread stack([&] { probe->get()->discovery_event(BD_ADDR{}, 0, 0); });
    gate.entered.get_future().wait();

    std::atomic<bool> clear_returned{false};
    bool finished_when_clear_returned = false;
    std::thread clearer([&] {
        api.ClearAllCallbacks();
        finished_when_clear_returned = gate.finished.load();
        clear_returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(clear_returned.load()) << "the clear returned while the callback still ran";
    gate.release.set_value();
    clearer.join();
    stack.join();
    EXPECT_TRUE(finished_when_clear_returned);
}

TEST(Callbacks, ACallbackMayClearEverythingFromWithinItself) {
    qel::platform::ScopedTimeScale fast(0.001);
    auto sim = Simulator::create(qel::sim::demo_world());
    CQBtAPI api(std::make_unique<SimBackend>(sim));
    ASSERT_EQ(api.ConnectToServer(true, 60, false, false), QBT_SUCCESS);
    struct Ctx {
        CQBtAPI* api;
        std::atomic<int> calls{0};
    } ctx{&api};
    api.SetOnDeviceStatusCallback(
        [](QBtUserData u, LONG, LONG) {
            auto& c = *reinterpret_cast<Ctx*>(u);
            c.calls++;
            c.api->ClearAllCallbacks();
        },
        reinterpret_cast<QBtUserData>(&ctx));
    sim->inject([](EventSink& s) { s.device_status(1, 0); });
    sim->inject([](EventSink& s) { s.device_status(2, 0); });
    ASSERT_TRUE(sim->wait_until_idle());
    EXPECT_EQ(ctx.calls, 1);
}

TEST(Callbacks, TwoCallbacksClearingAtOnceDoNotDeadlock) {
    auto probe = std::make_shared<SinkProbe>();
    CQBtAPI api(std::make_unique<HandBackend>(probe));
    struct Ctx {
        CQBtAPI* api;
        std::latch both_inside{2};
        std::atomic<int> done{0};
    } ctx{&api};
    api.SetOnSyncAbortCallback(
        [](QBtUserData u, LONG) {
            auto& c = *reinterpret_cast<Ctx*>(u);
            c.both_inside.arrive_and_wait();
            c.api->ClearAllCallbacks();
            c.done++;
        },
        reinterpret_cast<QBtUserData>(&ctx));
    api.SetOnDeviceStatusCallback(
        [](QBtUserData u, LONG, LONG) {
            auto& c = *reinterpret_cast<Ctx*>(u);
            c.both_inside.arrive_and_wait();
            c.api->ClearOnSyncAbortCallback();
            c.done++;
        },
        reinterpret_cast<QBtUserData>(&ctx));
    std::thread one([&] { probe->get()->sync_abort(0); });
    std::thread two([&] { probe->get()->device_status(0, 0); });
    one.join();
    two.join();
    EXPECT_EQ(ctx.done, 2);
    // Both are cleared now.
    probe->get()->sync_abort(0);
    probe->get()->device_status(0, 0);
    EXPECT_EQ(ctx.done, 2);
}

TEST(Callbacks, DefaultConstructorUsesTheInstalledSimulator) {
    qel::platform::ScopedTimeScale fast(0.001);
    auto sim = Simulator::create(qel::sim::demo_world());
    qel::sim::ScopedSimulatorBackend use(sim);
    CQBtAPI api;
    ASSERT_EQ(api.ConnectToServer(true, 60, false, false), QBT_SUCCESS);
    EXPECT_EQ(sim->call_count("ConnectToServer"), 1u);
}

}  // namespace
