// The codec families behind the code page table (codec_table.cpp documents which code page uses
// which). Each maker returns null when the C library lacks the conversion it builds on.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text/codec.h"

namespace qel::platform::text {

// UTF-8 (65001), written out here for exact handling of invalid input: each maximal invalid
// subpart becomes one U+FFFD; overlong forms, encoded surrogates and values above U+10FFFF are
// invalid. An unpaired surrogate is written as U+FFFD (EF BF BD) and reported.
std::unique_ptr<Codec> make_utf8_codec();

// A code page of at most 256 characters, one byte each: `table[b]` is the character of byte b,
// kUndefinedByte when the byte has none (decoded as U+FFFD, reported invalid).
inline constexpr char16_t kUndefinedByte = u'\uFFFF';
using ByteTable = std::array<char16_t, 256>;
std::unique_ptr<Codec> make_single_byte_codec(const ByteTable& table);

// The table of an iconv single-byte character set, each byte decoded on its own. With
// `c1_for_undefined`, bytes 0x80..0x9F the character set leaves undefined stand for the C1
// control characters U+0080..U+009F, as the platform's own tables for those code pages have them.
std::optional<ByteTable> byte_table_from_iconv(const char* iconv_name, bool c1_for_undefined);

// A multi-byte (or stateful) character set converted by iconv, with conversion descriptors kept
// per thread. `takes_flags` false marks code pages the platform converts without flags.
std::unique_ptr<Codec> make_iconv_codec(const char* iconv_name, bool takes_flags = true);

// ISO-2022-JP over the Shift-JIS codec `sjis` (JIS X 0208 rows are carried as Shift-JIS pairs, so
// both code pages map the same characters alike). The variants differ in how they write halfwidth
// katakana: 50220 as their fullwidth forms, 50221 after ESC ( I, 50222 between SO and SI. All three
// read every form.
std::unique_ptr<Codec> make_iso2022jp_codec(UINT variant, const Codec& sjis);

// ISO-2022-KR (RFC 1557) over the EUC-KR codec: header ESC $ ) C, KS X 1001 between SO and SI.
std::unique_ptr<Codec> make_iso2022kr_codec(const Codec& euc_kr);

// HZ (RFC 1843) over the GB 2312 (EUC-CN) codec: "~{" ... "~}" around GB 2312 pairs, "~~" for "~",
// "~" before a line feed continues the line.
std::unique_ptr<Codec> make_hz_codec(const Codec& gb2312);

// ---- pieces shared by the 7-bit stateful codecs (ISO-2022-JP, ISO-2022-KR, HZ) ----

inline bool is_7bit_graphic(unsigned char b) { return b >= 0x21 && b <= 0x7E; }

// Gathers bytes for the codec of the underlying 8-bit form and decodes them in runs, so that a
// replacement for a broken escape lands between the characters around it.
class PendingRun {
public:
    PendingRun(const Codec& codec, std::u16string& out) : codec_(codec), out_(out) {}
    void add(unsigned char b) { bytes_ += static_cast<char>(b); }
    void flush() {
        if (bytes_.empty()) return;
        clean_ = codec_.decode(bytes_, out_) && clean_;
        bytes_.clear();
    }
    void invalid() {
        flush();
        out_ += kReplacementChar;
        clean_ = false;
    }
    bool finish() {
        flush();
        return clean_;
    }

    // The double-byte character whose 7-bit graphic lead byte is bytes[i]: when its trail byte is
    // a 7-bit graphic too, adds the two bytes `to_8bit(lead, trail)` makes of them and steps past
    // both; otherwise replaces the lead byte alone.
    template <typename To8Bit>
    void add_pair(std::string_view bytes, std::size_t& i, To8Bit to_8bit) {
        if (i + 1 < bytes.size() && is_7bit_graphic(static_cast<unsigned char>(bytes[i + 1]))) {
            const std::array<unsigned char, 2> pair =
                to_8bit(static_cast<unsigned char>(bytes[i]), static_cast<unsigned char>(bytes[i + 1]));
            add(pair[0]);
            add(pair[1]);
            i += 2;
        } else {
            invalid();
            ++i;
        }
    }

private:
    const Codec& codec_;
    std::u16string& out_;
    std::string bytes_;
    bool clean_ = true;
};

// An EUC pair (A1..FE each) as 7-bit row and cell, and back: how ISO-2022-KR and HZ carry the
// 94x94 sets of EUC-KR and EUC-CN.
inline std::array<unsigned char, 2> seven_bit_to_euc(unsigned char row, unsigned char cell) {
    return {static_cast<unsigned char>(row | 0x80), static_cast<unsigned char>(cell | 0x80)};
}
// The 7-bit row and cell of `c` in `euc`'s 94x94 set, or nothing when `euc` has no such pair for
// it (an unpaired surrogate included).
std::optional<std::array<char, 2>> euc_row_cell(const Codec& euc, char32_t c);

// Detecting decoders: the first codec of `candidates` (in order) that decodes the bytes cleanly,
// or `escaped` when the bytes hold ESC or SO; the last candidate when none is clean. Writes with
// `writer`.
std::unique_ptr<Codec> make_detecting_codec(const Codec& escaped, const Codec* const* candidates,
                                            std::size_t count, const Codec& writer);

}  // namespace qel::platform::text
