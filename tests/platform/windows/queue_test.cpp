#include <atomic>
#include <vector>

#include "platform/last_error.h"
#include "platform/sync/event.h"
#include "platform/sync/thread.h"
#include "window_fixture.h"

using namespace qel::platform;
using qel::test::ScopedClass;
using qel::test::SeenMessage;
using qel::test::WindowTest;

namespace {

using QueueTest = WindowTest;

// The core of a wait that dispatches the caller's messages, as WaitWithMessageLoop does.
DWORD wait_dispatching(const WaitHandle& event, DWORD timeout_ms) {
    DWORD remaining = timeout_ms;
    for (;;) {
        DWORD start = tick_count();
        DWORD r = msg_wait_for_multiple_objects(std::span(&event, 1), false, remaining, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return 0;
        if (r != WAIT_OBJECT_0 + 1) return r;
        Msg m;
        while (peek_message(&m, nullptr, 0, 0, PM_REMOVE)) {
            translate_message(m);
            dispatch_message(m);
            if (wait_for_single_object(event, 0) == WAIT_OBJECT_0) return 0;
        }
        if (remaining != INFINITE) {
            DWORD elapsed = tick_count() - start;
            if (elapsed >= remaining) return WAIT_TIMEOUT;
            remaining -= elapsed;
        }
    }
}

}  // namespace

TEST_F(QueueTest, PostedMessagesComeOutInOrderAndFiltersSelect) {
    std::vector<SeenMessage> seen;
    ScopedClass cls(u"QueueOrder", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m >= WM_USER) seen.push_back({h, m, w, l});
        return 0;
    });
    HWND a = create_window(u"QueueOrder", u"a");
    HWND b = create_window(u"QueueOrder", u"b");
    ASSERT_TRUE(post_message(a, WM_USER + 1, 1, -1));
    ASSERT_TRUE(post_message(b, WM_USER + 2, 2, -2));
    ASSERT_TRUE(post_thread_message(current_thread_id(), WM_APP, 3, 3));
    ASSERT_TRUE(post_message(a, WM_USER + 3, 4, 4));

    Msg m;
    ASSERT_TRUE(peek_message(&m, b, 0, 0, PM_NOREMOVE));  // window filter, left in place
    EXPECT_EQ(m.message, WM_USER + 2u);
    ASSERT_TRUE(peek_message(&m, kThreadMessagesOnly, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_APP);
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(dispatch_message(m), 0);  // a thread message has no procedure
    ASSERT_TRUE(peek_message(&m, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));  // range filter
    EXPECT_EQ(m.wparam, 4u);
    while (peek_message(&m, nullptr, 0, 0, PM_REMOVE)) dispatch_message(m);
    EXPECT_EQ(seen, (std::vector<SeenMessage>{{a, WM_USER + 1, 1, -1}, {b, WM_USER + 2, 2, -2}}));
    EXPECT_FALSE(peek_message(&m, nullptr, 0, 0, PM_REMOVE));
    destroy_window(a);
    destroy_window(b);
}

