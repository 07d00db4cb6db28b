// The instance list under threads: facades made on several threads at once get distinct,
// gap-free indexes and each is found at its own; events routed on other threads while a facade is
// destroyed either reach it whole or are dropped, and its destructor waits for those in flight.
#include <atomic>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "facade/callback_entry_points.h"
#include "facade_fixture.h"
#include "platform/sync/event.h"
#include "qelcfg/QelConfig.h"

using namespace qbtapiM;
using qbtapiM::detail::QelConfigAccess;
using qel::test::FacadeTest;

namespace {

class InstanceListThreadsTest : public FacadeTest {};

}  // namespace

TEST_F(InstanceListThreadsTest, FacadesMadeOnManyThreadsGetDistinctIndexesAndAreFound) {
    constexpr int kThreads = 6, kPerThread = 40;
    const auto first = static_cast<std::uint32_t>(QelConfigAccess::instance_list().size());
    std::vector<std::vector<std::unique_ptr<QelConfig>>> made(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&made, t] {
            for (int i = 0; i < kPerThread; ++i) {
                made[t].push_back(std::make_unique<QelConfig>(std::int64_t{t} << 32 | i));
                // Look up what exists so far while the others append.
                auto pin = QelConfigAccess::instance_list().find(index_of(*made[t].back()));
                EXPECT_EQ(pin.get(), made[t].back().get());
            }
        });
    }
    for (auto& th : threads) th.join();

    std::set<std::uint32_t> indexes;
    for (const auto& list : made) {
        for (const auto& f : list) {
            indexes.insert(index_of(*f));
            auto pin = QelConfigAccess::instance_list().find(index_of(*f));
            EXPECT_EQ(pin.get(), f.get());
        }
    }
    ASSERT_EQ(indexes.size(), std::size_t{kThreads * kPerThread});
    EXPECT_EQ(*indexes.begin(), first);
    EXPECT_EQ(*indexes.rbegin(), first + kThreads * kPerThread - 1);
}

TEST_F(InstanceListThreadsTest, EventsDuringDestructionReachTheObjectWholeOrAreDropped) {
    constexpr int kRounds = 10;
    for (int round = 0; round < kRounds; ++round) {
        auto facade = std::make_unique<QelConfig>(round);
        const std::uint32_t index = index_of(*facade);
        std::atomic<int> delivered{0};
        // The delegate reads the facade it was given: under ASan/TSan a delivery to a destroyed
        // object would be reported.
        QelConfig* raw = facade.get();
        facade->SetCallbacks(nullptr, {},
                             [&delivered, raw](const std::any&) {
                                 EXPECT_NE(raw->getmyBDA(), -1);
                                 delivered.fetch_add(1);
                             },
                             {});
        std::atomic<bool> stop{false};
        std::vector<std::thread> senders;
        for (int s = 0; s < 3; ++s) {
            senders.emplace_back([&] {
                while (!stop.load()) {
                    OnDeviceStatusCallbackExt(index, 0, 0);
                    std::this_thread::yield();
                }
            });
        }
        while (delivered.load() < 3) std::this_thread::yield();
        facade.reset();
        const int at_destruction = delivered.load();
        // Nothing arrives after the destructor returned.
        for (int i = 0; i < 100; ++i) std::this_thread::yield();
        EXPECT_EQ(delivered.load(), at_destruction);
        stop = true;
        for (auto& th : senders) th.join();
        EXPECT_EQ(delivered.load(), at_destruction);
    }
}

TEST_F(InstanceListThreadsTest, DestructorWaitsForAnEventInFlightOnAnotherThread) {
    auto facade = std::make_unique<QelConfig>(1);
    const std::uint32_t index = index_of(*facade);
    auto entered = qel::platform::create_event(true, false);
    auto release = qel::platform::create_event(true, false);
    std::atomic<bool> destructor_returned{false};
    std::atomic<bool> returned_before_release{true};

    facade->SetCallbacks(nullptr, {},
                         [&](const std::any&) {
                             qel::platform::set_event(entered);
                             qel::platform::wait_for_single_object(release, INFINITE);
                             returned_before_release = destructor_returned.load();
                         },
                         {});
    std::thread stack_thread([&] { OnDeviceStatusCallbackExt(index, 0, 0); });
    ASSERT_EQ(qel::platform::wait_for_single_object(entered, INFINITE), WAIT_OBJECT_0);

    std::thread destroyer([&] {
        facade.reset();
        destructor_returned = true;
    });
    // Once the entry is empty the destructor is running; it must now be waiting for the event.
    while (QelConfigAccess::instance_list().find(index)) std::this_thread::yield();
    OnDeviceStatusCallbackExt(index, 0, 0);  // dropped: the entry is empty
    qel::platform::set_event(release);
    stack_thread.join();
    destroyer.join();
    EXPECT_FALSE(returned_before_release.load());
    EXPECT_TRUE(destructor_returned.load());
}
