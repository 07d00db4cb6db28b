// The printf-style formatter behind every trace line. It understands the format dialect the
// system's trace texts are written in (the other platform's printf) and writes into a fixed buffer.
//
// Promises:
//  - Never writes past the span it is given; the text is cut at the end of the buffer (a UTF-8
//    sequence produced from UTF-16 text is never split) and always zero-terminated when the span
//    is not empty. The result is the length written, terminator excluded.
//  - Arguments are captured with their kind (signed or unsigned integer with its width in bytes,
//    double, 8-bit text of char, unsigned char or char8_t, UTF-16 text, pointer), so a conversion
//    never reads garbage:
//      * a conversion whose argument has the wrong kind is written as "<DIRECTIVE?KIND>", for
//        example "<%s?int>" for an integer given to "%s" (kinds: int, uint, double, str, wstr, ptr);
//      * a conversion without an argument is written as "<DIRECTIVE?missing>";
//      * a directive the dialect does not know (or "%n") is written as "<DIRECTIVE?unsupported>";
//      * extra arguments are ignored; a null string prints "(null)".
//    Types that cannot be traced at all (class objects, wchar_t text...) fail to compile.
//
// The dialect:
//  - Conversions d i u x X o c C s S p f F e E g G a A and "%%". Flags "-", "+", " ", "#", "0";
//    width and precision as numbers or "*" (taken from an integer argument; a negative width
//    means "-", a negative precision none).
//  - Length modifiers: hh (8-bit), h (16-bit), l, I32 (32-bit: long is 32 bits on the platform),
//    ll, I64, I, z, j, t (64-bit); w, l before c/s mean UTF-16, h means 8-bit; L is accepted.
//    An integer is read at the width the conversion names (32 bits without a modifier): a wider
//    argument is cut to its low bits and a narrower signed one is sign-extended, exactly what the
//    platform's 64-bit printf does with the same call.
//  - "%s", "%hs", "%hS" take 8-bit text (bytes copied as they are); "%S", "%ws", "%ls", "%wS",
//    "%lS" take UTF-16 text, written as UTF-8 (unpaired surrogates become U+FFFD). UTF-8 was chosen
//    over the ANSI code page because the trace sinks on this system (terminal, log file, debugger
//    stream) read UTF-8 and the conversion then loses nothing. Width and precision count bytes of
//    output, as in C.
//  - "%c" writes the low byte of an integer; "%C", "%lc", "%wc" write an integer as a UTF-16 unit
//    or code point in UTF-8.
//  - "%p" writes 16 upper-case hexadecimal digits (the platform's 64-bit form); it takes a
//    pointer, a string (its address) or an integer.
//  - Floating-point conversions follow C ("inf", "nan"); a precision beyond 1100 digits is treated
//    as 1100 (a double has no more significant decimal digits than that).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace qel::trace {

// One captured argument of a trace call. Built implicitly from each argument by format_trace().
class FormatArg {
public:
    enum class Kind : std::uint8_t { Signed, Unsigned, Double, Text, WideText, Pointer };

    static constexpr std::size_t kZeroTerminated = static_cast<std::size_t>(-1);

    static FormatArg signed_integer(std::int64_t v, std::uint8_t bytes) {
        FormatArg a(Kind::Signed, bytes);
        a.value_.i = v;
        return a;
    }
    static FormatArg unsigned_integer(std::uint64_t v, std::uint8_t bytes) {
        FormatArg a(Kind::Unsigned, bytes);
        a.value_.u = v;
        return a;
    }
    static FormatArg floating(double v) {
        FormatArg a(Kind::Double, 8);
        a.value_.d = v;
        return a;
    }
    // `length` kZeroTerminated: the text ends at its first zero byte (null prints "(null)").
    static FormatArg text(const char* s, std::size_t length = kZeroTerminated) {
        FormatArg a(Kind::Text, 1);
        a.value_.s = s;
        a.length_ = length;
        return a;
    }
    static FormatArg wide_text(const char16_t* s, std::size_t length = kZeroTerminated) {
        FormatArg a(Kind::WideText, 2);
        a.value_.w = s;
        a.length_ = length;
        return a;
    }
    static FormatArg pointer(const void* p) {
        FormatArg a(Kind::Pointer, sizeof(void*));
        a.value_.p = p;
        return a;
    }

