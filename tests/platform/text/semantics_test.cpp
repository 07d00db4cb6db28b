// The calling conventions of the conversions: measuring, terminators, buffers that are too
// small, argument and flag checks, default characters and invalid input.
#include <gtest/gtest.h>

#include <random>

#include "text_test_support.h"

using namespace qel::platform;
using qel::test::decode;
using qel::test::encode;
using qel::test::hex;

TEST(Conversion, MeasuresCountsTheTerminatorAndRefusesShortBuffersUntouched) {
    // -1: the terminator is converted and counted.
    EXPECT_EQ(multi_byte_to_wide_char(CP_UTF8, 0, "h\xC3\xA9", -1, nullptr, 0), 3);
    char16_t wide[8];
    std::fill(std::begin(wide), std::end(wide), u'#');
    ASSERT_EQ(multi_byte_to_wide_char(CP_UTF8, 0, "h\xC3\xA9", -1, wide, 3), 3);
    EXPECT_EQ(std::u16string(wide, 4), std::u16string(u"h\u00E9\0#", 4));

    // A surrogate pair counts two units; one unit short fails and writes nothing.
    std::fill(std::begin(wide), std::end(wide), u'#');
    EXPECT_EQ(multi_byte_to_wide_char(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, nullptr, 0), 2);
    set_last_error(ERROR_SUCCESS);
    EXPECT_EQ(multi_byte_to_wide_char(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, wide, 1), 0);
    EXPECT_EQ(last_error(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(wide[0], u'#');

    // The same for the other direction, with a double-byte code page.
    EXPECT_EQ(wide_char_to_multi_byte(932, 0, u"\u65E5a", -1, nullptr, 0, nullptr, nullptr), 4);
    char bytes[8] = "#######";
    EXPECT_EQ(wide_char_to_multi_byte(932, 0, u"\u65E5a", -1, bytes, 3, nullptr, nullptr), 0);
    EXPECT_EQ(last_error(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(bytes), "#######");
    EXPECT_EQ(wide_char_to_multi_byte(932, 0, u"\u65E5a", -1, bytes, 4, nullptr, nullptr), 4);
    EXPECT_EQ(hex(std::string_view(bytes, 5)), "93 FA 61 00 23");
    // An explicit length leaves the terminator out.
    EXPECT_EQ(wide_char_to_multi_byte(932, 0, u"\u65E5a", 2, nullptr, 0, nullptr, nullptr), 3);
}

TEST(Conversion, RefusesBadArgumentsCodePagesAndFlags) {
    char16_t wide[4];
    char bytes[4];
    auto mb = [&](UINT cp, DWORD flags, const char* src, int len, char16_t* dst, int size) {
        set_last_error(ERROR_SUCCESS);
        EXPECT_EQ(multi_byte_to_wide_char(cp, flags, src, len, dst, size), 0);
        return last_error();
    };
    EXPECT_EQ(mb(CP_UTF8, 0, "a", 0, wide, 4), ERROR_INVALID_PARAMETER);       // empty source
    EXPECT_EQ(mb(CP_UTF8, 0, "a", -2, wide, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(mb(CP_UTF8, 0, nullptr, 1, wide, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(mb(CP_UTF8, 0, "a", 1, nullptr, 4), ERROR_INVALID_PARAMETER);  // size without buffer
    EXPECT_EQ(mb(CP_UTF8, 0, "a", 1, wide, -1), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(mb(12345, 0, "a", 1, wide, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(mb(50223, 0, "a", 1, wide, 4), ERROR_INVALID_PARAMETER);      // not a platform code page
    EXPECT_EQ(mb(1252, 0x1000, "a", 1, wide, 4), ERROR_INVALID_FLAGS);
    EXPECT_EQ(mb(50220, MB_ERR_INVALID_CHARS, "a", 1, wide, 4), ERROR_INVALID_FLAGS);
    EXPECT_EQ(mb(65000, MB_PRECOMPOSED, "a", 1, wide, 4), ERROR_INVALID_FLAGS);
    EXPECT_EQ(mb(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 4), ERROR_INVALID_FLAGS);
    EXPECT_EQ(multi_byte_to_wide_char(1252, MB_PRECOMPOSED, "a", 1, wide, 4), 1);
    EXPECT_FALSE(is_valid_code_page(50224));
    EXPECT_FALSE(is_valid_code_page(CP_UTF8 + 1));
    EXPECT_FALSE(is_valid_code_page(CP_ACP));  // an alias, though conversions accept it
    EXPECT_EQ(multi_byte_to_wide_char(CP_ACP, 0, "a", 1, wide, 4), 1);

    BOOL used = FALSE;
    auto wc = [&](UINT cp, DWORD flags, const char* def, BOOL* used_default) {
        set_last_error(ERROR_SUCCESS);
        EXPECT_EQ(wide_char_to_multi_byte(cp, flags, u"a", 1, bytes, 4, def, used_default), 0);
        return last_error();
    };
    // UTF-8, UTF-7 and ISO-2022 take no default character nor a used-default flag.
    EXPECT_EQ(wc(CP_UTF8, 0, nullptr, &used), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(wc(CP_UTF7, 0, "?", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(wc(50225, 0, nullptr, &used), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(wc(1252, WC_ERR_INVALID_CHARS, nullptr, nullptr), ERROR_INVALID_FLAGS);  // UTF-8 only
    EXPECT_EQ(wc(CP_UTF8, WC_COMPOSITECHECK, nullptr, nullptr), ERROR_INVALID_FLAGS);
    EXPECT_EQ(wc(50221, WC_NO_BEST_FIT_CHARS, nullptr, nullptr), ERROR_INVALID_FLAGS);
    EXPECT_EQ(wc(1, 0x8000, nullptr, nullptr), ERROR_INVALID_FLAGS);
    EXPECT_EQ(wide_char_to_multi_byte(1252, WC_NO_BEST_FIT_CHARS | WC_COMPOSITECHECK, u"a", 1, bytes, 4,
                                      nullptr, &used),
              1);
}

TEST(Conversion, MissingCharactersBecomeTheDefaultCharacterAndAreReported) {
    const auto plain = encode(1252, u"a\u65E5b\U0001F600");
    EXPECT_EQ(plain.bytes, "a?b?");  // a supplementary character is one missing character
    EXPECT_TRUE(plain.used_default);
    EXPECT_FALSE(encode(1252, u"ab").used_default);
    EXPECT_EQ(encode(1252, u"\u0100", "*").bytes, "*");  // no best fit: not "A"
    EXPECT_EQ(encode(1252, u"\u0100", "").bytes, std::string(1, '\0'));  // an empty default is NUL
    EXPECT_EQ(encode(28591, u"\u20AC").bytes, "?");
    EXPECT_EQ(hex(encode(932, u"\u00E9", "\x81\x48").bytes), "81 48");  // a double-byte default
    EXPECT_EQ(encode(50220, u"\u00E9x", nullptr, false).bytes, "?x");
    EXPECT_EQ(encode(50225, u"\u00E9x", nullptr, false).bytes, "?x");
    EXPECT_EQ(encode(52936, u"\u4E2D\uD55C").bytes, "~{VP~}?");  // the default goes out in ASCII
    // Unpaired surrogates are missing characters, except in UTF-8 where they become U+FFFD.
    EXPECT_EQ(encode(1252, std::u16string(u"a\xD800" u"b")).bytes, "a?b");
    EXPECT_EQ(encode(932, std::u16string(u"\xDC00")).bytes, "?");
    EXPECT_EQ(hex(encode(65001, std::u16string(u"\xDFFF\xD800"), nullptr, false).bytes), "EF BF BD EF BF BD");
    const std::u16string lone = u"\xD800";
    char bytes[8];
    EXPECT_EQ(wide_char_to_multi_byte(CP_UTF8, WC_ERR_INVALID_CHARS, lone.data(), 1, bytes, 8, nullptr, nullptr), 0);
    EXPECT_EQ(last_error(), ERROR_NO_UNICODE_TRANSLATION);
}

TEST(Conversion, InvalidUtf8BecomesOneReplacementPerMaximalSubpart) {
    EXPECT_EQ(decode(CP_UTF8, "\xC3"), u"\uFFFD");
    EXPECT_EQ(decode(CP_UTF8, "a\xE2\x82" "b"), u"a\uFFFDb");          // truncated three-byte form
    EXPECT_EQ(decode(CP_UTF8, "\xF0\x9F\x98"), u"\uFFFD");
    EXPECT_EQ(decode(CP_UTF8, "\xC0\xAF"), u"\uFFFD\uFFFD");           // overlong
    EXPECT_EQ(decode(CP_UTF8, "\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // an encoded surrogate
    EXPECT_EQ(decode(CP_UTF8, "\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // above U+10FFFF
    EXPECT_EQ(decode(CP_UTF8, "\x80\xBFz"), u"\uFFFD\uFFFDz");
    EXPECT_EQ(decode(CP_UTF8, "\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
    char16_t wide[8];
    for (std::string_view bad : {"\xC3", "ok\xFF", "\xED\xA0\x80"}) {
        set_last_error(ERROR_SUCCESS);
        EXPECT_EQ(multi_byte_to_wide_char(CP_UTF8, MB_ERR_INVALID_CHARS, bad.data(), static_cast<int>(bad.size()), wide, 8), 0);
        EXPECT_EQ(last_error(), ERROR_NO_UNICODE_TRANSLATION);
    }
}

TEST(Conversion, InvalidMultiByteInputIsReplacedOrRefused) {
    EXPECT_EQ(decode(932, "\x81"), u"\uFFFD");          // lead byte at the end
    EXPECT_EQ(decode(932, "a\x81 b"), u"a\uFFFD b");   // lead byte without a trail byte
    EXPECT_EQ(decode(51949, "\xC7"), u"\uFFFD");
    EXPECT_EQ(decode(50220, "\x1B$Bx"), u"\uFFFD");   // half a JIS pair
    EXPECT_EQ(decode(50220, "\x1B$Z!"), u"\uFFFD$Z!");  // an unknown escape
    EXPECT_EQ(decode(50225, "\x0E\x80"), u"\uFFFD");
    char16_t wide[8];
    for (UINT cp : {932u, 936u, 949u, 950u, 51932u, 51949u, 28597u, 20106u}) {
        set_last_error(ERROR_SUCCESS);
        // A lone lead byte (the EUC forms keep 0x80..0x9F as C1 controls), or an undefined byte.
        const char* bad = cp == 28597 ? "\xFF" : cp == 20106 ? "\x80" : cp > 50000 ? "\xC7" : "\x81";
        EXPECT_EQ(multi_byte_to_wide_char(cp, MB_ERR_INVALID_CHARS, bad, 1, wide, 8), 0) << cp;
        EXPECT_EQ(last_error(), ERROR_NO_UNICODE_TRANSLATION) << cp;
    }
}

TEST(Conversion, RandomBytesAndTextNeverBreakTheConversions) {
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> unit(0, 0xFFFF);
    std::uniform_int_distribution<int> length(1, 48);
    for (UINT cp : qel::test::kAllCodePages) {
        SCOPED_TRACE(cp);
        for (int round = 0; round < 150; ++round) {
            std::string bytes(static_cast<std::size_t>(length(random)), '\0');
            for (char& b : bytes) b = static_cast<char>(round % 3 == 0 ? byte(random) & 0x7F : byte(random));
            // Without MB_ERR_INVALID_CHARS reading always succeeds and the measure is exact.
            const int n = static_cast<int>(bytes.size());
            const int measured = multi_byte_to_wide_char(cp, 0, bytes.data(), n, nullptr, 0);
            ASSERT_GT(measured, 0);
            std::u16string wide(static_cast<std::size_t>(measured) + 1, u'#');
            ASSERT_EQ(multi_byte_to_wide_char(cp, 0, bytes.data(), n, wide.data(), measured), measured);
            ASSERT_EQ(wide.back(), u'#');
            // Reading strictly fails exactly when the lenient reading replaced something (or
            // succeeds with the same text).
            std::u16string strict(static_cast<std::size_t>(measured), u'\0');
            const bool flags_allowed = cp != 65000 && (cp < 50220 || cp > 50225);
            if (flags_allowed) {
                const int r = multi_byte_to_wide_char(cp, MB_ERR_INVALID_CHARS, bytes.data(), n, strict.data(), measured);
                if (r != 0) EXPECT_EQ(strict, wide.substr(0, static_cast<std::size_t>(measured)));
                else EXPECT_NE(wide.find(u'\uFFFD'), std::u16string::npos);
            }
            // Writing random UTF-16 (lone surrogates included) measures exactly too.
            std::u16string text(static_cast<std::size_t>(length(random)), u'\0');
            for (char16_t& u : text) u = static_cast<char16_t>(round % 2 ? unit(random) : unit(random) & 0x7FF);
            const int t = static_cast<int>(text.size());
            const int need = wide_char_to_multi_byte(cp, 0, text.data(), t, nullptr, 0, nullptr, nullptr);
            ASSERT_GT(need, 0);
            std::string out(static_cast<std::size_t>(need) + 1, '#');
            ASSERT_EQ(wide_char_to_multi_byte(cp, 0, text.data(), t, out.data(), need, nullptr, nullptr), need);
            ASSERT_EQ(out.back(), '#');
        }
    }
}

TEST(Conversion, WholeStringHelpersFollowTheCodePage) {
    EXPECT_EQ(to_utf16("caf\xC3\xA9"), u"caf\u00E9");
    EXPECT_EQ(to_utf16("caf\xE9", 1252), u"caf\u00E9");
    EXPECT_EQ(to_utf16(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
    EXPECT_EQ(from_utf16(u"\u65E5?", 932), "\x93\xFA?");
    EXPECT_EQ(from_utf16(u"\u65E5", 1252), "?");
    EXPECT_EQ(from_utf16(u"x", 4242), "");
    EXPECT_EQ(to_utf16("x", 4242), u"");
    EXPECT_EQ(to_utf16(""), u"");
}
