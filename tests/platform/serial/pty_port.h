// A simulated COM port for tests: a pseudo-terminal whose slave is linked as COMn in a temporary
// QEL_COM_DIR, the far end (master) to read and write, and a descriptor of the slave opened before
// any port, through which a test reads the terminal settings the port left behind.
#pragma once

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/serial/pseudo_terminal.h"
#include "platform/win32.h"
#include "support/test_support.h"

namespace qel::test {

class PtyPort {
public:
    explicit PtyPort(unsigned number) : env_("QEL_COM_DIR", dir_.path().string()) {
        auto pty = platform::PseudoTerminal::open();
        if (!pty) throw std::runtime_error("no pseudo-terminal");
        pty_.emplace(std::move(*pty));
        slave_fd_ = ::open(pty_->slave_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        auto link = platform::ComLink::create(number, pty_->slave_path());
        if (slave_fd_ < 0 || !link) throw std::runtime_error("no COM link");
        link_.emplace(std::move(*link));
    }
    ~PtyPort() {
        if (slave_fd_ >= 0) ::close(slave_fd_);
    }
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    platform::PseudoTerminal& far_end() { return *pty_; }
    const std::filesystem::path& dir() const { return dir_.path(); }
    std::string name() const { return link_->name(); }

    termios slave_termios() const {
        termios t{};
        EXPECT_EQ(::tcgetattr(slave_fd_, &t), 0);
        return t;
    }
    void set_slave_termios(const termios& t) { EXPECT_EQ(::tcsetattr(slave_fd_, TCSANOW, &t), 0); }

    // Sends text from the far end.
    void send(std::string_view text) {
        ASSERT_TRUE(pty_->write(std::as_bytes(std::span(text.data(), text.size()))));
    }
    // Reads from the far end until `count` bytes came or `timeout_ms` passed without a byte.
    std::string receive(std::size_t count, DWORD timeout_ms = 10000) {
        std::string out;
        std::vector<std::byte> buffer(4096);
        while (out.size() < count) {
            const auto want = std::min(buffer.size(), count - out.size());
            const auto r = pty_->read(std::span(buffer).first(want), timeout_ms);
            if (r.error != ERROR_SUCCESS) break;
            out.append(reinterpret_cast<const char*>(buffer.data()), r.count);
        }
        return out;
    }

private:
    TempDir dir_;
    ScopedEnv env_;
    std::optional<platform::PseudoTerminal> pty_;
    std::optional<platform::ComLink> link_;
    int slave_fd_ = -1;
};

// Bytes 0..n-1 of a recognisable pattern without NUL bytes.
inline std::string pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('!' + (i * 7 + i / 91) % 94);
    return s;
}

inline bool same_termios(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
           cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b) &&
           std::equal(std::begin(a.c_cc), std::end(a.c_cc), std::begin(b.c_cc));
}

}  // namespace qel::test
