// ICommunication: the receiver of the characters a started serial port delivers. The port's
// reader thread calls FireChar once per received byte, in the order received; the receiver
// guards its own state.
#pragma once

#include <cstdint>

class ICommunication {
public:
    virtual ~ICommunication() = default;
    // One received character; the result is always 0.
    virtual std::int32_t FireChar(char c) = 0;
};
