#include "platform/serial/pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <utility>

#include "platform/last_error.h"
#include "platform/serial/line_settings.h"
#include "platform/sync/clock.h"

namespace qel::platform {

namespace {

int poll_timeout(const Deadline& deadline) {
    if (deadline.infinite()) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline.when() - SteadyClock::now());
    return static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 1 << 30));
}

void signal_fd(int fd) {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(fd, &one, sizeof one);
}

void drain_fd(int fd) {
    std::uint64_t count = 0;
    [[maybe_unused]] auto n = ::read(fd, &count, sizeof count);
}

}  // namespace

// The descriptors stay valid while any read or write runs: close() marks the pair closed, wakes
// them through closed_fd (an eventfd never drained, so every waiter sees it) and waits until
// `active` is 0 before closing anything. cancel_fd wakes a read for cancel().
struct PseudoTerminal::State {
    int master = -1;
    int slave = -1;
    int cancel_fd = -1;
    int closed_fd = -1;
    std::filesystem::path slave_path;

    std::mutex mutex;  // guards the fields below
    std::condition_variable idle;
    int active = 0;
    bool closed = false;
    bool cancel_requested = false;

    ~State() {
        for (int fd : {master, slave, cancel_fd, closed_fd}) {
            if (fd >= 0) ::close(fd);
        }
    }
};

std::optional<PseudoTerminal> PseudoTerminal::open() {
    auto state = std::make_unique<State>();
    state->master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (state->master < 0 || ::grantpt(state->master) != 0 || ::unlockpt(state->master) != 0) {
        set_last_error(error_from_errno(errno));
        return std::nullopt;
    }
    char name[128] = {};
    if (::ptsname_r(state->master, name, sizeof name) != 0) {
        set_last_error(error_from_errno(errno));
        return std::nullopt;
    }
    state->slave_path = name;
    state->slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    state->cancel_fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    state->closed_fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (state->slave < 0 || state->cancel_fd < 0 || state->closed_fd < 0) {
        set_last_error(error_from_errno(errno));
        return std::nullopt;
    }
    termios t{};
    if (::tcgetattr(state->slave, &t) == 0) {
        t = detail::raw_termios(t);
        ::tcsetattr(state->slave, TCSANOW, &t);
    }
    ::fcntl(state->master, F_SETFL, ::fcntl(state->master, F_GETFL) | O_NONBLOCK);
    return PseudoTerminal(std::move(state));
}

PseudoTerminal::PseudoTerminal(std::unique_ptr<State> state) : state_(std::move(state)) {}
PseudoTerminal::PseudoTerminal(PseudoTerminal&&) noexcept = default;

PseudoTerminal& PseudoTerminal::operator=(PseudoTerminal&& other) noexcept {
    if (this != &other) {
        close();
        state_ = std::move(other.state_);
    }
    return *this;
}

PseudoTerminal::~PseudoTerminal() { close(); }

const std::filesystem::path& PseudoTerminal::slave_path() const {
    static const std::filesystem::path none;
    return state_ ? state_->slave_path : none;
}

bool PseudoTerminal::is_open() const {
    if (!state_) return false;
    std::lock_guard lock(state_->mutex);
    return !state_->closed;
}

PseudoTerminal::ReadResult PseudoTerminal::read(std::span<std::byte> buffer, DWORD timeout_ms) {
    if (!state_) return {ERROR_INVALID_HANDLE, 0};
    State& s = *state_;
    const Deadline deadline = Deadline::after(timeout_ms);
    std::unique_lock lock(s.mutex);
    if (s.closed) return {ERROR_INVALID_HANDLE, 0};
    ++s.active;
    ReadResult result{WAIT_TIMEOUT, 0};
    for (;;) {
        if (s.closed) {
            result = {ERROR_INVALID_HANDLE, 0};
            break;
        }
        if (s.cancel_requested) {
            s.cancel_requested = false;
            drain_fd(s.cancel_fd);
            result = {ERROR_OPERATION_ABORTED, 0};
            break;
        }
        const ssize_t n = buffer.empty() ? 0 : ::read(s.master, buffer.data(), buffer.size());
        if (n > 0 || buffer.empty()) {
            result = {ERROR_SUCCESS, static_cast<std::size_t>(n)};
            break;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            // EIO: no slave is open any more (cannot happen while we keep ours).
            result = {errno == EIO ? ERROR_BROKEN_PIPE : error_from_errno(errno), 0};
            break;
        }
        if (deadline.passed()) break;
        pollfd fds[3] = {{s.master, POLLIN, 0}, {s.cancel_fd, POLLIN, 0}, {s.closed_fd, POLLIN, 0}};
        lock.unlock();
        const int ready = ::poll(fds, 3, poll_timeout(deadline));
        lock.lock();
        if (ready == 0 && deadline.passed()) break;
    }
    if (--s.active == 0) s.idle.notify_all();
    return result;
}

