#include "platform/sync/clock.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>
#include <thread>

#include "platform/environment.h"

namespace qel::platform {
namespace {

constexpr double kMaxScale = 1000000.0;

bool valid_scale(double factor) { return std::isfinite(factor) && factor > 0.0 && factor <= kMaxScale; }

// The scaled clock: ticks = base_ticks + (now - base_real) / scale. Changing the scale rebases it
// so the tick count continues from where it was.
class ScaledClock {
public:
    ScaledClock() : base_real_(SteadyClock::now()) {
        base_ticks_ = std::chrono::duration<double, std::milli>(base_real_.time_since_epoch()).count();
        if (auto text = env_value("QEL_TIME_SCALE")) {
            try {
                double factor = std::stod(*text);
                if (valid_scale(factor)) scale_ = factor;
            } catch (...) {
                // An unreadable value leaves the scale at 1.
            }
        }
    }

    bool set_scale(double factor) {
        if (!valid_scale(factor)) return false;
        std::lock_guard lock(mutex_);
        auto now = SteadyClock::now();
        base_ticks_ = ticks_at(now);
        base_real_ = now;
        scale_ = factor;
        return true;
    }

    double scale() const {
        std::lock_guard lock(mutex_);
        return scale_;
    }

    double ticks() const {
        std::lock_guard lock(mutex_);
        return ticks_at(SteadyClock::now());
    }

private:
    double ticks_at(SteadyClock::time_point now) const {
        return base_ticks_ + std::chrono::duration<double, std::milli>(now - base_real_).count() / scale_;
    }

    mutable std::mutex mutex_;  // guards the three fields below
    SteadyClock::time_point base_real_;
    double base_ticks_ = 0.0;
    double scale_ = 1.0;
};

ScaledClock& scaled_clock() {
    static ScaledClock clock;
    return clock;
}

}  // namespace

bool set_time_scale(double factor) { return scaled_clock().set_scale(factor); }

double time_scale() { return scaled_clock().scale(); }

std::optional<SteadyClock::duration> real_duration(DWORD ms) {
    if (ms == INFINITE) return std::nullopt;
    // Capped at about 30 years so that a long limit at a large scale cannot overflow the clock.
    constexpr double kMaxRealMs = 1e12;
    std::chrono::duration<double, std::milli> real(std::min(static_cast<double>(ms) * time_scale(), kMaxRealMs));
    return std::chrono::duration_cast<SteadyClock::duration>(real);
}

ULONGLONG tick_count64() { return static_cast<ULONGLONG>(scaled_clock().ticks()); }

DWORD tick_count() { return static_cast<DWORD>(tick_count64()); }

void sleep_ms(DWORD ms) {
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    if (ms == INFINITE) {
        for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    std::this_thread::sleep_for(*real_duration(ms));
}

Deadline Deadline::after(DWORD ms) {
    Deadline d;
    if (auto real = real_duration(ms)) d.when_ = SteadyClock::now() + *real;
    return d;
}

}  // namespace qel::platform
