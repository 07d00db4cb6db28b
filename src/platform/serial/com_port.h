// COM ports: a port opened by its platform name, its line settings as a device-control block,
// its time-outs, purging, line errors, and reads and writes that run overlapped (completion
// signalled through a manual-reset event of the sync layer) or blocking.
//
// Names. "COM1".."COM9" and the device-namespace form "\\.\COMn" (n = 1..255) are accepted, the
// "COM" part in any case; a plain "COMn" above 9 is not a device name, as on the platform, and
// fails with ERROR_FILE_NOT_FOUND. COMn is the device named by $QEL_COM_DIR/COMn (a symlink to a
// tty or pseudo-terminal) when QEL_COM_DIR is set (the only place looked at then: a missing entry
// is a missing port), else /dev/ttyS(n-1).
//
// Promises:
//  - open: ERROR_FILE_NOT_FOUND for a name that is no port or a device that is missing or is not
//    a terminal, ERROR_ACCESS_DENIED when the port is already open (ports are opened exclusively:
//    TIOCEXCL and an exclusive flock), otherwise the platform error of the failure.
//  - set_state maps onto termios what it can hold (baud rate, data bits, parity, stop bits,
//    CRTSCTS from CTS/RTS handshaking, IXON/IXOFF and their characters, always raw mode); every
//    other field is kept in the handle, so get_state returns exactly what set_state set.
//    Invalid values fail with ERROR_INVALID_PARAMETER and change nothing. fNull discards NUL
//    bytes from what reads deliver. (A pseudo-terminal's driver itself always reports 8 data
//    bits without parity enable.)
//  - The termios in force at open is put back when the port is closed.
//  - Reads complete as soon as at least one byte is there (up to the count asked), when the read
//    time-out passes (with what arrived, possibly nothing), or at once with what is waiting when
//    ReadIntervalTimeout is MAXDWORD and both read totals are 0. All time-outs 0: wait for a byte
//    without limit. Writes complete when every byte is written or the write time-out passes.
//  - purge with PURGE_RXABORT / PURGE_TXABORT, cancel_io and close end pending transfers at once
//    with ERROR_OPERATION_ABORTED. Nothing polls: one I/O thread per open port sleeps in poll()
//    on the device and an eventfd.
//  - When the far end goes away (a pseudo-terminal whose master closed: EIO, POLLHUP), pending
//    and later transfers fail with ERROR_BROKEN_PIPE; the port never spins on the hung-up device.
//  - Every member is safe from any thread. An OVERLAPPED and its buffer must stay alive until its
//    transfer has ended (the port's close ends them all).
//
// Threads: each open port owns one I/O thread, started by open and stopped (and joined) by
// close or the destructor, through the eventfd.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "platform/serial/comm_types.h"

namespace qel::platform {

namespace detail {
class ComPortState;
}

// The device a COM port name stands for, or nothing (ERROR_FILE_NOT_FOUND) when the name is no
// port name. Does not look at the device itself.
std::optional<std::filesystem::path> com_port_device(std::string_view name);

class ComPort {
public:
    // Opens `name` for reading and writing, exclusively. Nothing, with the thread's last error
    // set, on failure.
    static std::optional<ComPort> open(std::string_view name);

    ComPort(ComPort&& other) noexcept;
    ComPort& operator=(ComPort&& other) noexcept;
    ComPort(const ComPort&) = delete;
    ComPort& operator=(const ComPort&) = delete;
    ~ComPort();

    // Restores the settings in force at open, ends pending transfers and releases the device.
    // Later calls fail with ERROR_INVALID_HANDLE. Safe to call twice.
    void close();
    bool is_open() const;
    // The device path opened (the symlink as named, not its target).
    std::filesystem::path device() const;

    // All false with the thread's last error set on failure.
    bool get_state(DCB* dcb) const;
    bool set_state(const DCB& dcb);
    bool get_timeouts(COMMTIMEOUTS* timeouts) const;
    bool set_timeouts(const COMMTIMEOUTS& timeouts);
    // PURGE_* flags; ERROR_INVALID_PARAMETER for any other bit.
    bool purge(DWORD flags);
    // Reports (and clears) the line errors (CE_*) and the bytes queued each way; either may be null.
    bool clear_error(DWORD* errors, COMSTAT* status);

    // Starts a read of up to buffer.size() bytes. True when it finished at once (*done bytes);
    // false with ERROR_IO_PENDING while it runs (its end is reported through `overlapped`), or
    // with another error when it could not be started. One read and one write may run at a time;
    // starting another while one runs fails with ERROR_BUSY.
    bool read_overlapped(std::span<std::byte> buffer, DWORD* done, OVERLAPPED* overlapped);
    bool write_overlapped(std::span<const std::byte> data, DWORD* done, OVERLAPPED* overlapped);
    // The result of a transfer started with `overlapped`: with `wait`, after waiting for its end.
    // False with ERROR_IO_INCOMPLETE when not waiting and it still runs, else with its error.
    bool overlapped_result(OVERLAPPED* overlapped, DWORD* done, bool wait);
    // Ends the transfer started with `overlapped` (every transfer of the port when null) with
    // ERROR_OPERATION_ABORTED. False with ERROR_NOT_FOUND when none was running.
    bool cancel_io(OVERLAPPED* overlapped = nullptr);

    // Blocking forms: start and wait for the end.
    bool read(std::span<std::byte> buffer, DWORD* done);
    bool write(std::span<const std::byte> data, DWORD* done);

private:
    explicit ComPort(std::shared_ptr<detail::ComPortState> state);
    std::shared_ptr<detail::ComPortState> state_;
};

}  // namespace qel::platform
