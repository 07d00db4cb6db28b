#include "platform/serial/com_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/last_error.h"
#include "platform/serial/line_settings.h"
#include "platform/serial/pseudo_terminal.h"
#include "platform/sync/clock.h"
#include "platform/sync/event.h"

namespace qel::platform {

namespace {

bool fail(DWORD code) {
    set_last_error(code);
    return false;
}

// "COM" and a number 1..255 without leading zeros, the letters in any case.
std::optional<unsigned> com_number(std::string_view name) {
    if (name.size() < 4 || name.size() > 6) return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i) {
        if ((name[i] | 0x20) != "com"[i]) return std::nullopt;
    }
    unsigned n = 0;
    for (char c : name.substr(3)) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (name[3] == '0' || n < 1 || n > 255) return std::nullopt;
    return n;
}

// The platform error for a failed open(2) of a port device.
DWORD open_error(int err) {
    switch (err) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case EIO:
    case ENOTTY: return ERROR_FILE_NOT_FOUND;
    case EBUSY:
    case EACCES:
    case EPERM:
    case EWOULDBLOCK: return ERROR_ACCESS_DENIED;
    default: return error_from_errno(err);
    }
}

// An errno of a read or write that says the device's far end has gone.
bool hangup_error(int err) { return err == EIO || err == EPIPE || err == ENXIO || err == ENODEV; }

}  // namespace

std::optional<std::filesystem::path> com_port_device(std::string_view name) {
    constexpr std::string_view kDeviceNamespace = "\\\\.\\";
    const bool device_namespace = name.starts_with(kDeviceNamespace);
    if (device_namespace) name.remove_prefix(kDeviceNamespace.size());
    const auto number = com_number(name);
    if (!number || (!device_namespace && *number > 9)) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return std::nullopt;
    }
    if (auto dir = com_port_dir()) return *dir / ("COM" + std::to_string(*number));
    return std::filesystem::path("/dev/ttyS" + std::to_string(*number - 1));
}

namespace detail {

// The state of one open port, shared by its handle and its I/O thread.
//
// The I/O thread (owned here, started by start() and joined by close()) carries out the transfers
// that could not finish at once: it sleeps in poll() on the device (only while a transfer waits
// and the device has not hung up) and on wake_fd_, an eventfd written whenever a transfer is
// started, ended or the port closes, with the earliest transfer deadline as poll's limit.
class ComPortState {
public:
    ComPortState(int fd, std::filesystem::path device, const termios& saved)
        : fd_(fd), device_(std::move(device)), saved_termios_(saved) {}
    ~ComPortState() { close(); }

    bool start();
    void close();
    bool is_open() const {
        std::lock_guard lock(mutex_);
        return !closed_;
    }
    const std::filesystem::path& device() const { return device_; }

    bool get_state(DCB* dcb) const;
    bool set_state(const DCB& dcb);
    bool init_state();
    bool get_timeouts(COMMTIMEOUTS* timeouts) const;
    bool set_timeouts(const COMMTIMEOUTS& timeouts);
    bool purge(DWORD flags);
    bool clear_error(DWORD* errors, COMSTAT* status);
    bool start_transfer(bool write, std::byte* data, std::size_t size, DWORD* done, OVERLAPPED* ov);
    bool result(OVERLAPPED* ov, DWORD* done, bool wait);
    bool cancel(OVERLAPPED* ov);

private:
    struct Transfer {
        OVERLAPPED* ov = nullptr;
        std::byte* data = nullptr;
        std::size_t size = 0;
        std::size_t done = 0;
        std::optional<SteadyClock::time_point> deadline;
    };

    void run();
    // Wakes the I/O thread; mutex_ held (so that close never closes the eventfd under it).
    void wake() const;
    // All with mutex_ held.
    void complete(std::optional<Transfer>& transfer, DWORD error);
    void hang_up();
    // One non-blocking step of a transfer: false when the device hung up or failed.
    bool read_step(Transfer& t, int* err);
    bool write_step(Transfer& t, int* err);
    void service(short revents);
    void expire(SteadyClock::time_point now);
    std::optional<SteadyClock::time_point> deadline_for(DWORD multiplier, DWORD constant, std::size_t size) const;

    const int fd_;
    const std::filesystem::path device_;
    const termios saved_termios_;
    int wake_fd_ = -1;
    std::thread io_thread_;

