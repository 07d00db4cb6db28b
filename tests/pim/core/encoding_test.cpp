// Quoted-printable encoding and decoding, measuring without a buffer, cut buffers, malformed
// escapes, and the line-by-line file decoder with its soft breaks.
#include <gtest/gtest.h>

#include "pim/osif_files.h"
#include "pim/quoted_printable.h"
#include "pim_core_fixture.h"

using namespace pimtest;

class QuotedPrintableFiles : public PimCoreTest {};

namespace {

std::string encode(const std::string& text) {
    const std::size_t n = CharToQuotedPrintable(text.c_str(), nullptr, 0);
    std::string out(n + 1, '#');
    EXPECT_EQ(CharToQuotedPrintable(text.c_str(), out.data(), out.size()), n);
    EXPECT_EQ(out[n], '\0');
    out.resize(n);
    return out;
}

std::string decode(const std::string& text) {
    const std::size_t n = QuotedPrintableToChar(text.c_str(), nullptr, 0);
    std::string out(n + 1, '#');
    EXPECT_EQ(QuotedPrintableToChar(text.c_str(), out.data(), out.size()), n);
    EXPECT_EQ(out[n], '\0');
    out.resize(n);
    return out;
}

}  // namespace

TEST(QuotedPrintable, EncodesSpecialsControlsAndHighBytes) {
    EXPECT_EQ(encode("a=b;c"), "a=3Db=3Bc");
    EXPECT_EQ(encode("\xE9"), "=E9");
    EXPECT_EQ(encode("a b\tc"), "a b\tc");
    EXPECT_EQ(encode("x:y\\z"), "x=3Ay=5Cz");
    EXPECT_EQ(encode("\r\n\x7F~!"), "=0D=0A=7F~!");
    EXPECT_EQ(encode(""), "");
    // No line length limit and no soft breaks, however long the text.
    const std::string long_text(500, '\xFF');
    EXPECT_EQ(encode(long_text).size(), 1500u);
    EXPECT_EQ(encode(long_text).find('\n'), std::string::npos);
}

TEST(QuotedPrintable, EncoderNeverWritesPastItsBuffer) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    // The full length is returned; only what fits with the terminator is written.
    EXPECT_EQ(CharToQuotedPrintable("a=b;c", buffer, 5), 9u);
    EXPECT_STREQ(buffer, "a=3D");
    EXPECT_EQ(buffer[5], '#');
    EXPECT_EQ(CharToQuotedPrintable("abc", buffer, 1), 3u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(CharToQuotedPrintable("abc", buffer, 0), 3u);
    EXPECT_EQ(CharToQuotedPrintable(nullptr, buffer, sizeof buffer), 0u);
}

TEST(QuotedPrintable, DecodesEitherCaseAndCopiesTheRest) {
    EXPECT_EQ(decode("=3d=3D"), "==");
    EXPECT_EQ(decode("caf=C3=A9"), "caf\xC3\xA9");
    EXPECT_EQ(decode("plain text"), "plain text");
    // Encoding then decoding gives back every byte value but NUL.
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(decode(encode(all)), all);
}

TEST(QuotedPrintable, MalformedEscapesNeverReadPastTheTerminator) {
    // A non-hexadecimal character counts as 15.
    EXPECT_EQ(decode("=G1"), "\xF1");
    EXPECT_EQ(decode("=1Z"), "\x1F");
    EXPECT_EQ(decode("=  x"), std::string("\xFFx"));
    // A lone "=" or an "=" with one character at the end decodes to nothing.
    EXPECT_EQ(decode("ab="), "ab");
    EXPECT_EQ(decode("ab=4"), "ab");
    EXPECT_EQ(decode("="), "");
    // "=00" decodes to a NUL byte that is counted.
    EXPECT_EQ(QuotedPrintableToChar("a=00b", nullptr, 0), 3u);
    // A cut output buffer stays terminated.
    char buffer[4];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(QuotedPrintableToChar("=41=42=43=44", buffer, 3), 4u);
    EXPECT_STREQ(buffer, "AB");
    EXPECT_EQ(buffer[3], '#');
}

TEST_F(QuotedPrintableFiles, FileDecoderJoinsSoftBreaksAndEndsOtherLines) {
    const auto in = dir_.path() / "in.txt";
    const auto out = dir_.path() / "out.txt";
    {
        std::FILE* f = std::fopen(in.c_str(), "w");
        std::fputs("Gr=C3=BC=\r\n=C3=9Fe\r\nline two=3D\n=\nend", f);
        std::fclose(f);
    }
    ASSERT_EQ(DecodeQuotedPrintable(in.u16string().c_str(), out.u16string().c_str()), 0u);
    EXPECT_EQ(qel::test::read_file(out), "Gr\xC3\xBC\xC3\x9F" "e\nline two=\nend\n");
}

TEST_F(QuotedPrintableFiles, FileDecoderReportsFilesThatCannotBeOpened) {
    const auto missing = dir_.path() / "missing.txt";
    const auto out = dir_.path() / "out.txt";
    EXPECT_EQ(DecodeQuotedPrintable(missing.u16string().c_str(), out.u16string().c_str()), OSIF_ERR_OPEN);
    EXPECT_FALSE(std::filesystem::exists(out));
    const auto in = dir_.path() / "in.txt";
    std::fclose(std::fopen(in.c_str(), "w"));
    const auto no_folder = dir_.path() / "no" / "out.txt";
    EXPECT_EQ(DecodeQuotedPrintable(in.u16string().c_str(), no_folder.u16string().c_str()), OSIF_ERR_OPEN);
}
