// Every file of the sample corpus's vcard/ and vcalendar/ folders, read by its parser: the result
// code and the number of delivered objects match the checked-in expectations, every delivered
// object's getters can be read, and no temporary value file outlives the parse record.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "pim/vcal_parser.h"
#include "pim/vcard_parser.h"
#include "pim_read_fixture.h"
#include "qelcfg/QelPIMObject.h"
#include "qelcfg/QelVCalObject.h"

namespace pimread {
namespace {

// Reads every getter of each delivered object (so conversions run on real data) and counts them.
void visit(tOSIF_STOREID store, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    std::size_t text = 0;
    if (store == OSIF_STORE_PHONEBOOK) {
        const qbtapiM::QelPIMObject c(object, status);
        text += c.GetLastName().size() + c.GetFirstName().size() + c.GetMiddleName().size() + c.GetTitle().size() +
                c.GetSuffix().size() + c.GetJobTitle().size() + c.GetCompany().size() + c.GetBusinessPhone().size() +
                c.GetHomePhone().size() + c.GetBusinessFax().size() + c.GetMobilePhone().size() +
                c.GetBusinessAddress().size() + c.GetHomeAddress().size() + c.GetEmail().size() + c.GetNote().size();
    } else {
        const qbtapiM::QelVCalObject e(object, status);
        text += e.GetEventSummary().size() + e.GetEventDescription().size() + e.GetStartDate().size() +
                e.GetEndDate().size();
        EXPECT_TRUE(e.GetCalObjectType() == 1 || e.GetCalObjectType() == 2);
    }
    EXPECT_TRUE(status == OSIF_SUCCESS || status == OSIF_SUCCESS_WARNINGS);
    (void)text;
    ++*reinterpret_cast<std::size_t*>(context);
}

class CorpusTest : public PimReadTest {};

TEST_F(CorpusTest, EveryFileGivesItsRecordedResultAndObjectCount) {
    const auto corpus = qel::test::corpus_dir();
    if (!corpus) GTEST_SKIP() << "the sample corpus is not present (set QEL_CORPUS_DIR to its folder)";
    const auto expected = pimsupport::read_corpus_expectations("tests/pim/read/corpus_expectations.txt");
    ASSERT_FALSE(expected.empty()) << "corpus_expectations.txt is missing or empty";
    pimsupport::CorpusExpectations seen;
    for (const char* folder : {"vcard", "vcalendar"}) {
        for (const auto& [path, relative] : pimsupport::corpus_files(*corpus, folder)) {
            std::FILE* stream = std::fopen(path.c_str(), "rb");
            ASSERT_NE(stream, nullptr) << relative;
            pimsupport::CorpusOutcome o;
            const auto context = reinterpret_cast<std::uintptr_t>(&o.objects);
            const std::u16string source = path.u16string();
            o.result = folder == std::string("vcard") ? OSIF_ParseVCards(stream, visit, context)
                                                      : OSIF_ParseVCalendars(stream, source.c_str(), visit, context);
            std::fclose(stream);
            seen[relative] = o;
            pimsupport::expect_corpus_outcome(expected, relative, o, "objects");
        }
    }
    pimsupport::expect_every_file_read(expected, seen);
    qel::pim::release_parse_record();
    EXPECT_EQ(files_in_tmp(), 0u) << "temporary value files were left behind";
}

}  // namespace
}  // namespace pimread
