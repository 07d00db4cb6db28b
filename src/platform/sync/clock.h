// The platform clock: one process-wide time scale for every wait limit and pause, a millisecond
// tick count, and sleeping.
//
// The system writes its waits with their full limits (15000 ms, 60000 ms, ...). A time scale below
// 1 makes all of them pass faster: at 0.001 a 15000 ms limit ends after 15 ms of real time. The
// scale applies to every timed operation of the platform layer (waits on events and threads, the
// message wait, sleep_ms); INFINITE stays infinite.
//
// Promises:
//  - The scale starts at 1.0, or at the value of QEL_TIME_SCALE when that names a number in
//    (0, 1000000]; set_time_scale changes it for the whole process at any time. A wait takes the
//    scale in force when it starts.
//  - The tick count runs in platform (scaled) milliseconds: a limit of N ms measured with
//    tick_count() spans N ticks whatever the scale, so code that subtracts elapsed ticks from a
//    limit stays consistent. It never goes backwards, also when the scale changes, and the 32-bit
//    form wraps after 2^32 ms as the platform's does.
// Safe from any thread.
#pragma once

#include <chrono>
#include <optional>

#include "platform/win32.h"

namespace qel::platform {

using SteadyClock = std::chrono::steady_clock;

// Sets the process-wide time scale; false (nothing changed) unless 0 < factor <= 1000000.
bool set_time_scale(double factor);
double time_scale();

// Sets the time scale for one scope and restores the previous one (tests).
class ScopedTimeScale {
public:
    explicit ScopedTimeScale(double factor) : previous_(time_scale()) { set_time_scale(factor); }
    ~ScopedTimeScale() { set_time_scale(previous_); }
    ScopedTimeScale(const ScopedTimeScale&) = delete;
    ScopedTimeScale& operator=(const ScopedTimeScale&) = delete;

private:
    double previous_;
};

// The real-time length of a platform limit of `ms` at the current scale; nothing for INFINITE.
std::optional<SteadyClock::duration> real_duration(DWORD ms);

// Platform milliseconds since an arbitrary origin (the system's uptime at scale 1).
DWORD tick_count();
ULONGLONG tick_count64();

// Pauses the calling thread for `ms` platform milliseconds (0 yields; INFINITE never returns).
void sleep_ms(DWORD ms);

// The end of a wait, fixed when the wait starts.
class Deadline {
public:
    static Deadline after(DWORD ms);
    bool infinite() const { return !when_; }
    // The real time point; only for a finite deadline.
    SteadyClock::time_point when() const { return *when_; }
    bool passed() const { return when_ && SteadyClock::now() >= *when_; }

private:
    std::optional<SteadyClock::time_point> when_;
};

}  // namespace qel::platform
