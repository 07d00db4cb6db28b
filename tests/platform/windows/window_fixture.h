// Shared by the window tests: a private runtime folder, the fast time scale, and window classes
// registered for one test.
#pragma once

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
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

// Sends raw bytes to a window's socket path, as any other program could; true when all were sent.
inline bool send_raw(const std::filesystem::path& path, const void* data, std::size_t size) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    ssize_t n = ::sendto(fd, data, size, MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&address),
                         sizeof address);
    ::close(fd);
    return n == static_cast<ssize_t>(size);
}

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
