// Code page conversions on arbitrary input: the first byte picks a code page, the second the
// flags, the rest is converted to UTF-16 and, read as UTF-16 units, to the code page. Every call
// must measure exactly what it then writes and never touch memory past the buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/text/text.h"

namespace {

constexpr UINT kCodePages[] = {
    65001, 65000, 1250,  1251,  1252,  1253,  1254,  1255,  1256,  1257,  1258,  874,
    932,   936,   949,   950,   437,   850,   852,   866,   20105, 20106, 20107, 20108,
    20127, 20866, 28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599, 28605,
    50220, 50221, 50222, 50225, 50932, 50949, 51932, 51949, 52936, CP_ACP};

void check(bool condition) {
    if (!condition) std::abort();
}

void to_wide(UINT code_page, DWORD flags, const std::string& bytes) {
    const int n = static_cast<int>(bytes.size());
    const int size = qel::platform::multi_byte_to_wide_char(code_page, flags, bytes.data(), n, nullptr, 0);
    if (size == 0) return;
    std::u16string wide(static_cast<std::size_t>(size), u'\0');  // exactly sized: overruns show
    check(qel::platform::multi_byte_to_wide_char(code_page, flags, bytes.data(), n, wide.data(), size) == size);
    if (size > 1) {
        check(qel::platform::multi_byte_to_wide_char(code_page, flags, bytes.data(), n, wide.data(), size - 1) == 0);
    }
}

void to_bytes(UINT code_page, DWORD flags, const std::u16string& wide) {
    const int n = static_cast<int>(wide.size());
    BOOL used = FALSE;
    BOOL* used_ptr = (flags & 1) != 0 ? &used : nullptr;
    const int size = qel::platform::wide_char_to_multi_byte(code_page, flags & ~1u, wide.data(), n, nullptr, 0,
                                                            nullptr, used_ptr);
    if (size == 0) return;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    check(qel::platform::wide_char_to_multi_byte(code_page, flags & ~1u, wide.data(), n, bytes.data(), size,
                                                 nullptr, used_ptr) == size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const UINT code_page = kCodePages[data[0] % std::size(kCodePages)];
    const std::string bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    to_wide(code_page, (data[1] & 1) != 0 ? MB_ERR_INVALID_CHARS : 0, bytes);

    std::u16string wide;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        wide += static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                      static_cast<std::uint8_t>(bytes[i + 1]) << 8);
    }
    // Bit 0: ask for the used-default flag; bit 2: WC_ERR_INVALID_CHARS (UTF-8 only).
    to_bytes(code_page, (data[1] & 1u) | ((data[1] & 4u) != 0 ? WC_ERR_INVALID_CHARS : 0u), wide);
    return 0;
}
