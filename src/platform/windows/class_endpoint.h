// Internal to the windows piece: the datagram socket through which a window class of this process
// is reached from other processes, and the sending side of it.
//
// Socket: runtime_dir()/<name>.window, where <name> is the class name in UTF-8 with ASCII letters
// folded to lower case and every byte outside [a-z0-9_-] written as %XX (a long name is cut and
// given a hash). The folder is made private to the user (0700), so only the user's own processes
// can reach it. A process owns a class's socket while it holds an exclusive lock (flock) on
// runtime_dir()/<name>.lock; the kernel drops the lock when the process dies, so a socket whose
// lock is free belongs to nobody and may be removed.
//
// Datagram (24 bytes, little-endian, nothing else is accepted):
//   offset  0  4 bytes  magic "QWM1" (0x51 0x57 0x4D 0x31)
//   offset  4  4 bytes  message number (UINT)
//   offset  8  8 bytes  first parameter (WPARAM, unsigned)
//   offset 16  8 bytes  second parameter (LPARAM, signed two's complement)
// Only these numbers travel; a pointer passed in a parameter means nothing to the receiver.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <thread>

#include "platform/windows/message.h"

namespace qel::platform::windows_detail {

inline constexpr std::size_t kDatagramSize = 24;

struct Datagram {
    UINT message = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
};

std::array<std::uint8_t, kDatagramSize> encode_datagram(const Datagram& datagram);
std::optional<Datagram> decode_datagram(std::span<const std::uint8_t> bytes);

// The class's socket path; nothing when it would not fit a socket address.
std::optional<std::filesystem::path> endpoint_path(std::u16string_view class_name);

// This process's ownership of one class's socket, with the receiver thread that hands every valid
// datagram to `deliver` (on the receiver thread). The receiver sleeps in poll() on the socket and
// an eventfd; the destructor writes the eventfd, joins the receiver, removes the socket and then
// gives up the lock, so the receiver never outlives the endpoint.
class ClassEndpoint {
public:
    using Deliver = std::function<void(const Datagram&)>;

    // Claims the class's socket. Nothing when another live process owns it, or when the folder,
    // lock or socket cannot be made (the window then works inside this process only).
    static std::unique_ptr<ClassEndpoint> open(std::u16string_view class_name, Deliver deliver);
    ~ClassEndpoint();
    ClassEndpoint(const ClassEndpoint&) = delete;
    ClassEndpoint& operator=(const ClassEndpoint&) = delete;

private:
    ClassEndpoint() = default;
    void receive_loop();

    std::filesystem::path path_;
    int lock_fd_ = -1;
    int socket_fd_ = -1;
    int wake_fd_ = -1;
    Deliver deliver_;
    std::thread receiver_;
};

// Whether a live process answers on the class's socket; a socket left by a dead process is
// removed on the way.
bool remote_class_alive(std::u16string_view class_name);

// Sends one datagram to the class's socket without waiting: ERROR_SUCCESS,
// ERROR_INVALID_WINDOW_HANDLE when nobody answers there, ERROR_NOT_ENOUGH_QUOTA when the
// receiver's buffer is full, else the error of the failing call.
DWORD send_to_class(std::u16string_view class_name, const Datagram& datagram);

}  // namespace qel::platform::windows_detail
