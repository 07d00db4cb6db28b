#include "platform/text/codecs.h"

namespace qel::platform::text {
namespace {

class Utf8Codec final : public Codec {
public:
    bool decode(std::string_view bytes, std::u16string& out) const override {
        bool clean = true;
        for (std::size_t i = 0; i < bytes.size();) {
            const Utf8Sequence seq = decode_utf8(bytes, i);
            if (seq.valid) {
                append_utf16(seq.code_point, out);
            } else {
                out += kReplacementChar;
                clean = false;
            }
            i += seq.length;
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
