#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/environment.h"
#include "platform/last_error.h"
#include "platform/sync/event.h"
#include "platform/sync/thread.h"
#include "window_fixture.h"

using namespace qel::platform;
using qel::test::ScopedClass;
using qel::test::SeenMessage;
using qel::test::WindowTest;

namespace {

LRESULT ignore(HWND, UINT, WPARAM, LPARAM) { return 0; }

// Runs a message loop on a thread of its own that owns one window of `class_name`; the loop ends
// once the window is gone (a procedure that passes WM_CLOSE to def_window_proc destroys it).
class WindowThread {
public:
    explicit WindowThread(std::u16string class_name) {
        ready_ = create_event(true, false);
        thread_ = Thread::start([this, class_name] {
            hwnd_ = create_window(class_name, u"worker");
            set_event(ready_);
            Msg m;
            while (is_window(hwnd_) && get_message(&m) > 0) dispatch_message(m);
            return DWORD{0};
        });
        wait_for_single_object(ready_, INFINITE);
    }
    HWND hwnd() const { return hwnd_; }
    Thread& thread() { return *thread_; }

private:
    WaitHandle ready_;
    HWND hwnd_ = nullptr;
    std::optional<Thread> thread_;
};

}  // namespace

TEST_F(WindowTest, ClassNamesAreUniqueWithoutRegardToCase) {
    ScopedClass cls(u"CaseClass", &ignore);
    EXPECT_NE(cls.atom(), 0);
    set_last_error(0);
    EXPECT_EQ(register_class({u"CASECLASS", &ignore}), 0);
    EXPECT_EQ(last_error(), ERROR_CLASS_ALREADY_EXISTS);
    EXPECT_EQ(register_class({u"", &ignore}), 0);
    EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);
    HWND hwnd = create_window(u"caseclass", u"t");
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(unregister_class(u"CaseClass"));
    EXPECT_EQ(last_error(), ERROR_CLASS_HAS_WINDOWS);
    EXPECT_EQ(find_window(u"CASECLASS"), hwnd);
    EXPECT_TRUE(destroy_window(hwnd));
    EXPECT_FALSE(unregister_class(u"NoSuchClass"));
    EXPECT_EQ(last_error(), ERROR_CLASS_DOES_NOT_EXIST);
}

TEST_F(WindowTest, CreateAndDestroyCallTheProcedureAndHandlesAreNotReused) {
    std::vector<SeenMessage> seen;
    ScopedClass cls(u"Lifecycle", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        seen.push_back({h, m, w, l});
        if (m == WM_CREATE && l == 99) return -1;  // refuses to be created
        return 0;
    });
    set_last_error(0);
    EXPECT_EQ(create_window(u"NoSuchClass", u""), nullptr);
    EXPECT_EQ(last_error(), ERROR_CANNOT_FIND_WND_CLASS);

    HWND hwnd = create_window(u"Lifecycle", u"one", 42);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(is_window(hwnd));
    EXPECT_EQ(window_thread_id(hwnd), current_thread_id());
    post_message(hwnd, WM_USER, 0, 0);
    EXPECT_TRUE(destroy_window(hwnd));
    EXPECT_FALSE(is_window(hwnd));
    EXPECT_FALSE(destroy_window(hwnd));
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
    Msg m;
    EXPECT_FALSE(peek_message(&m, nullptr, 0, 0, PM_REMOVE));  // its queued message went with it
    EXPECT_EQ(seen, (std::vector<SeenMessage>{{hwnd, WM_CREATE, 0, 42}, {hwnd, WM_DESTROY, 0, 0}}));

    seen.clear();
    EXPECT_EQ(create_window(u"Lifecycle", u"two", 99), nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].message, WM_DESTROY);
    EXPECT_FALSE(is_window(seen[0].hwnd));

    HWND again = create_window(u"Lifecycle", u"three");
    EXPECT_NE(again, hwnd);
    EXPECT_NE(again, seen[0].hwnd);
    destroy_window(again);
}

