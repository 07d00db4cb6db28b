#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/last_error.h"
#include "platform/sync/clock.h"
#include "platform/sync/event.h"
#include "platform/sync/mutex.h"
#include "platform/sync/thread.h"

using namespace qel::platform;

namespace {

class EventTest : public ::testing::Test {
protected:
    ScopedTimeScale fast_{0.001};
};

}  // namespace

TEST_F(EventTest, ManualResetStaysSignalledUntilResetAndReleasesEveryWaiter) {
    WaitHandle gate = create_event(true, false);
    std::atomic<int> released{0};
    std::vector<Thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.push_back(*Thread::start([&] {
            DWORD r = wait_for_single_object(gate, INFINITE);
            if (r == WAIT_OBJECT_0) ++released;
            return r;
        }));
    ASSERT_TRUE(set_event(gate));
    for (auto& t : waiters) EXPECT_EQ(wait_for_single_object(t.handle(), INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(released.load(), 4);
    EXPECT_EQ(wait_for_single_object(gate, 0), WAIT_OBJECT_0);
    EXPECT_EQ(wait_for_single_object(gate, 0), WAIT_OBJECT_0);
    ASSERT_TRUE(reset_event(gate));
    EXPECT_EQ(wait_for_single_object(gate, 0), WAIT_TIMEOUT);
}

TEST_F(EventTest, AutoResetReleasesExactlyOneWaiterPerSet) {
    WaitHandle ev = create_event(false, false);
    WaitHandle one_released = create_event(false, false);
    std::atomic<int> released{0};
    std::vector<Thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.push_back(*Thread::start([&] {
            DWORD r = wait_for_single_object(ev, INFINITE);
            ++released;
            set_event(one_released);
            return r;
        }));
    for (int round = 1; round <= 3; ++round) {
        ASSERT_TRUE(set_event(ev));
        ASSERT_EQ(wait_for_single_object(one_released, INFINITE), WAIT_OBJECT_0);
        // The waiter that ran took the signal with it: nothing is left for anyone else.
        EXPECT_EQ(wait_for_single_object(ev, 0), WAIT_TIMEOUT);
        EXPECT_EQ(released.load(), round);
    }
    for (auto& t : waiters) EXPECT_EQ(wait_for_single_object(t.handle(), INFINITE), WAIT_OBJECT_0);
    for (auto& t : waiters) EXPECT_EQ(t.exit_code(), WAIT_OBJECT_0);
    // Set twice with nobody waiting, it is still one signal.
    ASSERT_TRUE(set_event(ev) && set_event(ev));
    EXPECT_EQ(wait_for_single_object(ev, 0), WAIT_OBJECT_0);
    EXPECT_EQ(wait_for_single_object(ev, 0), WAIT_TIMEOUT);
}

TEST_F(EventTest, WaitAnyReportsLowestSignalledIndexAndTakesOnlyThatOne) {
    std::vector<WaitHandle> evs{create_event(false, false), create_event(false, true), create_event(false, true)};
    EXPECT_EQ(wait_for_multiple_objects(evs, false, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(wait_for_multiple_objects(evs, false, 0), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(wait_for_multiple_objects(evs, false, 0), WAIT_TIMEOUT);
    EXPECT_EQ(wait_for_multiple_objects(evs, false, 5000), WAIT_TIMEOUT);
}

TEST_F(EventTest, WaitAllTakesNothingUntilEveryObjectIsSignalled) {
    std::vector<WaitHandle> evs{create_event(false, true), create_event(false, false), create_event(true, true)};
    EXPECT_EQ(wait_for_multiple_objects(evs, true, 1000), WAIT_TIMEOUT);
    EXPECT_EQ(wait_for_single_object(evs[0], 0), WAIT_OBJECT_0);  // still set: not taken by the failed wait
    ASSERT_TRUE(set_event(evs[0]));
    auto setter = Thread::start([&] {
        set_event(evs[1]);
        return DWORD{0};
    });
    EXPECT_EQ(wait_for_multiple_objects(evs, true, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(wait_for_single_object(evs[0], 0), WAIT_TIMEOUT);  // auto-reset ones were taken
    EXPECT_EQ(wait_for_single_object(evs[1], 0), WAIT_TIMEOUT);
    EXPECT_EQ(wait_for_single_object(evs[2], 0), WAIT_OBJECT_0);  // manual-reset one stays
}

TEST_F(EventTest, BadArgumentsFailTheWait) {
    WaitHandle ev = create_event(true, true);
    set_last_error(0);
    EXPECT_EQ(wait_for_multiple_objects({}, false, 0), WAIT_FAILED);
    EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);
    std::vector<WaitHandle> too_many(MAXIMUM_WAIT_OBJECTS + 1, ev);
    EXPECT_EQ(wait_for_multiple_objects(too_many, false, 0), WAIT_FAILED);
    std::vector<WaitHandle> most(MAXIMUM_WAIT_OBJECTS, ev);
    EXPECT_EQ(wait_for_multiple_objects(most, false, 0), WAIT_OBJECT_0);  // duplicates are fine for "any"
    EXPECT_EQ(wait_for_multiple_objects(std::vector<WaitHandle>{ev, ev}, true, 0), WAIT_FAILED);
    EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(wait_for_multiple_objects(std::vector<WaitHandle>{ev, WaitHandle{}}, false, 0), WAIT_FAILED);
    EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(wait_for_single_object(WaitHandle{}, 0), WAIT_FAILED);
}

TEST_F(EventTest, HandlesShareTheirEventAndSetRefusesWhatIsNotOne) {
    WaitHandle a = create_event(true, false);
    WaitHandle b = a;
    EXPECT_TRUE(a == b);
    a.close();
    EXPECT_FALSE(a);
    ASSERT_TRUE(set_event(b));  // the copy outlives the closed original
    EXPECT_EQ(wait_for_single_object(b, 0), WAIT_OBJECT_0);

    auto t = Thread::start([] { return DWORD{0}; });
    ASSERT_TRUE(t);
    set_last_error(0);
    EXPECT_FALSE(set_event(t->handle()));
    EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(reset_event(WaitHandle{}));
    EXPECT_FALSE(is_event(create_mutex(false)));
    EXPECT_TRUE(is_event(b));
}

TEST_F(EventTest, MutexIsOwnedRecursivelyAndReleasedOnlyByItsOwner) {
    WaitHandle m = create_mutex(true);
    EXPECT_EQ(wait_for_single_object(m, 0), WAIT_OBJECT_0);  // owner takes it again
    auto other = Thread::start([&] {
        DWORD r = wait_for_single_object(m, 0);
        set_last_error(0);
        bool released = release_mutex(m);
        return r == WAIT_TIMEOUT && !released && last_error() == ERROR_NOT_OWNER ? DWORD{1} : DWORD{0};
    });
    other->join();
    EXPECT_EQ(other->exit_code(), 1u);
    EXPECT_TRUE(release_mutex(m));
    EXPECT_TRUE(release_mutex(m));
    EXPECT_FALSE(release_mutex(m));
    EXPECT_FALSE(release_mutex(create_event(true, true)));
}

TEST_F(EventTest, WaitAllTakesMutexAndEventTogether) {
    WaitHandle m = create_mutex(false);
    WaitHandle data = create_event(false, false);
    std::vector<WaitHandle> both{m, data};
    auto holder = Thread::start([&] {
        // Holds the mutex while the data arrives: the other thread's wait must take neither.
        wait_for_single_object(m, INFINITE);
        set_event(data);
        sleep_ms(5000);
        release_mutex(m);
        return DWORD{0};
    });
    EXPECT_EQ(wait_for_multiple_objects(both, true, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(wait_for_single_object(data, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(release_mutex(m));
}

TEST_F(EventTest, MutexOfAnEndedOwnerIsReportedAbandoned) {
    WaitHandle m = create_mutex(false);
    WaitHandle ev = create_event(true, false);
    auto owner = Thread::start([&] { return wait_for_single_object(m, 0); });
    owner->join();
    EXPECT_EQ(owner->exit_code(), WAIT_OBJECT_0);
    std::vector<WaitHandle> objs{ev, m};
    EXPECT_EQ(wait_for_multiple_objects(objs, false, 0), WAIT_ABANDONED_0 + 1);
    EXPECT_EQ(wait_for_single_object(m, 0), WAIT_OBJECT_0);  // now owned normally, no longer abandoned
    EXPECT_TRUE(release_mutex(m));
    EXPECT_TRUE(release_mutex(m));
}
