// Reading logical lines (folding, soft breaks, base64 continuation), splitting them into name,
// parameters and value, and parsing parameters and value components.
#include <gtest/gtest.h>

#include <memory>

#include "pim/osif_files.h"
#include "pim/osif_lines.h"
#include "pim_core_fixture.h"

using namespace pimtest;

class ValueFiles : public PimCoreTest {};

namespace {

// Reads every logical line of text.
std::vector<std::string> read_all(const std::string& text, std::optional<std::uint32_t> hint = std::nullopt,
                                  bool return_blank = false) {
    TextStream stream(text);
    std::vector<std::string> lines;
    for (int guard = 0; guard < 100; ++guard) {
        char* line = OSIF_ReadPropertyLine(stream.get(), hint, return_blank);
        EXPECT_NE(line, nullptr);
        if (!line) break;
        std::string s = line;
        OSIF_Free(line);
        if (std::feof(stream.get()) && s.empty()) break;
        lines.push_back(s);
    }
    return lines;
}

struct Split {
    std::string name, params, value;
};

Split split(const std::string& line) {
    char name[OSIF_NAME_SIZE + 8];
    char params[OSIF_PARAMS_SIZE + 8];
    std::memset(name, 'X', sizeof name);
    std::memset(params, 'X', sizeof params);
    const char* value = OSIF_SplitPropertyLine(name, params, line.c_str());
    // Nothing beyond the documented sizes is touched.
    for (std::size_t i = OSIF_NAME_SIZE; i < sizeof name; ++i) EXPECT_EQ(name[i], 'X');
    for (std::size_t i = OSIF_PARAMS_SIZE; i < sizeof params; ++i) EXPECT_EQ(params[i], 'X');
    return {name, params, value};
}

}  // namespace

// ---- logical lines ----------------------------------------------------------------------------

TEST(LineReading, QuotedPrintableSoftBreakJoinsTheNextLineAsItStands) {
    EXPECT_EQ(read_all("TEL;TYPE=WORK;ENCODING=QUOTED-PRINTABLE:12=\r\n34\r\nN:x\r\n"),
              (std::vector<std::string>{"TEL;TYPE=WORK;ENCODING=QUOTED-PRINTABLE:1234", "N:x"}));
    // A continuation that starts with blanks keeps them; several soft breaks chain.
    EXPECT_EQ(read_all("NOTE;QUOTED-PRINTABLE:a=\n b=\n=\nc\n"),
              (std::vector<std::string>{"NOTE;QUOTED-PRINTABLE:a bc"}));
    // Only the part before ":" decides: an "=" at the end of a plain value is kept.
    EXPECT_EQ(read_all("NOTE:QUOTED-PRINTABLE=\nN:x\n"), (std::vector<std::string>{"NOTE:QUOTED-PRINTABLE=", "N:x"}));
    // A soft break on the last line ends at the end of the stream.
    EXPECT_EQ(read_all("NOTE;ENCODING=QUOTED-PRINTABLE:abc="), (std::vector<std::string>{"NOTE;ENCODING=QUOTED-PRINTABLE:abc"}));
}

TEST(LineReading, FoldedPlainLinesLoseExactlyOneLeadingBlank) {
    EXPECT_EQ(read_all("NOTE:abc\r\n def\r\nN:x\r\n"), (std::vector<std::string>{"NOTE:abcdef", "N:x"}));
    EXPECT_EQ(read_all("NOTE:abc\n  def\n"), (std::vector<std::string>{"NOTE:abc def"}));
    EXPECT_EQ(read_all("NOTE:abc\n\tdef\n ghi\n"), (std::vector<std::string>{"NOTE:abcdefghi"}));
    // The byte after a line that is not a blank is put back for the next line.
    EXPECT_EQ(read_all("A:1\nB:2\nC:3"), (std::vector<std::string>{"A:1", "B:2", "C:3"}));
}

TEST(LineReading, Base64ContinuationsLoseAllLeadingAndTrailingBlanks) {
    EXPECT_EQ(read_all("PHOTO;ENCODING=BASE64:QUJD  \r\n    REVG \r\n\tR0hJ\r\nN:x\r\n"),
              (std::vector<std::string>{"PHOTO;ENCODING=BASE64:QUJDREVGR0hJ", "N:x"}));
    EXPECT_EQ(read_all("LOGO;ENCODING=b:QUJD\n  REVG\n"), (std::vector<std::string>{"LOGO;ENCODING=b:QUJDREVG"}));
}

TEST(LineReading, HintOverridesTheLinesOwnParameters) {
    // Hint 1: quoted-printable although the line does not say so.
    EXPECT_EQ(read_all("abc=\ndef\n", 1u), (std::vector<std::string>{"abcdef"}));
    // Hint 0: plain although the line says quoted-printable.
    EXPECT_EQ(read_all("X;QUOTED-PRINTABLE:abc=\ndef\n", 0u),
              (std::vector<std::string>{"X;QUOTED-PRINTABLE:abc=", "def"}));
}

