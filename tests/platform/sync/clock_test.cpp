#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../run_self.h"

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

int run_with_scale(const std::string& scale) {
    return qel::test::run_self("ClockEnvironment.StartingScaleFollowsTheEnvironment", {"QEL_TIME_SCALE"},
                               {"QEL_TIME_SCALE=" + scale});
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
    for (const char* scale : {"0.25", "-3", "fast"}) EXPECT_EQ(run_with_scale(scale), 0) << scale;
}
