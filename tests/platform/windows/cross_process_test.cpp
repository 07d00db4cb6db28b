// Windows reached from another process: a forked child plays the tray application (tray_child.h).
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <optional>

#include "platform/environment.h"
#include "platform/last_error.h"
#include "tray_child.h"
#include "window_fixture.h"

using namespace qel::platform;
using qel::test::kTrayClass;
using qel::test::ScopedClass;
using qel::test::send_raw;
using qel::test::TrayChild;
using qel::test::WindowTest;

namespace {

using Record = qel::test::TrayRecord;

std::filesystem::path tray_socket() { return runtime_dir() / "qeltraymainwindow.window"; }

// Waits (10 s of real time at most: a hang guard) for a message in this thread's queue.
std::optional<Msg> next_message() {
    if (msg_wait_for_multiple_objects({}, false, 10000000, QS_ALLINPUT) != WAIT_OBJECT_0) return std::nullopt;
    Msg m;
    if (!peek_message(&m, nullptr, 0, 0, PM_REMOVE)) return std::nullopt;
    return m;
}

using CrossProcessTest = WindowTest;

}  // namespace

TEST_F(CrossProcessTest, TrayOfAnotherProcessIsFoundByClassAndGetsPostedMessagesInOrder) {
    EXPECT_EQ(find_window(kTrayClass), nullptr);
    EXPECT_FALSE(std::filesystem::exists(runtime_dir()));  // looking creates nothing
    TrayChild tray;
    ASSERT_TRUE(tray.ready());
    HWND hwnd = find_window(kTrayClass);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(find_window(u"qeltraymainwindow"), hwnd);
    EXPECT_TRUE(is_window(hwnd));
    EXPECT_EQ(window_thread_id(hwnd), 0u);  // no thread of this process

    EXPECT_TRUE(post_message(hwnd, 1056, 0, 0));
    EXPECT_TRUE(post_message(hwnd, 1051, 0, 0));
    EXPECT_TRUE(post_message(hwnd, 1130, 0, 1));
    EXPECT_TRUE(post_message(hwnd, WM_USER + 5, ~WPARAM{0}, -2));
    set_last_error(0);
    EXPECT_EQ(send_message(hwnd, WM_USER, 0, 0), 0);
    EXPECT_EQ(last_error(), ERROR_NOT_SUPPORTED);
    for (auto expected : {Record{1056, 0, 0}, Record{1051, 0, 0}, Record{1130, 0, 1}, Record{WM_USER + 5, ~WPARAM{0}, -2}}) {
        auto got = tray.next();
        ASSERT_TRUE(got);
        EXPECT_EQ(got->message, expected.message);
        EXPECT_EQ(got->wparam, expected.wparam);
        EXPECT_EQ(got->lparam, expected.lparam);
    }

    EXPECT_TRUE(post_message(hwnd, WM_CLOSE, 0, 0));
    auto closing = tray.next();
    ASSERT_TRUE(closing);
    EXPECT_EQ(closing->message, WM_CLOSE);
    EXPECT_EQ(tray.wait_exit(), 0);
    // The window's socket went with it.
    EXPECT_FALSE(std::filesystem::exists(tray_socket()));
    EXPECT_EQ(find_window(kTrayClass), nullptr);
    EXPECT_FALSE(is_window(hwnd));
    EXPECT_FALSE(post_message(hwnd, 1056, 0, 0));
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(CrossProcessTest, SocketOfAKilledTrayIsIgnoredAndRemoved) {
    TrayChild tray;
    ASSERT_TRUE(tray.ready());
    HWND before = find_window(kTrayClass);
    ASSERT_NE(before, nullptr);
    tray.kill();
    ASSERT_TRUE(std::filesystem::exists(tray_socket()));  // left behind by the dead process
    EXPECT_EQ(find_window(kTrayClass), nullptr);
    EXPECT_FALSE(std::filesystem::exists(tray_socket()));
    set_last_error(0);
    EXPECT_FALSE(post_message(before, 1056, 0, 0));
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(CrossProcessTest, NewTrayTakesOverTheSocketOfAKilledOne) {
    {
        TrayChild tray;
        ASSERT_TRUE(tray.ready());
        tray.kill();
    }
    ASSERT_TRUE(std::filesystem::exists(tray_socket()));
    ScopedClass cls(kTrayClass, &def_window_proc);
    HWND mine = create_window(kTrayClass, u"replacement");
    ASSERT_NE(mine, nullptr);
    // A sender that only knows the socket reaches the new window.
    auto bytes = std::to_array<std::uint8_t>({'Q', 'W', 'M', '1', 0x20, 0x04, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0,
                                              1, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(send_raw(tray_socket(), bytes.data(), bytes.size()));
    auto m = next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->hwnd, mine);
    EXPECT_EQ(m->message, 1056u);
    EXPECT_EQ(m->wparam, 5u);
    EXPECT_EQ(m->lparam, 1);
    destroy_window(mine);
    EXPECT_FALSE(std::filesystem::exists(tray_socket()));
}

TEST_F(CrossProcessTest, LiveOwnerKeepsItsSocketWhenAnotherProcessMakesTheSameClass) {
    TrayChild tray;
    ASSERT_TRUE(tray.ready());
    {
        ScopedClass cls(kTrayClass, &def_window_proc);
        HWND mine = create_window(kTrayClass, u"second");
        ASSERT_NE(mine, nullptr);
        EXPECT_EQ(find_window(kTrayClass), mine);  // this process's own window comes first
        destroy_window(mine);
    }
    HWND remote = find_window(kTrayClass);  // the child's socket is untouched
    ASSERT_NE(remote, nullptr);
    EXPECT_TRUE(post_message(remote, 1130, 0, 0));
    auto got = tray.next();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->message, 1130u);
    post_message(remote, WM_CLOSE, 0, 0);
    ASSERT_TRUE(tray.next());
    EXPECT_EQ(tray.wait_exit(), 0);
}

TEST_F(CrossProcessTest, DatagramsAreFixedLittleEndianAndMalformedOnesAreDropped) {
    std::filesystem::create_directories(runtime_dir());
    ::chmod(runtime_dir().c_str(), 0755);  // made by someone less careful: narrowed to the user
    ScopedClass cls(u"Layout Test/1", &def_window_proc);
    HWND hwnd = create_window(u"Layout Test/1", u"");
    ASSERT_NE(hwnd, nullptr);
    auto path = runtime_dir() / "layout%20test%2F1.window";
    ASSERT_TRUE(std::filesystem::exists(path));
    struct stat st {};
    ASSERT_EQ(::stat(runtime_dir().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    auto good = std::to_array<std::uint8_t>({'Q', 'W', 'M', '1', 0x01, 0x80, 0, 0,  // WM_APP + 1
                                             0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11,
                                             0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});  // -2
    auto wrong_magic = good;
    wrong_magic[3] = '2';
    ASSERT_TRUE(send_raw(path, wrong_magic.data(), wrong_magic.size()));
    ASSERT_TRUE(send_raw(path, good.data(), good.size() - 1));
    ASSERT_TRUE(send_raw(path, good.data(), good.size()));
    auto m = next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->message, WM_APP + 1);
    EXPECT_EQ(m->wparam, 0x1122334455667788u);
    EXPECT_EQ(m->lparam, -2);
    Msg more;
    EXPECT_FALSE(peek_message(&more, nullptr, 0, 0, PM_REMOVE));  // the malformed ones never arrived
    destroy_window(hwnd);
    EXPECT_FALSE(std::filesystem::exists(path));
}
