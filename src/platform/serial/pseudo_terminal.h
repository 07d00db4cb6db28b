// Pseudo-terminals for simulated devices: the master end that a simulator reads and writes, the
// slave path that a COM port opens, and the link that makes the slave appear as COMn.
//
// Promises:
//  - open() makes a master/slave pair with the slave in raw mode (no echo, no line editing, no
//    translation) and keeps one slave descriptor of its own, so the master never sees a hang-up
//    while no COM port has the slave open.
//  - read waits up to a time limit (platform milliseconds, scaled by the clock) for at least one
//    byte; cancel() ends a read in progress (and the next one, if none runs) at once with
//    ERROR_OPERATION_ABORTED. write writes every byte or fails.
//  - close() hangs the pair up: a COM port on the slave sees its transfers fail with
//    ERROR_BROKEN_PIPE. It waits for reads in progress to return (they return at once) and may be
//    called from any thread; later calls fail with ERROR_INVALID_HANDLE.
//  - All members are safe from any thread; nothing polls (poll() on the master and an eventfd).
//
// ComLink: $QEL_COM_DIR/COMn as a symlink to a slave path, removed on destruction (unless a newer
// link of that name has replaced it meanwhile).
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/win32.h"

namespace qel::platform {

class PseudoTerminal {
public:
    // A new pair. Nothing, with the thread's last error set, when none can be made.
    static std::optional<PseudoTerminal> open();

    PseudoTerminal(PseudoTerminal&&) noexcept;
    PseudoTerminal& operator=(PseudoTerminal&&) noexcept;
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal();

    const std::filesystem::path& slave_path() const;

    struct ReadResult {
        DWORD error = ERROR_SUCCESS;  // WAIT_TIMEOUT when the limit passed with no byte
        std::size_t count = 0;
    };
    // Reads up to buffer.size() bytes, waiting up to `timeout_ms` for the first one.
    ReadResult read(std::span<std::byte> buffer, DWORD timeout_ms);
    // Writes every byte, waiting as long as the slave's input is full (a close or cancel ends the
    // wait). False with the thread's last error set on failure.
    bool write(std::span<const std::byte> data);
    // Ends a read in progress (or the next read) with ERROR_OPERATION_ABORTED.
    void cancel();
    // Hangs up and releases both ends.
    void close();
    bool is_open() const;

private:
    struct State;
    explicit PseudoTerminal(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// The folder that COM port names resolve in ($QEL_COM_DIR), or nothing when it is not set.
std::optional<std::filesystem::path> com_port_dir();

class ComLink {
public:
    // Makes $QEL_COM_DIR/COM<number> a symlink to `target`, replacing an older link of that
    // name; the folder is made (mode 0700) when it does not exist. Nothing, with the last error set: ERROR_PATH_NOT_FOUND when QEL_COM_DIR is not set,
    // ERROR_INVALID_PARAMETER for a number outside 1..255, the platform error otherwise.
    static std::optional<ComLink> create(unsigned number, const std::filesystem::path& target);

    ComLink(ComLink&& other) noexcept;
    ComLink& operator=(ComLink&& other) noexcept;
    ComLink(const ComLink&) = delete;
    ComLink& operator=(const ComLink&) = delete;
    ~ComLink();

    // "COM<number>".
    std::string name() const;
    const std::filesystem::path& path() const { return path_; }
    // Removes the link now, when it still leads to this link's target.
    void remove();

private:
    ComLink(unsigned number, std::filesystem::path path, std::filesystem::path target)
        : number_(number), path_(std::move(path)), target_(std::move(target)) {}
    unsigned number_ = 0;
    std::filesystem::path path_;
    std::filesystem::path target_;
};

}  // namespace qel::platform
