// Character sets: the table in both directions, the default code pages from the general
// configuration, Shift-JIS detection, reading values (quoted-printable, charset, escapes) and
// writing them (escapes, CHARSET and encoding parameters), and message content.
#include <gtest/gtest.h>

#include "pim/charsets.h"
#include "pim/msg_content.h"
#include "pim/osif_lines.h"
#include "pim/osif_objects.h"
#include "pim/prop_values.h"
#include "pim_core_fixture.h"

using namespace pimtest;

class CharsetConversions : public PimCoreTest {};

namespace {

// A property made from a parameter text and a value text, as the readers make them.
tagProp* make_prop(PropList& list, const char* params, const char* value, int components = 1) {
    tagProp* p = AppendProp(&list.head);
    OSIF_ParseParams(params, p);
    OSIF_ParseValues(value, components, p);
    return p;
}

std::u16string read(tagProp* p, int index = 0) {
    std::u16string out = u"stale";
    PropToBSTR(p, index, out);
    return out;
}

}  // namespace

TEST(CharsetTable, FirstMatchWinsBothWays) {
    EXPECT_EQ(g_Charset.size(), 47u);
    EXPECT_EQ(CharsetToCodePage("utf-8"), 65001u);
    EXPECT_EQ(CharsetToCodePage("ISO-8859-1"), 1252u);
    EXPECT_EQ(CharsetToCodePage("iso-2022-jp"), 50220u);
    EXPECT_EQ(CharsetToCodePage("Shift_JIS"), 932u);
    EXPECT_EQ(CharsetToCodePage("windows-1258"), 1258u);
    EXPECT_EQ(CharsetToCodePage("euc-jp"), 51932u);
    EXPECT_EQ(CharsetToCodePage("UTF-8 "), 0u);  // compared whole
    EXPECT_EQ(CharsetToCodePage("UTF"), 0u);
    EXPECT_EQ(CharsetToCodePage(""), 0u);
    EXPECT_EQ(CharsetToCodePage(nullptr), 0u);
    EXPECT_STREQ(CodePageToCharset(28591), "ISO-8859-1");
    EXPECT_STREQ(CodePageToCharset(1252), "US-ASCII");
    EXPECT_STREQ(CodePageToCharset(932), "SHIFT-JIS");
    EXPECT_STREQ(CodePageToCharset(50222), "ISO-2022-JP");
    EXPECT_STREQ(CodePageToCharset(51932), "X-EUC");
    EXPECT_EQ(CodePageToCharset(437), nullptr);
}

TEST_F(CharsetConversions, DefaultCodePagesWithoutConfiguration) {
    EXPECT_EQ(GetIncomingDefaultCodePage(), 1252u);
    EXPECT_EQ(GetOutgoingDefaultCodePage(), 65001u);
    EXPECT_STREQ(GetOutgoingCHARSET(), "UTF-8");
}

TEST_F(CharsetConversions, DefaultCodePagesFromTheGeneralConfiguration) {
    set_general(u"DefaultInputCharset", u"shift_jis");
    set_general(u"DefaultOutputCharset", u"ISO-8859-2");
    EXPECT_EQ(GetIncomingDefaultCodePage(), 932u);
    EXPECT_EQ(GetOutgoingDefaultCodePage(), 28592u);
    EXPECT_STREQ(GetOutgoingCHARSET(), "ISO-8859-2");
    // Kept for the life of the process once computed.
    set_general(u"DefaultInputCharset", u"UTF-8");
    EXPECT_EQ(GetIncomingDefaultCodePage(), 932u);
}

TEST_F(CharsetConversions, UnknownConfiguredCharsetsFallBackToTheNativeCodePage) {
    set_general(u"DefaultInputCharset", u"KLINGON");
    set_general(u"DefaultOutputCharset", u"native");
    EXPECT_EQ(GetIncomingDefaultCodePage(), GetNativeCodepage());
    EXPECT_EQ(GetOutgoingDefaultCodePage(), GetNativeCodepage());
    // The native code page here is 1252, which gets no outgoing name.
    ASSERT_EQ(GetNativeCodepage(), 1252u);
    EXPECT_EQ(GetOutgoingCHARSET(), nullptr);
}

