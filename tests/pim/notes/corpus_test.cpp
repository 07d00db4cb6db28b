// Every file of the sample corpus's vnote/ folder, read by the note reader: the result code and
// the number of delivered notes match the checked-in expectations, and every list of every
// delivered note reads as text (empty exactly when nothing was written).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "notes_fixture.h"
#include "pim/notes/vnote_parser.h"
#include "pim/prop_values.h"

namespace pimnotes {
namespace {

struct Outcome {
    std::uint32_t result = 0;
    std::size_t notes = 0;
    bool operator==(const Outcome&) const = default;
};

std::map<std::string, Outcome> expectations() {
    std::map<std::string, Outcome> out;
    std::ifstream in(qel::test::source_dir() / "tests/pim/notes/corpus_expectations.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string path;
        Outcome o;
        fields >> path >> o.result >> o.notes;
        out[path] = o;
    }
    return out;
}

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
    const auto expected = expectations();
    ASSERT_FALSE(expected.empty()) << "corpus_expectations.txt is missing or empty";
    std::map<std::string, Outcome> seen;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(*corpus / "vnote")) {
        if (!entry.is_regular_file() || entry.path().extension() != ".vnt") continue;
        const std::string relative = std::filesystem::relative(entry.path(), *corpus).generic_string();
        std::FILE* stream = std::fopen(entry.path().c_str(), "rb");
        ASSERT_NE(stream, nullptr) << relative;
        Outcome o;
        o.result = OSIF_ParseVNotes(stream, visit, reinterpret_cast<std::uintptr_t>(&o.notes));
        std::fclose(stream);
        seen[relative] = o;
        const auto it = expected.find(relative);
        if (it == expected.end()) {
            ADD_FAILURE() << relative << " has no expectation (result " << o.result << ", " << o.notes << ")";
        } else {
            EXPECT_EQ(o, it->second) << relative << ": result " << o.result << ", " << o.notes << " notes";
        }
    }
    for (const auto& [path, outcome] : expected) EXPECT_TRUE(seen.count(path)) << path << " is not in the corpus";
}

}  // namespace
}  // namespace pimnotes