TEST_F(WindowTest, FindWindowPrefersTheNewestAndMatchesTitlesExactlyAndBroadcastsReachAll) {
    int hits = 0;
    auto count_app = [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_APP + 1) ++hits;
        return 0;
    };
    ScopedClass cls(u"Findable", count_app);
    ScopedClass other(u"Other", count_app);
    HWND first = create_window(u"Findable", u"first");
    HWND second = create_window(u"Findable", u"second");
    HWND third = create_window(u"Other", u"first");
    EXPECT_EQ(find_window(u"Findable"), second);
    EXPECT_EQ(find_window(u"Findable", u"first"), first);
    EXPECT_EQ(find_window(u"Findable", u"First"), nullptr);
    EXPECT_EQ(find_window(u"", u"first"), third);
    EXPECT_EQ(find_window(u"NotRegisteredAnywhere"), nullptr);
    EXPECT_TRUE(post_message(HWND_BROADCAST, WM_APP + 1, 0, 0));
    Msg m;
    while (peek_message(&m, nullptr, 0, 0, PM_REMOVE)) dispatch_message(m);
    EXPECT_EQ(hits, 3);
    destroy_window(second);
    EXPECT_EQ(find_window(u"Findable"), first);
    destroy_window(first);
    destroy_window(third);
    EXPECT_EQ(find_window(u"Findable"), nullptr);
}

TEST_F(WindowTest, UserDataAndDefaultProcedure) {
    ScopedClass cls(u"Defaults", &def_window_proc);
    HWND hwnd = create_window(u"Defaults", u"");
    EXPECT_EQ(set_window_user_data(hwnd, 5), 0);
    EXPECT_EQ(set_window_user_data(hwnd, 6), 5);
    EXPECT_EQ(get_window_user_data(hwnd), 6);
    EXPECT_EQ(send_message(hwnd, WM_USER, 0, 0), 0);
    EXPECT_TRUE(is_window(hwnd));
    EXPECT_EQ(send_message(hwnd, WM_CLOSE, 0, 0), 0);  // the default closes by destroying
    EXPECT_FALSE(is_window(hwnd));
    EXPECT_EQ(get_window_user_data(hwnd), 0);
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowTest, PostedMessagesRunOnTheOwnerThreadInOrder) {
    std::mutex mutex;
    std::vector<std::pair<DWORD, UINT>> seen;  // guarded by mutex
    ScopedClass cls(u"CrossThread", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m >= WM_USER) {
            std::lock_guard lock(mutex);
            seen.emplace_back(current_thread_id(), m);
        }
        return def_window_proc(h, m, w, l);
    });
    WindowThread worker(u"CrossThread");
    ASSERT_NE(worker.hwnd(), nullptr);
    EXPECT_EQ(find_window(u"CrossThread"), worker.hwnd());
    set_last_error(0);
    EXPECT_FALSE(destroy_window(worker.hwnd()));  // not this thread's window
    EXPECT_EQ(last_error(), ERROR_ACCESS_DENIED);
    for (UINT i = 0; i < 50; ++i) ASSERT_TRUE(post_message(worker.hwnd(), WM_USER + i, 0, 0));
    ASSERT_TRUE(post_message(worker.hwnd(), WM_CLOSE, 0, 0));
    ASSERT_EQ(wait_for_single_object(worker.thread().handle(), INFINITE), WAIT_OBJECT_0);
    std::lock_guard lock(mutex);
    ASSERT_EQ(seen.size(), 50u);
    for (UINT i = 0; i < 50; ++i) {
        EXPECT_EQ(seen[i].first, worker.thread().id());
        EXPECT_EQ(seen[i].second, WM_USER + i);
    }
}

