// The far-end piece for simulators: time limits, cancellation and closing of its reads, and the
// COM links in QEL_COM_DIR.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/last_error.h"
#include "platform/serial/pseudo_terminal.h"
#include "platform/sync/clock.h"
#include "support/test_support.h"

using namespace qel::platform;

namespace {
std::span<const std::byte> bytes(std::string_view s) { return std::as_bytes(std::span(s.data(), s.size())); }
}  // namespace

TEST(PseudoTerminal, ReadsEndByTimeLimitCancelAndClose) {
    ScopedTimeScale fast(0.01);
    auto pty = PseudoTerminal::open();
    ASSERT_TRUE(pty.has_value());
    EXPECT_TRUE(std::filesystem::exists(pty->slave_path()));
    std::byte buffer[16];

    const DWORD start = tick_count();
    EXPECT_EQ(pty->read(buffer, 300).error, WAIT_TIMEOUT);
    EXPECT_GE(tick_count() - start, 300u);

    pty->cancel();  // no read runs: the next one ends at once
    EXPECT_EQ(pty->read(buffer, INFINITE).error, ERROR_OPERATION_ABORTED);

    std::atomic<DWORD> error{0};
    std::thread reader([&] { error = pty->read(buffer, INFINITE).error; });
    pty->cancel();
    reader.join();
    EXPECT_EQ(error.load(), ERROR_OPERATION_ABORTED);

    std::thread closed_reader([&] {
        PseudoTerminal::ReadResult r;
        do {
            r = pty->read(buffer, INFINITE);
        } while (r.error == ERROR_SUCCESS);
        error = r.error;
    });
    std::this_thread::yield();
    pty->close();
    closed_reader.join();
    EXPECT_EQ(error.load(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(pty->is_open());
    EXPECT_FALSE(pty->write(bytes("x")));
    EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);
}

TEST(PseudoTerminal, TheSlaveNeitherEchoesNorTranslates) {
    auto pty = PseudoTerminal::open();
    ASSERT_TRUE(pty.has_value());
    ASSERT_TRUE(pty->write(bytes("AT\r\n")));
    std::byte buffer[16];
    // Nothing written by the master may come back to it.
    EXPECT_EQ(pty->read(buffer, 50).error, WAIT_TIMEOUT);
}

TEST(ComLink, NamesAPortInTheComDirectoryForItsLifetime) {
    qel::test::TempDir dir;
    {
        qel::test::ScopedEnv env("QEL_COM_DIR", std::nullopt);
        EXPECT_FALSE(ComLink::create(4, "/dev/null").has_value());
        EXPECT_EQ(last_error(), ERROR_PATH_NOT_FOUND);
    }
    qel::test::ScopedEnv env("QEL_COM_DIR", dir.path().string());
    EXPECT_FALSE(ComLink::create(0, "/dev/null").has_value());
    EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(ComLink::create(256, "/dev/null").has_value());
    {
        auto stale = ComLink::create(12, "/dev/zero");
        ASSERT_TRUE(stale.has_value());
        auto link = ComLink::create(12, "/dev/null");  // replaces the older link
        ASSERT_TRUE(link.has_value());
        EXPECT_EQ(link->name(), "COM12");
        EXPECT_EQ(std::filesystem::read_symlink(dir.path() / "COM12"), "/dev/null");
        ComLink moved = std::move(*link);
        stale.reset();  // its name was taken over: the newer link stays
        EXPECT_EQ(std::filesystem::read_symlink(dir.path() / "COM12"), "/dev/null");
    }
    EXPECT_FALSE(std::filesystem::is_symlink(dir.path() / "COM12"));

    // A folder that does not exist yet is made, for its owner only.
    qel::test::ScopedEnv fresh("QEL_COM_DIR", (dir.path() / "new" / "com").string());
    auto link = ComLink::create(3, "/dev/null");
    ASSERT_TRUE(link.has_value());
    EXPECT_EQ(std::filesystem::read_symlink(dir.path() / "new" / "com" / "COM3"), "/dev/null");
    EXPECT_EQ(std::filesystem::status(dir.path() / "new" / "com").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
}