    mutable std::mutex mutex_;  // guards everything below and the OVERLAPPED records in transfers
    std::condition_variable finished_;  // a transfer ended
    bool closed_ = false;
    bool hung_up_ = false;
    DCB dcb_;
    COMMTIMEOUTS timeouts_;
    DWORD errors_ = 0;
    std::optional<Transfer> read_;
    std::optional<Transfer> write_;
};

bool ComPortState::start() {
    wake_fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_fd_ < 0) return fail(error_from_errno(errno));
    try {
        io_thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    return true;
}

bool ComPortState::init_state() {
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return fail(open_error(errno));
    const termios raw = raw_termios(t);
    if (::tcsetattr(fd_, TCSANOW, &raw) != 0) return fail(error_from_errno(errno));
    dcb_ = dcb_from_termios(raw);
    return true;
}

void ComPortState::wake() const {
    const std::uint64_t one = 1;
    if (wake_fd_ >= 0) {
        [[maybe_unused]] auto n = ::write(wake_fd_, &one, sizeof one);
    }
}

void ComPortState::close() {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        closed_ = true;
        complete(read_, ERROR_OPERATION_ABORTED);
        complete(write_, ERROR_OPERATION_ABORTED);
        wake();
    }
    if (io_thread_.joinable()) {
        if (io_thread_.get_id() == std::this_thread::get_id()) {
            io_thread_.detach();
        } else {
            io_thread_.join();
        }
    }
    // A hung-up terminal refuses these; there is nothing left to restore then.
    ::tcsetattr(fd_, TCSANOW, &saved_termios_);
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    std::lock_guard lock(mutex_);
    if (wake_fd_ >= 0) ::close(wake_fd_);
    wake_fd_ = -1;
}

void ComPortState::complete(std::optional<Transfer>& transfer, DWORD error) {
    if (!transfer) return;
    OVERLAPPED* ov = transfer->ov;
    ov->InternalHigh = transfer->done;
    ov->Internal = error;
    if (ov->hEvent) set_event(ov->hEvent);
    transfer.reset();
    finished_.notify_all();
}

void ComPortState::hang_up() {
    hung_up_ = true;
    complete(read_, ERROR_BROKEN_PIPE);
    complete(write_, ERROR_BROKEN_PIPE);
}

bool ComPortState::get_state(DCB* dcb) const {
    if (!dcb) return fail(ERROR_INVALID_PARAMETER);
    std::lock_guard lock(mutex_);
    if (closed_) return fail(ERROR_INVALID_HANDLE);
    *dcb = dcb_;
    return true;
}

bool ComPortState::set_state(const DCB& dcb) {
    if (const DWORD error = check_dcb(dcb); error != ERROR_SUCCESS) return fail(error);
    std::lock_guard lock(mutex_);
    if (closed_) return fail(ERROR_INVALID_HANDLE);
    if (hung_up_) return fail(ERROR_BROKEN_PIPE);
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return fail(error_from_errno(errno));
    const termios wanted = termios_from_dcb(t, dcb);
    if (::tcsetattr(fd_, TCSANOW, &wanted) != 0) return fail(error_from_errno(errno));
    // The modem lines follow DTR and RTS "enable"/"disable"; a pseudo-terminal has none, so a
    // refusal here is not an error.
    int dtr = TIOCM_DTR;
    int rts = TIOCM_RTS;
    if (dcb.fDtrControl != DTR_CONTROL_HANDSHAKE) ::ioctl(fd_, dcb.fDtrControl ? TIOCMBIS : TIOCMBIC, &dtr);
    if (dcb.fRtsControl <= RTS_CONTROL_ENABLE) ::ioctl(fd_, dcb.fRtsControl ? TIOCMBIS : TIOCMBIC, &rts);
    dcb_ = dcb;
    return true;
}

bool ComPortState::get_timeouts(COMMTIMEOUTS* timeouts) const {
    if (!timeouts) return fail(ERROR_INVALID_PARAMETER);
    std::lock_guard lock(mutex_);
    if (closed_) return fail(ERROR_INVALID_HANDLE);
    *timeouts = timeouts_;
    return true;
}

bool ComPortState::set_timeouts(const COMMTIMEOUTS& timeouts) {
    std::lock_guard lock(mutex_);
    if (closed_) return fail(ERROR_INVALID_HANDLE);
    timeouts_ = timeouts;
    return true;
}

