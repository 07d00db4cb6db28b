// Reading one key of an initialisation file ("[section]" headers, "key=value" lines), with the
// semantics of the platform's private-profile string call, for the dialer's "providers.ini".
//
// Promises (the file is 8-bit text, read as bytes):
//  - Section and key names compare without regard to ASCII case; blanks and tabs around names
//    and values are ignored; the first section of the name and, in it, the first key of the name
//    win. Lines starting with ";" are comments; a line without "=" inside a section is a key with
//    an empty value. Lines may end in CR LF or LF.
//  - A value enclosed in matching single or double quotes loses them.
//  - When the file, the section or the key is missing, the default is used instead, with its
//    trailing blanks removed.
//  - The result is copied into `buffer` cut to its size minus one and always zero-terminated (when
//    the buffer is not empty); the return value is the number of characters copied, terminator
//    excluded (size - 1 when the text was cut, 0 for an empty buffer).
// Only single-key look-ups are offered (no enumeration of sections or keys). Never throws.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

namespace qel::dialup {

std::uint32_t get_private_profile_string(std::string_view section, std::string_view key,
                                         std::string_view default_value, std::span<char> buffer,
                                         const std::filesystem::path& file);

}  // namespace qel::dialup
