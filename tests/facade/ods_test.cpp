// ODS: one line of the caller's text through the facade trace or the error trace, long text cut.
#include <string>

#include "facade_fixture.h"
#include "qelcfg/QelConfig.h"
#include "trace/trace_switches.h"

using qbtapiM::QelConfig;
using qel::test::FacadeTest;

namespace {

class OdsTest : public FacadeTest {
protected:
    // The one facade line written while `write` ran ("QELA: " or "QELA:***** " and the text).
    template <typename Fn>
    std::string line_of(Fn write) {
        QelConfig::ODS(false, "warm-up");  // the first facade line reads the switches
        qel::platform::DebugStreamCapture capture;
        write();
        auto lines = capture.lines();
        EXPECT_EQ(lines.size(), 1u);
        return lines.empty() ? std::string() : lines.front();
    }
};

}  // namespace

TEST_F(OdsTest, ChoosesTheTraceByTheErrorFlagAndNeverFormats) {
    EXPECT_EQ(line_of([] { QelConfig::ODS(false, "-QelConfig::Initialize"); }), "QELA: -QelConfig::Initialize\n");
    EXPECT_EQ(line_of([] { QelConfig::ODS(true, "100%s %d"); }), "QELA:***** 100%s %d\n");  // not a format
    EXPECT_EQ(line_of([] { QelConfig::ODS(false, u"Caf\u00E9 \U0001F4F1"); }),
              "QELA: Caf\xC3\xA9 \xF0\x9F\x93\xB1\n");
}

TEST_F(OdsTest, TextOver1000BytesIsCutTo980) {
    const std::string exactly_1000(1000, 'a');
    const std::string over_1000(1001, 'b');
    // 1000 bytes are not cut by ODS; the trace's own 1000-byte line limit (terminator included)
    // then keeps 993 bytes of text after the 6-byte prefix, with no line feed.
    EXPECT_EQ(line_of([&] { QelConfig::ODS(false, exactly_1000); }), "QELA: " + std::string(993, 'a'));
    EXPECT_EQ(line_of([&] { QelConfig::ODS(false, over_1000); }), "QELA: " + std::string(980, 'b') + "\n");
    EXPECT_EQ(line_of([&] { QelConfig::ODS(true, over_1000); }), "QELA:***** " + std::string(980, 'b') + "\n");
}

TEST_F(OdsTest, WideTextIsCutWithoutSplittingACharacter) {
    // 400 euro signs are 1200 bytes of UTF-8; 980 bytes would end inside the 327th sign.
    const std::u16string euros(400, u'\u20AC');
    std::string expected = "QELA: ";
    for (int i = 0; i < 326; ++i) expected += "\xE2\x82\xAC";
    EXPECT_EQ(line_of([&] { QelConfig::ODS(false, euros); }), expected + "\n");
    // Exactly 1000 bytes of wide text is not cut by ODS.
    const std::u16string thousand(500, u'\u00E9');
    const std::string line = line_of([&] { QelConfig::ODS(false, thousand); });
    EXPECT_GT(line.size(), 6u + 980u);
}