bool ComPortState::purge(DWORD flags) {
    constexpr DWORD kAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
    if (flags & ~kAll) return fail(ERROR_INVALID_PARAMETER);
    {
        std::lock_guard lock(mutex_);
        if (closed_) return fail(ERROR_INVALID_HANDLE);
        if (flags & PURGE_RXABORT) complete(read_, ERROR_OPERATION_ABORTED);
        if (flags & PURGE_TXABORT) complete(write_, ERROR_OPERATION_ABORTED);
        if (!hung_up_) {
            if (flags & PURGE_RXCLEAR) ::tcflush(fd_, TCIFLUSH);
            if (flags & PURGE_TXCLEAR) ::tcflush(fd_, TCOFLUSH);
        }
        wake();
    }
    return true;
}

bool ComPortState::clear_error(DWORD* errors, COMSTAT* status) {
    std::lock_guard lock(mutex_);
    if (closed_) return fail(ERROR_INVALID_HANDLE);
    if (errors) *errors = errors_;
    errors_ = 0;
    if (status) {
        *status = COMSTAT{};
        int queued = 0;
        if (!hung_up_ && ::ioctl(fd_, TIOCINQ, &queued) == 0) status->cbInQue = static_cast<DWORD>(queued);
        if (!hung_up_ && ::ioctl(fd_, TIOCOUTQ, &queued) == 0) status->cbOutQue = static_cast<DWORD>(queued);
        if (write_) status->cbOutQue += static_cast<DWORD>(write_->size - write_->done);
    }
    return true;
}

std::optional<SteadyClock::time_point> ComPortState::deadline_for(DWORD multiplier, DWORD constant,
                                                                  std::size_t size) const {
    const std::uint64_t total = std::uint64_t{multiplier} * size + constant;
    if (total == 0) return std::nullopt;
    const DWORD limit = static_cast<DWORD>(std::min<std::uint64_t>(total, INFINITE - 1));
    return SteadyClock::now() + *real_duration(limit);
}

bool ComPortState::read_step(Transfer& t, int* err) {
    for (;;) {
        const ssize_t n = ::read(fd_, t.data + t.done, t.size - t.done);
        if (n > 0) {
            std::size_t kept = static_cast<std::size_t>(n);
            if (dcb_.fNull) {
                std::byte* begin = t.data + t.done;
                kept = static_cast<std::size_t>(std::remove(begin, begin + n, std::byte{0}) - begin);
            }
            t.done += kept;
            if (kept == 0) continue;  // only NUL bytes: read on
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return true;
        *err = n == 0 ? EIO : errno;  // raw mode reads at least one byte: 0 means hung up
        return false;
    }
}

bool ComPortState::write_step(Transfer& t, int* err) {
    while (t.done < t.size) {
        const ssize_t n = ::write(fd_, t.data + t.done, t.size - t.done);
        if (n >= 0) {
            t.done += static_cast<std::size_t>(n);
            continue;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN) return true;
        *err = errno;
        return false;
    }
    return true;
}

bool ComPortState::start_transfer(bool write, std::byte* data, std::size_t size, DWORD* done, OVERLAPPED* ov) {
    if (!ov) return fail(ERROR_INVALID_PARAMETER);
    std::unique_lock lock(mutex_);
    if (closed_) return fail(ERROR_INVALID_HANDLE);
    std::optional<Transfer>& slot = write ? write_ : read_;
    if (slot) return fail(ERROR_BUSY);
    if (dcb_.fAbortOnError && errors_ != 0) return fail(ERROR_OPERATION_ABORTED);
    if (hung_up_) return fail(ERROR_BROKEN_PIPE);

    if (ov->hEvent) reset_event(ov->hEvent);
    ov->Internal = STATUS_PENDING;
    ov->InternalHigh = 0;
    Transfer t{ov, data, size, 0, std::nullopt};
    int err = 0;
    const bool ok = write ? write_step(t, &err) : read_step(t, &err);
    if (!ok) {
        if (hangup_error(err)) hang_up();
        ov->Internal = hangup_error(err) ? ERROR_BROKEN_PIPE : error_from_errno(err);
        return fail(static_cast<DWORD>(ov->Internal));
    }
    const bool immediate = !write && timeouts_.ReadIntervalTimeout == MAXDWORD &&
                           timeouts_.ReadTotalTimeoutMultiplier == 0 && timeouts_.ReadTotalTimeoutConstant == 0;
    const bool finished = write ? t.done == t.size : (t.done > 0 || immediate || size == 0);
    if (finished) {
        slot = t;
        complete(slot, ERROR_SUCCESS);
        if (done) *done = static_cast<DWORD>(t.done);
        return true;
    }
    t.deadline = write ? deadline_for(timeouts_.WriteTotalTimeoutMultiplier, timeouts_.WriteTotalTimeoutConstant, size)
                       : deadline_for(timeouts_.ReadTotalTimeoutMultiplier, timeouts_.ReadTotalTimeoutConstant, size);
    slot = t;
    wake();
    if (done) *done = 0;
    return fail(ERROR_IO_PENDING);
}

bool ComPortState::result(OVERLAPPED* ov, DWORD* done, bool wait) {
    if (!ov) return fail(ERROR_INVALID_PARAMETER);
    std::unique_lock lock(mutex_);
    if (ov->Internal == STATUS_PENDING) {
        if (!wait) return fail(ERROR_IO_INCOMPLETE);
        finished_.wait(lock, [ov] { return ov->Internal != STATUS_PENDING; });
    }
    if (done) *done = static_cast<DWORD>(ov->InternalHigh);
    if (ov->Internal != ERROR_SUCCESS) return fail(static_cast<DWORD>(ov->Internal));
    return true;
}

bool ComPortState::cancel(OVERLAPPED* ov) {
    bool found = false;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return fail(ERROR_INVALID_HANDLE);
        for (auto* slot : {&read_, &write_}) {
            if (*slot && (!ov || (*slot)->ov == ov)) {
                complete(*slot, ERROR_OPERATION_ABORTED);
                found = true;
            }
        }
        if (found) wake();
    }
    if (!found) return fail(ERROR_NOT_FOUND);
    return true;
}

