// Shared by the window tests: a private runtime folder, the fast time scale, and window classes
// registered for one test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sync/clock.h"
#include "platform/windows/message_queue.h"
#include "platform/windows/window.h"
#include "support/test_support.h"

namespace qel::test {

// Registers a class for the life of the object and removes it again.
class ScopedClass {
public:
    ScopedClass(std::u16string name, platform::WindowProcedure procedure) : name_(std::move(name)) {
        atom_ = platform::register_class({name_, std::move(procedure)});
    }
    ~ScopedClass() { platform::unregister_class(name_); }
    ScopedClass(const ScopedClass&) = delete;
    ScopedClass& operator=(const ScopedClass&) = delete;
    WORD atom() const { return atom_; }
    const std::u16string& name() const { return name_; }

private:
    std::u16string name_;
    WORD atom_ = 0;
};

// What a window procedure saw, in order (only touched on the window's thread unless said so).
struct SeenMessage {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool operator==(const SeenMessage&) const = default;
};

class WindowTest : public ::testing::Test {
protected:
    TempDir runtime_;
    ScopedEnv runtime_env_{"XDG_RUNTIME_DIR", runtime_.path().string()};
    platform::ScopedTimeScale fast_{0.001};

    // Drops whatever the calling thread's queue still holds.
    static void drain() {
        platform::Msg m;
        while (platform::peek_message(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    void TearDown() override { drain(); }
};

}  // namespace qel::test
