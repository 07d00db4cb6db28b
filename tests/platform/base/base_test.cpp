#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "platform/debug_stream.h"
#include "platform/environment.h"
#include "platform/last_error.h"
#include "platform/utf.h"
#include "support/test_support.h"

using namespace qel::platform;

TEST(LastError, IsPerThreadAndRestoredByPreserver) {
    set_last_error(ERROR_MORE_DATA);
    std::thread([] {
        EXPECT_EQ(last_error(), ERROR_SUCCESS);
        set_last_error(ERROR_FILE_NOT_FOUND);
    }).join();
    EXPECT_EQ(last_error(), ERROR_MORE_DATA);
    {
        LastErrorPreserver keep;
        set_last_error(ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(last_error(), ERROR_MORE_DATA);
}

TEST(LastError, MapsErrnoToPlatformCodes) {
    EXPECT_EQ(error_from_errno(ENOENT), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(error_from_errno(EACCES), ERROR_ACCESS_DENIED);
    EXPECT_EQ(error_from_errno(EINVAL), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(error_from_errno(EXDEV), ERROR_GEN_FAILURE);
}

TEST(DebugStream, CaptureSeesEveryPieceFromEveryThreadAndRestoresPreviousSink) {
    DebugStreamCapture outer;
    {
        DebugStreamCapture inner;
        output_debug_string("first");
        std::thread([] { output_debug_string("from a thread\n"); }).join();
        EXPECT_EQ(inner.lines(), (std::vector<std::string>{"first", "from a thread\n"}));
    }
    output_debug_string("after");
    EXPECT_EQ(outer.lines(), std::vector<std::string>{"after"});
    EXPECT_TRUE(outer.contains("fte"));
    EXPECT_FALSE(outer.contains("first"));
}

TEST(Environment, FoldersFollowXdgVariables) {
    qel::test::ScopedEnv data("XDG_DATA_HOME", "/d");
    qel::test::ScopedEnv run("XDG_RUNTIME_DIR", "/r");
    EXPECT_EQ(user_data_dir(), "/d/qel");
    EXPECT_EQ(runtime_dir(), "/r/qel");
    qel::test::ScopedEnv nodata("XDG_DATA_HOME", std::nullopt);
    qel::test::ScopedEnv home("HOME", "/h");
    EXPECT_EQ(user_data_dir(), "/h/.local/share/qel");
    qel::test::ScopedEnv empty("XDG_RUNTIME_DIR", "");
    EXPECT_FALSE(env_value("XDG_RUNTIME_DIR").has_value());
}

TEST(Utf, ConvertsLosslesslyAndRejectsBadUtf8) {
    const std::u16string text = u"a\u00E9\u2603\U0001D11E";
    EXPECT_EQ(utf16_to_utf8(text), "a\xC3\xA9\xE2\x98\x83\xF0\x9D\x84\x9E");
    EXPECT_EQ(utf8_to_utf16(utf16_to_utf8(text)), text);
    // Unpaired surrogates survive a round trip, or become U+FFFD on request.
    const std::u16string lone = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
    EXPECT_EQ(utf16_to_utf8(lone), "a\xED\xA0\x80" "b\xED\xB0\x80");
    EXPECT_EQ(utf8_to_utf16(utf16_to_utf8(lone)), lone);
    EXPECT_EQ(utf16_to_utf8(lone, UnpairedSurrogate::replace), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    struct Bad {
        const char* bytes;
        std::size_t offset;
    };
    for (const Bad& bad : {Bad{"ab\xC0\x80", 2},           // overlong
                           Bad{"a\xE0\x9F\xBF", 1},        // overlong three-byte form
                           Bad{"\xE2\x98", 0},              // cut short
                           Bad{"xy\xF4\x90\x80\x80", 2},  // above U+10FFFF
                           Bad{"\x80", 0}, Bad{"\xFF", 0}}) {
        std::size_t at = 99;
        EXPECT_EQ(utf8_to_utf16(bad.bytes, &at), std::nullopt) << bad.bytes;
        EXPECT_EQ(at, bad.offset) << bad.bytes;
    }
}
