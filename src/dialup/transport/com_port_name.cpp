#include "dialup/transport/com_port_name.h"

#include <algorithm>
#include <cstring>
#include <string>

char* GetLongComPortName(const char* sczPortName, std::span<char> buf) {
    if (buf.empty()) return buf.data();
    std::string name = sczPortName ? sczPortName : "";
    if (name.size() > 4 && name.starts_with("COM")) name = "\\\\.\\" + name;
    const std::size_t length = std::min(name.size(), buf.size() - 1);
    std::memcpy(buf.data(), name.data(), length);
    buf[length] = '\0';
    return buf.data();
}
