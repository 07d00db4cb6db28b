#include "platform/text/codecs.h"

namespace qel::platform::text {
namespace {

class HzCodec final : public Codec {
public:
    explicit HzCodec(const Codec& gb2312) : gb2312_(gb2312) {}

    bool decode(std::string_view bytes, std::u16string& out) const override {
        bool clean = true;
        bool gb = false;
        std::string run;  // EUC-CN bytes not decoded yet
        auto flush = [&] {
            if (!run.empty()) clean = gb2312_.decode(run, out) && clean;
            run.clear();
        };
        auto invalid = [&] {
            flush();
            out += kReplacementChar;
            clean = false;
        };
        std::size_t i = 0;
        while (i < bytes.size()) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            const char next = i + 1 < bytes.size() ? bytes[i + 1] : '\0';
            if (b == '~' && i + 1 < bytes.size() && (next == '~' || next == '{' || next == '}' || next == '\n')) {
                if (next == '~') run += '~';
                if (next == '{') gb = true;
                if (next == '}') gb = false;
                i += 2;  // "~\n" continues the line: both bytes vanish
            } else if (b == '~' || b >= 0x80) {
                invalid();
                ++i;
            } else if (gb && b >= 0x21 && b <= 0x7E) {
                const auto t = static_cast<unsigned char>(next);
                if (i + 1 < bytes.size() && t >= 0x21 && t <= 0x7E) {
                    run += static_cast<char>(b | 0x80);
                    run += static_cast<char>(t | 0x80);
                    i += 2;
                } else {
                    invalid();
                    ++i;
                }
            } else {
                run += static_cast<char>(b);
                ++i;
            }
        }
        flush();
        return clean;
    }

    EncodeReport encode(std::u16string_view text, std::string& out,
                        std::string_view substitute) const override {
        EncodeReport report;
        bool gb = false;
        auto leave_gb = [&] {
            if (gb) out += "~}";
            gb = false;
        };
        for (std::size_t i = 0; i < text.size();) {
            const char32_t c = next_code_point(text, i);
            if (c < 0x80) {
                leave_gb();
                if (c == '~') out += "~~";
                else out += static_cast<char>(c);
                continue;
            }
            std::optional<std::string> euc;
            if (!is_surrogate(c)) euc = encode_code_point(gb2312_, c);
            report.unpaired_surrogate = report.unpaired_surrogate || is_surrogate(c);
            if (euc && euc->size() == 2 && static_cast<unsigned char>((*euc)[0]) >= 0xA1 &&
                static_cast<unsigned char>((*euc)[1]) >= 0xA1) {
                if (!gb) out += "~{";
                gb = true;
                out += static_cast<char>((*euc)[0] & 0x7F);
                out += static_cast<char>((*euc)[1] & 0x7F);
            } else {
                leave_gb();
                out += substitute;
                report.used_default = true;
            }
        }
        leave_gb();
        return report;
    }

private:
    const Codec& gb2312_;
};

}  // namespace

std::unique_ptr<Codec> make_hz_codec(const Codec& gb2312) { return std::make_unique<HzCodec>(gb2312); }
}  // namespace qel::platform::text