TEST(LineReading, BlankLinesCarriageReturnsAndTheEndOfTheStream) {
    // With returnBlank an empty line comes back as an empty string and the next line follows.
    TextStream stream("\r\nN:x\r\n");
    char* blank = OSIF_ReadPropertyLine(stream.get(), std::nullopt, true);
    ASSERT_NE(blank, nullptr);
    EXPECT_STREQ(blank, "");
    OSIF_Free(blank);
    char* next = OSIF_ReadPropertyLine(stream.get(), std::nullopt, true);
    EXPECT_STREQ(next, "N:x");
    OSIF_Free(next);
    // At the end: an empty string, never null.
    char* end = OSIF_ReadPropertyLine(stream.get(), std::nullopt, true);
    ASSERT_NE(end, nullptr);
    EXPECT_STREQ(end, "");
    OSIF_Free(end);
    // A line is cut at its first CR, whatever follows it.
    EXPECT_EQ(read_all("N:a\rb\n"), (std::vector<std::string>{"N:a"}));
}

TEST(LineReading, LinesHaveNoLengthLimit) {
    const std::string value(200000, 'v');
    EXPECT_EQ(read_all("NOTE:" + value + "\n " + value + "\n"), (std::vector<std::string>{"NOTE:" + value + value}));
}

// ---- splitting ----------------------------------------------------------------------------------

TEST(LineSplitting, NameParametersAndValue) {
    Split s = split("TEL;TYPE=WORK;VOICE:+49 30 1234");
    EXPECT_EQ(s.name, "TEL");
    EXPECT_EQ(s.params, "TYPE=WORK;VOICE");
    EXPECT_EQ(s.value, "+49 30 1234");
    s = split("N:Doe;John");
    EXPECT_EQ(s.name, "N");
    EXPECT_EQ(s.params, "");
    EXPECT_EQ(s.value, "Doe;John");
    // Without ":" the value is empty.
    s = split("BEGIN");
    EXPECT_EQ(s.name, "BEGIN");
    EXPECT_EQ(s.value, "");
    s = split("X;a=b");
    EXPECT_EQ(s.params, "a=b");
    EXPECT_EQ(s.value, "");
}

TEST(LineSplitting, EscapePairsAreCopiedAndEndNothing) {
    Split s = split("A\\;B\\:C\\\\;P\\:Q\\\\:V");
    EXPECT_EQ(s.name, "A\\;B\\:C\\\\");
    EXPECT_EQ(s.params, "P\\:Q\\\\");
    EXPECT_EQ(s.value, "V");
    // In parameters "\;" is no escape pair: the ";" stays part of the parameter text anyway.
    s = split("N;a\\;b:v");
    EXPECT_EQ(s.params, "a\\;b");
    // A backslash at the very end stops at the terminator.
    s = split("N\\");
    EXPECT_EQ(s.name, "N\\");
    EXPECT_EQ(s.value, "");
    s = split("N;p\\");
    EXPECT_EQ(s.params, "p\\");
}

TEST(LineSplitting, LongNamesAndParametersAreCutNotOverrun) {
    const std::string long_name(600, 'N');
    const std::string long_params(900, 'p');
    Split s = split(long_name + ";" + long_params + ":value");
    EXPECT_EQ(s.name, std::string(51, 'N'));
    EXPECT_EQ(s.params, std::string(127, 'p'));
    EXPECT_EQ(s.value, "value");  // the value is found although the texts were cut
    // An escape pair across the cut point is not half-written past the buffer.
    s = split(std::string(50, 'N') + "\\;X:v");
    EXPECT_EQ(s.name.size(), 51u);
    EXPECT_EQ(s.value, "v");
}

TEST(LineSplitting, BlanksAreRemovedAnywhere) {
    Split s = split("n;charset = utf-8:a;b");
    char name[OSIF_NAME_SIZE];
    char params[OSIF_PARAMS_SIZE];
    std::strcpy(name, s.name.c_str());
    std::strcpy(params, s.params.c_str());
    OSIF_RemoveBlanks(name);
    OSIF_RemoveBlanks(params);
    EXPECT_STREQ(name, "n");
    EXPECT_STREQ(params, "charset=utf-8");
    EXPECT_EQ(s.value, "a;b");
    char both[] = " \tT E\tL ";
    OSIF_RemoveBlanks(both);
    EXPECT_STREQ(both, "TEL");
}

// ---- parameters ---------------------------------------------------------------------------------

