// Case folding of registry key and value names. Names compare case-insensitively by folding each
// UTF-16 code unit to upper case on its own; sub-keys sort by the folded names, code unit by code
// unit, so a name that is a prefix of another sorts first.
//
// The folding rule is fixed here rather than taken from the C library's locale, because folded
// names are stored in the hives and must fold the same way on every machine and in every release:
// ASCII, Latin-1, Latin Extended-A, Latin Extended Additional, Greek, Cyrillic, Armenian and the
// full-width Latin letters map to their simple Unicode upper-case letter; every other code unit
// (surrogates included) is its own upper case. The few letters whose upper case would merge them
// with an ASCII letter (dotless i, long s) keep their own form, so "i" and "ı" stay different names.
#pragma once

#include <string>
#include <string_view>

namespace qel::platform {

char16_t fold_upper(char16_t c) noexcept;
std::u16string fold_upper(std::u16string_view name);

// The bytes that sort and identify a name inside a hive: the folded name, each code unit
// big-endian, so that comparing the bytes compares the folded code units.
std::string name_sort_key(std::u16string_view name);

// True when two names are the same name (equal once folded).
bool same_name(std::u16string_view a, std::u16string_view b) noexcept;

}  // namespace qel::platform
