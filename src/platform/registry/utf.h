// UTF-8 <-> UTF-16 conversion for registry names and .reg files. Lossless for every UTF-16 string:
// an unpaired surrogate is written as its own three-byte sequence (as WTF-8 does) and read back
// the same way; everything else is strict UTF-8 (no overlong forms, nothing above U+10FFFF).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qel::platform {

// nullopt on invalid UTF-8; `error_offset` (may be null) then receives the offending byte's offset.
std::optional<std::u16string> utf8_to_utf16(std::string_view text, std::size_t* error_offset = nullptr);

std::string utf16_to_utf8(std::u16string_view text);

}  // namespace qel::platform
