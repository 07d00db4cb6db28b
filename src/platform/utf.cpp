#include "platform/utf.h"

namespace qel::platform {
namespace {

struct Lead {
    std::size_t length;  // bytes in the sequence, 0 for a byte that cannot start one
    unsigned char low;   // range of the second byte
    unsigned char high;
};

Lead lead_of(unsigned char b, bool allow_surrogates) {
    if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
    if (b == 0xE0) return {3, 0xA0, 0xBF};  // no overlong forms
    if (b == 0xED) return {3, 0x80, static_cast<unsigned char>(allow_surrogates ? 0xBF : 0x9F)};
    if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
    if (b == 0xF0) return {4, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
    if (b == 0xF4) return {4, 0x80, 0x8F};  // nothing above U+10FFFF
    return {0, 0, 0};
}

}  // namespace

std::string_view encode_utf8(char32_t c, std::array<char, 4>& buf) {
    if (c > kMaxCodePoint) c = kReplacementCodePoint;
    if (c < 0x80) {
        buf[0] = static_cast<char>(c);
        return {buf.data(), 1};
    }
    if (c < 0x800) {
        buf[0] = static_cast<char>(0xC0 | (c >> 6));
        buf[1] = static_cast<char>(0x80 | (c & 0x3F));
        return {buf.data(), 2};
    }
    if (c < 0x10000) {
        buf[0] = static_cast<char>(0xE0 | (c >> 12));
        buf[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[2] = static_cast<char>(0x80 | (c & 0x3F));
        return {buf.data(), 3};
    }
    buf[0] = static_cast<char>(0xF0 | (c >> 18));
    buf[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    buf[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    buf[3] = static_cast<char>(0x80 | (c & 0x3F));
    return {buf.data(), 4};
}

void append_utf8(char32_t c, std::string& out) {
    std::array<char, 4> buf{};
    out += encode_utf8(c, buf);
}

void append_utf16(char32_t c, std::u16string& out) {
    if (c > kMaxCodePoint) {
        out += static_cast<char16_t>(kReplacementCodePoint);
    } else if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

char32_t next_code_point(std::u16string_view text, std::size_t& i) {
    const char32_t first = text[i++];
    if (is_high_surrogate(first) && i < text.size() && is_low_surrogate(text[i]))
        return 0x10000 + ((first - 0xD800) << 10) + (text[i++] - 0xDC00);
    return first;
}

Utf8Sequence decode_utf8(std::string_view bytes, std::size_t i, bool allow_surrogates) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) return {b, 1, true};
    const Lead lead = lead_of(b, allow_surrogates);
    if (lead.length == 0) return {0, 1, false};
    char32_t c = b & (0x7F >> lead.length);
    for (std::size_t k = 1; k < lead.length; ++k) {
        const unsigned char low = k == 1 ? lead.low : 0x80;
        const unsigned char high = k == 1 ? lead.high : 0xBF;
        if (i + k >= bytes.size()) return {0, k, false};
        const auto t = static_cast<unsigned char>(bytes[i + k]);
        if (t < low || t > high) return {0, k, false};
        c = (c << 6) | (t & 0x3F);
    }
    return {c, lead.length, true};
}

std::string utf16_to_utf8(std::u16string_view text, UnpairedSurrogate unpaired) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = next_code_point(text, i);
        if (unpaired == UnpairedSurrogate::replace && is_surrogate(c)) c = kReplacementCodePoint;
        append_utf8(c, out);
    }
    return out;
}

std::optional<std::u16string> utf8_to_utf16(std::string_view text, std::size_t* error_offset) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Sequence seq = decode_utf8(text, i, true);
        if (!seq.valid) {
            if (error_offset != nullptr) *error_offset = i;
            return std::nullopt;
        }
        append_utf16(seq.code_point, out);
        i += seq.length;
    }
    return out;
}

}  // namespace qel::platform