TEST_F(QueueTest, QuitComesAfterWaitingMessagesAndEndsGetMessage) {
    post_quit_message(7);
    ASSERT_TRUE(post_message(nullptr, WM_USER, 1, 0));  // a null window posts to the thread
    Msg m;
    ASSERT_EQ(get_message(&m), 1);
    EXPECT_EQ(m.message, WM_USER);
    ASSERT_EQ(get_message(&m), 0);
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wparam, 7u);
    EXPECT_FALSE(peek_message(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(QueueTest, BadFiltersAndUnknownThreadsAreRefused) {
    Msg m;
    set_last_error(0);
    EXPECT_EQ(get_message(&m, reinterpret_cast<HWND>(0x1234)), -1);
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(post_thread_message(0xFFFFFF, WM_USER, 0, 0));
    EXPECT_EQ(last_error(), ERROR_INVALID_THREAD_ID);
    EXPECT_FALSE(post_message(reinterpret_cast<HWND>(0x1234), WM_USER, 0, 0));
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(QueueTest, FullQueueRefusesFurtherPosts) {
    std::size_t posted = 0;
    while (posted < kMaxPostedMessages + 5 && post_message(nullptr, WM_USER, posted, 0)) ++posted;
    EXPECT_EQ(posted, kMaxPostedMessages);
    EXPECT_EQ(last_error(), ERROR_NOT_ENOUGH_QUOTA);
    Msg m;
    ASSERT_TRUE(peek_message(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.wparam, 0u);
    EXPECT_TRUE(post_message(nullptr, WM_USER, 0, 0));  // room again
}

TEST_F(QueueTest, MessageWaitReportsEventsBeforeInputAndInputAsCountIndex) {
    WaitHandle ev = create_event(false, false);
    std::vector<WaitHandle> handles{ev};
    EXPECT_EQ(msg_wait_for_multiple_objects(handles, false, 2000, QS_ALLINPUT), WAIT_TIMEOUT);
    post_message(nullptr, WM_USER, 0, 0);
    EXPECT_EQ(msg_wait_for_multiple_objects(handles, false, 0, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
    set_event(ev);
    EXPECT_EQ(msg_wait_for_multiple_objects(handles, false, 0, QS_ALLINPUT), WAIT_OBJECT_0);
    // Input that the thread has looked at (peek without removing) no longer wakes the wait...
    Msg m;
    ASSERT_TRUE(peek_message(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg_wait_for_multiple_objects(handles, false, 0, QS_ALLINPUT), WAIT_TIMEOUT);
    // ...unless the caller asks for any input that is there.
    EXPECT_EQ(msg_wait_for_multiple_objects_ex(handles, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(msg_wait_for_multiple_objects({}, false, 0, QS_ALLPOSTMESSAGE), WAIT_OBJECT_0);
    // A mask without posted input ignores it.
    post_message(nullptr, WM_USER, 0, 0);
    EXPECT_EQ(msg_wait_for_multiple_objects(handles, false, 0, QS_SENDMESSAGE), WAIT_TIMEOUT);
    std::vector<WaitHandle> too_many(MAXIMUM_WAIT_OBJECTS, ev);
    EXPECT_EQ(msg_wait_for_multiple_objects(too_many, false, 0, QS_ALLINPUT), WAIT_FAILED);
}

TEST_F(QueueTest, MessageWaitWakesForInputPostedByAnotherThread) {
    WaitHandle never = create_event(true, false);
    DWORD self = current_thread_id();
    std::vector<WaitHandle> handles{never};
    // Make the queue before the poster looks for it.
    EXPECT_EQ(msg_wait_for_multiple_objects(handles, false, 0, QS_ALLINPUT), WAIT_TIMEOUT);
    auto poster = Thread::start([self] { return post_thread_message(self, WM_USER + 9, 0, 0) ? DWORD{0} : DWORD{1}; });
    EXPECT_EQ(msg_wait_for_multiple_objects(handles, false, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
    poster->join();
    EXPECT_EQ(poster->exit_code(), 0u);
    // New since the last look (high word) and waiting (low word); the first call clears "new".
    EXPECT_EQ(get_queue_status(QS_ALLINPUT | QS_ALLPOSTMESSAGE),
              ((QS_POSTMESSAGE | QS_ALLPOSTMESSAGE) << 16) | QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
    EXPECT_EQ(get_queue_status(QS_ALLINPUT), DWORD{QS_POSTMESSAGE});
}

TEST_F(QueueTest, WaitWithAllNeedsEveryEventAndInput) {
    WaitHandle ev = create_event(false, true);
    std::vector<WaitHandle> handles{ev};
    EXPECT_EQ(msg_wait_for_multiple_objects(handles, true, 0, QS_ALLINPUT), WAIT_TIMEOUT);
    EXPECT_EQ(wait_for_single_object(ev, 0), WAIT_OBJECT_0);  // not taken by the failed wait
    set_event(ev);
    post_message(nullptr, WM_USER, 0, 0);
    EXPECT_EQ(msg_wait_for_multiple_objects(handles, true, 0, QS_ALLINPUT), WAIT_OBJECT_0);
    EXPECT_EQ(wait_for_single_object(ev, 0), WAIT_TIMEOUT);
}

TEST_F(QueueTest, MessagesAreDispatchedWhileWaitingForAnEvent) {
    WaitHandle answer = create_event(false, false);
    std::vector<UINT> dispatched;
    ScopedClass cls(u"WaitDispatch", [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m >= WM_USER) dispatched.push_back(m);
        if (m == WM_USER + 3) set_event(answer);  // the third message brings the answer
        return 0;
    });
    HWND hwnd = create_window(u"WaitDispatch", u"");
    auto poster = Thread::start([hwnd] {
        for (UINT i = 1; i <= 3; ++i) {
            sleep_ms(1000);
            post_message(hwnd, WM_USER + i, 0, 0);
        }
        return DWORD{0};
    });
    // A limit of ten seconds of real time: a hang guard, not a speed check.
    EXPECT_EQ(wait_dispatching(answer, 10000000), 0u);
    EXPECT_EQ(dispatched, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3}));
    poster->join();
    // Without the answer the wait ends at its limit, still dispatching what comes.
    post_message(hwnd, WM_USER + 4, 0, 0);
    ULONGLONG start = tick_count64();
    EXPECT_EQ(wait_dispatching(answer, 5000), WAIT_TIMEOUT);
    EXPECT_GE(tick_count64() - start, 5000u);
    EXPECT_EQ(dispatched.back(), WM_USER + 4);
    destroy_window(hwnd);
}