TEST_F(CharsetConversions, ShiftJisIsDetectedOnlyInAJapaneseLocale) {
    const std::string sjis = "\x93\xfa\x96\x7b";  // two Shift-JIS characters
    EXPECT_FALSE(IsShiftJisLocale());
    EXPECT_FALSE(IsItShiftJIS1(sjis.data(), sjis.size()));
    qel::platform::RegKey key;
    ASSERT_EQ(qel::platform::reg_create_key(HKEY_CURRENT_USER, u"Control Panel\\Appearance", KEY_ALL_ACCESS,
                                            key.put(), nullptr),
              0);
    const DWORD japanese = 1041;
    ASSERT_EQ(qel::platform::reg_set_value(key.get(), u"schemelangid", REG_DWORD,
                                           reinterpret_cast<const BYTE*>(&japanese), sizeof japanese),
              0);
    EXPECT_TRUE(IsShiftJisLocale());
    EXPECT_TRUE(IsItShiftJIS1(sjis.data(), sjis.size()));
    EXPECT_FALSE(IsItShiftJIS1("plain", 5));
    // A lead byte whose text is not valid Shift-JIS as a whole.
    const std::string broken = "\x93";
    EXPECT_FALSE(IsItShiftJIS1(broken.data(), broken.size()));
    // Only the first `length` bytes are scanned for a lead byte.
    const std::string late = "ab\x93\xfa";
    EXPECT_FALSE(IsItShiftJIS1(late.data(), 2));

    // A value without charset in that locale reads as Shift-JIS.
    PropList list;
    EXPECT_EQ(read(make_prop(list, "", sjis.c_str())), u"\u65e5\u672c");
    EXPECT_EQ(list.head->codePage, 932u);
}

TEST_F(CharsetConversions, ReadingQuotedPrintableUtf8) {
    PropList list;
    tagProp* p = make_prop(list, "ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8", "caf=C3=A9");
    EXPECT_EQ(read(p), u"caf\u00e9");
    EXPECT_EQ(p->codePage, 65001u);
    // Quoted-printable named by a parameter counts even when the flag bit is clear.
    tagProp* q = AppendProp(&list.head);
    AddPropParam(q, "quoted-printable");
    AddPropValue(q, heap("=41=42"), 0);
    EXPECT_EQ(read(q), u"AB");
}

TEST_F(CharsetConversions, ReadingEscapesAndLineBreaks) {
    PropList list;
    EXPECT_EQ(read(make_prop(list, "", "a\\;b\\nc")), u"a;b\r\nc");
    EXPECT_EQ(read(make_prop(list, "", "x\\Ny\\\\z\\,\\")), u"x\r\ny\\z,");
    // Without quoted-printable, "=0D=0A" is a line break.
    EXPECT_EQ(read(make_prop(list, "", "one=0D=0Atwo=0D=0A")), u"one\r\ntwo\r\n");
    // Without a charset the incoming default (1252) applies.
    EXPECT_EQ(read(make_prop(list, "", "\xE9t\xE9")), u"\u00e9t\u00e9");
    EXPECT_EQ(list.head->codePage, 1252u);
}

