#include "trace/pim_log.h"

#include <array>
#include <cstring>
#include <mutex>

#include "platform/last_error.h"
#include "platform/udp_socket.h"
#include "trace/debug_values.h"

std::atomic<std::uint8_t> goep_trace_level{9};

namespace qel::trace {
namespace {

constexpr std::uint32_t kAddressNotRead = 255;
constexpr std::size_t kTextSize = 1000;
constexpr std::size_t kHeaderSize = 8;

// 255 until the first line reads "LogIPAddr"; set with release order after g_log_sock.
std::atomic<std::uint32_t> g_log_ip_addr{kAddressNotRead};
// Whether the one-time setup ran (a stored address of 255 must not make it run again).
std::atomic<bool> g_log_ready{false};
// Guards the setup and the writing of g_log_sock; once g_log_ready is set the socket is only read.
std::mutex g_log_mutex;
// The socket, made at the first line and kept for the life of the process (never closed, as the
// viewer link is meant to be; only reset_pim_log closes it).
qel::platform::UdpSocket* g_log_sock = nullptr;

void init_socket() {
    if (g_log_ready.load(std::memory_order_acquire)) return;
    std::lock_guard lock(g_log_mutex);
    if (g_log_ready.load(std::memory_order_relaxed)) return;
    const std::uint32_t address = read_dword(false, kPimDebugKey, u"LogIPAddr").value_or(0);
    if (address != 0) {
        if (auto socket = qel::platform::UdpSocket::bind(0, 0))
            g_log_sock = new qel::platform::UdpSocket(std::move(*socket));
    }
    g_log_ip_addr.store(address, std::memory_order_relaxed);
    g_log_ready.store(true, std::memory_order_release);
}

}  // namespace

namespace detail {

void pim_log(int level, const char* format, std::span<const FormatArg> args) noexcept {
    qel::platform::LastErrorPreserver keep;
    try {
        init_socket();
        const std::uint32_t address = g_log_ip_addr.load(std::memory_order_relaxed);
        if (address == 0 || g_log_sock == nullptr) return;
        std::array<std::uint8_t, kHeaderSize + kTextSize> datagram{};
        const std::size_t length = format_args(
            std::span<char>(reinterpret_cast<char*>(datagram.data() + kHeaderSize), kTextSize),
            format, args);
        const auto level16 = static_cast<std::uint16_t>(level);
        const auto length16 = static_cast<std::uint16_t>(length);
        std::memcpy(datagram.data(), &level16, 2);
        std::memcpy(datagram.data() + 2, &length16, 2);
        // Bytes 4 to 7 stay zero.
        g_log_sock->send_to(address, kTraceViewerPort,
                            std::span<const std::uint8_t>(datagram.data(), kHeaderSize + length));
    } catch (...) {
        // Tracing never fails its caller.
    }
}

}  // namespace detail

std::uint32_t pim_log_address() noexcept {
    return g_log_ready.load(std::memory_order_acquire) ? g_log_ip_addr.load() : kAddressNotRead;
}

void reset_pim_log() noexcept {
    std::lock_guard lock(g_log_mutex);
    delete g_log_sock;
    g_log_sock = nullptr;
    g_log_ip_addr.store(kAddressNotRead);
    g_log_ready.store(false);
    goep_trace_level.store(9);
}

}  // namespace qel::trace

void OSIF_InitLogging() noexcept {
    qel::platform::LastErrorPreserver keep;
    try {
        if (auto opp = qel::trace::read_dword(false, qel::trace::kProtocolTraceKey, u"OPP"))
            goep_trace_level.store(static_cast<std::uint8_t>(*opp & 0xFF));
    } catch (...) {
    }
}
