// The codec families behind the code page table (codec_table.cpp documents which code page uses
// which). Each maker returns null when the C library lacks the conversion it builds on.
#pragma once

#include <array>
#include <memory>
#include <optional>

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

// Detecting decoders: the first codec of `candidates` (in order) that decodes the bytes cleanly,
// or `escaped` when the bytes hold ESC or SO; the last candidate when none is clean. Writes with
// `writer`.
std::unique_ptr<Codec> make_detecting_codec(const Codec& escaped, const Codec* const* candidates,
                                            std::size_t count, const Codec& writer);

}  // namespace qel::platform::text
