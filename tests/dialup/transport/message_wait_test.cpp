// WaitWithMessageLoop on a thread that owns a window: messages posted meanwhile are dispatched,
// the event ends the wait whether it is signalled by another thread or by a message's handler,
// and the limit is kept while messages keep arriving.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "dialup/transport/message_wait.h"
#include "platform/sync/clock.h"
#include "platform/sync/event.h"
#include "platform/windows/message_queue.h"
#include "platform/windows/window.h"

namespace pf = qel::platform;

namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kSignal = WM_APP + 2;

// A window class whose procedure counts kPing and signals `event` on kSignal.
class Window {
public:
    explicit Window(pf::WaitHandle event) : event_(std::move(event)) {
        static std::atomic<int> serial{0};
        name_ = u"QelWaitTest" + std::u16string(1, static_cast<char16_t>(u'A' + serial++ % 26));
        pf::register_class({name_, [this](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
                                if (msg == kPing) ++pings;
                                if (msg == kSignal) pf::set_event(event_);
                                return pf::def_window_proc(hwnd, msg, wp, lp);
                            }});
        hwnd = pf::create_window(name_, u"wait");
    }
    ~Window() {
        pf::destroy_window(hwnd);
        pf::unregister_class(name_);
    }

    HWND hwnd = nullptr;
    std::atomic<int> pings{0};

private:
    pf::WaitHandle event_;
    std::u16string name_;
};

}  // namespace

TEST(WaitWithMessageLoop, DispatchesPostedMessagesWhileWaitingForAnotherThreadsEvent) {
    pf::WaitHandle event = pf::create_event(true, false);
    Window window(event);
    ASSERT_NE(window.hwnd, nullptr);
    std::thread other([&] {
        for (int i = 0; i < 5; ++i) pf::post_message(window.hwnd, kPing, 0, 0);
        // Signal only once the waiting thread has run every handler.
        while (window.pings.load() < 5) std::this_thread::yield();
        pf::set_event(event);
    });
    EXPECT_EQ(WaitWithMessageLoop(event, INFINITE), 0u);
    other.join();
    EXPECT_EQ(window.pings.load(), 5);
}

TEST(WaitWithMessageLoop, AHandlerThatSignalsTheEventEndsTheWait) {
    pf::ScopedTimeScale fast(0.01);
    pf::WaitHandle event = pf::create_event(true, false);
    Window window(event);
    ASSERT_TRUE(pf::post_message(window.hwnd, kPing, 0, 0));
    ASSERT_TRUE(pf::post_message(window.hwnd, kSignal, 0, 0));
    ASSERT_TRUE(pf::post_message(window.hwnd, kPing, 0, 0));
    EXPECT_EQ(WaitWithMessageLoop(event, 60000), 0u);
    EXPECT_EQ(window.pings.load(), 1) << "messages after the signalling one ran inside the wait";
}

TEST(WaitWithMessageLoop, TheLimitHoldsWhileMessagesKeepComing) {
    pf::ScopedTimeScale fast(0.01);
    pf::WaitHandle event = pf::create_event(true, false);
    Window window(event);
    std::atomic<bool> done{false};
    const HWND target = window.hwnd;
    std::thread pinger([&] {
        while (!done.load()) {
            pf::post_message(target, kPing, 0, 0);
            pf::sleep_ms(20);
        }
    });
    const DWORD start = pf::tick_count();
    EXPECT_EQ(WaitWithMessageLoop(event, 1000), WAIT_TIMEOUT);
    EXPECT_GE(pf::tick_count() - start, 1000u);
    done = true;
    pinger.join();
    EXPECT_GT(window.pings.load(), 0);
    EXPECT_EQ(WaitWithMessageLoop(event, 0), WAIT_TIMEOUT);
    pf::set_event(event);
    EXPECT_EQ(WaitWithMessageLoop(event, 0), 0u);
}
