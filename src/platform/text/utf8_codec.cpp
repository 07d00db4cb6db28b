#include "platform/text/codecs.h"

namespace qel::platform::text {
namespace {

struct Lead {
    int length;          // bytes in the sequence, 0 for a byte that cannot start one
    unsigned char low;   // range of the second byte
    unsigned char high;
};

Lead lead_of(unsigned char b) {
    if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
    if (b == 0xE0) return {3, 0xA0, 0xBF};  // no overlong forms
    if (b == 0xED) return {3, 0x80, 0x9F};  // no surrogates
    if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
    if (b == 0xF0) return {4, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
    if (b == 0xF4) return {4, 0x80, 0x8F};  // nothing above U+10FFFF
    return {0, 0, 0};
}

void append_utf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

class Utf8Codec final : public Codec {
public:
    bool decode(std::string_view bytes, std::u16string& out) const override {
        bool clean = true;
        std::size_t i = 0;
        while (i < bytes.size()) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (b < 0x80) {
                out += static_cast<char16_t>(b);
                ++i;
                continue;
            }
            const Lead lead = lead_of(b);
            char32_t c = b & (0x7F >> lead.length);
            std::size_t j = i + 1;
            bool complete = lead.length > 0;
            for (int k = 1; complete && k < lead.length; ++k, ++j) {
                const unsigned char low = k == 1 ? lead.low : 0x80;
                const unsigned char high = k == 1 ? lead.high : 0xBF;
                if (j >= bytes.size()) { complete = false; break; }
                const auto t = static_cast<unsigned char>(bytes[j]);
                if (t < low || t > high) { complete = false; break; }
                c = (c << 6) | (t & 0x3F);
            }
            if (complete) {
                append_utf16(c, out);
            } else {
                out += kReplacementChar;  // one for the maximal subpart bytes[i, j)
                clean = false;
            }
            i = j;
        }
        return clean;
    }

    EncodeReport encode(std::u16string_view text, std::string& out, std::string_view) const override {
        EncodeReport report;
        for (std::size_t i = 0; i < text.size();) {
            char32_t c = next_code_point(text, i);
            if (is_surrogate(c)) {
                report.unpaired_surrogate = true;
                c = kReplacementChar;
            }
            append_utf8(c, out);
        }
        return report;
    }
};

}  // namespace

std::unique_ptr<Codec> make_utf8_codec() { return std::make_unique<Utf8Codec>(); }

}  // namespace qel::platform::text
