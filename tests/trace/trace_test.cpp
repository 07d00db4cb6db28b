// The trace sinks and their switches against a real registry in a temporary folder, a real
// event-trace library loaded from the installation directory, a real log file and a real UDP
// socket on the loopback address.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/debug_stream.h"
#include "platform/last_error.h"
#include "platform/registry/registry.h"
#include "platform/text/text.h"
#include "platform/udp_socket.h"
#include "../config/records/records_test_util.h"
#include "support/test_support.h"
#include "trace/callback_trace.h"
#include "trace/event_trace.h"
#include "trace/pim_log.h"
#include "trace/qel_trace.h"
#include "trace/trace_switches.h"

namespace fs = std::filesystem;
using namespace qel::platform;
using qel::test::ScopedEnv;
using qel::test::set_dword;
using qel::test::set_text;
using qel::test::TempDir;

namespace {

constexpr std::u16string_view kDebugKey = u"Software\\Quorlan\\BTConfig\\Debug";
constexpr std::u16string_view kInstallKey = u"Software\\Quorlan\\Install";
constexpr const char* kLoadFailed = "LoadEventTraceLib(), LoadLibrary Failed: 0x7e\n";

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    return lines;
}

class TraceTest : public ::testing::Test {
protected:
    TraceTest()
        : registry_env_("QEL_REGISTRY_DIR", (dir_.path() / "registry").string()),
          events_env_("QEL_TEST_EVENT_TRACE_LOG", events_path().string()) {
        fs::create_directories(dir_.path() / "registry");
        reg_reset_for_tests();
        qel::trace::reset_trace_for_tests();
    }
    ~TraceTest() override {
        qel::trace::reset_trace_for_tests();
        reg_reset_for_tests();
    }

    static void delete_value(HKEY root, std::u16string_view key, std::u16string_view name) {
        RegKey k;
        if (reg_open_key(root, key, KEY_ALL_ACCESS, k.put()) == ERROR_SUCCESS)
            reg_delete_value(k.get(), name);
    }

    // The event-trace library switched on and installed in `install_dir` (with its trailing "/").
    static void enable_event_trace(const std::string& install_dir) {
        set_dword(HKEY_LOCAL_MACHINE, kDebugKey, u"LoggingEnabled", 1);
        set_text(HKEY_LOCAL_MACHINE, kInstallKey, u"INSTALLDIR", qel::test::u16(install_dir));
    }

    fs::path events_path() const { return dir_.path() / "events.log"; }
    std::vector<std::string> events() const {
        return fs::exists(events_path()) ? split_lines(qel::test::read_file(events_path()))
                                         : std::vector<std::string>{};
    }

    TempDir dir_;
    ScopedEnv registry_env_;
    ScopedEnv events_env_;
};

}  // namespace

// ---- Facade trace level -------------------------------------------------------------------

TEST_F(TraceTest, WithoutLevelValuesOnlyErrorLinesReachTheDebugger) {
    DebugStreamCapture capture;
    QelTrace("+QelConfig::Initialize");
    QelTraceErr("QelConfig::Initialize failed %d", 5);
    // The machine's debug key is missing too, which the first line's InitWppTracing reports.
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{"RegOpenKeyEx failed for 2",
                                                         "QELA:***** QelConfig::Initialize failed 5"}));
    EXPECT_EQ(qel::trace::facade_trace_level(), 0);
}

TEST_F(TraceTest, FirstLevelValueFoundDecides) {
    struct Case {
        std::optional<DWORD> app_trace_level;
        std::optional<DWORD> trace_level;
        bool traced;
    };
    const Case cases[] = {
        {std::nullopt, 1, true}, {0, 1, false}, {7, 0, true}, {std::nullopt, 0, false},
        {std::nullopt, std::nullopt, false},
    };
    set_dword(HKEY_CURRENT_USER, kDebugKey, u"LogIPAddr", 0);  // the key exists in every case
    for (const Case& c : cases) {
        delete_value(HKEY_CURRENT_USER, kDebugKey, u"app_trace_level");
        delete_value(HKEY_CURRENT_USER, kDebugKey, u"trace_level");
        if (c.app_trace_level) set_dword(HKEY_CURRENT_USER, kDebugKey, u"app_trace_level", *c.app_trace_level);
        if (c.trace_level) set_dword(HKEY_CURRENT_USER, kDebugKey, u"trace_level", *c.trace_level);
        qel::trace::reset_trace_for_tests();
        DebugStreamCapture capture;
        QelTrace("+QelConfig::GetRootFolder = %ws", u"C:\\");
        EXPECT_EQ(capture.contains("QELA: +QelConfig::GetRootFolder = C:\\"), c.traced)
            << "app_trace_level " << c.app_trace_level.value_or(999) << ", trace_level "
            << c.trace_level.value_or(999);
        EXPECT_EQ(qel::trace::facade_trace_level(), c.traced ? 1 : 0);
    }
}

