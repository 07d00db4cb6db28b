// Messages to the tray application: received by a tray window in this process, by one in another
// process (a forked child, and the program's own "qelcfg tray"), and nothing at all when no tray
// runs.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "facade/tray_messages.h"
#include "../platform/windows/tray_child.h"
#include "facade_fixture.h"
#include "platform/last_error.h"
#include "platform/windows/message_queue.h"
#include "platform/windows/window.h"
#include "qelcfg/QelConfig.h"

using namespace qel::platform;
using qbtapiM::QelConfig;
using qel::test::FacadeTest;
using qel::test::kTrayClass;
using qel::test::TrayChild;

namespace {

using Record = qel::test::TrayRecord;

class TrayTest : public FacadeTest {
protected:
    void TearDown() override {
        Msg m;
        while (peek_message(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
};

// A run of the program with its standard output read line by line.
class RunningProgram {
public:
    explicit RunningProgram(const std::vector<std::string>& args) {
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
    ~RunningProgram() {
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
    ASSERT_TRUE(child.ready());

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
    auto program = qel::test::qelcfg_program();
    if (!program) GTEST_SKIP() << "the qelcfg program is not built";
    RunningProgram tray({program->string(), "tray"});
    auto up = tray.line();
    ASSERT_TRUE(up);
    EXPECT_EQ(*up, "tray window of class QelTrayMainWindow is up");

    QelConfig::TellQelTrayToDisplayWaitDialog();
    EXPECT_EQ(tray.line(), "message 1056 (0x420) display wait dialog wparam=0 lparam=0");
    // The program's own sub-command, from a third process.
    EXPECT_EQ(qel::test::run_qelcfg({"tray", "close-wait"}).exit_code, 0);
    EXPECT_EQ(tray.line(), "message 1051 (0x41B) close wait dialog wparam=0 lparam=0");

    tray.signal(SIGTERM);
    EXPECT_EQ(tray.line(), "message 16 (0x10) WM_CLOSE wparam=0 lparam=0");
    EXPECT_EQ(tray.line(), "tray window closed");
    EXPECT_EQ(tray.wait(), 0);
}

TEST_F(TrayTest, ProgramTrayRefusesASecondTrayAndStopsOnSigint) {
    auto program = qel::test::qelcfg_program();
    if (!program) GTEST_SKIP() << "the qelcfg program is not built";
    RunningProgram tray({program->string(), "tray", "--seconds", "600"});
    ASSERT_EQ(tray.line(), "tray window of class QelTrayMainWindow is up");
    EXPECT_EQ(qel::test::run_qelcfg({"tray"}).exit_code, 1);
    tray.signal(SIGINT);
    EXPECT_EQ(tray.line(), "message 16 (0x10) WM_CLOSE wparam=0 lparam=0");
    EXPECT_EQ(tray.line(), "tray window closed");
    EXPECT_EQ(tray.wait(), 0);
}

TEST_F(TrayTest, ProgramTrayEndsAfterItsSeconds) {
    auto program = qel::test::qelcfg_program();
    if (!program) GTEST_SKIP() << "the qelcfg program is not built";
    {
        RunningProgram tray({program->string(), "tray", "--seconds", "0.2"});
        ASSERT_EQ(tray.line(), "tray window of class QelTrayMainWindow is up");
        EXPECT_EQ(tray.line(), "message 16 (0x10) WM_CLOSE wparam=0 lparam=0");
        EXPECT_EQ(tray.line(), "tray window closed");
        EXPECT_EQ(tray.wait(), 0);
    }
    EXPECT_EQ(qel::test::run_qelcfg({"tray", "show-wait"}).exit_code, 1);
}