    Kind kind() const { return kind_; }
    std::uint8_t bytes() const { return bytes_; }
    std::int64_t as_signed() const { return value_.i; }
    std::uint64_t as_unsigned() const { return value_.u; }
    double as_double() const { return value_.d; }
    const char* as_text() const { return value_.s; }
    const char16_t* as_wide_text() const { return value_.w; }
    const void* as_pointer() const { return value_.p; }
    std::size_t length() const { return length_; }

private:
    FormatArg(Kind kind, std::uint8_t bytes) : kind_(kind), bytes_(bytes) {}

    Kind kind_;
    std::uint8_t bytes_;
    std::size_t length_ = kZeroTerminated;
    union {
        std::int64_t i;
        std::uint64_t u;
        double d;
        const char* s;
        const char16_t* w;
        const void* p;
    } value_{};
};

namespace detail {

template <typename>
inline constexpr bool kUnsupported = false;

template <typename T>
FormatArg capture(const T& v) {
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_enum_v<U>) {
        return capture(static_cast<std::underlying_type_t<U>>(v));
    } else if constexpr (std::is_same_v<U, bool>) {
        return FormatArg::unsigned_integer(v ? 1 : 0, 1);
    } else if constexpr (std::is_same_v<U, char16_t> || std::is_same_v<U, char32_t> ||
                         std::is_same_v<U, wchar_t> || std::is_same_v<U, char8_t>) {
        return FormatArg::unsigned_integer(static_cast<std::uint64_t>(v), sizeof(U));
    } else if constexpr (std::is_integral_v<U> && std::is_signed_v<U>) {
        return FormatArg::signed_integer(static_cast<std::int64_t>(v), sizeof(U));
    } else if constexpr (std::is_integral_v<U>) {
        return FormatArg::unsigned_integer(static_cast<std::uint64_t>(v), sizeof(U));
    } else if constexpr (std::is_floating_point_v<U>) {
        return FormatArg::floating(static_cast<double>(v));
    } else if constexpr (std::is_null_pointer_v<U>) {
        return FormatArg::pointer(nullptr);
    } else if constexpr (std::is_convertible_v<const T&, const char*>) {
        return FormatArg::text(static_cast<const char*>(v));
    } else if constexpr (std::is_convertible_v<const T&, const unsigned char*>) {
        return FormatArg::text(reinterpret_cast<const char*>(static_cast<const unsigned char*>(v)));
    } else if constexpr (std::is_convertible_v<const T&, const signed char*>) {
        return FormatArg::text(reinterpret_cast<const char*>(static_cast<const signed char*>(v)));
    } else if constexpr (std::is_convertible_v<const T&, const char8_t*>) {
        return FormatArg::text(reinterpret_cast<const char*>(static_cast<const char8_t*>(v)));
    } else if constexpr (std::is_convertible_v<const T&, std::u8string_view>) {
        std::u8string_view s = v;
        return FormatArg::text(reinterpret_cast<const char*>(s.data()), s.size());
    } else if constexpr (std::is_convertible_v<const T&, const char16_t*>) {
        return FormatArg::wide_text(static_cast<const char16_t*>(v));
    } else if constexpr (std::is_convertible_v<const T&, std::string_view>) {
        std::string_view s = v;
        return FormatArg::text(s.data(), s.size());
    } else if constexpr (std::is_convertible_v<const T&, std::u16string_view>) {
        std::u16string_view s = v;
        return FormatArg::wide_text(s.data(), s.size());
    } else if constexpr (std::is_pointer_v<U> &&
                         !std::is_same_v<std::remove_cv_t<std::remove_pointer_t<U>>, wchar_t>) {
        return FormatArg::pointer(reinterpret_cast<const void*>(v));
    } else {
        static_assert(kUnsupported<T>, "this type cannot be given to a trace format");
    }
}

}  // namespace detail

// Formats `format` with already captured arguments into `out`. Returns the length written.
std::size_t format_args(std::span<char> out, const char* format, std::span<const FormatArg> args);

// Formats `format` with `args` into `out` (see the promises above).
template <typename... Args>
std::size_t format_trace(std::span<char> out, const char* format, const Args&... args) {
    if constexpr (sizeof...(Args) == 0) {
        return format_args(out, format, {});
    } else {
        const FormatArg captured[] = {detail::capture(args)...};
        return format_args(out, format, captured);
    }
}

// The same into a string, at most `limit` bytes long (for callers without a buffer of their own).
template <typename... Args>
std::string format_trace_string(std::size_t limit, const char* format, const Args&... args) {
    std::string s(limit + 1, '\0');
    s.resize(format_trace(std::span<char>(s), format, args...));
    return s;
}

}  // namespace qel::trace
