// IPv4 UDP datagram sockets, as the trace viewer link and tests use them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/win32.h"

namespace qel::platform {

class UdpSocket {
public:
    // A socket bound to `address`:`port` (host byte order; 0 = any address / any port). Nothing
    // when the socket cannot be created or bound (last error set).
    static std::optional<UdpSocket> bind(std::uint32_t address = 0, std::uint16_t port = 0);
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    ~UdpSocket();

    // Sends one datagram to `address`:`port` (host byte order); false when it was not sent.
    bool send_to(std::uint32_t address, std::uint16_t port, std::span<const std::uint8_t> data) const;

    // Waits up to `timeout_ms` (scaled by nothing: a real-time limit) for one datagram.
    std::optional<std::vector<std::uint8_t>> receive(DWORD timeout_ms) const;

    // The bound port (host byte order).
    std::uint16_t local_port() const;

private:
    explicit UdpSocket(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace qel::platform