void ComPortState::service(short revents) {
    constexpr short kTrouble = POLLHUP | POLLERR | POLLNVAL;
    int err = 0;
    if (read_ && (revents & (POLLIN | kTrouble))) {
        if (!read_step(*read_, &err)) {
            if (hangup_error(err)) return hang_up();
            complete(read_, error_from_errno(err));
        } else if (read_->done > 0) {
            complete(read_, ERROR_SUCCESS);
        }
    }
    if (write_ && (revents & (POLLOUT | kTrouble))) {
        if (!write_step(*write_, &err)) {
            if (hangup_error(err)) return hang_up();
            complete(write_, error_from_errno(err));
        } else if (write_->done == write_->size) {
            complete(write_, ERROR_SUCCESS);
        }
    }
    // A device in trouble that neither transfer could report on (data still came, or the write
    // would block) is hung up all the same, so that poll() does not wake again and again for it.
    if ((revents & kTrouble) && (read_ || write_)) hang_up();
}

void ComPortState::expire(SteadyClock::time_point now) {
    for (auto* slot : {&read_, &write_}) {
        if (*slot && (*slot)->deadline && now >= *(*slot)->deadline) complete(*slot, ERROR_SUCCESS);
    }
}

void ComPortState::run() {
    std::unique_lock lock(mutex_);
    while (!closed_) {
        pollfd fds[2] = {{wake_fd_, POLLIN, 0}, {-1, 0, 0}};
        const short wanted = static_cast<short>((read_ ? POLLIN : 0) | (write_ ? POLLOUT : 0));
        if (wanted && !hung_up_) fds[1] = {fd_, wanted, 0};
        int timeout_ms = -1;
        for (auto* slot : {&read_, &write_}) {
            if (*slot && (*slot)->deadline) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(*(*slot)->deadline - SteadyClock::now());
                const int ms = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 1 << 30));
                timeout_ms = timeout_ms < 0 ? ms : std::min(timeout_ms, ms);
            }
        }
        lock.unlock();
        const int ready = ::poll(fds, 2, timeout_ms);
        lock.lock();
        if (ready < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] auto n = ::read(wake_fd_, &count, sizeof count);
        }
        if (closed_) break;
        if (fds[1].fd >= 0 && fds[1].revents) service(fds[1].revents);
        expire(SteadyClock::now());
    }
}

}  // namespace detail

