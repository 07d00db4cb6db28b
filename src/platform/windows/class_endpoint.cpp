#include "platform/windows/class_endpoint.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "platform/environment.h"
#include "platform/last_error.h"
#include "platform/utf.h"

namespace qel::platform::windows_detail {
namespace {

constexpr std::array<std::uint8_t, 4> kMagic{0x51, 0x57, 0x4D, 0x31};  // "QWM1"
constexpr std::size_t kMaxNameLength = 80;
constexpr int kClaimAttempts = 50;

void put_le(std::uint8_t* out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t get_le(const std::uint8_t* in, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(in[i]) << (8 * i);
    return value;
}

// The class name as a file name: lower-case ASCII letters, digits, '_' and '-' kept, every other
// byte of its UTF-8 form (an unpaired surrogate as U+FFFD) as %XX; a long name keeps its start and gets a hash of the whole.
std::string file_name_of(std::u16string_view class_name) {
    std::string utf8 = utf16_to_utf8(class_name, UnpairedSurrogate::replace);
    std::string name;
    for (unsigned char c : utf8) {
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-') {
            name += static_cast<char>(c);
        } else {
            static constexpr char kHex[] = "0123456789ABCDEF";
            name += '%';
            name += kHex[c >> 4];
            name += kHex[c & 0xF];
        }
    }
    if (name.size() > kMaxNameLength) {
        std::uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a
        for (unsigned char c : name) hash = (hash ^ c) * 0x100000001b3ull;
        char tail[18];
        std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(hash));
        name = name.substr(0, kMaxNameLength - 17) + tail;
    }
    return name;
}

std::filesystem::path lock_path_of(const std::filesystem::path& socket_path) {
    auto p = socket_path;
    p.replace_extension(".lock");
    return p;
}

bool make_address(const std::filesystem::path& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.size() >= sizeof address->sun_path) return false;
    std::memcpy(address->sun_path, text.c_str(), text.size() + 1);
    return true;
}

// The runtime folder, private to the user: made with mode 0700, or narrowed to it when it exists
// with a wider mode. A folder that belongs to another user is not used at all.
bool make_runtime_dir(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir.parent_path(), ec);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
    return (st.st_mode & 077) == 0 || ::chmod(dir.c_str(), 0700) == 0;
}

// Tries to take the class's lock without waiting; the open descriptor (holding the lock) or -1.
int try_claim(const std::filesystem::path& lock_path) {
    int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

enum class Probe { alive, stale, absent };

Probe probe(const std::filesystem::path& path) {
    sockaddr_un address;
    if (!make_address(path, &address)) return Probe::absent;
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Probe::absent;
    int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    int err = errno;
    ::close(fd);
    if (rc == 0) return Probe::alive;
    return err == ECONNREFUSED ? Probe::stale : Probe::absent;
}

// Removes a socket nobody owns: only while holding its lock, so a live owner's is never touched.
void remove_if_unowned(const std::filesystem::path& path) {
    int fd = try_claim(lock_path_of(path));
    if (fd < 0) return;
    ::unlink(path.c_str());
    ::close(fd);
}

}  // namespace

std::array<std::uint8_t, kDatagramSize> encode_datagram(const Datagram& datagram) {
    std::array<std::uint8_t, kDatagramSize> bytes{};
    std::memcpy(bytes.data(), kMagic.data(), kMagic.size());
    put_le(bytes.data() + 4, datagram.message, 4);
    put_le(bytes.data() + 8, static_cast<std::uint64_t>(datagram.wparam), 8);
    put_le(bytes.data() + 16, static_cast<std::uint64_t>(datagram.lparam), 8);
    return bytes;
}

std::optional<Datagram> decode_datagram(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kDatagramSize || std::memcmp(bytes.data(), kMagic.data(), kMagic.size()) != 0)
        return std::nullopt;
    Datagram d;
    d.message = static_cast<UINT>(get_le(bytes.data() + 4, 4));
    d.wparam = static_cast<WPARAM>(get_le(bytes.data() + 8, 8));
    d.lparam = static_cast<LPARAM>(get_le(bytes.data() + 16, 8));
    return d;
}

