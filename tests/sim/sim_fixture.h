// Test fixture of the simulated stack: a simulator on the demo world (or a world given by the
// test) at time scale 1/1000, a CQBtAPI connected to it with every event callback registered, and
// a recorder of the events received.
//
// Presets (addresses of the demo world):
//   kPhone    00:1e:3a:4b:7c:21  "Corvo 6300i"       GSM phone: DUN (COM7), OPP, FTP, IrMC,
//             hands-free and headset gateways, audio source, serial ports "COM 1" (COM8) and
//             "GPS Serial Port" (COM9), PANU, NAP; battery 80; paired.
//   kHeadset  00:0d:44:2a:19:8e  "Soundwave BT-220"  audio sink, hands-free, headset; battery 60.
//   kLaptop   00:21:86:9c:33:5f  "ELDRIDGE-LAPTOP"   OPP, FTP, serial port (COM10), NAP, PANU.
//   kKeyboard 00:07:61:5e:02:b4  "Keybridge K810"    HID; battery 90.
//   kPrinter  00:80:92:41:6d:07  "InkJet P-450"      not paired, no service cache.
//   kStranger 00:11:22:33:44:55  not in the world.
#pragma once

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "facade/stackapi/cqbtapi.h"
#include "platform/sync/clock.h"
#include "sim/sim_backend.h"
#include "sim/simulator.h"

namespace qel::sim::test {

inline constexpr BD_ADDR kPhone{0x00, 0x1e, 0x3a, 0x4b, 0x7c, 0x21};
inline constexpr BD_ADDR kHeadset{0x00, 0x0d, 0x44, 0x2a, 0x19, 0x8e};
inline constexpr BD_ADDR kLaptop{0x00, 0x21, 0x86, 0x9c, 0x33, 0x5f};
inline constexpr BD_ADDR kKeyboard{0x00, 0x07, 0x61, 0x5e, 0x02, 0xb4};
inline constexpr BD_ADDR kPrinter{0x00, 0x80, 0x92, 0x41, 0x6d, 0x07};
inline constexpr BD_ADDR kStranger{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

// One event as received by a callback.
struct Received {
    std::string kind;          // "spp", "dun", "lap", "hag", "hsp", "discovery", "found", "status", "local"
    BD_ADDR address{};
    std::string name;
    GUID guid{};
    LONG port = 0;             // port, or handle for audio, or records for discovery, or device
    LONG status = 0;
    bool on_simulator_thread = false;
    DWORD tick = 0;            // platform tick count when it arrived
    tBT_SERVICE_INFO record{}; // local-service events
};

// Collects events from the CQBtAPI callbacks (user data = the recorder's address).
class Recorder {
public:
    explicit Recorder(const std::shared_ptr<Simulator>& sim) : sim_(sim.get()) {}

    void add(Received r) {
        r.on_simulator_thread = sim_->on_event_thread();
        r.tick = platform::tick_count();
        // Notified under the lock: a waiter that then destroys the recorder cannot do so before
        // this call has let go of it.
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(r));
        changed_.notify_all();
    }
    std::vector<Received> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<Received> of_kind(const std::string& kind) const {
        std::vector<Received> out;
        for (auto& e : events()) {
            if (e.kind == kind) out.push_back(e);
        }
        return out;
    }
    // Waits (up to 10 s of real time) until `count` events of `kind` have arrived.
    bool wait_for(const std::string& kind, std::size_t count = 1) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] {
            std::size_t n = 0;
            for (auto& e : events_) n += e.kind == kind;
            return n >= count;
        });
    }
    void clear() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }

    static Recorder& of(QBtUserData user) { return *reinterpret_cast<Recorder*>(user); }
    QBtUserData user() { return reinterpret_cast<QBtUserData>(this); }

private:
    const Simulator* sim_;  // events come only while it lives
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Received> events_;
};

// Registers every event callback of `api` that the simulator raises, recording into `rec`.
void register_all(CQBtAPI& api, Recorder& rec);

class SimTest : public ::testing::Test {
protected:
    explicit SimTest(World world = demo_world())
        : sim_(Simulator::create(std::move(world))), rec_(sim_), api_(std::make_unique<SimBackend>(sim_)) {}

    void SetUp() override {
        ASSERT_EQ(api_.ConnectToServer(true, 60, false, false), QBT_SUCCESS);
        register_all(api_, rec_);
    }
    void TearDown() override { EXPECT_TRUE(sim_->wait_until_idle()); }

    platform::ScopedTimeScale scale_{0.001};
    std::shared_ptr<Simulator> sim_;
    Recorder rec_;
    CQBtAPI api_;
};

}  // namespace qel::sim::test