bool PseudoTerminal::write(std::span<const std::byte> data) {
    if (!state_) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    State& s = *state_;
    std::unique_lock lock(s.mutex);
    if (s.closed) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    ++s.active;
    DWORD error = ERROR_SUCCESS;
    std::size_t done = 0;
    while (done < data.size()) {
        if (s.closed) {
            error = ERROR_INVALID_HANDLE;
            break;
        }
        const ssize_t n = ::write(s.master, data.data() + done, data.size() - done);
        if (n >= 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN) {
            error = errno == EIO ? ERROR_BROKEN_PIPE : error_from_errno(errno);
            break;
        }
        pollfd fds[2] = {{s.master, POLLOUT, 0}, {s.closed_fd, POLLIN, 0}};
        lock.unlock();
        ::poll(fds, 2, -1);
        lock.lock();
    }
    if (--s.active == 0) s.idle.notify_all();
    if (error != ERROR_SUCCESS) {
        set_last_error(error);
        return false;
    }
    return true;
}

void PseudoTerminal::cancel() {
    if (!state_) return;
    std::lock_guard lock(state_->mutex);
    if (state_->closed) return;
    state_->cancel_requested = true;
    signal_fd(state_->cancel_fd);
}

void PseudoTerminal::close() {
    if (!state_) return;
    State& s = *state_;
    std::unique_lock lock(s.mutex);
    if (s.closed) return;
    s.closed = true;
    signal_fd(s.closed_fd);
    s.idle.wait(lock, [&s] { return s.active == 0; });
    // Closing the master hangs the slave up for whoever has it open.
    ::close(s.master);
    ::close(s.slave);
    s.master = s.slave = -1;
}

std::optional<std::filesystem::path> com_port_dir() {
    const char* dir = std::getenv("QEL_COM_DIR");
    if (!dir || !*dir) return std::nullopt;
    return std::filesystem::path(dir);
}

std::optional<ComLink> ComLink::create(unsigned number, const std::filesystem::path& target) {
    if (number < 1 || number > 255) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    const auto dir = com_port_dir();
    if (!dir) {
        set_last_error(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    std::filesystem::path path = *dir / ("COM" + std::to_string(number));
    std::error_code ec;
    // A folder named for COM ports that does not exist yet is made, as a user naming a fresh one
    // expects; mode 0700 keeps other accounts from taking over the links.
    if (!std::filesystem::is_directory(*dir, ec)) {
        std::filesystem::create_directories(*dir, ec);
        if (!ec) std::filesystem::permissions(*dir, std::filesystem::perms::owner_all, ec);
    }
    std::filesystem::remove(path, ec);
    std::filesystem::create_symlink(target, path, ec);
    if (ec) {
        set_last_error(error_from_errno(ec.value()));
        return std::nullopt;
    }
    return ComLink(number, std::move(path), target);
}

ComLink::ComLink(ComLink&& other) noexcept
    : number_(other.number_),
      path_(std::exchange(other.path_, std::filesystem::path())),
      target_(std::move(other.target_)) {}

ComLink& ComLink::operator=(ComLink&& other) noexcept {
    if (this != &other) {
        remove();
        number_ = other.number_;
        path_ = std::exchange(other.path_, std::filesystem::path());
        target_ = std::move(other.target_);
    }
    return *this;
}

ComLink::~ComLink() { remove(); }

std::string ComLink::name() const { return "COM" + std::to_string(number_); }

void ComLink::remove() {
    if (path_.empty()) return;
    std::error_code ec;
    if (std::filesystem::read_symlink(path_, ec) == target_ && !ec) std::filesystem::remove(path_, ec);
    path_.clear();
}

}  // namespace qel::platform
