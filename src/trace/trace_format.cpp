#include "trace/trace_format.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/utf.h"

namespace qel::trace {
namespace {

using qel::platform::encode_utf8;
using qel::platform::is_surrogate;
using qel::platform::next_code_point;

constexpr int kMaxFloatPrecision = 1100;

// Bounded output: keeps room for the terminator and stops accepting text once full.
class Output {
public:
    explicit Output(std::span<char> buffer)
        : data_(buffer.data()), capacity_(buffer.empty() ? 0 : buffer.size() - 1) {}

    bool full() const { return room() == 0; }
    std::size_t room() const { return closed_ ? 0 : capacity_ - size_; }
    std::size_t size() const { return size_; }

    void put(char c) {
        if (!full()) data_[size_++] = c;
    }
    void put(std::string_view s) {
        std::size_t n = std::min(s.size(), room());
        if (n != 0) std::memcpy(data_ + size_, s.data(), n);
        size_ += n;
    }
    void pad(char c, std::size_t count) {
        std::size_t n = std::min(count, room());
        if (n != 0) std::memset(data_ + size_, c, n);
        size_ += n;
    }
    // Writes a whole UTF-8 sequence or nothing; false when it did not fit.
    bool put_whole(std::string_view sequence) {
        if (sequence.size() > room()) {
            closed_ = true;  // the text is cut here: nothing after it may follow
            return false;
        }
        put(sequence);
        return true;
    }
    // Zero-terminates the text (a span of size 0 gets nothing).
    void terminate(std::size_t span_size) {
        if (span_size != 0) data_[size_] = '\0';
    }

private:
    char* data_;
    std::size_t capacity_;
    std::size_t size_ = 0;
    bool closed_ = false;
};

// One parsed "%..." directive.
struct Field {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool alt = false;
    bool zero = false;
    int width = 0;
    int precision = -1;  // -1: none
    int int_bytes = 4;   // width an integer conversion reads
    enum class Size { Default, Narrow, Wide } text_size = Size::Default;
    char conversion = 0;
};

std::string_view kind_name(FormatArg::Kind kind) {
    switch (kind) {
    case FormatArg::Kind::Signed: return "int";
    case FormatArg::Kind::Unsigned: return "uint";
    case FormatArg::Kind::Double: return "double";
    case FormatArg::Kind::Text: return "str";
    case FormatArg::Kind::WideText: return "wstr";
    case FormatArg::Kind::Pointer: return "ptr";
    }
    return "?";
}

void put_marker(Output& out, std::string_view directive, std::string_view what) {
    out.put('<');
    out.put(directive);
    out.put('?');
    out.put(what);
    out.put('>');
}

bool is_integer(const FormatArg& a) {
    return a.kind() == FormatArg::Kind::Signed || a.kind() == FormatArg::Kind::Unsigned;
}

// The argument as the 64-bit pattern C would see after promotion (signed values sign-extended).
std::uint64_t promoted_bits(const FormatArg& a) {
    return a.kind() == FormatArg::Kind::Signed ? static_cast<std::uint64_t>(a.as_signed())
                                               : a.as_unsigned();
}

// Reads the argument at `bytes` width, as printf's va_arg would on a 64-bit platform.
std::uint64_t cut_to(std::uint64_t bits, int bytes) {
    return bytes >= 8 ? bits : bits & ((std::uint64_t{1} << (bytes * 8)) - 1);
}

std::int64_t sign_extend(std::uint64_t bits, int bytes) {
    if (bytes >= 8) return static_cast<std::int64_t>(bits);
    const int shift = 64 - bytes * 8;
    return static_cast<std::int64_t>(bits << shift) >> shift;
}

// Writes `zeros` zero digits and `body` after `prefix` (sign, "0x"), justified in the field.
// `zero_pad` fills the field with zeros between prefix and body instead of spaces before the
// prefix. Counts are arithmetic, so a huge width or precision costs no more than the room left.
void put_field(Output& out, const Field& field, std::string_view prefix, std::size_t zeros,
               std::string_view body, bool zero_pad) {
    const std::size_t len = prefix.size() + zeros + body.size();
    const std::size_t fill = field.width > 0 && static_cast<std::size_t>(field.width) > len
                                 ? static_cast<std::size_t>(field.width) - len
                                 : 0;
    if (!field.left && !zero_pad) out.pad(' ', fill);
    out.put(prefix);
    if (!field.left && zero_pad) out.pad('0', fill);
    out.pad('0', zeros);
    out.put(body);
    if (field.left) out.pad(' ', fill);
}

void put_field(Output& out, const Field& field, std::string_view prefix, std::string_view body,
               bool zero_pad) {
    put_field(out, field, prefix, 0, body, zero_pad);
}

void put_integer(Output& out, const Field& field, const FormatArg& arg) {
    const std::uint64_t bits = cut_to(promoted_bits(arg), field.int_bytes);
    const char c = field.conversion;
    const bool is_signed = c == 'd' || c == 'i';
    bool negative = false;
    std::uint64_t magnitude = bits;
    if (is_signed) {
        const std::int64_t v = sign_extend(bits, field.int_bytes);
        negative = v < 0;
        magnitude = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    }
    const unsigned base = (c == 'x' || c == 'X') ? 16 : c == 'o' ? 8 : 10;
    const char* digits = c == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";

    std::array<char, 24> body{};
    std::size_t n = 0;
    for (std::uint64_t v = magnitude; v != 0; v /= base) body[n++] = digits[v % base];
    std::reverse(body.begin(), body.begin() + n);
    // The precision is the least number of digits (zero has none with precision 0).
    const std::size_t min_digits = field.precision < 0 ? 1 : static_cast<std::size_t>(field.precision);
    std::size_t zeros = n < min_digits ? min_digits - n : 0;
    // "#" with octal: the first digit is a zero, adding one only when needed.
    if (base == 8 && field.alt && zeros == 0) zeros = 1;

    std::string_view prefix;
    if (is_signed) {
        prefix = negative ? "-" : field.plus ? "+" : field.space ? " " : "";
    } else if (base == 16 && field.alt && magnitude != 0) {
        prefix = c == 'X' ? "0X" : "0x";
    }
    put_field(out, field, prefix, zeros, std::string_view(body.data(), n),
              field.zero && !field.left && field.precision < 0);
}

void put_pointer(Output& out, const Field& field, std::uint64_t address) {
    std::array<char, 16> body{};
    for (int i = 15; i >= 0; --i, address >>= 4) body[i] = "0123456789ABCDEF"[address & 0xF];
    put_field(out, field, {}, std::string_view(body.data(), body.size()), false);
}

void put_float(Output& out, const Field& field, double value) {
    // The body (sign included) comes from the C library; width and zero padding are applied here
    // so a huge width cannot make the C library produce a huge text.
    char format[16];
    std::size_t f = 0;
    format[f++] = '%';
    if (field.plus) format[f++] = '+';
    if (field.space) format[f++] = ' ';
    if (field.alt) format[f++] = '#';
    format[f++] = '.';
    format[f++] = '*';
    format[f++] = field.conversion;
    format[f] = '\0';
    const int precision = field.precision < 0 ? 6 : std::min(field.precision, kMaxFloatPrecision);
    std::array<char, 1500> body{};
    int n = std::snprintf(body.data(), body.size(), format, precision, value);
    if (n < 0) n = 0;
    std::string_view text(body.data(), std::min<std::size_t>(n, body.size() - 1));
    std::string_view sign;
    if (!text.empty() && (text.front() == '-' || text.front() == '+' || text.front() == ' ')) {
        sign = text.substr(0, 1);
        text.remove_prefix(1);
    }
    const bool finite = value - value == 0;  // false for inf and nan
    put_field(out, field, sign, text, field.zero && !field.left && finite);
}

// A code point as text shows it: an unpaired surrogate or a value above U+10FFFF as U+FFFD.
char32_t shown(char32_t c) {
    return is_surrogate(c) || c > qel::platform::kMaxCodePoint ? qel::platform::kReplacementCodePoint : c;
}

// The wide text of an argument: `limit` code units (kZeroTerminated: up to its first zero unit).
std::u16string_view wide_view(const char16_t* s, std::size_t limit) {
    return limit == FormatArg::kZeroTerminated ? std::u16string_view(s) : std::u16string_view(s, limit);
}

// Bytes of UTF-8 the text yields, whole characters only, at most `max_bytes`.
std::size_t utf8_length(std::u16string_view text, std::size_t max_bytes) {
    std::array<char, 4> buf{};
    std::size_t total = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = encode_utf8(shown(next_code_point(text, i)), buf).size();
        if (total + n > max_bytes) break;
        total += n;
    }
    return total;
}

void put_wide_text(Output& out, const Field& field, const char16_t* s, std::size_t limit) {
    const std::u16string_view text = wide_view(s, limit);
    const std::size_t max_bytes =
        field.precision < 0 ? static_cast<std::size_t>(-1) : static_cast<std::size_t>(field.precision);
    const std::size_t len = utf8_length(text, max_bytes);
    const std::size_t fill =
        field.width > 0 && static_cast<std::size_t>(field.width) > len ? field.width - len : 0;
    if (!field.left) out.pad(' ', fill);
    std::array<char, 4> buf{};
    std::size_t written = 0;
    for (std::size_t i = 0; written < len && i < text.size();) {
        const std::string_view seq = encode_utf8(shown(next_code_point(text, i)), buf);
        if (!out.put_whole(seq)) return;
        written += seq.size();
    }
    if (field.left) out.pad(' ', fill);
}

void put_text(Output& out, const Field& field, const char* s, std::size_t limit) {
    std::size_t len = 0;
    if (limit == FormatArg::kZeroTerminated) {
        len = field.precision < 0 ? std::strlen(s) : strnlen(s, field.precision);
    } else {
        len = field.precision < 0 ? limit : std::min<std::size_t>(limit, field.precision);
    }
    put_field(out, field, {}, std::string_view(s, len), false);
}

// Parses a decimal number, saturating at INT_MAX.
int parse_number(const char*& p) {
    long long v = 0;
    while (*p >= '0' && *p <= '9') {
        v = std::min<long long>(v * 10 + (*p - '0'), INT_MAX);
        ++p;
    }
    return static_cast<int>(v);
}

// Formats one directive starting after '%'; returns the position after it.
class Formatter {
public:
    Formatter(Output& out, std::span<const FormatArg> args) : out_(out), args_(args) {}

