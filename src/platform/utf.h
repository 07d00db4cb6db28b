// UTF-8 and UTF-16: the code-point primitives every converter of the platform layer builds on, and
// whole-string conversion between the two.
//
// The primitives are exact and policy-free: the UTF-8 encoder writes a surrogate code point as its
// own three bytes (as WTF-8 does) and the decoder accepts those only when asked, so a caller that
// wants strict UTF-8 replaces or rejects surrogates itself. The whole-string conversions are
// lossless for every UTF-16 string (an unpaired surrogate travels as its three-byte form and comes
// back the same) unless the caller asks for unpaired surrogates to become U+FFFD.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qel::platform {

inline constexpr char32_t kReplacementCodePoint = 0xFFFD;
inline constexpr char32_t kMaxCodePoint = 0x10FFFF;

inline constexpr bool is_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
inline constexpr bool is_high_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline constexpr bool is_low_surrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// ---- one code point ----------------------------------------------------------------------------

// The UTF-8 bytes of `c`, written to the start of `buf`; returns the bytes used (1 to 4). A
// surrogate becomes its three-byte form; a value above U+10FFFF is written as U+FFFD.
std::string_view encode_utf8(char32_t c, std::array<char, 4>& buf);
void append_utf8(char32_t c, std::string& out);

// Appends `c` as one or two UTF-16 code units (a value above U+10FFFF as U+FFFD; a surrogate code
// point as that single unit).
void append_utf16(char32_t c, std::u16string& out);

// The code point starting at `text[i]`, advancing `i` past it (i < text.size()). A surrogate
// without its partner is returned as itself.
char32_t next_code_point(std::u16string_view text, std::size_t& i);

// One UTF-8 sequence read strictly: no overlong forms, nothing above U+10FFFF, and surrogates
// (ED A0..BF ..) only with `allow_surrogates`. When the sequence is invalid or cut short, `valid`
// is false and `length` covers its maximal valid prefix (at least one byte), the unit that a
// decoder replacing bad input replaces with one U+FFFD.
struct Utf8Sequence {
    char32_t code_point = 0;
    std::size_t length = 0;
    bool valid = false;
};
Utf8Sequence decode_utf8(std::string_view bytes, std::size_t i, bool allow_surrogates = false);

// ---- whole strings -----------------------------------------------------------------------------

enum class UnpairedSurrogate { keep, replace };

// UTF-8 of `text`: an unpaired surrogate is kept as its three-byte form, or with `replace` becomes
// U+FFFD.
std::string utf16_to_utf8(std::u16string_view text, UnpairedSurrogate unpaired = UnpairedSurrogate::keep);

// UTF-16 of strict UTF-8 text, three-byte surrogate forms accepted (the inverse of
// utf16_to_utf8 with `keep`). nullopt on anything else; `error_offset` (may be null) then receives
// the offset of the first byte of the offending sequence.
std::optional<std::u16string> utf8_to_utf16(std::string_view text, std::size_t* error_offset = nullptr);

}  // namespace qel::platform
