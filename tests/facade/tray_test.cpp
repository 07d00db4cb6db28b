// Messages to the tray application: received by a tray window in this process, by one in another
// process (a forked child, and the program's own "qelcfg tray"), and nothing at all when no tray
// runs.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "facade/tray_messages.h"
#include "facade_fixture.h"
#include "platform/last_error.h"
#include "platform/windows/message_queue.h"
#include "platform/windows/window.h"
#include "qelcfg/QelConfig.h"

using namespace qel::platform;
using qbtapiM::QelConfig;
using qel::test::FacadeTest;

namespace {

constexpr char16_t kTrayClass[] = u"QelTrayMainWindow";

struct Record {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

class TrayTest : public FacadeTest {
protected:
    void TearDown() override {
        Msg m;
        while (peek_message(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
};

// A child process that plays the tray: its window reports every message of the application's
// range (and WM_CLOSE) through a pipe. Killed on destruction.
class TrayChild {
public:
    TrayChild() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            run(fds[1]);
        }
        ::close(fds[1]);
        from_child_ = fds[0];
    }
    ~TrayChild() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (from_child_ >= 0) ::close(from_child_);
    }

    // The next report; nothing after 20 s of real time (a hang guard, not a speed check).
    std::optional<Record> next() {
        pollfd p{from_child_, POLLIN, 0};
        if (::poll(&p, 1, 20000) != 1) return std::nullopt;
        Record r;
        if (::read(from_child_, &r, sizeof r) != static_cast<ssize_t>(sizeof r)) return std::nullopt;
        return r;
    }

    static constexpr UINT kReady = 0xFFFFFFFF;

private:
    [[noreturn]] static void run(int out) {
        auto report = [out](UINT m, WPARAM w, LPARAM l) {
            Record r{m, w, l};
            if (::write(out, &r, sizeof r) != static_cast<ssize_t>(sizeof r)) ::_exit(3);
        };
        register_class({kTrayClass, [report](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                            if (m >= WM_USER || m == WM_CLOSE) report(m, w, l);
                            if (m == WM_DESTROY) post_quit_message(0);
                            return def_window_proc(h, m, w, l);
                        }});
        HWND hwnd = create_window(kTrayClass, u"tray");
        report(kReady, hwnd != nullptr ? 1 : 0, 0);
        Msg msg;
        while (get_message(&msg) > 0) dispatch_message(msg);
        ::_exit(0);
    }

    pid_t pid_ = -1;
    int from_child_ = -1;
};

// The program built beside the tests, when it was built.
std::optional<std::filesystem::path> qelcfg_program() {
    auto path = qel::test::binary_dir() / "bin" / "qelcfg";
    if (!std::filesystem::exists(path)) return std::nullopt;
    return path;
}

// A run of the program with its standard output read line by line.
class ProgramRun {
public:
    explicit ProgramRun(const std::vector<std::string>& args) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            std::vector<char*> argv;
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        out_ = fds[0];
    }
    ~ProgramRun() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
    }

    // The next line of output, without its line feed; nothing at the end of output or after 20 s of
    // real time without one (a hang guard).
    std::optional<std::string> line() {
        for (;;) {
            auto nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                std::string l = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return l;
            }
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 20000) != 1) return std::nullopt;
            char chunk[256];
            ssize_t n = ::read(out_, chunk, sizeof chunk);
            if (n <= 0) return std::nullopt;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }
    void signal(int sig) { ::kill(pid_, sig); }
    // The exit code (-1 when it did not exit normally).
    int wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffer_;
};

}  // namespace

TEST_F(TrayTest, TrayWindowInThisProcessReceivesBothMessages) {
    std::vector<Record> seen;
    ASSERT_NE(register_class({kTrayClass,
                              [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                                  if (m >= WM_USER) seen.push_back({m, w, l});
                                  return def_window_proc(h, m, w, l);
                              }}),
              0);
    HWND tray = create_window(kTrayClass, u"any title");
    ASSERT_NE(tray, nullptr);

    QelConfig::TellQelTrayToDisplayWaitDialog();
    QelConfig::TellQelTrayToCloseWaitDialog();
    Msg m;
    while (peek_message(&m, nullptr, 0, 0, PM_REMOVE)) dispatch_message(m);

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, 1056u);
    EXPECT_EQ(seen[1].message, 1051u);
    for (const auto& r : seen) {
        EXPECT_EQ(r.wparam, 0u);
        EXPECT_EQ(r.lparam, 0);
    }
    destroy_window(tray);
    unregister_class(kTrayClass);
}