TEST_F(WindowTest, SendFromAnotherThreadRunsOnTheOwnerAndReturnsTheResult) {
    std::atomic<DWORD> ran_on{0};
    ScopedClass cls(u"Sendable", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_USER) {
            ran_on = current_thread_id();
            return static_cast<LRESULT>(w * 2);
        }
        return def_window_proc(h, m, w, l);
    });
    WindowThread worker(u"Sendable");
    EXPECT_EQ(send_message(worker.hwnd(), WM_USER, 21, 0), 42);
    EXPECT_EQ(ran_on.load(), worker.thread().id());
    post_message(worker.hwnd(), WM_CLOSE, 0, 0);
    wait_for_single_object(worker.thread().handle(), INFINITE);
    // The window and its thread are gone: nothing runs, nothing waits.
    EXPECT_EQ(send_message(worker.hwnd(), WM_USER, 1, 0), 0);
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowTest, TwoThreadsSendingToEachOtherDoNotDeadlock) {
    // The main thread's window answers by sending back to the worker's window while the worker
    // is still waiting for the main thread's answer.
    HWND worker_window = nullptr;
    ScopedClass back(u"Back", [&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        return m == WM_USER ? static_cast<LRESULT>(w + 1) : 0;
    });
    ScopedClass front(u"Front", [&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        return m == WM_USER ? send_message(worker_window, WM_USER, w * 10, 0) : 0;
    });
    HWND main_window = create_window(u"Front", u"");
    WaitHandle made = create_event(true, false);
    std::atomic<LRESULT> answer{0};
    auto worker = Thread::start([&] {
        worker_window = create_window(u"Back", u"");
        set_event(made);
        answer = send_message(main_window, WM_USER, 4, 0);
        destroy_window(worker_window);
        return DWORD{0};
    });
    wait_for_single_object(made, INFINITE);
    // The main thread runs the sent message when it reads its queue.
    std::vector<WaitHandle> handles{worker->handle()};
    while (msg_wait_for_multiple_objects(handles, false, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        Msg m;
        while (peek_message(&m, nullptr, 0, 0, PM_REMOVE)) dispatch_message(m);
    }
    EXPECT_EQ(answer.load(), 41);
    destroy_window(main_window);
}

TEST_F(WindowTest, SenderIsReleasedAndWindowsEndWhenTheirThreadEndsWithoutReading) {
    ScopedClass cls(u"Deaf", &ignore);
    WaitHandle made = create_event(true, false);
    WaitHandle finish = create_event(true, false);
    HWND hwnd = nullptr;
    auto owner = Thread::start([&] {
        hwnd = create_window(u"Deaf", u"");
        post_message(hwnd, WM_USER, 0, 0);  // left unread
        set_event(made);
        wait_for_single_object(finish, INFINITE);  // never reads its queue
        return DWORD{0};
    });
    wait_for_single_object(made, INFINITE);
    auto ender = Thread::start([&] {
        sleep_ms(2000);
        set_event(finish);
        return DWORD{0};
    });
    EXPECT_EQ(send_message(hwnd, WM_USER, 1, 0), 0);
    // By the time the thread's handle is signalled its windows and their sockets are gone.
    ASSERT_EQ(wait_for_single_object(owner->handle(), INFINITE), WAIT_OBJECT_0);
    EXPECT_FALSE(is_window(hwnd));
    EXPECT_EQ(find_window(u"Deaf"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(runtime_dir() / "deaf.window"));
    EXPECT_FALSE(post_message(hwnd, WM_USER, 0, 0));
}

TEST_F(WindowTest, DeviceChangeBroadcastReachesEveryWindowWithItsOwnCopyOfTheData) {
    struct Header {
        DWORD size;
        DWORD device_type;
        DWORD reserved;
    };
    std::mutex mutex;
    std::vector<std::pair<HWND, Header>> seen;  // guarded by mutex
    auto procedure = [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_DEVICECHANGE && w == DBT_DEVICEREMOVECOMPLETE) {
            std::lock_guard lock(mutex);
            seen.emplace_back(h, *reinterpret_cast<const Header*>(l));
        }
        return def_window_proc(h, m, w, l);
    };
    ScopedClass a(u"NotifyA", procedure);
    ScopedClass b(u"NotifyB", procedure);
    HWND mine = create_window(u"NotifyA", u"");
    WindowThread worker(u"NotifyB");
    {
        auto data = std::make_unique<Header>(Header{sizeof(Header), DBT_DEVTYP_DEVICEINTERFACE, 0});
        EXPECT_EQ(broadcast_device_change(DBT_DEVICEREMOVECOMPLETE,
                                          std::as_bytes(std::span(data.get(), 1))), 2u);
        std::memset(data.get(), 0xEE, sizeof(Header));  // the sender's block is not what arrives
    }
    EXPECT_EQ(broadcast_device_change(DBT_DEVNODES_CHANGED, {}), 2u);
    Msg m;
    while (peek_message(&m, nullptr, 0, 0, PM_REMOVE)) dispatch_message(m);
    post_message(worker.hwnd(), WM_CLOSE, 0, 0);
    wait_for_single_object(worker.thread().handle(), INFINITE);
    destroy_window(mine);
    std::lock_guard lock(mutex);
    ASSERT_EQ(seen.size(), 2u);
    for (const auto& [hwnd, header] : seen) {
        EXPECT_TRUE(hwnd == mine || hwnd == worker.hwnd());
        EXPECT_EQ(header.device_type, DBT_DEVTYP_DEVICEINTERFACE);
        EXPECT_EQ(header.size, sizeof(Header));
    }
}
