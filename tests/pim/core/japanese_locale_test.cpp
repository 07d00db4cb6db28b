// A Japanese system (ANSI code page 932, read once per process) seen from a fresh process: the
// locale is Shift-JIS, undeclared 8-bit values read as Shift-JIS, and an unknown configured
// character set falls back to 932.
#include <gtest/gtest.h>

#include <cstdlib>

#include "../../platform/run_self.h"
#include "pim/charsets.h"
#include "pim/osif_lines.h"
#include "pim/prop_values.h"
#include "pim_core_fixture.h"

using namespace pimtest;

namespace {

constexpr const char* kProbeSwitch = "QEL_PIM_CORE_JAPANESE_PROBE";

}  // namespace

// Runs only inside the process that the test below starts.
TEST(JapaneseLocaleProbe, ShiftJisFromTheSystemLocale) {
    if (!std::getenv(kProbeSwitch)) GTEST_SKIP() << "runs in the process started by JapaneseLocale";
    ASSERT_EQ(GetNativeCodepage(), 932u);
    EXPECT_TRUE(IsShiftJisLocale());
    EXPECT_EQ(GetIncomingDefaultCodePage(), 932u);  // "KLINGON" is configured: the native page
    const std::string sjis = "\x93\xfa\x96\x7b";
    EXPECT_TRUE(IsItShiftJIS1(sjis.data(), sjis.size()));
    PropList list;
    tagProp* p = AppendProp(&list.head);
    OSIF_ParseValues(sjis.c_str(), 1, p);
    std::u16string text;
    PropToBSTR(p, 0, text);
    EXPECT_EQ(text, u"\u65e5\u672c");
    EXPECT_EQ(p->codePage, 932u);
    std::string ansi;
    PropToSTR(ansi, p, 0);
    EXPECT_EQ(ansi, sjis);
}

class JapaneseLocale : public PimCoreTest {};

TEST_F(JapaneseLocale, SeenFromAFreshProcess) {
    set_general(u"DefaultInputCharset", u"KLINGON");
    EXPECT_EQ(qel::test::run_self("JapaneseLocaleProbe.*", {"QEL_ACP", kProbeSwitch},
                                  {"QEL_ACP=932", std::string(kProbeSwitch) + "=1"}),
              0);
}
