#include "platform/text/codecs.h"

namespace qel::platform::text {
namespace {

class HzCodec final : public Codec {
public:
    explicit HzCodec(const Codec& gb2312) : gb2312_(gb2312) {}

    bool decode(std::string_view bytes, std::u16string& out) const override {
        bool gb = false;
        PendingRun run(gb2312_, out);
        std::size_t i = 0;
        while (i < bytes.size()) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            const char next = i + 1 < bytes.size() ? bytes[i + 1] : '\0';
            if (b == '~' && i + 1 < bytes.size() && (next == '~' || next == '{' || next == '}' || next == '\n')) {
                if (next == '~') run.add('~');
                if (next == '{') gb = true;
                if (next == '}') gb = false;
                i += 2;  // "~\n" continues the line: both bytes vanish
            } else if (b == '~' || b >= 0x80) {
                run.invalid();
                ++i;
            } else if (gb && is_7bit_graphic(b)) {
                run.add_pair(bytes, i, seven_bit_to_euc);
            } else {
                run.add(b);
                ++i;
            }
        }
        return run.finish();
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
            report.unpaired_surrogate = report.unpaired_surrogate || is_surrogate(c);
            if (const auto pair = euc_row_cell(gb2312_, c)) {
                if (!gb) out += "~{";
                gb = true;
                out.append(pair->data(), 2);
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
