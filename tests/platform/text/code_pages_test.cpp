// Each code page carries the characters it has there and back, and writes the bytes its
// published tables give.
#include <gtest/gtest.h>

#include "text_test_support.h"

using namespace qel::platform;
using qel::test::decode;
using qel::test::encode;
using qel::test::hex;

namespace {

struct Sample {
    UINT code_page;
    std::u16string_view text;
};

const Sample kSamples[] = {
    {65001, u"a\u00E9\u65E5\U0001F600"},
    {65000, u"a+b \u00E9\u65E5\U0001F600 ~\\"},
    {1250, u"\u0141\u00F3d\u017A \u20AC"},
    {1251, u"\u041F\u0440\u0438\u0432\u0435\u0442"},
    {1252, u"caf\u00E9 \u20AC \u201Cq\u201D \u0081\u009D"},
    {1253, u"\u0395\u03BB\u03BB\u03AC\u03B4\u03B1"},
    {1254, u"\u0130stanbul \u011F\u015F"},
    {1255, u"\u05E9\u05DC\u05D5\u05DD \u20AA"},
    {1256, u"\u0633\u0644\u0627\u0645"},
    {1257, u"\u0104\u017Euolas \u0113"},
    {1258, u"Vi\u00EAt \u0111\u01B0\u0303"},
    {874, u"\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22"},
    {932, u"\u65E5\u672C\u8A9E\uFF76\uFF85\uFF5E"},
    {936, u"\u4E2D\u6587\u7B80\u4F53\u20AC"},
    {949, u"\uD55C\uAD6D\uC5B4\uAC02"},
    {950, u"\u4E2D\u6587\u7E41\u9AD4"},
    {437, u"\u00C7\u00FC\u00E9\u2591"},
    {850, u"\u00C7\u00FC\u00E9\u00AE"},
    {852, u"\u0141\u00F3d\u017A"},
    {866, u"\u041F\u0440\u0438\u0432\u0435\u0442"},
    {20105, u"a\u00A4b"},
    {20106, u"\u00C4\u00F6\u00FC\u00DF\u00A7"},
    {20107, u"\u00C4\u00D6\u00C5\u00E4\u00F6\u00E5"},
    {20108, u"\u00C6\u00D8\u00C5\u00E6\u00F8\u00E5"},
    {20127, u"plain ~"},
    {20866, u"\u041F\u0440\u0438\u0432\u0435\u0442"},
    {28591, u"caf\u00E9 \u0085"},
    {28592, u"\u0141\u00F3d\u017A"},
    {28593, u"\u0126 \u0121"},
    {28594, u"\u0100 \u0137"},
    {28595, u"\u041F\u0440\u0438\u0432\u0435\u0442"},
    {28596, u"\u0633\u0644\u0627\u0645"},
    {28597, u"\u0395\u03BB\u03BB\u03AC\u03B4\u03B1"},
    {28598, u"\u05E9\u05DC\u05D5\u05DD"},
    {28599, u"\u0130stanbul \u011F"},
    {28605, u"\u20AC \u0153"},
    {50220, u"a\u65E5\u672C\u8A9E b"},
    {50221, u"a\u65E5\u672C\u8A9E\uFF76\uFF85 b"},
    {50222, u"a\u65E5\u672C\u8A9E\uFF76\uFF85 b"},
    {50225, u"\uD55C\uAD6D\uC5B4 abc"},
    {50932, u"\u65E5\u672C\u8A9E"},
    {50949, u"\uD55C\uAD6D\uC5B4"},
    {51932, u"\u65E5\u672C\u8A9E\uFF76"},
    {51949, u"\uD55C\uAD6D\uC5B4"},
    {52936, u"\u4E2D\u6587 ~ abc"},
};

}  // namespace

