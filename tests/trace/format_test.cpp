// The trace formatter: each conversion of the dialect, argument checking, and cutting at the
// buffer's end.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "trace/trace_format.h"

using qel::trace::format_trace;
using qel::trace::format_trace_string;

namespace {

template <typename... Args>
std::string fmt(const char* format, const Args&... args) {
    return format_trace_string(1000, format, args...);
}

}  // namespace

// Flags, widths and precisions of plain conversions are compared with the C library at the end;
// these are what the dialect adds or does differently.
TEST(TraceFormat, IntegersAreReadAtTheWidthTheConversionNames) {
    EXPECT_EQ(fmt("%I64d %lld %I64u", INT64_MIN, -1LL, UINT64_MAX),
              "-9223372036854775808 -1 18446744073709551615");
    // Without a modifier the platform reads 32 bits: a wider value is cut to its low bits.
    EXPECT_EQ(fmt("%x", 0x1122334455667788ULL), "55667788");
    EXPECT_EQ(fmt("%I64x", 0x1122334455667788ULL), "1122334455667788");
    // A negative value of a narrower signed type is sign-extended, as C promotion does.
    EXPECT_EQ(fmt("%x", static_cast<int8_t>(-1)), "ffffffff");
    EXPECT_EQ(fmt("%hx %hd", 0x12345678u, 0xFFFFu), "5678 -1");
    EXPECT_EQ(fmt("%hhu", 0x1FFu), "255");
    EXPECT_EQ(fmt("%u", -1), "4294967295");
    EXPECT_EQ(fmt("%d", 0xFFFFFFFFu), "-1");
    EXPECT_EQ(fmt("%zu %I32d", std::size_t{1} << 40, -3), "1099511627776 -3");
    enum class Color : std::uint16_t { Red = 3 };
    EXPECT_EQ(fmt("%d %d", Color::Red, true), "3 1");
}

TEST(TraceFormat, StarTakesWidthAndPrecisionFromArguments) {
    EXPECT_EQ(fmt("[%*d]", 4, 7), "[   7]");
    EXPECT_EQ(fmt("[%*d]", -4, 7), "[7   ]");
    EXPECT_EQ(fmt("[%.*s]", 3, "abcdef"), "[abc]");
    EXPECT_EQ(fmt("[%*.*s]", 5, 2, "abcdef"), "[   ab]");
    EXPECT_EQ(fmt("[%.*d]", -1, 5), "[5]");
    EXPECT_EQ(fmt("[%*d]", "x", 5), "[<%*d?str>]");
    EXPECT_EQ(fmt("[%*d]", 5), "[<%*d?missing>]");
}

