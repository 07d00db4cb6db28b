// Every file of the sample corpus's vnote/ folder, read by the note reader: the result code and
// the number of delivered notes match the checked-in expectations, and every list of every
// delivered note reads as text (empty exactly when nothing was written).
#include <gtest/gtest.h>

#include <cstdio>

#include "notes_fixture.h"
#include "pim/notes/vnote_parser.h"
#include "pim/prop_values.h"

namespace pimnotes {
namespace {

void visit(tOSIF_STOREID store, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    EXPECT_EQ(store, OSIF_STORE_NOTES);
    EXPECT_TRUE(status == OSIF_SUCCESS || status == OSIF_SUCCESS_WARNINGS);
    EXPECT_STREQ(object->version, "1.1");
    const tagvNote& n = object->body.note;
    for (tagProp* list : {n.DCREATED, n.LAST_MODIFIED, n.CATEGORIES, n.CLASS, n.BODY, n.SUMMARY}) {
        for (tagProp* p = list; p; p = p->next) {
            const bool written = p->values && p->values->str && p->values->str[0];
            EXPECT_EQ(PropToUTF8(p, 0).empty(), !written);
        }
    }
    ++*reinterpret_cast<std::size_t*>(context);
}

class NotesCorpusTest : public NotesTest {};

TEST_F(NotesCorpusTest, EveryFileGivesItsRecordedResultAndNoteCount) {
    const auto corpus = qel::test::corpus_dir();
    if (!corpus) GTEST_SKIP() << "the sample corpus is not present (set QEL_CORPUS_DIR to its folder)";
    const auto expected = pimsupport::read_corpus_expectations("tests/pim/notes/corpus_expectations.txt");
    ASSERT_FALSE(expected.empty()) << "corpus_expectations.txt is missing or empty";
    pimsupport::CorpusExpectations seen;
    for (const auto& [path, relative] : pimsupport::corpus_files(*corpus, "vnote", ".vnt")) {
        std::FILE* stream = std::fopen(path.c_str(), "rb");
        ASSERT_NE(stream, nullptr) << relative;
        pimsupport::CorpusOutcome o;
        o.result = OSIF_ParseVNotes(stream, visit, reinterpret_cast<std::uintptr_t>(&o.objects));
        std::fclose(stream);
        seen[relative] = o;
        pimsupport::expect_corpus_outcome(expected, relative, o, "notes");
    }
    pimsupport::expect_every_file_read(expected, seen);
}

}  // namespace
}  // namespace pimnotes
