#include "pim/vcard_lines.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace qel::pim::reading {

bool at_end(std::FILE* stream) noexcept {
    if (!stream) return true;
    const int c = std::fgetc(stream);
    if (c == EOF) return true;
    std::ungetc(c, stream);
    return false;
}

void read_split(std::FILE* stream, SplitLine& line, bool strip_params) noexcept {
    line.text.reset(OSIF_ReadPropertyLine(stream, std::nullopt, false));
    line.name[0] = '\0';
    line.params[0] = '\0';
    line.value = nullptr;
    line.out_of_memory = !line.text;
    line.blank = !line.text || line.text.get()[0] == '\0';
    // The reader gives an empty text both for a blank line and at the end of the stream; at the
    // end the stream's end-of-file mark is set.
    line.ended = line.blank && (!stream || std::feof(stream));
    if (!line.text) return;
    const char* value = OSIF_SplitPropertyLine(line.name, line.params, line.text.get());
    line.value = line.text.get() + (value - line.text.get());
    OSIF_RemoveBlanks(line.name);
    if (strip_params) OSIF_RemoveBlanks(line.params);
}

int lookup(std::span<const std::string_view> table, const char* name) noexcept {
    const std::size_t length = std::strlen(name);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::string_view key = table[i];
        if (key.size() != length) continue;
        bool same = true;
        for (std::size_t k = 0; k < length && same; ++k) {
            same = std::toupper(static_cast<unsigned char>(name[k])) == static_cast<unsigned char>(key[k]);
        }
        if (same) return static_cast<int>(i) + 1;
    }
    return 0;
}

double version_number(const char* text) noexcept {
    // from_chars reads the number the way atof does in the "C" locale, whatever the process
    // locale's decimal mark is.
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
    double sign = 1.0;
    if (*p == '+' || *p == '-') sign = (*p++ == '-') ? -1.0 : 1.0;
    double number = 0.0;
    const auto [end, error] = std::from_chars(p, p + std::strlen(p), number, std::chars_format::fixed);
    if (error != std::errc{} || end == p) return 0.0;
    return sign * number;
}

long integer_value(const char* text) noexcept {
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    long n = 0;
    for (int digits = 0; std::isdigit(static_cast<unsigned char>(*p)) && digits < 9; ++digits) n = n * 10 + (*p++ - '0');
    return negative ? -n : n;
}

void copy_field(char* field, std::size_t size, const char* text) noexcept {
    if (size == 0) return;
    std::size_t n = text ? std::strlen(text) : 0;
    if (n > size - 1) n = size - 1;
    if (n) std::memcpy(field, text, n);
    field[n] = '\0';
}

}  // namespace qel::pim::reading