TEST(CodePages, EveryListedCodePageIsValidAndCarriesItsCharactersBothWays) {
    for (UINT cp : qel::test::kAllCodePages) {
        EXPECT_TRUE(is_valid_code_page(cp)) << cp;
    }
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.code_page);
        const bool flag = qel::test::takes_default(s.code_page);
        const auto encoded = encode(s.code_page, s.text, nullptr, flag);
        EXPECT_FALSE(encoded.used_default);
        EXPECT_EQ(encoded.bytes.find('?'), std::string::npos) << hex(encoded.bytes);
        EXPECT_EQ(decode(s.code_page, encoded.bytes), s.text) << hex(encoded.bytes);
        EXPECT_EQ(decode(s.code_page, encoded.bytes, s.code_page == 65000 || (s.code_page >= 50220 && s.code_page <= 50225) ? 0 : MB_ERR_INVALID_CHARS),
                  s.text);
    }
}

TEST(CodePages, ShiftJisMatchesThePlatformTable) {
    EXPECT_EQ(hex(encode(932, u"\u65E5\u672C\u8A9E").bytes), "93 FA 96 7B 8C EA");
    EXPECT_EQ(hex(encode(932, u"\uFF76").bytes), "B6");           // halfwidth katakana: one byte
    EXPECT_EQ(hex(encode(932, u"\uFF5E\\").bytes), "81 60 5C");   // fullwidth tilde; backslash stays
    EXPECT_EQ(hex(encode(932, u"\u2460").bytes), "87 40");        // NEC circled digit one
    EXPECT_EQ(decode(932, "\x82\xA0\x83\x41\x8A\xBF\x8E\x9A"), u"\u3042\u30A2\u6F22\u5B57");
}

TEST(CodePages, KoreanAndChineseMultiByteSamples) {
    EXPECT_EQ(hex(encode(51949, u"\uD55C\uAD6D\uC5B4").bytes), "C7 D1 B1 B9 BE EE");
    EXPECT_EQ(hex(encode(949, u"\uAC02").bytes), "81 41");  // beyond EUC-KR: the extended hangul
    const auto lacks = encode(51949, u"\uAC02");
    EXPECT_EQ(lacks.bytes, "?");
    EXPECT_TRUE(lacks.used_default);
    EXPECT_EQ(hex(encode(936, u"\u4E2D\u20AC").bytes), "D6 D0 80");
    EXPECT_EQ(hex(encode(950, u"\u4E2D").bytes), "A4 A4");
}

TEST(CodePages, SevenBitNationalVariantsUseTheirOwnLetters) {
    EXPECT_EQ(encode(20106, u"\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF\u00A7").bytes, "[\\]{|}~@");
    EXPECT_EQ(encode(20107, u"\u00C4\u00D6\u00C5\u00E4\u00F6\u00E5").bytes, "[\\]{|}");
    EXPECT_EQ(encode(20108, u"\u00C6\u00D8\u00C5\u00E6\u00F8\u00E5").bytes, "[\\]{|}");
    EXPECT_EQ(encode(20105, u"\u00A4").bytes, "$");
    const auto dollar = encode(20105, u"$");  // the reference version has no dollar sign
    EXPECT_EQ(dollar.bytes, "?");
    EXPECT_TRUE(dollar.used_default);
    EXPECT_EQ(decode(20106, "[x]"), u"\u00C4x\u00DC");
    EXPECT_EQ(decode(20106, "\xC4"), u"\uFFFD");  // 8-bit bytes are not part of a 7-bit set
}

TEST(CodePages, SingleByteTablesKeepEveryDefinedByte) {
    // Every byte a table defines comes back as itself, including the C1 controls standing in
    // for the holes of the 125x code pages.
    for (UINT cp : {1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u, 1257u, 1258u, 874u, 437u, 850u,
                    852u, 866u, 20866u, 28591u, 28595u, 28605u}) {
        SCOPED_TRACE(cp);
        std::string all;
        for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
        const std::u16string wide = decode(cp, all);
        ASSERT_EQ(wide.size(), all.size());  // one character per byte, none combined
        std::string defined;
        std::u16string defined_wide;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (wide[i] == u'\uFFFD') continue;
            defined += all[i];
            defined_wide += wide[i];
        }
        EXPECT_EQ(encode(cp, defined_wide).bytes, defined);
    }
    EXPECT_EQ(decode(1252, "\x80\x81\x8D\x9F"), u"\u20AC\u0081\u008D\u0178");
    EXPECT_EQ(decode(28597, "\xFF"), u"\uFFFD");  // undefined in ISO-8859-7
}