TEST_F(TraceTest, LevelIsReadOncePerProcessUntilReset) {
    set_dword(HKEY_CURRENT_USER, kDebugKey, u"app_trace_level", 1);
    DebugStreamCapture capture;
    QelTrace("first");
    set_dword(HKEY_CURRENT_USER, kDebugKey, u"app_trace_level", 0);
    QelTrace("second");
    EXPECT_TRUE(capture.contains("QELA: second"));
    qel::trace::reset_trace_for_tests();
    QelTrace("third");
    EXPECT_FALSE(capture.contains("third"));
}

TEST_F(TraceTest, LongLinesAreCutAtTheLineBuffer) {
    set_dword(HKEY_CURRENT_USER, kDebugKey, u"app_trace_level", 1);
    DebugStreamCapture capture;
    const std::string text(3000, 'x');
    QelTrace("%s", text.c_str());
    QelTraceErr("%s", text);
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 3u);  // the machine key report, then the two lines
    EXPECT_EQ(lines[1], "QELA: " + std::string(993, 'x'));
    EXPECT_EQ(lines[2], "QELA:***** " + std::string(988, 'x'));
}

// ---- Log file -----------------------------------------------------------------------------

TEST_F(TraceTest, LogFileGetsFacadeLinesWithLineFeedsButNeverErrorLines) {
    const fs::path log = dir_.path() / "trace.log";
    {
        std::FILE* f = std::fopen(log.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("earlier\n", f);
        std::fclose(f);
    }
    set_dword(HKEY_CURRENT_USER, kDebugKey, u"app_trace_level", 1);
    set_text(HKEY_CURRENT_USER, kDebugKey, u"LogFileName", qel::test::u16(log.string()));
    QelTrace("+QelConfig::RasConnHangUp ret - 0x%x", 0x80004005u);
    QelTraceErr("not in the file");
    QelTrace("ODS %s\n", "text");
    EXPECT_EQ(qel::test::read_file(log),
              "earlier\nQELA: +QelConfig::RasConnHangUp ret - 0x80004005\nQELA: ODS text\n\n");
}

TEST_F(TraceTest, LogFileNameHoldsAtMost260BytesAndAFileThatCannotBeOpenedIsSkipped) {
    // 129 characters and the terminator fit in 260 bytes; one more character does not.
    const std::string base = (dir_.path() / "").string();
    ASSERT_LT(base.size(), 120u);
    const std::string fits = base + std::string(129 - base.size(), 'f');
    const std::string too_long = base + std::string(130 - base.size(), 'g');
    const std::string in_missing_folder = base + "missing/trace.log";
    set_dword(HKEY_CURRENT_USER, kDebugKey, u"app_trace_level", 1);
    DebugStreamCapture capture;
    for (const std::string& name : {fits, too_long, in_missing_folder}) {
        set_text(HKEY_CURRENT_USER, kDebugKey, u"LogFileName", qel::test::u16(name));
        qel::trace::reset_trace_for_tests();
        set_last_error(ERROR_MORE_DATA);
        QelTrace("line");
        EXPECT_EQ(last_error(), ERROR_MORE_DATA);
    }
    EXPECT_EQ(qel::test::read_file(fits), "QELA: line\n");
    EXPECT_FALSE(fs::exists(too_long));
    EXPECT_FALSE(fs::exists(dir_.path() / "missing"));
    const auto lines = capture.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "QELA: line"), 3);  // still traced
}

TEST_F(TraceTest, LinesFromManyThreadsStayWhole) {
    const fs::path log = dir_.path() / "threads.log";
    set_dword(HKEY_CURRENT_USER, kDebugKey, u"app_trace_level", 1);
    set_text(HKEY_CURRENT_USER, kDebugKey, u"LogFileName", qel::test::u16(log.string()));
    constexpr int kThreads = 6;
    constexpr int kLines = 50;
    const std::string payload(300, 'p');
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < kLines; ++i) QelTrace("thread %d line %d %s", t, i, payload);
            });
    }
    const auto lines = split_lines(qel::test::read_file(log));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kLines; ++i) {
            const std::string expected =
                "QELA: thread " + std::to_string(t) + " line " + std::to_string(i) + " " + payload;
            EXPECT_EQ(std::count(lines.begin(), lines.end(), expected), 1) << expected;
        }
}

