// Stop requests: signal handlers that write to a self-pipe, and a poll() on it and standard input.
#include "platform/interrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>

namespace qel::platform {

namespace {

int g_pipe[2] = {-1, -1};                        // written by the handler, read by waits
std::atomic<int> g_request{int(StopRequest::none)};  // the first request, latched

extern "C" void on_stop_signal(int sig) {
    const int saved = errno;
    int expected = int(StopRequest::none);
    g_request.compare_exchange_strong(expected,
                                      int(sig == SIGTERM ? StopRequest::terminate : StopRequest::interrupt));
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

// Installs the pipe and the handlers once; false when the pipe cannot be made.
bool install() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
        struct sigaction sa {};
        sa.sa_handler = on_stop_signal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &sa, nullptr);
        ::sigaction(SIGTERM, &sa, nullptr);
        ok = true;
    });
    return ok;
}

void latch(StopRequest r) {
    int expected = int(StopRequest::none);
    g_request.compare_exchange_strong(expected, int(r));
}

}  // namespace

StopRequest wait_for_stop_request(bool watch_input, std::optional<std::chrono::milliseconds> limit) {
    const bool have_pipe = install();
    const auto deadline = limit ? std::optional(std::chrono::steady_clock::now() + *limit) : std::nullopt;
    for (;;) {
        if (auto r = StopRequest(g_request.load()); r != StopRequest::none) return r;
        pollfd fds[2] = {{have_pipe ? g_pipe[0] : -1, POLLIN, 0}, {watch_input ? 0 : -1, POLLIN, 0}};
        int timeout = -1;
        if (deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return StopRequest::none;
            timeout = int(std::min<long long>(left.count(), 1 << 30));
        }
        const int n = ::poll(fds, 2, timeout);
        if (n < 0) {
            if (errno == EINTR) continue;
            return StopRequest::none;
        }
        if (fds[0].revents & POLLIN) {
            char drain[16];
            while (::read(g_pipe[0], drain, sizeof drain) > 0) {
            }
        }
        if (fds[1].revents & POLLNVAL) {
            latch(StopRequest::input_ended);
        } else if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buf[512];
            const auto got = ::read(0, buf, sizeof buf);
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) latch(StopRequest::input_ended);
        }
    }
}

}  // namespace qel::platform