TEST(CodePages, Iso2022JapaneseVariantsWriteKatakanaTheirOwnWay) {
    const std::string esc = "\x1B";
    EXPECT_EQ(encode(50220, u"\u65E5\u672C", nullptr, false).bytes, esc + "$BF|K\\" + esc + "(B");
    // Halfwidth katakana: fullwidth in 50220, ESC ( I in 50221, SO/SI in 50222.
    EXPECT_EQ(encode(50220, u"\uFF76", nullptr, false).bytes, esc + "$B%+" + esc + "(B");
    EXPECT_EQ(encode(50221, u"\uFF76a", nullptr, false).bytes, esc + "(I6" + esc + "(Ba");
    EXPECT_EQ(encode(50222, u"\uFF76a", nullptr, false).bytes, "\x0E" "6\x0F" "a");
    EXPECT_EQ(encode(50220, u"abc", nullptr, false).bytes, "abc");  // no escapes for plain ASCII
    // Every variant reads every form, JIS-Roman and 8-bit katakana included.
    const std::string mixed = esc + "$BF|" + esc + "(J." + esc + "(I6" + esc + "(B\x0E" "6\x0F\xB6";
    for (UINT cp : {50220u, 50221u, 50222u, 50932u}) {
        EXPECT_EQ(decode(cp, mixed), u"\u65E5.\uFF76\uFF76\uFF76") << cp;
    }
    EXPECT_EQ(decode(50220, encode(50220, u"\uFF76\uFF85", nullptr, false).bytes), u"\u30AB\u30CA");
}

TEST(CodePages, Iso2022KoreanAndHzUseTheirShiftSequences) {
    EXPECT_EQ(encode(50225, u"a\uD55Cb", nullptr, false).bytes, "\x1B$)Ca\x0EGQ\x0F" "b");
    EXPECT_EQ(encode(50225, u"ab", nullptr, false).bytes, "ab");
    EXPECT_EQ(encode(52936, u"\u4E2D\u6587~").bytes, "~{VPND~}~~");
    EXPECT_EQ(decode(52936, "a~{VP~}~\nb"), u"a\u4E2Db");  // "~" and a line feed continue the line
    EXPECT_EQ(decode(52936, "~x"), u"\uFFFDx");
}

TEST(CodePages, DetectingCodePagesReadEveryJapaneseAndKoreanForm) {
    const std::u16string nihon = u"\u65E5\u672C";
    EXPECT_EQ(decode(50932, "\x93\xFA\x96\x7B"), nihon);          // Shift-JIS
    EXPECT_EQ(decode(50932, "\xC6\xFC\xCB\xDC"), nihon);          // EUC-JP
    EXPECT_EQ(decode(50932, "\x1B$BF|K\\\x1B(B"), nihon);         // ISO-2022-JP
    EXPECT_EQ(hex(encode(50932, nihon).bytes), "93 FA 96 7B");    // writes Shift-JIS
    EXPECT_EQ(decode(50949, "\x1B$)C\x0EGQ\x0F"), u"\uD55C");
    EXPECT_EQ(decode(50949, "\xC7\xD1\x81\x41"), u"\uD55C\uAC02");
}

TEST(CodePages, Utf7AndUtf8AreExact) {
    EXPECT_EQ(encode(65001, u"\u00E9\U0001F600", nullptr, false).bytes, "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(decode(65000, "Hi +AOkA6Q-!"), u"Hi \u00E9\u00E9!");
    EXPECT_EQ(decode(65000, "+ZeVnLA-"), u"\u65E5\u672C");
    EXPECT_EQ(decode(65000, "a+-b"), u"a+b");
}