    const char* directive(const char* start) {
        const char* p = start + 1;
        Field field;
        for (;; ++p) {
            if (*p == '-') field.left = true;
            else if (*p == '+') field.plus = true;
            else if (*p == ' ') field.space = true;
            else if (*p == '#') field.alt = true;
            else if (*p == '0') field.zero = true;
            else break;
        }
        bool star_failed = false;
        const FormatArg* star_bad = nullptr;
        if (*p == '*') {
            ++p;
            if (auto v = star_value(star_failed, star_bad)) {
                if (*v < 0) {
                    field.left = true;
                    field.width = *v == INT_MIN ? INT_MAX : -*v;
                } else {
                    field.width = *v;
                }
            }
        } else {
            field.width = parse_number(p);
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                ++p;
                if (auto v = star_value(star_failed, star_bad)) field.precision = *v < 0 ? -1 : *v;
            } else {
                field.precision = parse_number(p);
            }
        }
        parse_length(p, field);
        if (*p == '\0') {
            put_marker(out_, std::string_view(start, p - start), "unsupported");
            return p;
        }
        field.conversion = *p++;
        const std::string_view text(start, p - start);
        if (field.conversion == '%') {
            out_.put('%');
            return p;
        }
        if (!known_conversion(field.conversion)) {
            put_marker(out_, text, "unsupported");
            return p;
        }
        const FormatArg* arg = next_arg();
        if (star_failed) {
            put_marker(out_, text, star_bad ? kind_name(star_bad->kind()) : "missing");
            return p;
        }
        if (arg == nullptr) {
            put_marker(out_, text, "missing");
            return p;
        }
        convert(field, text, *arg);
        return p;
    }

private:
    const FormatArg* next_arg() { return next_ < args_.size() ? &args_[next_++] : nullptr; }