TEST_F(TrayTest, WithoutTrayNothingHappensAndTheLastErrorStays) {
    set_last_error(ERROR_ACCESS_DENIED);
    QelConfig::TellQelTrayToDisplayWaitDialog();
    QelConfig::TellQelTrayToCloseWaitDialog();
    EXPECT_EQ(last_error(), ERROR_ACCESS_DENIED);
    Msg m;
    EXPECT_FALSE(peek_message(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(TrayTest, TrayWindowOfAnotherProcessReceivesBothMessages) {
    TrayChild child;
    auto ready = child.next();
    ASSERT_TRUE(ready && ready->message == TrayChild::kReady && ready->wparam == 1);

    QelConfig::TellQelTrayToDisplayWaitDialog();
    auto first = child.next();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->message, 1056u);
    EXPECT_EQ(first->wparam, 0u);
    EXPECT_EQ(first->lparam, 0);

    QelConfig::TellQelTrayToCloseWaitDialog();
    auto second = child.next();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->message, 1051u);
    EXPECT_EQ(second->wparam, 0u);
    EXPECT_EQ(second->lparam, 0);
}

TEST_F(TrayTest, ProgramTrayPrintsTheMessagesAndStopsOnSigterm) {
    auto program = qelcfg_program();
    if (!program) GTEST_SKIP() << "the qelcfg program is not built";
    ProgramRun tray({program->string(), "tray"});
    auto up = tray.line();
    ASSERT_TRUE(up);
    EXPECT_EQ(*up, "tray window of class QelTrayMainWindow is up");

    QelConfig::TellQelTrayToDisplayWaitDialog();
    EXPECT_EQ(tray.line(), "message 1056 (0x420) display wait dialog wparam=0 lparam=0");
    // The program's own sub-command, from a third process.
    ProgramRun close_wait({program->string(), "tray", "close-wait"});
    EXPECT_EQ(close_wait.wait(), 0);
    EXPECT_EQ(tray.line(), "message 1051 (0x41B) close wait dialog wparam=0 lparam=0");

    tray.signal(SIGTERM);
    EXPECT_EQ(tray.line(), "message 16 (0x10) WM_CLOSE wparam=0 lparam=0");
    EXPECT_EQ(tray.line(), "tray window closed");
    EXPECT_EQ(tray.wait(), 0);
}

TEST_F(TrayTest, ProgramTrayRefusesASecondTrayAndStopsOnSigint) {
    auto program = qelcfg_program();
    if (!program) GTEST_SKIP() << "the qelcfg program is not built";
    ProgramRun tray({program->string(), "tray", "--seconds", "600"});
    ASSERT_EQ(tray.line(), "tray window of class QelTrayMainWindow is up");
    ProgramRun second({program->string(), "tray"});
    EXPECT_EQ(second.wait(), 1);
    tray.signal(SIGINT);
    EXPECT_EQ(tray.line(), "message 16 (0x10) WM_CLOSE wparam=0 lparam=0");
    EXPECT_EQ(tray.line(), "tray window closed");
    EXPECT_EQ(tray.wait(), 0);
}

TEST_F(TrayTest, ProgramTrayEndsAfterItsSeconds) {
    auto program = qelcfg_program();
    if (!program) GTEST_SKIP() << "the qelcfg program is not built";
    {
        ProgramRun tray({program->string(), "tray", "--seconds", "0.2"});
        ASSERT_EQ(tray.line(), "tray window of class QelTrayMainWindow is up");
        EXPECT_EQ(tray.line(), "message 16 (0x10) WM_CLOSE wparam=0 lparam=0");
        EXPECT_EQ(tray.line(), "tray window closed");
        EXPECT_EQ(tray.wait(), 0);
    }
    ProgramRun nobody({program->string(), "tray", "show-wait"});
    EXPECT_EQ(nobody.wait(), 1);
}
