#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <stdexcept>

#include "platform/sync/clock.h"
#include "platform/sync/event.h"
#include "platform/sync/thread.h"
#include "platform/sync/waitable.h"

using namespace qel::platform;

namespace {

class ThreadTest : public ::testing::Test {
protected:
    ScopedTimeScale fast_{0.001};
};

std::mutex g_ended_mutex;
std::set<DWORD> g_ended;  // guarded by g_ended_mutex

void note_thread_end() {
    std::lock_guard lock(g_ended_mutex);
    g_ended.insert(current_thread_id());
}

}  // namespace

TEST_F(ThreadTest, HandleIsSignalledWhenTheFunctionReturnsWithItsExitCode) {
    WaitHandle go = create_event(true, false);
    auto t = Thread::start([&] {
        wait_for_single_object(go, INFINITE);
        return DWORD{42};
    });
    ASSERT_TRUE(t);
    EXPECT_EQ(wait_for_single_object(t->handle(), 1000), WAIT_TIMEOUT);
    EXPECT_EQ(t->exit_code(), STILL_ACTIVE);
    set_event(go);
    EXPECT_EQ(wait_for_single_object(t->handle(), INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(t->exit_code(), 42u);
    DWORD code = 0;
    WaitHandle copy = t->handle();
    t.reset();  // joins; the copied handle still tells the exit code
    EXPECT_TRUE(get_exit_code_thread(copy, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_FALSE(get_exit_code_thread(go, &code));
}

TEST_F(ThreadTest, ThreadEndCanBeOneOfSeveralObjectsWaitedFor) {
    WaitHandle stop = create_event(true, false);
    auto worker = Thread::start([] { return DWORD{7}; });
    std::vector<WaitHandle> objs{stop, worker->handle()};
    EXPECT_EQ(wait_for_multiple_objects(objs, false, INFINITE), WAIT_OBJECT_0 + 1);
    // A thread's end is lasting, like a manual-reset event.
    EXPECT_EQ(wait_for_multiple_objects(objs, false, 0), WAIT_OBJECT_0 + 1);
}

TEST_F(ThreadTest, ExceptionEndsTheThreadWithAnErrorCode) {
    auto t = Thread::start([]() -> DWORD { throw std::runtime_error("boom"); });
    t->join();
    EXPECT_EQ(t->exit_code(), ERROR_UNHANDLED_EXCEPTION);
}

TEST_F(ThreadTest, DestructorJoinsAndDetachedThreadRunsOn) {
    std::atomic<bool> done{false};
    {
        auto t = Thread::start([&] {
            sleep_ms(3000);
            done = true;
            return DWORD{0};
        });
    }
    EXPECT_TRUE(done.load());

    WaitHandle release = create_event(true, false);
    WaitHandle handle;
    {
        auto t = Thread::start([release] { return wait_for_single_object(release, INFINITE); });
        handle = t->handle();
        t->detach();
        EXPECT_FALSE(t->joinable());
    }
    EXPECT_EQ(wait_for_single_object(handle, 0), WAIT_TIMEOUT);
    set_event(release);
    EXPECT_EQ(wait_for_single_object(handle, INFINITE), WAIT_OBJECT_0);
}

TEST_F(ThreadTest, ExitHooksRunBeforeTheHandleIsSignalledUnderTheThreadsOwnId) {
    detail::add_thread_exit_hook(&note_thread_end);
    WaitHandle go = create_event(true, false);
    auto t = Thread::start([&] { return wait_for_single_object(go, INFINITE); });
    DWORD id = t->id();
    EXPECT_NE(id, current_thread_id());
    EXPECT_NE(id, 0u);
    set_event(go);
    ASSERT_EQ(wait_for_single_object(t->handle(), INFINITE), WAIT_OBJECT_0);
    {
        std::lock_guard lock(g_ended_mutex);
        EXPECT_EQ(g_ended.count(id), 1u);
    }
    t->join();
}

TEST_F(ThreadTest, ThreadThatDestroysItsOwnOwnerDoesNotJoinItself) {
    WaitHandle go = create_event(true, false);
    auto holder = std::make_shared<std::optional<Thread>>();
    *holder = Thread::start([holder, go] {
        wait_for_single_object(go, INFINITE);
        holder->reset();  // the Thread is destroyed on its own thread: detached, not joined
        return DWORD{5};
    });
    WaitHandle handle = (**holder).handle();
    set_event(go);
    EXPECT_EQ(wait_for_single_object(handle, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(get_exit_code_thread(handle, &code));
    EXPECT_EQ(code, 5u);
}