std::optional<ComPort> ComPort::open(std::string_view name) {
    const auto device = com_port_device(name);
    if (!device) return std::nullopt;
    const int fd = ::open(device->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        set_last_error(open_error(errno));
        return std::nullopt;
    }
    termios saved{};
    if (!::isatty(fd) || ::tcgetattr(fd, &saved) != 0) {
        ::close(fd);
        set_last_error(ERROR_FILE_NOT_FOUND);
        return std::nullopt;
    }
    // Exclusive: the flock stops other opens of ours (also by root, whom TIOCEXCL does not stop),
    // TIOCEXCL stops every other program's open.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        set_last_error(open_error(err));
        return std::nullopt;
    }
    ::ioctl(fd, TIOCEXCL);
    auto state = std::make_shared<detail::ComPortState>(fd, *device, saved);
    if (!state->init_state() || !state->start()) {
        const DWORD error = last_error();
        state->close();
        set_last_error(error);
        return std::nullopt;
    }
    return ComPort(std::move(state));
}

ComPort::ComPort(std::shared_ptr<detail::ComPortState> state) : state_(std::move(state)) {}
ComPort::ComPort(ComPort&& other) noexcept = default;
ComPort& ComPort::operator=(ComPort&& other) noexcept {
    if (this != &other) {
        close();
        state_ = std::move(other.state_);
    }
    return *this;
}
ComPort::~ComPort() { close(); }

void ComPort::close() {
    if (state_) state_->close();
}

bool ComPort::is_open() const { return state_ && state_->is_open(); }

std::filesystem::path ComPort::device() const { return state_ ? state_->device() : std::filesystem::path(); }

#define QEL_PORT_OR_FAIL \
    if (!state_) return fail(ERROR_INVALID_HANDLE)

bool ComPort::get_state(DCB* dcb) const {
    QEL_PORT_OR_FAIL;
    return state_->get_state(dcb);
}
bool ComPort::set_state(const DCB& dcb) {
    QEL_PORT_OR_FAIL;
    return state_->set_state(dcb);
}
bool ComPort::get_timeouts(COMMTIMEOUTS* timeouts) const {
    QEL_PORT_OR_FAIL;
    return state_->get_timeouts(timeouts);
}
bool ComPort::set_timeouts(const COMMTIMEOUTS& timeouts) {
    QEL_PORT_OR_FAIL;
    return state_->set_timeouts(timeouts);
}
bool ComPort::purge(DWORD flags) {
    QEL_PORT_OR_FAIL;
    return state_->purge(flags);
}
bool ComPort::clear_error(DWORD* errors, COMSTAT* status) {
    QEL_PORT_OR_FAIL;
    return state_->clear_error(errors, status);
}
bool ComPort::read_overlapped(std::span<std::byte> buffer, DWORD* done, OVERLAPPED* overlapped) {
    QEL_PORT_OR_FAIL;
    return state_->start_transfer(false, buffer.data(), buffer.size(), done, overlapped);
}
bool ComPort::write_overlapped(std::span<const std::byte> data, DWORD* done, OVERLAPPED* overlapped) {
    QEL_PORT_OR_FAIL;
    // The port only reads from a write's buffer.
    return state_->start_transfer(true, const_cast<std::byte*>(data.data()), data.size(), done, overlapped);
}
bool ComPort::overlapped_result(OVERLAPPED* overlapped, DWORD* done, bool wait) {
    QEL_PORT_OR_FAIL;
    return state_->result(overlapped, done, wait);
}
bool ComPort::cancel_io(OVERLAPPED* overlapped) {
    QEL_PORT_OR_FAIL;
    return state_->cancel(overlapped);
}

#undef QEL_PORT_OR_FAIL

bool ComPort::read(std::span<std::byte> buffer, DWORD* done) {
    OVERLAPPED ov;
    if (read_overlapped(buffer, done, &ov)) return true;
    if (last_error() != ERROR_IO_PENDING) return false;
    return overlapped_result(&ov, done, true);
}

bool ComPort::write(std::span<const std::byte> data, DWORD* done) {
    OVERLAPPED ov;
    if (write_overlapped(data, done, &ov)) return true;
    if (last_error() != ERROR_IO_PENDING) return false;
    return overlapped_result(&ov, done, true);
}

}  // namespace qel::platform
