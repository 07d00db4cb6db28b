// The packed records exchanged with the stack's API library: the service record
// tBT_SERVICE_INFO (2435 bytes), the active-connection record tBT_ACTIVE_CONNS (377 bytes) and
// the connection statistics tBT_CONN_STATS (20 bytes).
//
// Promises: each record is exactly its size in bytes with no padding, so arrays of records have
// the stack's layout; multi-byte fields are little-endian at the fixed offsets below; the
// accessors read and write only their field, and text setters cut the text so that the
// terminating NUL always fits in the field. A zero-initialised record is an empty one.
//
// tBT_SERVICE_INFO                      tBT_ACTIVE_CONNS
//   0    4  first word (0 when prepared)  0  101  port name, NUL-terminated
//   4  101  service name, NUL-terminated 101  16  service GUID
// 105   16  service GUID                 117   6  remote device address (this library's choice)
// 121    2  16-bit service UUID (*)      123 251  further data
// 123    1  server channel (*)           374   1  server flag, non-zero for a server port
// 124    4  security flags (*)           375   2  port number, signed
// 128 1994  further data
// 2122   4  service state; 2 = connected   tBT_CONN_STATS (all fields this library's choice
// 2126   4  further data                    beyond the first)
// 2130   6  remote device address           0  4  low 16 bits: valid flag; high 16: battery level
// 2136 248  remote device name (*)          4  4  signal strength (RSSI, signed)
// 2384  51  COM port name, NUL-terminated   8  4  bytes sent
//                                          12  4  bytes received
//                                          16  4  connected time, seconds
// (*) this library's choice inside the "further data" of the record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "facade/stackapi/qbt_types.h"

namespace qel::stackapi::detail {

// Little-endian field access in a byte array.
template <std::size_t N>
class PackedBytes {
public:
    std::uint32_t u32(std::size_t at) const {
        return std::uint32_t(b_[at]) | std::uint32_t(b_[at + 1]) << 8 | std::uint32_t(b_[at + 2]) << 16 |
               std::uint32_t(b_[at + 3]) << 24;
    }
    void set_u32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b_[at + i] = BYTE(v >> (8 * i));
    }
    std::uint16_t u16(std::size_t at) const { return std::uint16_t(b_[at] | b_[at + 1] << 8); }
    void set_u16(std::size_t at, std::uint16_t v) {
        b_[at] = BYTE(v);
        b_[at + 1] = BYTE(v >> 8);
    }
    // NUL-terminated text in a field of `width` bytes; a field without NUL ends at its width.
    std::string text(std::size_t at, std::size_t width) const {
        std::size_t n = 0;
        while (n < width && b_[at + n] != 0) ++n;
        return std::string(reinterpret_cast<const char*>(&b_[at]), n);
    }
    // Writes at most width - 1 bytes of `s` and fills the rest of the field with NULs.
    void set_text(std::size_t at, std::size_t width, std::string_view s) {
        std::size_t n = s.size() < width ? s.size() : width - 1;
        for (std::size_t i = 0; i < width; ++i) b_[at + i] = i < n ? BYTE(s[i]) : 0;
    }
    GUID guid(std::size_t at) const {
        GUID g{u32(at), u16(at + 4), u16(at + 6), {}};
        for (int i = 0; i < 8; ++i) g.Data4[i] = b_[at + 8 + i];
        return g;
    }
    void set_guid(std::size_t at, const GUID& g) {
        set_u32(at, g.Data1);
        set_u16(at + 4, g.Data2);
        set_u16(at + 6, g.Data3);
        for (int i = 0; i < 8; ++i) b_[at + 8 + i] = g.Data4[i];
    }
    template <std::size_t M>
    std::array<BYTE, M> bytes(std::size_t at) const {
        std::array<BYTE, M> out{};
        for (std::size_t i = 0; i < M; ++i) out[i] = b_[at + i];
        return out;
    }
    template <std::size_t M>
    void set_bytes(std::size_t at, const std::array<BYTE, M>& in) {
        for (std::size_t i = 0; i < M; ++i) b_[at + i] = in[i];
    }
    BYTE* data() { return b_.data(); }
    const BYTE* data() const { return b_.data(); }

protected:
    std::array<BYTE, N> b_{};
};

}  // namespace qel::stackapi::detail

// A service of this computer (local) or of a remote device (available), 2435 bytes.
struct tBT_SERVICE_INFO : qel::stackapi::detail::PackedBytes<2435> {
    static constexpr std::size_t kFirstWord = 0, kName = 4, kNameWidth = 101, kGuid = 105,
                                 kUuid16 = 121, kChannel = 123, kSecurity = 124, kState = 2122,
                                 kRemoteAddress = 2130, kRemoteName = 2136, kRemoteNameWidth = 248,
                                 kComPort = 2384, kComPortWidth = 51;
    // Service state values of the state field.
    static constexpr DWORD kStateIdle = 0, kStateConnected = 2;

