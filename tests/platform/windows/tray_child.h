// For tests that need the tray application in another process: a forked child creates a
// "QelTrayMainWindow" window and reports through a pipe every message of the application's range
// it receives, and WM_CLOSE. The child ends when its window is closed, or is killed with the
// helper.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

#include "platform/windows/message_queue.h"
#include "platform/windows/window.h"

namespace qel::test {

inline constexpr char16_t kTrayClass[] = u"QelTrayMainWindow";

struct TrayRecord {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

class TrayChild {
public:
    static constexpr UINT kReady = 0xFFFFFFFF;  // first report: wparam 1 when the window was made

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
        if (pid_ > 0) kill();
        if (from_child_ >= 0) ::close(from_child_);
    }
    TrayChild(const TrayChild&) = delete;
    TrayChild& operator=(const TrayChild&) = delete;

    // The next report; nothing when the child wrote none within 20 s of real time (a hang guard,
    // not a speed check).
    std::optional<TrayRecord> next() {
        pollfd p{from_child_, POLLIN, 0};
        if (::poll(&p, 1, 20000) != 1) return std::nullopt;
        TrayRecord r;
        if (::read(from_child_, &r, sizeof r) != static_cast<ssize_t>(sizeof r)) return std::nullopt;
        return r;
    }
    // True when the child's first report says its window is up.
    bool ready() {
        auto r = next();
        return r && r->message == kReady && r->wparam == 1;
    }
    void kill() {
        ::kill(pid_, SIGKILL);
        wait_exit();
    }
    // The child's exit status (-1 when it did not exit normally).
    int wait_exit() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    // The child's whole life: the tray window and its message loop.
    [[noreturn]] static void run(int out) {
        using namespace qel::platform;
        auto report = [out](UINT m, WPARAM w, LPARAM l) {
            TrayRecord r{m, w, l};
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

}  // namespace qel::test