TEST_F(CharsetConversions, ReadingAbsentAndEmptyValues) {
    PropList list;
    tagProp* p = make_prop(list, "", "a;;c", 3);
    EXPECT_EQ(read(p, 1), u"");
    EXPECT_EQ(read(p, 2), u"c");
    EXPECT_EQ(read(p, 3), u"");
    EXPECT_EQ(read(nullptr), u"");
    EXPECT_EQ(p->codePage, 1252u);
    char buffer[4];
    EXPECT_EQ(osif_GetProp(p, 1, buffer, sizeof buffer), 1u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(osif_GetProp(p, 2, buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "c");
    tagProp* long_value = make_prop(list, "", "abcd");
    EXPECT_EQ(osif_GetProp(long_value, 0, buffer, sizeof buffer), OSIF_ERR_MEMORY);
    char fits[5];
    EXPECT_EQ(osif_GetProp(long_value, 0, fits, sizeof fits), 0u);
    EXPECT_STREQ(fits, "abcd");
}

TEST_F(CharsetConversions, TheRecordedCodePageWinsOverTheCharsetParameter) {
    PropList list;
    tagProp* p = make_prop(list, "CHARSET=UTF-8", "\xC3\xA9");
    p->codePage = 1252;
    EXPECT_EQ(read(p), u"\u00c3\u00a9");
    tagProp* unknown = make_prop(list, "CHARSET=X-UNKNOWN", "\xE9");
    EXPECT_EQ(read(unknown), u"\u00e9");  // falls back to the incoming default
    std::string utf8 = PropToUTF8(make_prop(list, "CHARSET=ISO-8859-7", "\xE1"), 0);
    EXPECT_EQ(utf8, "\xCE\xB1");  // Greek alpha
}

TEST_F(CharsetConversions, WritingAsciiAddsNoCharset) {
    PropList list;
    tagProp* p = AppendProp(&list.head);
    BSTRtoProp(u"Doe;John\\x", p, true, 1);
    EXPECT_EQ(texts(p->values), (std::vector<std::string>{"<null>", "Doe=5C=3BJohn=5C=5Cx"}));
    // ";" and backslash are escaped before encoding, so they come out quoted-printable.
    EXPECT_EQ(texts(p->params), (std::vector<std::string>{"ENCODING=QUOTED-PRINTABLE"}));
    EXPECT_EQ(read(p, 1), u"Doe;John\\x");
    // Quoted-printable wanted but not needed: plain text, no parameter.
    tagProp* q = AppendProp(&list.head);
    BSTRtoProp(u"plain", q, true, 0);
    EXPECT_EQ(texts(q->values), (std::vector<std::string>{"plain"}));
    EXPECT_EQ(q->params, nullptr);
    BSTRtoProp(u"", q, true, 0);
    BSTRtoProp(u"x", nullptr, true, 0);
    EXPECT_EQ(texts(q->values), (std::vector<std::string>{"plain"}));
}

TEST_F(CharsetConversions, WritingAccentedTextAddsTheOutgoingCharset) {
    PropList list;
    tagProp* p = AppendProp(&list.head);
    BSTRtoProp(u"caf\u00e9", p, true, 0);
    EXPECT_EQ(texts(p->params), (std::vector<std::string>{"CHARSET=UTF-8", "ENCODING=QUOTED-PRINTABLE"}));
    EXPECT_EQ(texts(p->values), (std::vector<std::string>{"caf=C3=A9"}));
    p->flags = OSIF_ENC_CHARSET | OSIF_ENC_QP;
    EXPECT_EQ(read(p), u"caf\u00e9");
    // A second value neither repeats the parameters nor loses them.
    BSTRtoProp(u"\u00fcber", p, false, 1);
    EXPECT_EQ(texts(p->params).size(), 2u);
    EXPECT_EQ(texts(p->values)[1], "\xC3\xBC" "ber");
}

TEST_F(CharsetConversions, WritingWithAConfiguredOutputCharset) {
    set_general(u"DefaultOutputCharset", u"ISO-8859-7");
    PropList list;
    tagProp* p = AppendProp(&list.head);
    BSTRtoProp(u"\u03b1", p, false, 0);
    EXPECT_EQ(texts(p->params), (std::vector<std::string>{"CHARSET=ISO-8859-7"}));
    EXPECT_EQ(texts(p->values), (std::vector<std::string>{"\xE1"}));
    // A property that already knows its code page keeps it and gets no parameter.
    tagProp* q = AppendProp(&list.head);
    q->codePage = 1252;
    BSTRtoProp(u"\u00e9", q, false, 0);
    EXPECT_EQ(q->params, nullptr);
    EXPECT_EQ(texts(q->values), (std::vector<std::string>{"\xE9"}));
}

TEST_F(CharsetConversions, StringConversionsWithoutAProperty) {
    EXPECT_EQ(StringToBSTR("a=0D=0Ab\\;c\xE9"), u"a\r\nb;c\u00e9");
    EXPECT_EQ(StringToBSTR(""), u"");
    EXPECT_EQ(StringToBSTR(nullptr), u"");
    EXPECT_EQ(StringToSTR("x\\ny"), "x\r\ny");
    set_general(u"DefaultInputCharset", u"UTF-8");
    ResetDefaultCodePages();
    EXPECT_EQ(StringToBSTR("caf\xC3\xA9"), u"caf\u00e9");
}

TEST_F(CharsetConversions, ContactNames) {
    auto object = std::make_unique<tagvObject>();
    std::memset(object.get(), 0, sizeof(tagvObject));
    OSIF_ParseValues("Doe;John;;Dr.;", 5, AppendProp(&object->body.card.N));
    std::u16string name;
    GetVCardNameAsBSTR(object.get(), name);
    EXPECT_EQ(name, u"Doe John Dr.");
    OSIF_ParseValues("John Doe", 1, AppendProp(&object->body.card.FN));
    GetVCardNameAsBSTR(object.get(), name);
    EXPECT_EQ(name, u"John Doe");
    char buffer[5];
    osif_GetObjectName(OSIF_STORE_PHONEBOOK, object.get(), buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "John");
    OSIF_FreeObject(OSIF_STORE_PHONEBOOK, object.get());

    OSIF_ParseValues("Meeting", 1, AppendProp(&object->body.cal.slots[8]));
    OSIF_ParseValues("Room 1", 1, AppendProp(&object->body.cal.slots[2]));
    char wide[64];
    osif_GetObjectName(OSIF_STORE_CALENDAR, object.get(), wide, sizeof wide);
    EXPECT_STREQ(wide, "Meeting - Room 1");
    OSIF_FreeObject(OSIF_STORE_CALENDAR, object.get());
    OSIF_ParseValues("body text", 1, AppendProp(&object->body.note.BODY));
    osif_GetObjectName(OSIF_STORE_NOTES, object.get(), wide, sizeof wide);
    EXPECT_STREQ(wide, "(body text)");
    OSIF_FreeObject(OSIF_STORE_NOTES, object.get());
}

TEST_F(CharsetConversions, MessageContentRoundTrips) {
    tagPart part{};
    BSTRtoContent(u"Hello;\r\nworld", &part, false);
    ASSERT_NE(part.contentType, nullptr);
    EXPECT_STREQ(part.contentType->str, "text/plain; charset=\"US-ASCII\"");
    EXPECT_EQ(part.flags, OSIF_ENC_CHARSET | OSIF_ENC_QP);
    ASSERT_NE(part.transferEncoding, nullptr);
    EXPECT_STREQ(part.transferEncoding->str, "quoted-printable");
    EXPECT_EQ(texts(part.content->values), (std::vector<std::string>{"Hello=3B=0D=0Aworld"}));
    std::u16string back;
    ContentToBSTR(&part, back);
    EXPECT_EQ(back, u"Hello;\r\nworld");
    OSIF_FreeParts(part.next);
    OSIF_FreeStringList(part.contentType);
    OSIF_FreeStringList(part.transferEncoding);
    OSIF_FreePropList(part.content);

    tagPart html{};
    BSTRtoContent(u"<b>gr\u00fc\u00df</b>", &html, true);
    EXPECT_STREQ(html.contentType->str, "text/html; charset=\"UTF-8\"");
    std::string eight_bit;
    ContentToSTR(&html, eight_bit);
    EXPECT_EQ(eight_bit, "<b>gr\xFC\xDF</b>");
    OSIF_FreeStringList(html.contentType);
    OSIF_FreeStringList(html.transferEncoding);
    OSIF_FreePropList(html.content);

    tagPart plain{};
    BSTRtoContent(u"abc", &plain, false);
    EXPECT_EQ(plain.flags, OSIF_ENC_CHARSET);
    EXPECT_EQ(plain.transferEncoding, nullptr);
    OSIF_FreeStringList(plain.contentType);
    OSIF_FreePropList(plain.content);
}

TEST_F(CharsetConversions, ContentCharsetComesFromTheContentType) {
    tagPart part{};
    CopyStringValue(&NewString(&part.contentType)->str, "text/plain; charset=iso-8859-7; format=flowed");
    AddPropValue(AppendProp(&part.content), heap("\xE1=0D=0A"), 0);
    std::u16string text;
    ContentToBSTR(&part, text);
    EXPECT_EQ(text, u"\u03b1\r\n");
    OSIF_FreeStringList(part.contentType);
    OSIF_FreePropList(part.content);
}

TEST_F(CharsetConversions, FileContentReferencesItsFile) {
    const auto file = tmp() / "attachment.bin";
    std::fclose(std::fopen(file.c_str(), "w"));
    tagPart part{};
    FileToContent(file.u16string().c_str(), &part, u"report.txt");
    EXPECT_STREQ(part.contentType->str, "text/plain; charset=US-ASCII; name=\"report.txt\"");
    EXPECT_STREQ(part.transferEncoding->str, "base64");
    ASSERT_NE(part.content, nullptr);
    ASSERT_NE(part.content->file, nullptr);
    EXPECT_EQ(std::u16string(part.content->file->path), file.u16string());
    // Freed with its part, the file goes too.
    auto* owned = static_cast<tagPart*>(OSIF_Alloc(sizeof(tagPart)));
    *owned = part;
    OSIF_FreeParts(owned);
    EXPECT_FALSE(std::filesystem::exists(file));
}
