#include <vector>

#include "platform/last_error.h"
#include "platform/sync/event.h"
#include "platform/sync/thread.h"
#include "window_fixture.h"

using namespace qel::platform;
using qel::test::ScopedClass;
using qel::test::WindowTest;

namespace {
using TimerTest = WindowTest;
}  // namespace

TEST_F(TimerTest, WindowTimerTicksUntilKilledAndNeverEarly) {
    std::vector<WPARAM> ticks;
    ScopedClass cls(u"Ticking", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_TIMER) ticks.push_back(w);
        return def_window_proc(h, m, w, l);
    });
    HWND hwnd = create_window(u"Ticking", u"");
    ULONGLONG start = tick_count64();
    ASSERT_EQ(set_timer(hwnd, 7, 1000), 1u);
    Msg m;
    while (ticks.size() < 3 && get_message(&m) > 0) dispatch_message(m);
    EXPECT_EQ(ticks, (std::vector<WPARAM>{7, 7, 7}));
    EXPECT_GE(tick_count64() - start, 3000u);  // each period starts when the last tick was taken
    ASSERT_TRUE(kill_timer(hwnd, 7));
    EXPECT_EQ(msg_wait_for_multiple_objects({}, false, 5000, QS_TIMER), WAIT_TIMEOUT);
    EXPECT_FALSE(kill_timer(hwnd, 7));
    EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);
    destroy_window(hwnd);
}

TEST_F(TimerTest, TimerComesAfterPostedMessagesAndDoesNotPileUp) {
    ScopedClass cls(u"Lazy", &def_window_proc);
    HWND hwnd = create_window(u"Lazy", u"");
    set_timer(hwnd, 1, 1000);
    sleep_ms(20000);  // twenty periods pass unread
    post_message(hwnd, WM_USER, 0, 0);
    Msg m;
    {
        // Taken at full scale, the next period lasts a real second: nothing can come due before
        // the next look, however slow the machine.
        ScopedTimeScale slow(1.0);
        ASSERT_TRUE(peek_message(&m, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(m.message, WM_USER);
        ASSERT_TRUE(peek_message(&m, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(m.message, WM_TIMER);
        EXPECT_EQ(m.hwnd, hwnd);
        EXPECT_FALSE(peek_message(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));  // one, not twenty
    }
    destroy_window(hwnd);

    HWND brief = create_window(u"Lazy", u"");
    set_timer(brief, 2, 10);
    destroy_window(brief);
    sleep_ms(200);  // twenty periods of a timer that ended with its window
    EXPECT_FALSE(peek_message(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(TimerTest, MessageWaitWakesWhenATimerComesDue) {
    ULONGLONG start = tick_count64();
    UINT_PTR id = set_timer(nullptr, 0, 2000);
    ASSERT_NE(id, 0u);
    WaitHandle never = create_event(true, false);
    std::vector<WaitHandle> handles{never};
    // Ten seconds of real time at most: a hang guard, far beyond the timer's 2 ms.
    ASSERT_EQ(msg_wait_for_multiple_objects(handles, false, 10000000, QS_TIMER), WAIT_OBJECT_0 + 1);
    EXPECT_GE(tick_count64() - start, 2000u);
    Msg m;
    ASSERT_TRUE(peek_message(&m, kThreadMessagesOnly, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wparam, id);
    EXPECT_EQ(set_timer(nullptr, id, 50000), id);  // restarted, same id
    EXPECT_TRUE(kill_timer(nullptr, id));
}

TEST_F(TimerTest, OnlyTheOwnerThreadTimesItsWindow) {
    ScopedClass cls(u"Owned", &def_window_proc);
    HWND hwnd = create_window(u"Owned", u"");
    auto other = Thread::start([hwnd] {
        return set_timer(hwnd, 1, 100) == 0 && last_error() == ERROR_ACCESS_DENIED ? DWORD{1} : DWORD{0};
    });
    other->join();
    EXPECT_EQ(other->exit_code(), 1u);
    destroy_window(hwnd);
    EXPECT_EQ(set_timer(hwnd, 1, 100), 0u);
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(TimerTest, FilteredGetMessageWaitsPastAnotherWindowsDueTimer) {
    ScopedClass cls(u"Filtered", &def_window_proc);
    HWND ticking = create_window(u"Filtered", u"ticking");
    HWND waited = create_window(u"Filtered", u"waited");
    set_timer(ticking, 3, 10);
    sleep_ms(50);  // the other window's timer is due before the wait starts
    auto poster = Thread::start([waited] {
        sleep_ms(2000);
        return post_message(waited, WM_USER, 1, 0) ? DWORD{0} : DWORD{1};
    });
    Msg m;
    ASSERT_EQ(get_message(&m, waited), 1);
    EXPECT_EQ(m.hwnd, waited);
    EXPECT_EQ(m.message, WM_USER);
    poster->join();
    ASSERT_TRUE(peek_message(&m, ticking, 0, 0, PM_REMOVE));  // still there for its own window
    EXPECT_EQ(m.message, WM_TIMER);
    destroy_window(ticking);
    destroy_window(waited);
}