// ---- Event-trace library ------------------------------------------------------------------

TEST_F(TraceTest, EventTraceLibraryInInstallDirGetsEveryFacadeLine) {
    if (ansi_code_page() != 1252) GTEST_SKIP() << "the expected bytes are those of code page 1252";
    enable_event_trace(QEL_TEST_EVENT_TRACE_DIR);
    DebugStreamCapture capture;
    QelTrace("+QelConfig::GetRootFolder = %ws", u"\\pb");  // level 0: only the library sees it
    QelTraceErr("error %d", 3);
    EXPECT_TRUE(qel::trace::event_trace_library_loaded());
    EXPECT_EQ(g_dwWppTracingEnabled.load(), 1u);
    EXPECT_EQ(LogEventTraceMsg(2, 0x10, "direct"), 1);
    EXPECT_EQ(LogEventTraceMsgW(1, 0x20, u"caf\u00e9"), 1);  // system code page 1252
    EXPECT_EQ(events(), (std::vector<std::string>{"5|16777216|QELA: +QelConfig::GetRootFolder = \\pb",
                                                  "5|16777216|QELA:***** error 3", "2|16|direct",
                                                  "1|32|caf\xE9"}));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"QELA:***** error 3"});
}

TEST_F(TraceTest, WideEventTraceTextIsConvertedToTheSystemCodePageAndCut) {
    if (ansi_code_page() != 1252) GTEST_SKIP() << "the expected bytes are those of code page 1252";
    EXPECT_EQ(LogEventTraceMsgW(1, 1, u"before the library"), 0);
    enable_event_trace(QEL_TEST_EVENT_TRACE_DIR);
    InitWppTracing();
    ASSERT_TRUE(qel::trace::event_trace_library_loaded());
    // U+00E9 is one byte in code page 1252, so 999 of the 1200 characters fit.
    const std::u16string text(1200, u'\u00e9');
    EXPECT_EQ(LogEventTraceMsgW(1, 1, text.c_str()), 1);
    EXPECT_EQ(LogEventTraceMsgW(1, 2, u"\u20ac\u0100"), 1);  // 0x80 in 1252; missing: "?"
    EXPECT_EQ(LogEventTraceMsgW(1, 3, nullptr), 1);
    EXPECT_EQ(events(), (std::vector<std::string>{"1|1|" + std::string(999, '\xE9'), "1|2|\x80?", "1|3|"}));
}

TEST_F(TraceTest, MissingEventTraceLibraryIsLookedForOnceEvenUnderRacingFirstLines) {
    const TempDir empty_install;
    enable_event_trace((empty_install.path() / "").string());
    DebugStreamCapture capture;
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < 6; ++t)
            threads.emplace_back([] {
                for (int i = 0; i < 20; ++i) QelTrace("line %d", i);
            });
    }
    InitWppTracing();  // asked again: the earlier failure stands
    const auto lines = capture.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), kLoadFailed), 1);
    EXPECT_EQ(g_fWppTracingLibNotFound.load(), 1u);
    EXPECT_EQ(g_dwWppTracingEnabled.load(), 0u);
    EXPECT_EQ(LogEventTraceMsg(5, 1, "dropped"), 0);
    EXPECT_FALSE(qel::trace::event_trace_library_loaded());
}

TEST_F(TraceTest, WithoutInstallDirTheBareFileNameIsLoaded) {
    set_dword(HKEY_LOCAL_MACHINE, kDebugKey, u"LoggingEnabled", 1);
    DebugStreamCapture capture;
    InitWppTracing();  // no library of that name is on the loader's path
    EXPECT_TRUE(capture.contains(kLoadFailed));
    EXPECT_EQ(g_fWppTracingLibNotFound.load(), 1u);
}

TEST_F(TraceTest, LibraryWithoutEntryPointIsNeverUsed) {
    enable_event_trace(QEL_TEST_EVENT_TRACE_NO_ENTRY_DIR);
    DebugStreamCapture capture;
    QelTraceErr("one");
    EXPECT_EQ(g_fWppTracingLibNotFound.load(), 1u);
    EXPECT_EQ(g_dwWppTracingEnabled.load(), 0u);
    EXPECT_FALSE(qel::trace::event_trace_library_loaded());
    EXPECT_FALSE(capture.contains("LoadLibrary"));
    // Switching to a good library later does not help: the failure is final for the process.
    enable_event_trace(QEL_TEST_EVENT_TRACE_DIR);
    InitWppTracing();
    EXPECT_EQ(LogEventTraceMsg(5, 1, "dropped"), 0);
    EXPECT_TRUE(events().empty());
}

