#include <array>

#include "platform/text/codecs.h"

namespace qel::platform::text {
namespace {

constexpr char kEsc = 0x1B;
constexpr char kShiftOut = 0x0E;
constexpr char kShiftIn = 0x0F;

// JIS X 0208 row and cell (0x21..0x7E each) to the Shift-JIS pair, and back (nothing for a
// Shift-JIS pair beyond row 0x7E: user-defined and extension areas have no JIS form).
std::array<unsigned char, 2> jis_to_sjis(unsigned char row, unsigned char cell) {
    unsigned lead = ((row + 1u) >> 1) + 0x70;
    if (lead >= 0xA0) lead += 0x40;
    unsigned trail = (row & 1) ? cell + 0x1Fu + (cell >= 0x60 ? 1u : 0u) : cell + 0x7Eu;
    return {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
}

std::optional<std::array<char, 2>> sjis_to_jis(unsigned char lead, unsigned char trail) {
    if (lead < 0x81 || (lead > 0x9F && lead < 0xE0) || lead > 0xEF) return std::nullopt;
    if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return std::nullopt;
    unsigned l = lead >= 0xE0 ? lead - 0x40u : lead;
    unsigned row = (l - 0x81u) * 2 + 0x21;
    unsigned cell;
    if (trail >= 0x9F) {
        ++row;
        cell = trail - 0x7Eu;
    } else {
        cell = trail - 0x1Fu - (trail >= 0x80 ? 1u : 0u);
    }
    return std::array<char, 2>{static_cast<char>(row), static_cast<char>(cell)};
}

// Fullwidth forms of the halfwidth katakana U+FF61..U+FF9F.
constexpr std::u16string_view kFullwidthKana =
    u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホ"
    u"マミムメモヤユヨラリルレロワン゛゜";
static_assert(kFullwidthKana.size() == 0xFF9F - 0xFF61 + 1);

bool is_halfwidth_kana(char32_t c) { return c >= 0xFF61 && c <= 0xFF9F; }

class Iso2022JpCodec final : public Codec {
public:
    Iso2022JpCodec(UINT variant, const Codec& sjis) : variant_(variant), sjis_(sjis) {}

    bool decode(std::string_view bytes, std::u16string& out) const override {
        enum class Set { kAscii, kKana, kJis0208 } set = Set::kAscii;
        bool shifted = false;  // SO: katakana until SI
        PendingRun run(sjis_, out);
        std::size_t i = 0;
        while (i < bytes.size()) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (b == kEsc) {
                const std::string_view rest = bytes.substr(i + 1, 2);
                if (rest == "(B" || rest == "(J") {
                    set = Set::kAscii;  // JIS-Roman is read as ASCII, as the platform does
                } else if (rest == "(I") {
                    set = Set::kKana;
                } else if (rest == "$@" || rest == "$B") {
                    set = Set::kJis0208;
                } else {
                    run.invalid();
                    ++i;
                    continue;
                }
                i += 3;
            } else if (b == kShiftOut || b == kShiftIn) {
                shifted = b == kShiftOut;
                ++i;
            } else if (b < 0x21 || b == 0x7F || (b >= 0xA1 && b <= 0xDF)) {
                run.add(b);  // controls and space in any set; 8-bit katakana as Shift-JIS has it
                ++i;
            } else if (b >= 0x80) {
                run.invalid();
                ++i;
            } else if (shifted || set == Set::kKana) {
                if (b <= 0x5F) run.add(b + 0x80);
                else run.invalid();
                ++i;
            } else if (set == Set::kJis0208) {
                run.add_pair(bytes, i, jis_to_sjis);
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
        Writer w{out};
        for (std::size_t i = 0; i < text.size();) {
            char32_t c = next_code_point(text, i);
            if (c < 0x80) {
                w.to_ascii();
                out += static_cast<char>(c);
                continue;
            }
            if (is_halfwidth_kana(c)) {
                const char cell = static_cast<char>(c - 0xFF61 + 0x21);
                if (variant_ == 50221) {
                    w.to_set("\x1B(I");
                    out += cell;
                    continue;
                }
                if (variant_ == 50222) {
                    w.shift_out();
                    out += cell;
                    continue;
                }
                c = kFullwidthKana[c - 0xFF61];
            }
            std::optional<std::array<char, 2>> jis;
            if (!is_surrogate(c)) {
                if (auto sjis = encode_code_point(sjis_, c); sjis && sjis->size() == 2) {
                    jis = sjis_to_jis(static_cast<unsigned char>((*sjis)[0]),
                                      static_cast<unsigned char>((*sjis)[1]));
                }
            }
            report.unpaired_surrogate = report.unpaired_surrogate || is_surrogate(c);
            if (jis) {
                w.to_set("\x1B$B");
                out.append(jis->data(), 2);
            } else {
                w.to_ascii();
                out += substitute;
                report.used_default = true;
            }
        }
        w.to_ascii();
        return report;
    }

    bool takes_flags() const override { return false; }

private:
    // The designation in force while writing; every text ends back in ASCII.
    struct Writer {
        std::string& out;
        std::string_view set = "\x1B(B";
        bool shifted = false;

        void unshift() {
            if (shifted) out += kShiftIn;
            shifted = false;
        }
        void to_set(std::string_view designation) {
            unshift();
            if (set != designation) out += designation;
            set = designation;
        }
        void to_ascii() { to_set("\x1B(B"); }
        void shift_out() {
            if (set != "\x1B(B") to_ascii();
            if (!shifted) out += kShiftOut;
            shifted = true;
        }
    };

    UINT variant_;
    const Codec& sjis_;
};

class Iso2022KrCodec final : public Codec {
public:
    explicit Iso2022KrCodec(const Codec& euc_kr) : euc_kr_(euc_kr) {}

    bool decode(std::string_view bytes, std::u16string& out) const override {
        bool shifted = false;
        PendingRun run(euc_kr_, out);
        std::size_t i = 0;
        while (i < bytes.size()) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (b == kEsc) {
                if (bytes.substr(i + 1, 3) == "$)C") {
                    i += 4;
                } else {
                    run.invalid();
                    ++i;
                }
            } else if (b == kShiftOut || b == kShiftIn) {
                shifted = b == kShiftOut;
                ++i;
            } else if (b < 0x21 || b == 0x7F) {
                run.add(b);
                ++i;
            } else if (b >= 0x80) {
                run.invalid();
                ++i;
            } else if (shifted) {
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
        std::string body;
        bool shifted = false;
        bool any_shift = false;
        auto shift_in = [&] {
            if (shifted) body += kShiftIn;
            shifted = false;
        };
        for (std::size_t i = 0; i < text.size();) {
            const char32_t c = next_code_point(text, i);
            if (c < 0x80) {
                shift_in();
                body += static_cast<char>(c);
                continue;
            }
            report.unpaired_surrogate = report.unpaired_surrogate || is_surrogate(c);
            if (const auto pair = euc_row_cell(euc_kr_, c)) {
                if (!shifted) body += kShiftOut;
                shifted = any_shift = true;
                body.append(pair->data(), 2);
            } else {
                shift_in();
                body += substitute;
                report.used_default = true;
            }
        }
        shift_in();
        if (any_shift) out += "\x1B$)C";  // the designation once, ahead of the text
        out += body;
        return report;
    }

    bool takes_flags() const override { return false; }

private:
    const Codec& euc_kr_;
};

}  // namespace

std::optional<std::array<char, 2>> euc_row_cell(const Codec& euc, char32_t c) {
    if (is_surrogate(c)) return std::nullopt;
    const auto bytes = encode_code_point(euc, c);
    if (!bytes || bytes->size() != 2) return std::nullopt;
    const auto row = static_cast<unsigned char>((*bytes)[0]), cell = static_cast<unsigned char>((*bytes)[1]);
    if (row < 0xA1 || cell < 0xA1) return std::nullopt;
    return std::array<char, 2>{static_cast<char>(row & 0x7F), static_cast<char>(cell & 0x7F)};
}

std::unique_ptr<Codec> make_iso2022jp_codec(UINT variant, const Codec& sjis) {
    return std::make_unique<Iso2022JpCodec>(variant, sjis);
}

std::unique_ptr<Codec> make_iso2022kr_codec(const Codec& euc_kr) {
    return std::make_unique<Iso2022KrCodec>(euc_kr);
}

}  // namespace qel::platform::text
