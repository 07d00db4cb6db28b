#include "platform/udp_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

#include "platform/last_error.h"

// Sockets here are used from one owner at a time; send_to and receive may run on different
// threads at once (the kernel orders them), but moving or destroying the socket while another
// thread uses it is the caller's error. receive() returns one whole datagram, or nothing with the
// last error ERROR_TIMEOUT when none came in time (INFINITE waits without limit); a moved-from
// socket fails every call with ERROR_INVALID_HANDLE.

namespace qel::platform {
namespace {

constexpr std::size_t kLargestDatagram = 65535;

sockaddr_in ipv4(std::uint32_t address, std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    return sa;
}

}  // namespace

std::optional<UdpSocket> UdpSocket::bind(std::uint32_t address, std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        set_last_error(error_from_errno(errno));
        return std::nullopt;
    }
    UdpSocket socket(fd);  // closes the descriptor if binding fails
    const sockaddr_in sa = ipv4(address, port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        set_last_error(error_from_errno(errno));
        return std::nullopt;
    }
    return socket;
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
}

UdpSocket::~UdpSocket() {
    if (fd_ >= 0) ::close(fd_);
}

bool UdpSocket::send_to(std::uint32_t address, std::uint16_t port, std::span<const std::uint8_t> data) const {
    if (fd_ < 0) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    const sockaddr_in sa = ipv4(address, port);
    ssize_t sent;
    do {
        sent = ::sendto(fd_, data.data(), data.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        set_last_error(error_from_errno(errno));
        return false;
    }
    return static_cast<std::size_t>(sent) == data.size();
}

std::optional<std::vector<std::uint8_t>> UdpSocket::receive(DWORD timeout_ms) const {
    if (fd_ < 0) {
        set_last_error(ERROR_INVALID_HANDLE);
        return std::nullopt;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        int wait_ms = -1;
        if (timeout_ms != INFINITE) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait_ms = static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
        }
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, wait_ms);
        if (ready < 0 && errno == EINTR) continue;  // a signal: wait for what is left
        if (ready < 0) {
            set_last_error(error_from_errno(errno));
            return std::nullopt;
        }
        if (ready == 0) {
            set_last_error(ERROR_TIMEOUT);
            return std::nullopt;
        }
        std::vector<std::uint8_t> datagram(kLargestDatagram);
        const ssize_t got = ::recv(fd_, datagram.data(), datagram.size(), MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
        if (got < 0) {
            set_last_error(error_from_errno(errno));
            return std::nullopt;
        }
        datagram.resize(static_cast<std::size_t>(got));
        return datagram;
    }
}

std::uint16_t UdpSocket::local_port() const {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
    return ntohs(sa.sin_port);
}

}  // namespace qel::platform