TEST(Parameters, CutAtUnescapedSemicolonsKeptAsWritten) {
    PropList list;
    tagProp* p = AppendProp(&list.head);
    OSIF_ParseParams("TYPE=WORK;a\\;b;;VOICE", p);
    EXPECT_EQ(texts(p->params), (std::vector<std::string>{"TYPE=WORK", "a\\;b", "", "VOICE"}));
    EXPECT_EQ(p->flags, 0u);
    // A backslash at the very end stops the scan; the rest is the last parameter.
    tagProp* q = AppendProp(&list.head);
    OSIF_ParseParams("X;Y\\", q);
    EXPECT_EQ(texts(q->params), (std::vector<std::string>{"X", "Y\\"}));
}

TEST(Parameters, EncodingBits) {
    struct Case {
        const char* params;
        std::uint32_t flags;
    };
    const Case cases[] = {
        {"charset=utf-8", OSIF_ENC_CHARSET},
        {"ENCODING=QUOTED-PRINTABLE", OSIF_ENC_QP},
        {"quoted-printable", OSIF_ENC_QP},
        {"CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE", OSIF_ENC_CHARSET | OSIF_ENC_QP},
        {"ENCODING=BASE64", OSIF_ENC_BASE64},
        {"ENCODING=b", OSIF_ENC_BASE64},
        {"BASE64", OSIF_ENC_BASE64},
        {"ENCODING=8BIT", OSIF_ENC_8BIT},
        // Exactly one encoding: quoted-printable wins over the others.
        {"QUOTED-PRINTABLE;BASE64;8BIT", OSIF_ENC_QP},
        {"BASE64;8BIT", OSIF_ENC_BASE64},
        {"TYPE=WORK", 0},
    };
    for (const Case& c : cases) {
        PropList list;
        tagProp* p = AppendProp(&list.head);
        OSIF_ParseParams(c.params, p);
        EXPECT_EQ(p->flags, c.flags) << c.params;
    }
}

// ---- values -------------------------------------------------------------------------------------

TEST(Values, ComponentsUpToTheMaximumWithEscapesKept) {
    PropList list;
    tagProp* p = AppendProp(&list.head);
    OSIF_ParseValues("X\\;Y;Z", 2, p);
    EXPECT_EQ(texts(p->values), (std::vector<std::string>{"X\\;Y", "Z"}));
    tagProp* q = AppendProp(&list.head);
    OSIF_ParseValues("X\\;Y;Z", 1, q);
    EXPECT_EQ(texts(q->values), (std::vector<std::string>{"X\\;Y"}));
    // Empty components keep their places; a trailing backslash stays with its component.
    tagProp* r = AppendProp(&list.head);
    OSIF_ParseValues(";;Street;City\\", 7, r);
    EXPECT_EQ(texts(r->values), (std::vector<std::string>{"", "", "Street", "City\\"}));
}

TEST(Values, LaterComponentsReplaceEarlierOnesAtTheirIndex) {
    PropList list;
    tagProp* p = AppendProp(&list.head);
    OSIF_ParseValues("a;b;c", 5, p);
    OSIF_ParseValues("A;B", 5, p);
    EXPECT_EQ(texts(p->values), (std::vector<std::string>{"A", "B", "c"}));
}

TEST_F(ValueFiles, ValueToTempFileWritesLinesOf65AndIsDeletedWithItsProperty) {
    const std::string value(140, 'Q');
    tagProp* head = nullptr;
    tagProp* p = AppendProp(&head);
    ASSERT_EQ(OSIF_ValueToTempFile(value.c_str(), p), OSIF_SUCCESS);
    ASSERT_NE(p->file, nullptr);
    EXPECT_EQ(p->values, nullptr);
    const std::filesystem::path path(std::u16string(p->file->path));
    EXPECT_EQ(path.parent_path(), tmp());
    EXPECT_EQ(path.filename().string().substr(0, 3), "qel");
    EXPECT_EQ(qel::test::read_file(path), std::string(65, 'Q') + "\n" + std::string(65, 'Q') + "\n" +
                                              std::string(10, 'Q') + "\n");
    OSIF_FreePropList(head);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(files_in_tmp(), 0u);
}

TEST_F(ValueFiles, ValueToTempFileWithoutPropertyLeavesNoFileBehind) {
    EXPECT_EQ(OSIF_ValueToTempFile("QUJD", nullptr), OSIF_SUCCESS);
    EXPECT_EQ(files_in_tmp(), 0u);
    // An empty value makes an empty file.
    PropList list;
    tagProp* p = AppendProp(&list.head);
    ASSERT_EQ(OSIF_ValueToTempFile("", p), OSIF_SUCCESS);
    EXPECT_EQ(qel::test::read_file(std::filesystem::path(std::u16string(p->file->path))), "");
}

TEST_F(ValueFiles, ValueToTempFileWithoutTemporaryFolderFails) {
    std::filesystem::remove_all(tmp());
    PropList list;
    tagProp* p = AppendProp(&list.head);
    EXPECT_EQ(OSIF_ValueToTempFile("QUJD", p), OSIF_ERR_FILE);
    EXPECT_EQ(p->file, nullptr);
}
