// Windows under concurrent use: many posting threads, and endpoints opened and closed while
// datagrams arrive.
#include <array>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/environment.h"
#include "platform/sync/event.h"
#include "platform/sync/thread.h"
#include "window_fixture.h"

using namespace qel::platform;
using qel::test::ScopedClass;
using qel::test::WindowTest;

namespace {

using RobustnessTest = WindowTest;

}  // namespace

TEST_F(RobustnessTest, EachPosterIsSeenInItsOwnOrderWhenManyPostAtOnce) {
    constexpr int kPosters = 4;
    constexpr int kEach = 500;
    std::array<std::vector<LPARAM>, kPosters> seen;
    ScopedClass cls(u"Busy", [&](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_USER) seen[w].push_back(l);
        return 0;
    });
    HWND hwnd = create_window(u"Busy", u"");
    std::vector<Thread> posters;
    for (int p = 0; p < kPosters; ++p)
        posters.push_back(*Thread::start([hwnd, p] {
            for (int i = 0; i < kEach; ++i)
                if (!post_message(hwnd, WM_USER, static_cast<WPARAM>(p), i)) return DWORD{1};
            return DWORD{0};
        }));
    int received = 0;
    Msg m;
    while (received < kPosters * kEach && get_message(&m) > 0) {
        dispatch_message(m);
        if (m.message == WM_USER) ++received;
    }
    for (auto& t : posters) {
        t.join();
        EXPECT_EQ(t.exit_code(), 0u);
    }
    for (const auto& from_one : seen) {
        ASSERT_EQ(from_one.size(), static_cast<std::size_t>(kEach));
        for (int i = 0; i < kEach; ++i) EXPECT_EQ(from_one[i], i);
    }
    destroy_window(hwnd);
}

TEST_F(RobustnessTest, EndpointsOpenAndCloseWhileDatagramsArrive) {
    ScopedClass cls(u"Flicker", &def_window_proc);
    const auto path = runtime_dir() / "flicker.window";
    std::atomic<bool> stop{false};
    auto sender = Thread::start([&] {
        std::array<std::uint8_t, 24> bytes{'Q', 'W', 'M', '1', 0x00, 0x80};  // WM_APP
        while (!stop) qel::test::send_raw(path, bytes.data(), bytes.size());
        return DWORD{0};
    });
    for (int round = 0; round < 30; ++round) {
        HWND hwnd = create_window(u"Flicker", u"");
        ASSERT_NE(hwnd, nullptr);
        Msg m;
        while (peek_message(&m, nullptr, 0, 0, PM_REMOVE)) dispatch_message(m);
        ASSERT_TRUE(destroy_window(hwnd));
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    stop = true;
    sender->join();
    // Some datagrams may have arrived, none after its window was gone; what counts is that every
    // round opened and closed cleanly.
    Msg m;
    EXPECT_FALSE(peek_message(&m, nullptr, 0, 0, PM_REMOVE));
}