    DWORD first_word() const { return u32(kFirstWord); }
    void set_first_word(DWORD v) { set_u32(kFirstWord, v); }
    std::string service_name() const { return text(kName, kNameWidth); }
    void set_service_name(std::string_view s) { set_text(kName, kNameWidth, s); }
    GUID service_guid() const { return guid(kGuid); }
    void set_service_guid(const GUID& g) { set_guid(kGuid, g); }
    std::uint16_t uuid16() const { return u16(kUuid16); }
    void set_uuid16(std::uint16_t v) { set_u16(kUuid16, v); }
    BYTE channel() const { return b_[kChannel]; }
    void set_channel(BYTE v) { b_[kChannel] = v; }
    DWORD security() const { return u32(kSecurity); }
    void set_security(DWORD v) { set_u32(kSecurity, v); }
    DWORD state() const { return u32(kState); }
    void set_state(DWORD v) { set_u32(kState, v); }
    BD_ADDR remote_address() const { return bytes<6>(kRemoteAddress); }
    void set_remote_address(const BD_ADDR& a) { set_bytes(kRemoteAddress, a); }
    std::string remote_name() const { return text(kRemoteName, kRemoteNameWidth); }
    void set_remote_name(std::string_view s) { set_text(kRemoteName, kRemoteNameWidth, s); }
    std::string com_port() const { return text(kComPort, kComPortWidth); }
    void set_com_port(std::string_view s) { set_text(kComPort, kComPortWidth, s); }
};

// A connection that holds a virtual serial port, 377 bytes.
struct tBT_ACTIVE_CONNS : qel::stackapi::detail::PackedBytes<377> {
    static constexpr std::size_t kPortName = 0, kPortNameWidth = 101, kGuid = 101,
                                 kRemoteAddress = 117, kServerFlag = 374, kPortNumber = 375;

    std::string port_name() const { return text(kPortName, kPortNameWidth); }
    void set_port_name(std::string_view s) { set_text(kPortName, kPortNameWidth, s); }
    GUID service_guid() const { return guid(kGuid); }
    void set_service_guid(const GUID& g) { set_guid(kGuid, g); }
    BD_ADDR remote_address() const { return bytes<6>(kRemoteAddress); }
    void set_remote_address(const BD_ADDR& a) { set_bytes(kRemoteAddress, a); }
    bool is_server() const { return b_[kServerFlag] != 0; }
    void set_server(bool server) { b_[kServerFlag] = server ? 1 : 0; }
    std::int16_t port_number() const { return std::int16_t(u16(kPortNumber)); }
    void set_port_number(std::int16_t port) { set_u16(kPortNumber, std::uint16_t(port)); }
};

// Statistics of a connection to a remote device, 20 bytes.
struct tBT_CONN_STATS : qel::stackapi::detail::PackedBytes<20> {
    static constexpr std::size_t kValidAndBattery = 0, kRssi = 4, kBytesSent = 8, kBytesReceived = 12,
                                 kDuration = 16;

    // The first field: validity flag in the low 16 bits, battery level in the high 16 bits.
    DWORD first_field() const { return u32(kValidAndBattery); }
    bool valid() const { return (first_field() & 0xFFFF) != 0; }
    std::uint16_t battery_level() const { return std::uint16_t(first_field() >> 16); }
    void set_valid_and_battery(bool valid, std::uint16_t battery) {
        set_u32(kValidAndBattery, (DWORD(battery) << 16) | (valid ? 1u : 0u));
    }
    std::int32_t rssi() const { return std::int32_t(u32(kRssi)); }
    void set_rssi(std::int32_t v) { set_u32(kRssi, std::uint32_t(v)); }
    DWORD bytes_sent() const { return u32(kBytesSent); }
    void set_bytes_sent(DWORD v) { set_u32(kBytesSent, v); }
    DWORD bytes_received() const { return u32(kBytesReceived); }
    void set_bytes_received(DWORD v) { set_u32(kBytesReceived, v); }
    DWORD duration_seconds() const { return u32(kDuration); }
    void set_duration_seconds(DWORD v) { set_u32(kDuration, v); }
};

static_assert(sizeof(tBT_SERVICE_INFO) == 2435);
static_assert(sizeof(tBT_ACTIVE_CONNS) == 377);
static_assert(sizeof(tBT_CONN_STATS) == 20);
static_assert(alignof(tBT_SERVICE_INFO) == 1 && alignof(tBT_ACTIVE_CONNS) == 1);