TEST_F(TraceTest, LoggingEnabledOtherThanOneLoadsNothing) {
    set_text(HKEY_LOCAL_MACHINE, kInstallKey, u"INSTALLDIR", qel::test::u16(QEL_TEST_EVENT_TRACE_DIR));
    set_dword(HKEY_LOCAL_MACHINE, kDebugKey, u"LoggingEnabled", 0);
    InitWppTracing();
    EXPECT_FALSE(qel::trace::event_trace_library_loaded());
    EXPECT_EQ(LogEventTraceMsg(5, 1, "off"), 0);
    // Any other non-zero value is copied as it is: lines count as forwarded, yet nothing is loaded.
    set_dword(HKEY_LOCAL_MACHINE, kDebugKey, u"LoggingEnabled", 2);
    InitWppTracing();
    EXPECT_FALSE(qel::trace::event_trace_library_loaded());
    EXPECT_EQ(LogEventTraceMsg(5, 1, "nowhere"), 1);
    EXPECT_TRUE(events().empty());
}

// ---- PIM library ---------------------------------------------------------------------------

// Every use of the viewer's port is in this one case, so parallel test processes do not fight
// over it.
TEST_F(TraceTest, PimDatagramsReachTheViewerByteForByte) {
    auto viewer = UdpSocket::bind(0x7F000001, qel::trace::kTraceViewerPort);
    if (!viewer) GTEST_SKIP() << "UDP port 37926 on 127.0.0.1 is busy";

    // No "LogIPAddr": logging is off for the process, even once the value appears.
    LogMsg(1, "OSIF:  dropped");
    EXPECT_EQ(qel::trace::pim_log_address(), 0u);
    set_dword(HKEY_CURRENT_USER, u"Software\\QUORLAN\\BTConfig\\Debug", u"LogIPAddr", 0x7F000001);
    LogMsg(1, "OSIF:  still dropped");
    EXPECT_FALSE(viewer->receive(300).has_value());

    qel::trace::reset_trace_for_tests();
    set_last_error(ERROR_FILE_NOT_FOUND);
    LogMsg(0x12304, "OSIF:  Error - vCard version '%s' is not supported", "4.0");
    EXPECT_EQ(last_error(), ERROR_FILE_NOT_FOUND);
    const std::string text = "OSIF:  Error - vCard version '4.0' is not supported";
    std::vector<std::uint8_t> expected = {0x04, 0x23, static_cast<std::uint8_t>(text.size()), 0, 0, 0, 0, 0};
    expected.insert(expected.end(), text.begin(), text.end());
    auto datagram = viewer->receive(5000);
    ASSERT_TRUE(datagram.has_value());
    EXPECT_EQ(*datagram, expected);

    // Text longer than the 1000-byte buffer: 999 bytes are sent (length 0x03E7).
    const std::string long_text(1500, 'L');
    LogMsg(4, "%s", long_text);
    datagram = viewer->receive(5000);
    ASSERT_TRUE(datagram.has_value());
    ASSERT_EQ(datagram->size(), 999u + 8u);
    EXPECT_EQ(std::vector<std::uint8_t>(datagram->begin(), datagram->begin() + 8),
              (std::vector<std::uint8_t>{4, 0, 0xE7, 0x03, 0, 0, 0, 0}));
    EXPECT_TRUE(std::all_of(datagram->begin() + 8, datagram->end(), [](auto b) { return b == 'L'; }));

    // LogIPAddr 0 switches the datagrams off again.
    set_dword(HKEY_CURRENT_USER, u"Software\\QUORLAN\\BTConfig\\Debug", u"LogIPAddr", 0);
    qel::trace::reset_trace_for_tests();
    LogMsg(1, "OSIF:  off");
    EXPECT_FALSE(viewer->receive(300).has_value());
}