    // The integer taken by a "*"; nothing (and `failed`) when it is missing or not an integer.
    std::optional<int> star_value(bool& failed, const FormatArg*& bad) {
        const FormatArg* a = next_arg();
        if (a == nullptr || !is_integer(*a)) {
            failed = true;
            if (a != nullptr && bad == nullptr) bad = a;
            return std::nullopt;
        }
        return static_cast<int>(sign_extend(cut_to(promoted_bits(*a), 4), 4));
    }

    static void parse_length(const char*& p, Field& field) {
        switch (*p) {
        case 'h':
            ++p;
            field.int_bytes = 2;
            field.text_size = Field::Size::Narrow;
            if (*p == 'h') {
                ++p;
                field.int_bytes = 1;
            }
            return;
        case 'l':
            ++p;
            field.text_size = Field::Size::Wide;
            if (*p == 'l') {
                ++p;
                field.int_bytes = 8;
            }
            return;
        case 'w':
            ++p;
            field.text_size = Field::Size::Wide;
            return;
        case 'L':
            ++p;
            return;
        case 'z':
        case 'j':
        case 't':
            ++p;
            field.int_bytes = 8;
            return;
        case 'I':
            if (p[1] == '6' && p[2] == '4') {
                p += 3;
                field.int_bytes = 8;
            } else if (p[1] == '3' && p[2] == '2') {
                p += 3;
                field.int_bytes = 4;
            } else {
                ++p;
                field.int_bytes = 8;
            }
            return;
        default:
            return;
        }
    }

