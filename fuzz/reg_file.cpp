// Fuzzes the .reg parser: any bytes must parse or fail with a line and a message, never crash,
// and a file that parses must describe only keys and values the registry accepts.
#include "platform/registry/reg_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qel::platform;
    RegFile file;
    RegFileError error;
    LSTATUS st = parse_reg_file(std::string_view(reinterpret_cast<const char*>(data), size), &file, &error);
    if (st != ERROR_SUCCESS) {
        if (error.message.empty() || !file.keys.empty()) std::abort();
        return 0;
    }
    for (const auto& key : file.keys) {
        if (key.root != HKEY_CURRENT_USER && key.root != HKEY_LOCAL_MACHINE) std::abort();
        if (key.remove && (key.path.empty() || !key.values.empty())) std::abort();
        for (const auto& value : key.values)
            if (value.name.size() > kMaxValueNameLength) std::abort();
    }
    return 0;
}