std::optional<std::filesystem::path> endpoint_path(std::u16string_view class_name) {
    if (class_name.empty()) return std::nullopt;
    auto path = runtime_dir() / (file_name_of(class_name) + ".window");
    sockaddr_un address;
    if (!make_address(path, &address)) return std::nullopt;
    return path;
}

std::unique_ptr<ClassEndpoint> ClassEndpoint::open(std::u16string_view class_name, Deliver deliver) {
    auto path = endpoint_path(class_name);
    if (!path || !make_runtime_dir(path->parent_path())) return nullptr;
    std::unique_ptr<ClassEndpoint> endpoint(new ClassEndpoint);
    endpoint->path_ = *path;
    endpoint->deliver_ = std::move(deliver);
    // The lock may be held for a moment by another process removing a stale socket; a live owner
    // is recognised by its socket answering.
    for (int attempt = 0; attempt < kClaimAttempts; ++attempt) {
        endpoint->lock_fd_ = try_claim(lock_path_of(*path));
        if (endpoint->lock_fd_ >= 0) break;
        if (probe(*path) == Probe::alive) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (endpoint->lock_fd_ < 0) return nullptr;

    ::unlink(path->c_str());  // left by an owner that died
    sockaddr_un address;
    make_address(*path, &address);
    endpoint->socket_fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (endpoint->socket_fd_ < 0 ||
        ::bind(endpoint->socket_fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return nullptr;
    endpoint->wake_fd_ = ::eventfd(0, EFD_CLOEXEC);
    if (endpoint->wake_fd_ < 0) return nullptr;
    try {
        endpoint->receiver_ = std::thread([e = endpoint.get()] { e->receive_loop(); });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return endpoint;
}

ClassEndpoint::~ClassEndpoint() {
    if (receiver_.joinable()) {
        std::uint64_t one = 1;
        while (::write(wake_fd_, &one, sizeof one) < 0 && errno == EINTR) {
        }
        receiver_.join();
    }
    if (socket_fd_ >= 0) {
        ::unlink(path_.c_str());  // while still holding the lock
        ::close(socket_fd_);
    }
    if (wake_fd_ >= 0) ::close(wake_fd_);
    if (lock_fd_ >= 0) ::close(lock_fd_);  // gives up the claim
}

void ClassEndpoint::receive_loop() {
    pollfd fds[2] = {{socket_fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if (fds[0].revents & (POLLERR | POLLNVAL)) return;
        if (fds[0].revents & POLLIN) {
            std::uint8_t buffer[64];
            ssize_t n = ::recv(socket_fd_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                if (auto d = decode_datagram(std::span(buffer, static_cast<std::size_t>(n)))) deliver_(*d);
            }
        }
    }
}

bool remote_class_alive(std::u16string_view class_name) {
    auto path = endpoint_path(class_name);
    if (!path) return false;
    switch (probe(*path)) {
    case Probe::alive: return true;
    case Probe::stale: remove_if_unowned(*path); return false;
    case Probe::absent: return false;
    }
    return false;
}

DWORD send_to_class(std::u16string_view class_name, const Datagram& datagram) {
    auto path = endpoint_path(class_name);
    sockaddr_un address;
    if (!path || !make_address(*path, &address)) return ERROR_INVALID_WINDOW_HANDLE;
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return error_from_errno(errno);
    auto bytes = encode_datagram(datagram);
    ssize_t n = ::sendto(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                         reinterpret_cast<const sockaddr*>(&address), sizeof address);
    int err = errno;
    ::close(fd);
    if (n == static_cast<ssize_t>(bytes.size())) return ERROR_SUCCESS;
    switch (err) {
    case ECONNREFUSED:
        remove_if_unowned(*path);
        return ERROR_INVALID_WINDOW_HANDLE;
    case ENOENT: return ERROR_INVALID_WINDOW_HANDLE;
    case EAGAIN:
    case ENOBUFS: return ERROR_NOT_ENOUGH_QUOTA;
    default: return error_from_errno(err);
    }
}

}  // namespace qel::platform::windows_detail
