#include "platform/registry/name_fold.h"

#include <array>
#include <cstdint>

namespace qel::platform {
namespace {

using Table = std::array<char16_t, 0x10000>;

// Ranges where upper and lower case letters alternate: the upper-case letter is at even code
// points (even_upper) or at odd ones.
void alternate(Table& t, char32_t first, char32_t last, bool even_upper) {
    for (char32_t c = first; c <= last; ++c) {
        bool lower = even_upper ? (c % 2 == 1) : (c % 2 == 0);
        if (lower) t[c] = static_cast<char16_t>(c - 1);
    }
}

void shift(Table& t, char32_t first, char32_t last, int delta) {
    for (char32_t c = first; c <= last; ++c) t[c] = static_cast<char16_t>(static_cast<int>(c) + delta);
}

Table make_table() {
    Table t{};
    for (std::uint32_t c = 0; c < t.size(); ++c) t[c] = static_cast<char16_t>(c);
    shift(t, u'a', u'z', -32);
    // Latin-1: à..þ except the division sign; ÿ and µ have upper-case forms outside the block.
    shift(t, 0xE0, 0xFE, -32);
    t[0xF7] = 0xF7;
    t[0xFF] = 0x178;
    t[0xB5] = 0x39C;
    // Latin Extended-A.
    alternate(t, 0x100, 0x12F, true);
    alternate(t, 0x132, 0x137, true);
    alternate(t, 0x139, 0x148, false);
    alternate(t, 0x14A, 0x177, true);
    alternate(t, 0x179, 0x17E, false);
    // Latin Extended Additional.
    alternate(t, 0x1E00, 0x1E95, true);
    alternate(t, 0x1EA0, 0x1EFF, true);
    // Greek.
    shift(t, 0x3B1, 0x3C1, -32);
    t[0x3C2] = 0x3A3;  // final sigma
    shift(t, 0x3C3, 0x3CB, -32);
    t[0x3AC] = 0x386;
    shift(t, 0x3AD, 0x3AF, -37);
    t[0x3CC] = 0x38C;
    shift(t, 0x3CD, 0x3CE, -63);
    alternate(t, 0x3D8, 0x3EF, true);
    // Cyrillic.
    shift(t, 0x430, 0x44F, -32);
    shift(t, 0x450, 0x45F, -80);
    alternate(t, 0x460, 0x481, true);
    alternate(t, 0x48A, 0x4BF, true);
    alternate(t, 0x4C1, 0x4CE, false);
    t[0x4CF] = 0x4C0;
    alternate(t, 0x4D0, 0x52F, true);
    // Armenian.
    shift(t, 0x561, 0x586, -48);
    // Full-width Latin letters.
    shift(t, 0xFF41, 0xFF5A, -32);
    return t;
}

const Table& table() {
    static const Table t = make_table();
    return t;
}

}  // namespace

char16_t fold_upper(char16_t c) noexcept {
    return table()[c];
}

std::u16string fold_upper(std::u16string_view name) {
    std::u16string out(name);
    const Table& t = table();
    for (char16_t& c : out) c = t[c];
    return out;
}

std::string name_sort_key(std::u16string_view name) {
    std::string out;
    out.resize(name.size() * 2);
    const Table& t = table();
    for (std::size_t i = 0; i < name.size(); ++i) {
        char16_t c = t[name[i]];
        out[2 * i] = static_cast<char>(c >> 8);
        out[2 * i + 1] = static_cast<char>(c & 0xFF);
    }
    return out;
}

bool same_name(std::u16string_view a, std::u16string_view b) noexcept {
    if (a.size() != b.size()) return false;
    const Table& t = table();
    for (std::size_t i = 0; i < a.size(); ++i)
        if (t[a[i]] != t[b[i]]) return false;
    return true;
}

}  // namespace qel::platform