TEST(TraceFormat, CharactersAndFloatingPoint) {
    EXPECT_EQ(fmt("[%c|%3c|%-3c]", 'a', 'b', 'c'), "[a|  b|c  ]");
    EXPECT_EQ(fmt("%C%lc%wc", u'\u00e9', u'\u20ac', 0x1F600), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(fmt("%hC", 0x41), "A");
    EXPECT_EQ(fmt("%f", 3.0f), "3.000000");
}

TEST(TraceFormat, NarrowAndWideTextConversions) {
    const std::u16string wide = u"Caf\u00e9 \u2603";
    EXPECT_EQ(fmt("%s|%hs|%hS", "abc", "def", "ghi"), "abc|def|ghi");
    EXPECT_EQ(fmt("%ws|%ls|%S|%wS", wide, u"x", std::u16string_view(u"y"), wide.c_str()),
              "Caf\xC3\xA9 \xE2\x98\x83|x|y|Caf\xC3\xA9 \xE2\x98\x83");
    EXPECT_EQ(fmt("%s %s", std::string("str"), std::string_view("view")), "str view");
    // A surrogate pair becomes one character; an unpaired surrogate becomes U+FFFD.
    EXPECT_EQ(fmt("%ws", u"\U0001F600"), "\xF0\x9F\x98\x80");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    EXPECT_EQ(fmt("%ws", lone), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    // Width and precision count output bytes; precision never splits a character.
    EXPECT_EQ(fmt("[%6ws]", u"\u00e9"), "[    \xC3\xA9]");
    EXPECT_EQ(fmt("[%.2ws]", u"a\u00e9"), "[a]");
    EXPECT_EQ(fmt("[%-6.3s]", "abcdef"), "[abc   ]");
    // A string view is read at its own length, not to a zero byte.
    EXPECT_EQ(fmt("[%s]", std::string_view("abcdef", 2)), "[ab]");
    EXPECT_EQ(fmt("[%ws]", std::u16string_view(u"abcdef", 3)), "[abc]");
    const unsigned char bytes[] = {'o', 'k', 0};
    EXPECT_EQ(fmt("%s", bytes), "ok");
    EXPECT_EQ(fmt("%s|%s", u8"\u00e9", std::u8string(u8"x")), "\xC3\xA9|x");
}

TEST(TraceFormat, NullStringsPrintNull) {
    const char* narrow = nullptr;
    const char16_t* wide = nullptr;
    EXPECT_EQ(fmt("%s|%ws|%S|%s|%ws", narrow, wide, wide, nullptr, nullptr),
              "(null)|(null)|(null)|(null)|(null)");
    EXPECT_EQ(fmt("[%8s]", narrow), "[  (null)]");
    EXPECT_EQ(format_trace_string(100, nullptr), "(null)");
}

TEST(TraceFormat, PointersPrintSixteenUpperCaseDigits) {
    const void* p = reinterpret_cast<const void*>(std::uintptr_t{0xabc123});
    EXPECT_EQ(fmt("%p", p), "0000000000ABC123");
    EXPECT_EQ(fmt("%p", nullptr), "0000000000000000");
    EXPECT_EQ(fmt("[%18p]", std::uintptr_t{1}), "[  0000000000000001]");
    int x = 0;
    char expected[32];
    std::snprintf(expected, sizeof expected, "%016llX",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(&x)));
    EXPECT_EQ(fmt("%p", &x), expected);
}

TEST(TraceFormat, WrongKindsAndMissingArgumentsAreVisibleMarkers) {
    EXPECT_EQ(fmt("%s", 5), "<%s?int>");
    EXPECT_EQ(fmt("%ws", "narrow"), "<%ws?str>");
    EXPECT_EQ(fmt("%s", u"wide"), "<%s?wstr>");
    EXPECT_EQ(fmt("%d", 1.5), "<%d?double>");
    EXPECT_EQ(fmt("%f", 3), "<%f?int>");
    EXPECT_EQ(fmt("%x", 3u, 4), "3");  // extra arguments are ignored
    int x = 0;
    EXPECT_EQ(fmt("%-5.2u", &x), "<%-5.2u?ptr>");
    EXPECT_EQ(fmt("%p", 2.0), "<%p?double>");
    EXPECT_EQ(fmt("%c", "c"), "<%c?str>");
    // After a marker the following conversions still take their own arguments.
    EXPECT_EQ(fmt("%d %s %d", "a", "b", 3), "<%d?str> b 3");
    EXPECT_EQ(fmt("a=%d b=%s c=%x", 1), "a=1 b=<%s?missing> c=<%x?missing>");
    EXPECT_EQ(fmt("%y|%n|%", 1, 2), "<%y?unsupported>|<%n?unsupported>|<%?unsupported>");
    EXPECT_EQ(fmt("100%% %5%"), "100% %");
}

TEST(TraceFormat, NeverWritesPastTheBufferAndAlwaysTerminates) {
    std::array<char, 16> buf;
    buf.fill('#');
    std::array<char, 4> guard;
    guard.fill('G');
    const std::size_t n = format_trace(std::span<char>(buf.data(), 10), "%s-%d", "abcdefgh", 12345);
    EXPECT_EQ(n, 9u);
    EXPECT_EQ(std::string(buf.data()), "abcdefgh-");
    EXPECT_EQ(buf[10], '#');

    // Huge widths and precisions are cut at the buffer's end, quickly.
    EXPECT_EQ(format_trace_string(8, "%2147483647d", 1), std::string(8, ' '));
    EXPECT_EQ(format_trace_string(8, "%-99999999d|", 1), "1       ");
    EXPECT_EQ(format_trace_string(8, "%.99999999d", 12345), "00000000");
    EXPECT_EQ(format_trace_string(8, "%50.99999999d", -1), "-0000000");
    EXPECT_EQ(format_trace_string(8, "%-#2147483647.2147483647x|", 1u), "0x000000");
    EXPECT_EQ(format_trace_string(8, "%.99999999f", 1.0), "1.000000");
    EXPECT_EQ(format_trace_string(8, "%99999999999999999999s", "x"), std::string(8, ' '));
    EXPECT_EQ(format_trace_string(10, "%.1100f", 1e308).substr(0, 10), "1000000000");

    // A UTF-8 sequence is never split: the text stops before it and nothing follows.
    EXPECT_EQ(format_trace_string(4, "ab%wsc", u"\u20ac"), "ab");
    EXPECT_EQ(format_trace_string(4, "abc%C", u'\u00e9'), "abc");

    // Sizes 0 and 1: nothing written / just the terminator.
    char one = 'x';
    EXPECT_EQ(format_trace(std::span<char>(&one, 1), "text"), 0u);
    EXPECT_EQ(one, '\0');
    EXPECT_EQ(format_trace(std::span<char>(), "text"), 0u);
}

TEST(TraceFormat, LineOfExactlyTheBufferSizeLosesOnlyItsLastByte) {
    const std::string long_text(1500, 'x');
    std::vector<char> line(1000, '#');
    EXPECT_EQ(format_trace(std::span<char>(line), "QELA: %s", long_text.c_str()), 999u);
    EXPECT_EQ(line[999], '\0');
    EXPECT_EQ(std::string(line.data()), "QELA: " + std::string(993, 'x'));
}

// Where the dialect and C agree (32-bit integers, doubles, 8-bit text), every combination of
// flags, width and precision must give exactly what the C library gives.
TEST(TraceFormat, AgreesWithTheCLibraryOnEveryFlagWidthAndPrecision) {
    const std::vector<std::string> flag_sets = {"", "-", "+", " ", "#", "0", "-0", "+0", " #", "-+#0 "};
    const std::vector<std::string> widths = {"", "1", "6", "14"};
    const std::vector<std::string> precisions = {"", ".", ".0", ".1", ".4", ".12"};
    const int ints[] = {0, 1, -1, 42, -12345, INT_MAX, INT_MIN};
    const double doubles[] = {0.0, -0.0, 1.0, -2.5, 3.14159265, 1e-7, 6.02e23, 1e300, -1.0 / 0.0};
    const char* texts[] = {"", "a", "abcdefgh"};
    int compared = 0;
    char expected[512];
    for (const auto& flags : flag_sets)
        for (const auto& width : widths)
            for (const auto& precision : precisions) {
                const std::string directive = "%" + flags + width + precision;
                for (char conversion : std::string("diuxXo")) {
                    const std::string f = "[" + directive + conversion + "]";
                    for (int v : ints) {
                        std::snprintf(expected, sizeof expected, f.c_str(), v);
                        ASSERT_EQ(fmt(f.c_str(), v), expected) << f << " of " << v;
                        ++compared;
                    }
                }
                for (char conversion : std::string("feEgG")) {
                    const std::string f = "[" + directive + conversion + "]";
                    for (double v : doubles) {
                        std::snprintf(expected, sizeof expected, f.c_str(), v);
                        ASSERT_EQ(fmt(f.c_str(), v), expected) << f << " of " << v;
                        ++compared;
                    }
                }
                if (flags.find_first_of("+ #0") != std::string::npos) continue;  // undefined for %s
                const std::string f = "[" + directive + "s]";
                for (const char* v : texts) {
                    std::snprintf(expected, sizeof expected, f.c_str(), v);
                    ASSERT_EQ(fmt(f.c_str(), v), expected) << f << " of " << v;
                    ++compared;
                }
            }
    EXPECT_GT(compared, 10000);
}
