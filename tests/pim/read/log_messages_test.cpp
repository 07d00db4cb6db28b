// The readers' "OSIF:" log lines as a trace viewer receives them: the documented texts and levels
// of each structure rule, and, over the sample corpus, no line other than the documented ones.
// The viewer listens on 127.0.0.3 (the viewer's fixed port on a loopback address of its own).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pim/vcal_parser.h"
#include "pim/vcard_parser.h"
#include "pim_read_fixture.h"
#include "trace/pim_log.h"

namespace pimread {
namespace {

constexpr std::uint32_t kViewerAddress = 0x7F000003;  // 127.0.0.3

class ReaderLogTest : public PimReadTest {
protected:
    void SetUp() override {
        if (!viewer_.start(kViewerAddress)) GTEST_SKIP() << "UDP port 37926 on 127.0.0.3 is not available";
    }
    void TearDown() override { qel::trace::reset_pim_log(); }

    // Every line received so far: level and text.
    pimsupport::LogLines drain() { return viewer_.drain(10); }

    pimsupport::TraceViewer viewer_;
};

using Lines = pimsupport::LogLines;

TEST_F(ReaderLogTest, VCardMessages) {
    {
        TextStream s("BEGIN:VCARD\r\n\r\nFOO:1\r\nVERSION:9\r\nEND:VCARD\r\n");
        EXPECT_EQ(OSIF_ParseVCards(s.get(), nullptr, 0), OSIF_ERR_PARSE);
    }
    EXPECT_EQ(drain(), (Lines{{1, "OSIF:  Warning - Parser encounted a blank line in vCard"},
                              {4, "OSIF:  Warning - Parser encountered unknown property: 'FOO'"},
                              {1, "OSIF:  Error - vCard version '9' is not supported"},
                              {4, "OSIF:  WARNING - vCard missing N property."}}));
    {
        TextStream s("BEGIN:VCARD\r\n");
        EXPECT_EQ(OSIF_ParseVCards(s.get(), nullptr, 0), OSIF_ERR_PARSE);
    }
    EXPECT_EQ(drain(), (Lines{{4, "OSIF:  WARNING - vCard missing VERSION property.  Assuming '2.1'."},
                              {4, "OSIF:  WARNING - vCard missing N property."},
                              {1, "OSIF:  Error - vCard missing END tag or does not contain required properties"}}));
    {
        TextStream s("N:A\r\n");
        EXPECT_EQ(OSIF_ParseVCards(s.get(), nullptr, 0), OSIF_ERR_PARSE);
    }
    EXPECT_EQ(drain(), (Lines{{1, "OSIF:  Error - vCard does not have a BEGIN tag"}}));
}

TEST_F(ReaderLogTest, VCalendarMessages) {
    {
        TextStream s("BEGIN:VCALENDAR\r\nBEGIN:VTIMEZONE\r\nBEGIN:VTODO\r\nSUMMARY:s\r\nEND:VTODO\r\n"
                     "BEGIN:VJOURNAL\r\n");
        EXPECT_EQ(OSIF_ParseVCalendars(s.get(), nullptr, nullptr, 0), OSIF_ERR_PARSE);
    }
    EXPECT_EQ(drain(), (Lines{{4, "OSIF:  vCalendar 2.0 tag, do nothing:'VTIMEZONE'"},
                              {4, "OSIF:  Warning - vCalendar does not contain all mandetory properties"},
                              {1, "OSIF:  Error - Unknown BEGIN tag in vCalendar"},
                              {4, "OSIF:  WARNING - vCalendar missing VERSION property.  Assumed to be '1.0'."}}));
    {
        TextStream s("BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VEVENT\r\nDTSTART:1\r\nDESCRIPTION:d\r\n");
        EXPECT_EQ(OSIF_ParseVCalendars(s.get(), nullptr, nullptr, 0), OSIF_ERR_PARSE);
    }
    EXPECT_EQ(drain(), (Lines{{1, "OSIF:  Error - vCalendar missing END tag"}}));
}

TEST_F(ReaderLogTest, CorpusFilesLogOnlyDocumentedLines) {
    const auto corpus = qel::test::corpus_dir();
    if (!corpus) GTEST_SKIP() << "the sample corpus is not present (set QEL_CORPUS_DIR to its folder)";
    const std::vector<std::string> documented = {
        "OSIF:  Warning - Parser encounted a blank line in vCard",
        "OSIF:  Warning - Parser encountered unknown property: '",
        "OSIF:  Error - vCard version '",
        "OSIF:  WARNING - vCard missing VERSION property.  Assuming '2.1'.",
        "OSIF:  WARNING - vCard missing N property.",
        "OSIF:  Error - vCard missing END tag or does not contain required properties",
        "OSIF:  Error - vCard does not have a BEGIN tag",
        "OSIF:  Warning - Parser encounted a blank line in vCalendar",
        "OSIF:  Warning - vCalendar contains unknown property: '",
        "OSIF:  Error - vCalendar version '",
        "OSIF:  vCalendar 2.0 tag, do nothing:'",
        "OSIF:  Error - Unknown BEGIN tag in vCalendar",
        "OSIF:  WARNING - vCalendar missing VERSION property.  Assumed to be '1.0'.",
        "OSIF:  Error - vCalendar does not contain required VERSION property",
        "OSIF:  Warning - vCalendar does not contain all mandetory properties",
        "OSIF:  Error - vCalendar missing END tag",
        "OSIF:  Error - vCalendar does not have a BEGIN tag",
        // Value conversions of the getters (character sets and dates).
        "OSIF:  Error in date '",
        "OSIF:  using Shift_Jis Locale:",
    };
    for (const char* folder : {"vcard", "vcalendar"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(*corpus / folder)) {
            if (!entry.is_regular_file()) continue;
            std::FILE* stream = std::fopen(entry.path().c_str(), "rb");
            ASSERT_NE(stream, nullptr);
            if (folder == std::string("vcard")) {
                OSIF_ParseVCards(stream, nullptr, 0);
            } else {
                OSIF_ParseVCalendars(stream, nullptr, nullptr, 0);
            }
            std::fclose(stream);
            for (const auto& [level, text] : drain()) {
                bool known = false;
                for (const auto& d : documented) known = known || text.rfind(d, 0) == 0;
                EXPECT_TRUE(known) << entry.path().filename() << ": " << level << " " << text;
            }
        }
    }
}

}  // namespace
}  // namespace pimread
