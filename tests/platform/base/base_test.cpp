#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "platform/debug_stream.h"
#include "platform/environment.h"
#include "platform/last_error.h"
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
