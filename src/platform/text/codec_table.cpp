#include <unordered_map>
#include <vector>

#include "platform/text/codecs.h"

// Which converter serves which code page (docs/text-and-files.md has the same table with notes):
//
//   65001 UTF-8 (own)         65000 UTF-7 (iconv "UTF-7")
//   1250..1258 "CP1250".."CP1258", 874 "CP874": byte tables; undefined bytes 0x80..0x9F are the
//              C1 controls U+0080..U+009F, as in the platform's tables
//   437 "IBM437" (the OEM code page), 850 "IBM850", 852 "IBM852", 866 "IBM866": byte tables
//   20105 IA5 IRV (own table: ASCII with U+00A4 at 0x24), 20106 "DIN_66003", 20107
//   "SEN_850200_B", 20108 "NS_4551-1", 20127 US-ASCII: 7-bit byte tables, bytes >= 0x80 undefined
//   20866 "KOI8-R", 28591..28599 "ISO-8859-1".."ISO-8859-9", 28605 "ISO-8859-15": byte tables
//   932 "CP932", 936 "CP936", 949 "CP949", 950 "CP950", 51932 "EUC-JP-MS", 51949 "EUC-KR": iconv
//   50220, 50221, 50222 ISO-2022-JP (own, over 932); 50225 ISO-2022-KR (own, over 51949)
//   52936 HZ-GB-2312 (own, over iconv "GB2312")
//   50932 Japanese detection: ISO-2022-JP when ESC or SO occurs, else EUC-JP when the bytes are
//         valid EUC-JP, else Shift-JIS; writes Shift-JIS
//   50949 Korean detection: ISO-2022-KR when ESC or SO occurs, else 949; writes 949
// 50223 and 50224 are not code pages of the platform and stay unknown.

namespace qel::platform::text {
namespace {

class DetectingCodec final : public Codec {
public:
    DetectingCodec(const Codec& escaped, const Codec* const* candidates, std::size_t count,
                   const Codec& writer)
        : escaped_(escaped), candidates_(candidates, candidates + count), writer_(writer) {}

    bool decode(std::string_view bytes, std::u16string& out) const override {
        if (bytes.find_first_of("\x1B\x0E") != std::string_view::npos) return escaped_.decode(bytes, out);
        for (const Codec* candidate : candidates_) {
            std::u16string text;
            if (candidate->decode(bytes, text)) {
                out += text;
                return true;
            }
        }
        return candidates_.back()->decode(bytes, out);
    }

    EncodeReport encode(std::u16string_view text, std::string& out,
                        std::string_view substitute) const override {
        return writer_.encode(text, out, substitute);
    }

private:
    const Codec& escaped_;
    std::vector<const Codec*> candidates_;
    const Codec& writer_;
};

struct SingleByteEntry {
    UINT code_page;
    const char* iconv_name;
    bool c1_for_undefined;
};

constexpr SingleByteEntry kSingleByte[] = {
    {437, "IBM437", false},        {850, "IBM850", false},       {852, "IBM852", false},
    {866, "IBM866", false},        {874, "CP874", true},         {1250, "CP1250", true},
    {1251, "CP1251", true},        {1252, "CP1252", true},       {1253, "CP1253", true},
    {1254, "CP1254", true},        {1255, "CP1255", true},       {1256, "CP1256", true},
    {1257, "CP1257", true},        {1258, "CP1258", true},       {20106, "DIN_66003", false},
    {20107, "SEN_850200_B", false}, {20108, "NS_4551-1", false}, {20127, "ANSI_X3.4-1968", false},
    {20866, "KOI8-R", false},      {28591, "ISO-8859-1", false}, {28592, "ISO-8859-2", false},
    {28593, "ISO-8859-3", false},  {28594, "ISO-8859-4", false}, {28595, "ISO-8859-5", false},
    {28596, "ISO-8859-6", false},  {28597, "ISO-8859-7", false}, {28598, "ISO-8859-8", false},
    {28599, "ISO-8859-9", false},  {28605, "ISO-8859-15", false},
};

struct MultiByteEntry {
    UINT code_page;
    const char* iconv_name;
    bool takes_flags;
};

constexpr MultiByteEntry kMultiByte[] = {
    {932, "CP932", true},       {936, "CP936", true},     {949, "CP949", true},
    {950, "CP950", true},       {51932, "EUC-JP-MS", true}, {51949, "EUC-KR", true},
    {65000, "UTF-7", false},
};

// IA5 International Reference Version: ASCII with the currency sign in place of the dollar.
ByteTable ia5_irv_table() {
    ByteTable table;
    for (int b = 0; b < 256; ++b) table[b] = b < 0x80 ? static_cast<char16_t>(b) : kUndefinedByte;
    table[0x24] = u'\u00A4';
    return table;
}

// Every codec, built once on first use and kept for the life of the process (read-only after).
class CodePageTable {
public:
    CodePageTable() {
        add(65001, make_utf8_codec());
        add(20105, make_single_byte_codec(ia5_irv_table()));
        for (const auto& e : kSingleByte) {
            if (auto table = byte_table_from_iconv(e.iconv_name, e.c1_for_undefined)) {
                add(e.code_page, make_single_byte_codec(*table));
            }
        }
        for (const auto& e : kMultiByte) add(e.code_page, make_iconv_codec(e.iconv_name, e.takes_flags));

        if (const Codec* sjis = find(932)) {
            for (UINT variant : {50220u, 50221u, 50222u}) add(variant, make_iso2022jp_codec(variant, *sjis));
            if (const Codec* euc_jp = find(51932)) {
                const Codec* candidates[] = {euc_jp, sjis};
                add(50932, make_detecting_codec(*find(50221), candidates, 2, *sjis));
            }
        }
        if (const Codec* euc_kr = find(51949)) {
            add(50225, make_iso2022kr_codec(*euc_kr));
            if (const Codec* uhc = find(949)) {
                const Codec* candidates[] = {uhc};
                add(50949, make_detecting_codec(*find(50225), candidates, 1, *uhc));
            }
        }
        if (auto gb2312 = make_iconv_codec("GB2312")) {
            add(52936, make_hz_codec(*gb2312));
            helpers_.push_back(std::move(gb2312));
        }
    }

    const Codec* find(UINT code_page) const {
        const auto found = codecs_.find(code_page);
        return found == codecs_.end() ? nullptr : found->second.get();
    }

private:
    void add(UINT code_page, std::unique_ptr<Codec> codec) {
        if (codec) codecs_[code_page] = std::move(codec);
    }

    std::unordered_map<UINT, std::unique_ptr<Codec>> codecs_;
    std::vector<std::unique_ptr<Codec>> helpers_;  // codecs others build on, without a number
};

}  // namespace

std::unique_ptr<Codec> make_detecting_codec(const Codec& escaped, const Codec* const* candidates,
                                            std::size_t count, const Codec& writer) {
    return std::make_unique<DetectingCodec>(escaped, candidates, count, writer);
}


const Codec* find_codec(UINT code_page) {
    static const CodePageTable table;
    return table.find(code_page);
}

std::optional<std::string> encode_code_point(const Codec& codec, char32_t c) {
    std::u16string one;
    append_utf16(c, one);
    std::string bytes;
    if (codec.encode(one, bytes, {}).used_default) return std::nullopt;
    return bytes;
}

}  // namespace qel::platform::text
