// The CDMA device list in the user's registry (see cdma_devices.h).
#include "dialup/providers/cdma_devices.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/registry/registry.h"

namespace {

using namespace qel::platform;

// The string value, empty when absent, unreadable or not a string.
std::u16string read_list(HKEY key) {
    DWORD type = 0;
    DWORD size = 0;
    if (reg_query_value(key, kDevicesCdmaValue, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ ||
        size < sizeof(char16_t)) {
        return {};
    }
    std::vector<char16_t> data(size / sizeof(char16_t) + 1, u'\0');
    if (reg_query_value(key, kDevicesCdmaValue, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    data[size / sizeof(char16_t)] = u'\0';
    return std::u16string(data.data());  // up to the first terminator
}

std::u16string address_text(std::span<const BYTE, 6> bd_addr) {
    char text[13];
    std::snprintf(text, sizeof(text), "%02x%02x%02x%02x%02x%02x", bd_addr[0], bd_addr[1], bd_addr[2], bd_addr[3],
                  bd_addr[4], bd_addr[5]);
    return std::u16string(text, text + 12);
}

}  // namespace

bool check_CDMA_DEVICES(std::span<const BYTE, 6> bd_addr, bool bSaveNew) {
    RegKey key;
    if (reg_open_key(HKEY_CURRENT_USER, kPhoneIfKeyPath, KEY_READ | KEY_WRITE, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    std::u16string list = read_list(key.get());
    const std::u16string address = address_text(bd_addr);
    if (list.find(address) != std::u16string::npos) return true;
    if (!bSaveNew) return false;
    if (!list.empty()) list += u';';
    list += address;
    const auto bytes = static_cast<DWORD>((list.size() + 1) * sizeof(char16_t));
    return reg_set_value(key.get(), kDevicesCdmaValue, REG_SZ, reinterpret_cast<const BYTE*>(list.c_str()), bytes) ==
           ERROR_SUCCESS;
}