TEST_F(TraceTest, OsifInitLoggingKeepsTheLowByteOfOpp) {
    EXPECT_EQ(goep_trace_level.load(), 9);
    OSIF_InitLogging();  // no value: unchanged
    EXPECT_EQ(goep_trace_level.load(), 9);
    const std::u16string_view key = u"SOFTWARE\\Quorlan\\QUORLAN StackScope\\Protocol Trace Level 1";
    set_dword(HKEY_CURRENT_USER, key, u"OPP", 0x1204);
    OSIF_InitLogging();
    EXPECT_EQ(goep_trace_level.load(), 4);
    set_dword(HKEY_CURRENT_USER, key, u"OPP", 0x100);
    OSIF_InitLogging();
    EXPECT_EQ(goep_trace_level.load(), 0);
    qel::trace::reset_trace_for_tests();
    EXPECT_EQ(goep_trace_level.load(), 9);
}

// ---- Callback traces and the debug print ---------------------------------------------------

TEST_F(TraceTest, CallbackTracesFormatIntoTheirOwnLineSizes) {
    std::vector<std::string> got;
    const qel::trace::TraceCallback callback = [&](const char* line) { got.emplace_back(line); };
    const std::string long_text(2000, 'c');
    ods(callback, "ods %s %d", "a", 1);
    BTTrace(callback, "BTTrace %ws", u"b");
    ods(callback, "%s", long_text);
    BTTrace(callback, "%s", long_text);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0], "ods a 1");
    EXPECT_EQ(got[1], "BTTrace b");
    EXPECT_EQ(got[2].size(), 1023u);
    EXPECT_EQ(got[3].size(), 999u);

    ods(nullptr, "%s", "nothing");
    BTTrace(qel::trace::TraceCallback{}, "nothing");
    const qel::trace::TraceCallback throwing = [](const char*) { throw std::runtime_error("x"); };
    ods(throwing, "absorbed");
    EXPECT_EQ(got.size(), 4u);
}

TEST_F(TraceTest, TracingKeepsTheThreadsLastError) {
    set_dword(HKEY_CURRENT_USER, kDebugKey, u"app_trace_level", 1);
    enable_event_trace("/nonexistent/");
    DebugStreamCapture capture;
    set_last_error(ERROR_MORE_DATA);
    QelTrace("a");
    QelTraceErr("b");
    qbtapiM::LogMsg("plain %s %u", "debug", 7u);
    InitWppTracing();
    OSIF_InitLogging();
    LogEventTraceMsgW(1, 1, u"w");
    ods([](const char*) { set_last_error(ERROR_ACCESS_DENIED); }, "c");
    EXPECT_EQ(last_error(), ERROR_MORE_DATA);
    EXPECT_TRUE(capture.contains(kLoadFailed));
    EXPECT_TRUE(capture.contains("plain debug 7"));
}

// ---- Switch report -------------------------------------------------------------------------

TEST_F(TraceTest, SwitchReportShowsRegistryValuesAndProcessState) {
    auto s = qel::trace::read_trace_switches();
    EXPECT_EQ(s.trace_level, 0);
    EXPECT_FALSE(s.logging_enabled.has_value());
    EXPECT_EQ(s.process_trace_level, -1);
    EXPECT_NE(qel::trace::describe_trace_switches(s).find("LogIPAddr: (not set)"), std::string::npos);

    set_dword(HKEY_CURRENT_USER, kDebugKey, u"app_trace_level", 0);
    set_dword(HKEY_CURRENT_USER, kDebugKey, u"trace_level", 1);
    set_text(HKEY_CURRENT_USER, kDebugKey, u"LogFileName", u"/tmp/qel.log");
    set_dword(HKEY_CURRENT_USER, kDebugKey, u"LogIPAddr", 0xC0A80102);
    set_dword(HKEY_CURRENT_USER, u"SOFTWARE\\Quorlan\\QUORLAN StackScope\\Protocol Trace Level 1",
              u"OPP", 0x105);
    enable_event_trace(QEL_TEST_EVENT_TRACE_DIR);
    QelTrace("load the library");
    s = qel::trace::read_trace_switches();
    EXPECT_EQ(s.trace_level, 0);
    EXPECT_EQ(s.app_trace_level, 0u);
    EXPECT_EQ(s.logging_enabled, 1u);
    EXPECT_TRUE(s.event_trace_library_loaded);
    EXPECT_EQ(s.process_trace_level, 0);
    EXPECT_EQ(qel::trace::describe_trace_switches(s),
              "trace level: off (app_trace_level 0)\n"
              "log file: /tmp/qel.log\n"
              "LoggingEnabled: 1\n"
              "event-trace library: loaded\n"
              "LogIPAddr: 192.168.1.2\n"
              "OPP level: 5 (in use: 9)\n");
}
