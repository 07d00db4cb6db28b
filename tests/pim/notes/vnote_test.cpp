// The note reader: which files it accepts (BEGIN:VNOTE first, versions up to 1.1, END and VERSION
// required), how nesting, blank lines and unknown names count, what each delivered note holds, and
// the log lines a viewer receives for each rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notes_fixture.h"
#include "pim/notes/vnote_parser.h"
#include "pim/prop_values.h"

namespace pimnotes {
namespace {

// What a delivered note held at the moment of delivery.
struct Note {
    std::uint32_t store = 0;
    std::uint32_t status = 0;
    std::string luid;
    std::string version;
    std::vector<std::vector<std::string>> lists;  // per list: component 0 of each property
    std::vector<std::uint32_t> flags;             // per list: flags of its first property
};

const char* text_of(const tagProp* p) { return p->values && p->values->str ? p->values->str : ""; }

void record(tOSIF_STOREID store, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    auto& notes = *reinterpret_cast<std::vector<Note>*>(context);
    Note n{store, status, object->luid, object->version, {}, {}};
    const tagvNote& b = object->body.note;
    for (const tagProp* list : {b.DCREATED, b.LAST_MODIFIED, b.CATEGORIES, b.CLASS, b.BODY, b.SUMMARY}) {
        std::vector<std::string> values;
        for (const tagProp* p = list; p; p = p->next) values.emplace_back(text_of(p));
        n.lists.push_back(values);
        n.flags.push_back(list ? list->flags : 0);
    }
    notes.push_back(std::move(n));
}

enum List { DCREATED, LAST_MODIFIED, CATEGORIES, CLASS, BODY, SUMMARY };

struct Parsed {
    tOSIF_ERROR result;
    std::vector<Note> notes;
};

Parsed parse(const std::string& text) {
    TextStream s(text);
    Parsed p{};
    p.result = OSIF_ParseVNotes(s.get(), record, reinterpret_cast<std::uintptr_t>(&p.notes));
    return p;
}

const std::string kNote = "BEGIN:VNOTE\r\nVERSION:1.1\r\nBODY:Hello\r\nEND:VNOTE\r\n";

class VNoteReaderTest : public NotesTest {};

TEST_F(VNoteReaderTest, VersionsUpToOnePointOneAreAcceptedAndLaterOnesRefused) {
    for (const char* version : {"1.1", "1.0", " 1.1", "1"}) {
        const Parsed p = parse(std::string("BEGIN:VNOTE\r\nVERSION:") + version + "\r\nEND:VNOTE\r\n");
        EXPECT_EQ(p.result, OSIF_SUCCESS) << version;
        ASSERT_EQ(p.notes.size(), 1u) << version;
        EXPECT_EQ(p.notes[0].version, version);
        EXPECT_EQ(p.notes[0].store, OSIF_STORE_NOTES);
    }
    for (const char* version : {"2.0", "1.2", "0", "0.0", "abc", ""}) {
        const Parsed p = parse(std::string("BEGIN:VNOTE\r\nVERSION:") + version + "\r\nBODY:x\r\nEND:VNOTE\r\n");
        EXPECT_EQ(p.result, OSIF_ERR_PARSE) << version;
        EXPECT_TRUE(p.notes.empty()) << version;
    }
    // A refused version ends the file even when good notes follow.
    const Parsed later = parse(kNote + "BEGIN:VNOTE\r\nVERSION:2.0\r\nEND:VNOTE\r\n" + kNote);
    EXPECT_EQ(later.result, OSIF_ERR_PARSE);
    EXPECT_EQ(later.notes.size(), 1u);
}

TEST_F(VNoteReaderTest, VersionAndEndAreRequired) {
    EXPECT_EQ(parse("BEGIN:VNOTE\r\nBODY:x\r\nEND:VNOTE\r\n").result, OSIF_ERR_PARSE);
    EXPECT_EQ(parse("BEGIN:VNOTE\r\nVERSION:1.1\r\nBODY:x\r\n").result, OSIF_ERR_PARSE);
    // A VERSION after the note's END belongs to no note.
    EXPECT_EQ(parse("BEGIN:VNOTE\r\nEND:VNOTE\r\nVERSION:1.1\r\n").result, OSIF_ERR_PARSE);
    // A VERSION inside a nested object is not the note's.
    EXPECT_EQ(parse("BEGIN:VNOTE\r\nBEGIN:X\r\nVERSION:1.1\r\nEND:X\r\nEND:VNOTE\r\n").result, OSIF_ERR_PARSE);
    // The second note lacks its END: nothing of it is delivered and the file is refused.
    const Parsed p = parse(kNote + "BEGIN:VNOTE\r\nVERSION:1.1\r\nBODY:cut");
    EXPECT_EQ(p.result, OSIF_ERR_PARSE);
    EXPECT_EQ(p.notes.size(), 1u);
}

TEST_F(VNoteReaderTest, TheFirstLineMustBeBeginWithExactlyVNote) {
    for (const std::string& bad : {std::string("BEGIN:VCARD\r\nVERSION:1.1\r\nEND:VCARD\r\n"),
                                   std::string("BEGIN:vnote\r\nVERSION:1.1\r\nEND:VNOTE\r\n"),
                                   std::string("BEGIN:VNOTES\r\nVERSION:1.1\r\nEND:VNOTE\r\n"),
                                   std::string("VERSION:1.1\r\n") + kNote, "\r\n" + kNote, std::string("x"),
                                   std::string("")}) {
        const Parsed p = parse(bad);
        EXPECT_EQ(p.result, OSIF_ERR_PARSE) << bad;
        EXPECT_TRUE(p.notes.empty()) << bad;
    }
    // The keyword itself is looked up without regard to case or blanks in the name.
    EXPECT_EQ(parse("begin :VNOTE\r\nVERSION:1.1\r\nend:VNOTE\r\n").result, OSIF_SUCCESS);
}

TEST_F(VNoteReaderTest, AFileEndingAfterItsLastNoteGivesTheRunningResult) {
    EXPECT_EQ(parse(kNote).result, OSIF_SUCCESS);
    EXPECT_EQ(parse("BEGIN:VNOTE\nVERSION:1.1\nEND:VNOTE").result, OSIF_SUCCESS);  // no final line end
    EXPECT_EQ(parse(kNote + "\r\n").result, OSIF_SUCCESS);
    // Whatever follows the last note and is not a note ends the file without refusing it.
    const Parsed trailing = parse(kNote + "GARBAGE\r\n" + kNote);
    EXPECT_EQ(trailing.result, OSIF_SUCCESS);
    EXPECT_EQ(trailing.notes.size(), 1u);
    const Parsed warned = parse("BEGIN:VNOTE\r\nVERSION:1.1\r\nX-FOO:1\r\nEND:VNOTE\r\n");
    EXPECT_EQ(warned.result, OSIF_SUCCESS_WARNINGS);
}

TEST_F(VNoteReaderTest, WarningsMakeTheRunningResultNineteenFromThatNoteOn) {
    const Parsed p = parse(kNote + "BEGIN:VNOTE\r\nVERSION:1.1\r\n\r\nBODY:b\r\nEND:VNOTE\r\n" + kNote);
    EXPECT_EQ(p.result, OSIF_SUCCESS_WARNINGS);
    ASSERT_EQ(p.notes.size(), 3u);
    EXPECT_EQ(p.notes[0].status, OSIF_SUCCESS);
    EXPECT_EQ(p.notes[1].status, OSIF_SUCCESS_WARNINGS);
    EXPECT_EQ(p.notes[2].status, OSIF_SUCCESS_WARNINGS);
    EXPECT_EQ(p.notes[1].lists[BODY], (std::vector<std::string>{"b"}));
    // Unknown names warn at any depth; known names inside a nested object are skipped silently.
    EXPECT_EQ(parse("BEGIN:VNOTE\r\nVERSION:1.1\r\nBEGIN:X\r\nX-ODD:1\r\nEND:X\r\nEND:VNOTE\r\n").result,
              OSIF_SUCCESS_WARNINGS);
    EXPECT_EQ(parse("BEGIN:VNOTE\r\nVERSION:1.1\r\nBEGIN:X\r\nBODY:1\r\nEND:X\r\nEND:VNOTE\r\n").result,
              OSIF_SUCCESS);
}

TEST_F(VNoteReaderTest, NestedObjectsAreSkippedUpToTheirEnd) {
    const Parsed p = parse(
        "BEGIN:VNOTE\r\nVERSION:1.1\r\nBEGIN:VNOTE\r\nBODY:inner\r\nBEGIN:X\r\nSUMMARY:deep\r\nEND:X\r\n"
        "END:VNOTE\r\nBODY:outer\r\nEND:VNOTE\r\n" + kNote);
    EXPECT_EQ(p.result, OSIF_SUCCESS);
    ASSERT_EQ(p.notes.size(), 2u);
    EXPECT_EQ(p.notes[0].lists[BODY], (std::vector<std::string>{"outer"}));
    EXPECT_TRUE(p.notes[0].lists[SUMMARY].empty());
    EXPECT_EQ(p.notes[1].lists[BODY], (std::vector<std::string>{"Hello"}));
}

TEST_F(VNoteReaderTest, EachKeywordFillsItsListAndEachNoteStartsEmpty) {
    const Parsed p = parse(
        "BEGIN:VNOTE\r\nVERSION:1.1\r\nX-IRMC-LUID:77\r\nDCREATED:20051030T111735Z\r\n"
        "LAST-MODIFIED:20051030T112041Z\r\nCATEGORIES:Birthday;Friends\r\nCLASS:PUBLIC\r\n"
        "body;CHARSET=UTF-8:first\r\nBODY:a;b\\;c\\nd\r\nSUMMARY:S\r\nEND:VNOTE\r\n"
        "BEGIN:VNOTE\r\nVERSION:1.0\r\nSUMMARY:only\r\nEND:VNOTE\r\n");
    EXPECT_EQ(p.result, OSIF_SUCCESS);
    ASSERT_EQ(p.notes.size(), 2u);
    const Note& n = p.notes[0];
    EXPECT_EQ(n.luid, "77");
    EXPECT_EQ(n.lists[DCREATED], (std::vector<std::string>{"20051030T111735Z"}));
    EXPECT_EQ(n.lists[LAST_MODIFIED], (std::vector<std::string>{"20051030T112041Z"}));
    EXPECT_EQ(n.lists[CATEGORIES], (std::vector<std::string>{"Birthday;Friends"}));
    EXPECT_EQ(n.lists[CLASS], (std::vector<std::string>{"PUBLIC"}));
    // Occurrences keep their order; the value stays whole, escapes as written.
    EXPECT_EQ(n.lists[BODY], (std::vector<std::string>{"first", "a;b\\;c\\nd"}));
    EXPECT_EQ(n.flags[BODY], OSIF_ENC_CHARSET);
    EXPECT_EQ(n.lists[SUMMARY], (std::vector<std::string>{"S"}));
    // The second note shares nothing with the first.
    const Note& m = p.notes[1];
    EXPECT_EQ(m.luid, "");
    EXPECT_EQ(m.version, "1.0");
    for (int list : {DCREATED, LAST_MODIFIED, CATEGORIES, CLASS, BODY}) EXPECT_TRUE(m.lists[list].empty()) << list;
    EXPECT_EQ(m.lists[SUMMARY], (std::vector<std::string>{"only"}));
}

// The delivered record can be read through the value conversions: quoted-printable soft breaks
// joined by the line reader, then decoded with the named character set.
void body_as_utf8(tOSIF_STOREID, tagvObject* object, std::uint32_t, std::uintptr_t context) {
    *reinterpret_cast<std::string*>(context) = PropToUTF8(object->body.note.BODY, 0);
}

TEST_F(VNoteReaderTest, QuotedPrintableBodiesReadBackAsText) {
    TextStream s("BEGIN:VNOTE\nVERSION:1.1\nBODY;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:=\n"
                 "Line=0D=0Av=C3=A5r=20=\nend\nEND:VNOTE\n");
    std::string body;
    EXPECT_EQ(OSIF_ParseVNotes(s.get(), body_as_utf8, reinterpret_cast<std::uintptr_t>(&body)), OSIF_SUCCESS);
    EXPECT_EQ(body, "Line\r\nv\xC3\xA5r end");
}

TEST_F(VNoteReaderTest, LogLinesOfEachRule) {
    if (!start_viewer()) GTEST_SKIP() << "UDP port 37926 on 127.0.0.5 is not available";
    parse("BEGIN:VNOTE\r\n\r\nX-FOO:1\r\nVERSION:2.0\r\nEND:VNOTE\r\n");
    EXPECT_EQ(drain(), (LogLines{{1, "OSIF:  Warning - Parser encounted a blank line in vNote"},
                                 {4, "OSIF:  Warning - Parser encountered unknown property: 'X-FOO'"},
                                 {1, "OSIF:  Error - vNote version '2.0' is not supported"}}));
    parse("BEGIN:VCARD\r\n");
    EXPECT_EQ(drain(), (LogLines{{1, "OSIF:  Error - vNote does not have a BEGIN tag"}}));
    parse("BEGIN:VNOTE\r\nBODY:x\r\nEND:VNOTE\r\n");
    EXPECT_EQ(drain(), (LogLines{{1, "OSIF:  Error - vNote missing END tag or does not contain required VERSION property"}}));
    // At level 1 the warning about an unknown name is not sent; the blank-line warning is.
    goep_trace_level = 1;
    parse("BEGIN:VNOTE\r\nVERSION:1.1\r\n\r\nX-FOO:1\r\nEND:VNOTE\r\n");
    EXPECT_EQ(drain(), (LogLines{{1, "OSIF:  Warning - Parser encounted a blank line in vNote"}}));
}

}  // namespace
}  // namespace pimnotes