    static bool known_conversion(char c) {
        return std::strchr("diuxXocCsSpfFeEgGaAn", c) != nullptr;
    }

    void convert(const Field& field, std::string_view text, const FormatArg& arg) {
        using K = FormatArg::Kind;
        const char c = field.conversion;
        const auto wrong = [&] { put_marker(out_, text, kind_name(arg.kind())); };
        switch (c) {
        case 'd': case 'i': case 'u': case 'x': case 'X': case 'o':
            if (!is_integer(arg)) return wrong();
            return put_integer(out_, field, arg);
        case 'c':
        case 'C': {
            if (!is_integer(arg)) return wrong();
            const bool wide = c == 'C' ? field.text_size != Field::Size::Narrow
                                       : field.text_size == Field::Size::Wide;
            std::array<char, 4> buf{};
            std::string_view ch;
            if (wide) {
                ch = encode_utf8(shown(static_cast<char32_t>(cut_to(promoted_bits(arg), 4))), buf);
            } else {
                buf[0] = static_cast<char>(promoted_bits(arg) & 0xFF);
                ch = std::string_view(buf.data(), 1);
            }
            const std::size_t fill =
                field.width > 0 && static_cast<std::size_t>(field.width) > ch.size()
                    ? field.width - ch.size()
                    : 0;
            if (!field.left) out_.pad(' ', fill);
            if (!out_.put_whole(ch)) return;
            if (field.left) out_.pad(' ', fill);
            return;
        }
        case 's':
        case 'S': {
            const bool wide = c == 'S' ? field.text_size != Field::Size::Narrow
                                       : field.text_size == Field::Size::Wide;
            if (arg.kind() == K::Pointer && arg.as_pointer() == nullptr) {
                return put_text(out_, field, "(null)", FormatArg::kZeroTerminated);
            }
            if (wide) {
                if (arg.kind() != K::WideText) return wrong();
                if (arg.as_wide_text() == nullptr)
                    return put_text(out_, field, "(null)", FormatArg::kZeroTerminated);
                return put_wide_text(out_, field, arg.as_wide_text(), arg.length());
            }
            if (arg.kind() != K::Text) return wrong();
            if (arg.as_text() == nullptr)
                return put_text(out_, field, "(null)", FormatArg::kZeroTerminated);
            return put_text(out_, field, arg.as_text(), arg.length());
        }
        case 'p':
            switch (arg.kind()) {
            case K::Pointer: return put_pointer(out_, field, reinterpret_cast<std::uintptr_t>(arg.as_pointer()));
            case K::Text: return put_pointer(out_, field, reinterpret_cast<std::uintptr_t>(arg.as_text()));
            case K::WideText: return put_pointer(out_, field, reinterpret_cast<std::uintptr_t>(arg.as_wide_text()));
            case K::Signed:
            case K::Unsigned: return put_pointer(out_, field, promoted_bits(arg));
            case K::Double: return wrong();
            }
            return;
        case 'n':
            return put_marker(out_, text, "unsupported");
        default:  // floating point
            if (arg.kind() != K::Double) return wrong();
            return put_float(out_, field, arg.as_double());
        }
    }

    Output& out_;
    std::span<const FormatArg> args_;
    std::size_t next_ = 0;
};

}  // namespace

std::size_t format_args(std::span<char> buffer, const char* format, std::span<const FormatArg> args) {
    Output out(buffer);
    if (format == nullptr) format = "(null)";
    Formatter formatter(out, args);
    const char* p = format;
    while (*p != '\0' && !out.full()) {
        const char* percent = std::strchr(p, '%');
        if (percent == nullptr) {
            out.put(std::string_view(p));
            break;
        }
        out.put(std::string_view(p, percent - p));
        p = formatter.directive(percent);
    }
    out.terminate(buffer.size());
    return out.size();
}

}  // namespace qel::trace
