// The dialer's side of a simulated phone in tests: a COM port opened through the platform's
// serial piece, writing command text and collecting what comes back.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "platform/last_error.h"
#include "platform/serial/com_port.h"

namespace qel::sim::test {

class PortClient {
public:
    // Opens `name` ("COM5") with short read time-outs; check ok() afterwards.
    explicit PortClient(std::string_view name) : port_(platform::ComPort::open(name)) {
        if (!port_) return;
        COMMTIMEOUTS t;
        t.ReadIntervalTimeout = 0;
        t.ReadTotalTimeoutConstant = 200;  // platform milliseconds: one read waits this long at most
        t.WriteTotalTimeoutConstant = 10000;
        port_->set_timeouts(t);
    }
    bool ok() const { return port_.has_value(); }
    platform::ComPort& port() { return *port_; }

    bool send(std::string_view text) {
        DWORD done = 0;
        return port_->write(std::as_bytes(std::span(text.data(), text.size())), &done) && done == text.size();
    }

    // Reads until what arrived ends with `end` (or, with an empty `end`, until `size` bytes are
    // there), the port fails, or `real_limit` passes. Returns everything read.
    std::string receive_until(std::string_view end, std::size_t size = 0,
                              std::chrono::milliseconds real_limit = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + real_limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (!end.empty() && received_.size() >= end.size() && received_.ends_with(end)) break;
            if (end.empty() && received_.size() >= size) break;
            std::byte buf[256];
            DWORD done = 0;
            if (!port_->read(buf, &done)) {
                last_error_ = platform::last_error();
                break;
            }
            received_.append(reinterpret_cast<const char*>(buf), done);
        }
        std::string out = std::move(received_);
        received_.clear();
        return out;
    }
    // Everything that arrives within one read time-out (nothing expected).
    std::string drain() { return receive_until({}, SIZE_MAX, std::chrono::milliseconds(300)); }
    DWORD last_error() const { return last_error_; }

private:
    std::optional<platform::ComPort> port_;
    std::string received_;
    DWORD last_error_ = 0;
};

}  // namespace qel::sim::test
