// Shorthands for the code page tests: conversions through the platform calls that fail the test
// on an unexpected error, and byte strings written as hex.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/last_error.h"
#include "platform/text/text.h"

namespace qel::test {

// Every code page the conversions promise.
inline constexpr UINT kAllCodePages[] = {
    65001, 65000, 1250,  1251,  1252,  1253,  1254,  1255,  1256,  1257,  1258,  874,
    932,   936,   949,   950,   437,   850,   852,   866,   20105, 20106, 20107, 20108,
    20127, 20866, 28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599, 28605,
    50220, 50221, 50222, 50225, 50932, 50949, 51932, 51949, 52936};

// Measures, then converts into a buffer of exactly that size; checks both calls agree.
inline std::u16string decode(UINT code_page, std::string_view bytes, DWORD flags = 0) {
    const int size = platform::multi_byte_to_wide_char(code_page, flags, bytes.data(),
                                                       static_cast<int>(bytes.size()), nullptr, 0);
    if (size == 0) {
        ADD_FAILURE() << "code page " << code_page << ", last error " << platform::last_error();
        return u"<failed>";
    }
    std::u16string out(static_cast<std::size_t>(size), u'\0');
    EXPECT_EQ(platform::multi_byte_to_wide_char(code_page, flags, bytes.data(), static_cast<int>(bytes.size()),
                                                out.data(), size),
              size);
    return out;
}

struct Encoded {
    std::string bytes;
    BOOL used_default = FALSE;
};

inline Encoded encode(UINT code_page, std::u16string_view text, const char* default_char = nullptr,
                      bool want_used_default = true) {
    Encoded result;
    BOOL* used = want_used_default ? &result.used_default : nullptr;
    const int size = platform::wide_char_to_multi_byte(code_page, 0, text.data(), static_cast<int>(text.size()),
                                                       nullptr, 0, default_char, used);
    EXPECT_GT(size, 0) << "code page " << code_page << ", last error " << platform::last_error();
    if (size <= 0) return result;
    result.bytes.assign(static_cast<std::size_t>(size), '\0');
    EXPECT_EQ(platform::wide_char_to_multi_byte(code_page, 0, text.data(), static_cast<int>(text.size()),
                                                result.bytes.data(), size, default_char, used),
              size);
    return result;
}

// UTF-7, UTF-8 and ISO-2022 take no used-default flag.
inline bool takes_default(UINT code_page) {
    return code_page != 65000 && code_page != 65001 && (code_page < 50220 || code_page > 50225);
}

inline std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[static_cast<unsigned char>(c) >> 4];
        out += digits[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

}  // namespace qel::test
