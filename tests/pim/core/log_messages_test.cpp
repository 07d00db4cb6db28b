// The library's "OSIF:" log lines as a trace viewer receives them, gated by goep_trace_level.
// The viewer listens on 127.0.0.2 (the viewer's fixed port on another loopback address), so this
// program never meets the trace tests' viewer on 127.0.0.1.
#include <gtest/gtest.h>

#include "pim/ole_dates.h"
#include "pim/osif_files.h"
#include "pim/osif_objects.h"
#include "pim/quoted_printable.h"
#include "pim_core_fixture.h"
#include "trace/pim_log.h"

using namespace pimtest;

namespace {

constexpr std::uint32_t kViewerAddress = 0x7F000002;  // 127.0.0.2

class LogMessages : public PimCoreTest {
protected:
    void SetUp() override {
        if (!viewer_.start(kViewerAddress)) GTEST_SKIP() << "UDP port 37926 on 127.0.0.2 is not available";
    }
    void TearDown() override { qel::trace::reset_pim_log(); }

    // The next line the viewer receives: its level and text.
    std::pair<int, std::string> next_line() { return viewer_.next_line(5000); }

    pimsupport::TraceViewer viewer_;
};

}  // namespace

TEST_F(LogMessages, ErrorsAtLevelOneWithTheCLibraryText) {
    DATE date;
    StrToOleDateTime(date, "2008/01/05");
    EXPECT_EQ(next_line(), std::make_pair(1, std::string("OSIF:  Error in date '2008/01/05' - cannot convert from 8601")));
    const auto missing = (dir_.path() / "missing.txt").string();
    FILE_Remove((dir_.path() / "missing.txt").u16string().c_str());
    EXPECT_EQ(next_line(), std::make_pair(1, "OSIF:  Unable to remove file (file=" + missing + ")"));
    EXPECT_EQ(next_line(), std::make_pair(1, std::string("OSIF:  Error: No such file or directory")));
    std::FILE* f = nullptr;
    FILE_Open(&f, (dir_.path() / "missing.txt").u16string().c_str(), "r");
    EXPECT_EQ(next_line(), std::make_pair(1, "OSIF:  Unable to open file '" + missing + "' for writing"));
    EXPECT_EQ(next_line().second, "OSIF:  Error: No such file or directory");
    MailStringToDATE("Foo 5 10:20:30 2008");
    EXPECT_EQ(next_line().second, "OSIF:  Error in date 'Foo 5 10:20:30 2008' - Invalid Month part 'Foo' in legacy Date");
}

TEST_F(LogMessages, TheLevelGatesEachLine) {
    // Level 0 silences errors; level 3 still drops dumps (level 4). The next line received proves
    // that the ones before it were never sent.
    goep_trace_level = 0;
    DATE date;
    StrToOleDateTime(date, "bad");
    goep_trace_level = 3;
    OSIF_DumpObject(OSIF_STORE_CALENDAR);
    OSIF_HexDump("x ", "abc", 3);
    StrToOleDateTime(date, "worse");
    EXPECT_EQ(next_line(), std::make_pair(1, std::string("OSIF:  Error in date 'worse' - cannot convert from 8601")));
    goep_trace_level = 4;
    OSIF_DumpObject(OSIF_STORE_CALENDAR);
    EXPECT_EQ(next_line(), std::make_pair(4, std::string("OSIF:  Dumping contents of vObject")));
    EXPECT_EQ(next_line(), std::make_pair(4, std::string("       Object Type: 01")));
    OSIF_HexDump("x ", "abc", 3);
    EXPECT_EQ(next_line().second, "x 0000:  61 62 63" + std::string(1 + 13 * 3 + 2, ' ') + "abc" + std::string(13, ' '));
}

TEST_F(LogMessages, UnknownConfiguredCharsetIsReported) {
    set_general(u"DefaultOutputCharset", u"KLINGON");
    EXPECT_EQ(GetOutgoingDefaultCodePage(), GetNativeCodepage());
    EXPECT_EQ(next_line(),
              std::make_pair(1, std::string("OSIF:  Registry output CHARSET 'KLINGON' not valid, using native codepage")));
}
