// The process's ANSI code page (QEL_ACP, read once) seen from fresh processes, and conversions
// from several threads at once.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>
#include <vector>

#include "platform/environment.h"
#include "support/test_support.h"
#include "../run_self.h"
#include "text_test_support.h"

using namespace qel::platform;

namespace {

constexpr const char* kProbeOut = "QEL_ACP_PROBE_OUT";

// Runs this test program again, only the probe below, with QEL_ACP set to `acp` (or unset), and
// returns what the probe wrote.
std::string run_probe(std::optional<std::string> acp) {
    qel::test::TempDir dir;
    const std::string out_file = (dir.path() / "probe.txt").string();
    std::vector<std::string> added{std::string(kProbeOut) + "=" + out_file};
    if (acp) added.push_back("QEL_ACP=" + *acp);
    if (qel::test::run_self("AnsiCodePageProbe.ReportsTheCodePage", {"QEL_ACP", kProbeOut}, added) != 0)
        return "probe failed";
    return qel::test::read_file(out_file);
}

}  // namespace

// Not a test of its own: the body of the child processes started above.
TEST(AnsiCodePageProbe, ReportsTheCodePage) {
    const auto out = env_value(kProbeOut);
    if (!out) GTEST_SKIP() << "runs only as the child of AnsiCodePage tests";
    const UINT first = ansi_code_page();
    setenv("QEL_ACP", "866", 1);  // too late: the value was read once
    std::ofstream(*out) << first << ' ' << ansi_code_page() << ' '
                        << qel::test::hex(from_utf16(u"\u00E9\u0416", CP_ACP));
}

TEST(AnsiCodePage, IsQelAcpWhenValidElse1252) {
    EXPECT_EQ(run_probe(std::nullopt), "1252 1252 E9 3F");
    EXPECT_EQ(run_probe("1251"), "1251 1251 3F C6");
    EXPECT_EQ(run_probe("65001"), "65001 65001 C3 A9 D0 96");
    for (const char* invalid : {"12345", "0", "1252x", "", "-1", "50223"}) {
        EXPECT_EQ(run_probe(invalid), "1252 1252 E9 3F") << invalid;
    }
}

TEST(CodePageThreads, ConversionsOnManyThreadsAgree) {
    // Each thread keeps its own iconv descriptors; results must not bleed between threads.
    const std::u16string text = u"\u65E5\u672C\u8A9E abc \u00E9";
    const std::string sjis = from_utf16(text, 932);
    const std::string utf7 = from_utf16(text, 65000);
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                if (from_utf16(text, 932) != sjis || from_utf16(text, 65000) != utf7 ||
                    to_utf16(utf7, 65000) != text || to_utf16(from_utf16(text, 51932), 51932) != text) {
                    ++mismatches[static_cast<std::size_t>(t)];
                }
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
    EXPECT_EQ(to_utf16(sjis, 932), u"\u65E5\u672C\u8A9E abc ?");
}
