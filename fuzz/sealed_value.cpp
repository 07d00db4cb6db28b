// Fuzzes the opening of protected registry values: whatever bytes a value holds, reading it as a
// protected value answers 0, 6001 or 234 and never crashes or reads past the stored bytes.
// The first input byte picks the mode: even - the rest is stored as it is; odd - the rest is
// XORed over a value sealed at start (bit 1 also cuts it to the input's length), so mutations
// reach the session key import, the decryption and the checks of the plain record.
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "config/protected_value.h"
#include "platform/registry/registry.h"

namespace {

using namespace qel::platform;

constexpr char16_t kName[] = u"Pin";
const std::vector<BYTE> kSecret = {'0', '0', '0', '0', 'S', 'e', 'c', 'r', 'e', 't'};

struct Setup {
    HKEY key = nullptr;
    std::vector<BYTE> sealed;

    Setup() {
        char dir[] = "/tmp/qel-fuzz-sealed-XXXXXX";
        if (::mkdtemp(dir) == nullptr) std::abort();
        ::setenv("QEL_REGISTRY_DIR", dir, 1);
        if (reg_create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Fuzz", KEY_ALL_ACCESS, &key, nullptr) != ERROR_SUCCESS)
            std::abort();
        if (BTRegSetEncValue(key, kName, 0, REG_BINARY, kSecret.data(), static_cast<DWORD>(kSecret.size())) != 0)
            std::abort();
        DWORD type = 0;
        DWORD size = 0;
        if (reg_query_value(key, kName, &type, nullptr, &size) != ERROR_SUCCESS) std::abort();
        sealed.resize(size);
        if (reg_query_value(key, kName, &type, sealed.data(), &size) != ERROR_SUCCESS) std::abort();
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Setup& s = setup();
    if (size == 0) return 0;
    const BYTE mode = data[0];
    std::vector<BYTE> stored;
    if ((mode & 1) == 0) {
        stored.assign(data + 1, data + size);
    } else {
        stored = s.sealed;
        for (std::size_t i = 1; i < size; ++i) {
            if (i - 1 < stored.size()) {
                stored[i - 1] ^= data[i];
            } else {
                stored.push_back(data[i]);
            }
        }
        if ((mode & 2) != 0 && size - 1 < stored.size()) stored.resize(size - 1);
    }
    // Exactly the stored bytes on the heap, so a read past them is caught.
    std::vector<BYTE> exact(stored);
    if (reg_set_value(s.key, kName, REG_BINARY, exact.data(), static_cast<DWORD>(exact.size())) != ERROR_SUCCESS)
        std::abort();

    BYTE out[16] = {};
    DWORD out_size = sizeof out;
    DWORD type = 0;
    const LONG rc = BTRegQueryEncValue(s.key, kName, nullptr, &type, out, &out_size);
    if (rc != 0 && rc != 6001 && rc != 234) std::abort();
    if (rc == 0 && out_size > sizeof out) std::abort();
    if (stored == s.sealed &&
        (rc != 0 || out_size != kSecret.size() || std::vector<BYTE>(out, out + out_size) != kSecret))
        std::abort();

    // The opener on its own, on a buffer of exactly the input's size.
    if (!stored.empty()) {
        std::unique_ptr<BYTE[]> copy(new BYTE[stored.size()]);
        std::copy(stored.begin(), stored.end(), copy.get());
        BYTE* buffer = copy.get();
        DWORD length = static_cast<DWORD>(stored.size());
        if (decryptKeyValue(false, &buffer, &length)) {
            if (buffer == copy.get()) std::abort();
            std::free(buffer);
        }
    }
    return 0;
}
