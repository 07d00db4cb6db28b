#include <gtest/gtest.h>

#include <chrono>

#include "platform/last_error.h"
#include "platform/udp_socket.h"

using namespace qel::platform;

namespace {
constexpr std::uint32_t kLoopback = 0x7F000001;  // 127.0.0.1

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }
}  // namespace

TEST(UdpSocket, DeliversWholeDatagramsInOrder) {
    auto receiver = UdpSocket::bind(kLoopback);
    auto sender = UdpSocket::bind(kLoopback);
    ASSERT_TRUE(receiver && sender);
    const std::uint16_t port = receiver->local_port();
    ASSERT_NE(port, 0);
    ASSERT_NE(sender->local_port(), port);

    std::vector<std::uint8_t> big(60000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(sender->send_to(kLoopback, port, bytes("\x05\x00\x04\x00\x00\x00\x00\x00OSIF")));
    ASSERT_TRUE(sender->send_to(kLoopback, port, {}));
    ASSERT_TRUE(sender->send_to(kLoopback, port, big));

    EXPECT_EQ(receiver->receive(5000), bytes("\x05\x00\x04\x00\x00\x00\x00\x00OSIF"));
    EXPECT_EQ(receiver->receive(5000), std::vector<std::uint8_t>{});  // an empty datagram is one
    EXPECT_EQ(receiver->receive(5000), big);
}

TEST(UdpSocket, ReceiveGivesUpAfterItsTimeLimit) {
    auto socket = UdpSocket::bind(kLoopback);
    ASSERT_TRUE(socket);
    const auto start = std::chrono::steady_clock::now();
    set_last_error(ERROR_SUCCESS);
    EXPECT_FALSE(socket->receive(40));
    EXPECT_EQ(last_error(), ERROR_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
    EXPECT_FALSE(socket->receive(0));  // a zero limit only looks
}

TEST(UdpSocket, PortInUseFailsAndMovedFromSocketsRefuseWork) {
    auto first = UdpSocket::bind(kLoopback);
    ASSERT_TRUE(first);
    set_last_error(ERROR_SUCCESS);
    EXPECT_FALSE(UdpSocket::bind(kLoopback, first->local_port()));
    EXPECT_NE(last_error(), ERROR_SUCCESS);

    const std::uint16_t port = first->local_port();
    UdpSocket moved = std::move(*first);
    EXPECT_EQ(moved.local_port(), port);
    EXPECT_EQ(first->local_port(), 0);
    EXPECT_FALSE(first->send_to(kLoopback, port, bytes("x")));
    EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(first->receive(0));
    EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);

    // The moved-to socket still owns the port: a datagram sent there arrives.
    auto sender = UdpSocket::bind();
    ASSERT_TRUE(sender);
    ASSERT_TRUE(sender->send_to(kLoopback, port, bytes("still here")));
    EXPECT_EQ(moved.receive(5000), bytes("still here"));
}
