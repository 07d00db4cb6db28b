// One code page's converter between its bytes and UTF-16, used by the conversion calls of text.h.
// A codec is immutable after construction and may be used by any number of threads at once (a
// codec that needs mutable conversion state, an iconv descriptor, keeps it per thread).
//
// Decoding never stops early: every invalid or incomplete byte sequence becomes one U+FFFD and
// is reported, so the caller can either keep the replacement or fail. Encoding never stops either:
// a character the code page lacks (and an unpaired surrogate) becomes the substitute bytes.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/utf.h"
#include "platform/win32.h"

namespace qel::platform::text {

inline constexpr char16_t kReplacementChar = u'\uFFFD';

// What an encoding had to do besides plain conversion.
struct EncodeReport {
    bool used_default = false;      // a character the code page lacks became the substitute
    bool unpaired_surrogate = false;  // the text held a surrogate without its partner
};

class Codec {
public:
    virtual ~Codec() = default;

    // Appends the UTF-16 form of `bytes` to `out`. False when an invalid sequence was replaced.
    virtual bool decode(std::string_view bytes, std::u16string& out) const = 0;

    // Appends the bytes of `text` to `out`, with `substitute` for what the code page cannot hold.
    virtual EncodeReport encode(std::u16string_view text, std::string& out,
                                std::string_view substitute) const = 0;

    // Code pages whose conversions take no flags and no default character (the platform refuses
    // them there): UTF-7 and the ISO-2022 family.
    virtual bool takes_flags() const { return true; }
};

// The codec of a code page number (CP_ACP and the other aliases already resolved), or null when
// the code page is unknown or its converter is missing from this system. The codecs live for the
// whole process.
const Codec* find_codec(UINT code_page);

// The bytes `codec` writes for the one character `c`, or nothing when its code page lacks it.
std::optional<std::string> encode_code_point(const Codec& codec, char32_t c);

}  // namespace qel::platform::text
