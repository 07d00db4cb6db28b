#include <unordered_map>

#include "platform/text/codecs.h"
#include "platform/text/iconv_handle.h"

namespace qel::platform::text {
namespace {

class SingleByteCodec final : public Codec {
public:
    explicit SingleByteCodec(const ByteTable& table) : table_(table) {
        for (int b = 0xFF; b >= 0; --b) {  // the lowest byte wins when two share a character
            if (table_[b] != kUndefinedByte) reverse_[table_[b]] = static_cast<char>(b);
        }
    }

    bool decode(std::string_view bytes, std::u16string& out) const override {
        bool clean = true;
        for (char byte : bytes) {
            const char16_t c = table_[static_cast<unsigned char>(byte)];
            clean = clean && c != kUndefinedByte;
            out += c == kUndefinedByte ? kReplacementChar : c;
        }
        return clean;
    }

    EncodeReport encode(std::u16string_view text, std::string& out,
                        std::string_view substitute) const override {
        EncodeReport report;
        for (std::size_t i = 0; i < text.size();) {
            const char32_t c = next_code_point(text, i);
            report.unpaired_surrogate = report.unpaired_surrogate || is_surrogate(c);
            const auto found = c <= 0xFFFF ? reverse_.find(static_cast<char16_t>(c)) : reverse_.end();
            if (found != reverse_.end()) {
                out += found->second;
            } else {
                out += substitute;
                report.used_default = true;
            }
        }
        return report;
    }

private:
    ByteTable table_;
    std::unordered_map<char16_t, char> reverse_;
};

}  // namespace

std::unique_ptr<Codec> make_single_byte_codec(const ByteTable& table) {
    return std::make_unique<SingleByteCodec>(table);
}

std::optional<ByteTable> byte_table_from_iconv(const char* iconv_name, bool c1_for_undefined) {
    auto handle = IconvHandle::open(utf32_host_name(), iconv_name);
    if (!handle) return std::nullopt;
    ByteTable table;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        std::u16string one;
        const bool clean = handle->decode(std::string_view(&byte, 1), one);
        table[b] = clean && one.size() == 1 ? one[0] : kUndefinedByte;
        if (table[b] == kUndefinedByte && c1_for_undefined && b >= 0x80 && b <= 0x9F) {
            table[b] = static_cast<char16_t>(b);
        }
    }
    return table;
}

}  // namespace qel::platform::text
