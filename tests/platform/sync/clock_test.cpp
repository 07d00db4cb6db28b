#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/sync/clock.h"
#include "platform/sync/event.h"

using namespace qel::platform;

TEST(Clock, TimeScaleRefusesNonsenseAndScopedScaleRestores) {
    double before = time_scale();
    EXPECT_FALSE(set_time_scale(0.0));
    EXPECT_FALSE(set_time_scale(-1.0));
    EXPECT_FALSE(set_time_scale(2000000.0));
    EXPECT_DOUBLE_EQ(time_scale(), before);
    {
        ScopedTimeScale fast(0.001);
        EXPECT_DOUBLE_EQ(time_scale(), 0.001);
        ASSERT_TRUE(real_duration(15000).has_value());
        EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(*real_duration(15000)).count(), 15);
        EXPECT_FALSE(real_duration(INFINITE).has_value());
    }
    EXPECT_DOUBLE_EQ(time_scale(), before);
}

TEST(Clock, TicksCountPlatformMillisecondsAndNeverGoBack) {
    ScopedTimeScale fast(0.001);
    ULONGLONG start = tick_count64();
    sleep_ms(2000);  // 2 ms of real time
    ULONGLONG after_sleep = tick_count64();
    EXPECT_GE(after_sleep - start, 2000u);
    set_time_scale(1.0);  // rebasing must not move the count backwards
    EXPECT_GE(tick_count64(), after_sleep);
    set_time_scale(0.001);
    EXPECT_GE(tick_count64(), after_sleep);
}

TEST(Clock, WaitLimitIsMeasuredInScaledTime) {
    ScopedTimeScale fast(0.001);
    WaitHandle never = create_event(true, false);
    ULONGLONG start = tick_count64();
    EXPECT_EQ(wait_for_single_object(never, 15000), WAIT_TIMEOUT);
    // The wait may not end before its limit as the platform's tick count sees it.
    EXPECT_GE(tick_count64() - start, 15000u);
}

TEST(Clock, DeadlinesOfZeroInfiniteAndTheLongestLimit) {
    EXPECT_TRUE(Deadline::after(0).passed());
    EXPECT_TRUE(Deadline::after(INFINITE).infinite());
    EXPECT_FALSE(Deadline::after(INFINITE).passed());
    // The longest finite limit at the largest scale stays in the future (no overflow).
    ScopedTimeScale slow(1000000.0);
    auto d = Deadline::after(INFINITE - 1);
    ASSERT_FALSE(d.infinite());
    EXPECT_GT(d.when(), SteadyClock::now() + std::chrono::hours(24 * 365));
}

namespace {

// Starts this test program again, running only `filter`, with QEL_TIME_SCALE set to `scale`;
// its exit status.
int run_self(const std::string& filter, const std::string& scale) {
    std::vector<std::string> env_text;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::string(*e).rfind("QEL_TIME_SCALE=", 0) != 0) env_text.emplace_back(*e);
    env_text.push_back("QEL_TIME_SCALE=" + scale);
    std::vector<char*> envp;
    for (auto& e : env_text) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string exe = "/proc/self/exe";
    std::string arg = "--gtest_filter=" + filter;
    char* argv[] = {exe.data(), arg.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// In any process: the scale this program started with is QEL_TIME_SCALE when that is a usable
// factor, else 1.
TEST(ClockEnvironment, StartingScaleFollowsTheEnvironment) {
    double expected = 1.0;
    if (const char* text = std::getenv("QEL_TIME_SCALE")) {
        char* end = nullptr;
        double value = std::strtod(text, &end);
        if (end != text && value > 0.0 && value <= 1000000.0) expected = value;
    }
    EXPECT_DOUBLE_EQ(time_scale(), expected);
}

TEST(ClockEnvironment, NewProcessTakesItsScaleFromTheEnvironment) {
    EXPECT_EQ(run_self("ClockEnvironment.StartingScaleFollowsTheEnvironment", "0.25"), 0);
    EXPECT_EQ(run_self("ClockEnvironment.StartingScaleFollowsTheEnvironment", "-3"), 0);
    EXPECT_EQ(run_self("ClockEnvironment.StartingScaleFollowsTheEnvironment", "fast"), 0);
}
