// cIO_OVERLAPPED: one overlapped read or write on a COM port at a time, with its own manual-reset
// event (created by the constructor, closed by the destructor). The reader and the writer thread
// of a started port each keep one for their lifetime.
#pragma once

#include <stdexcept>

#include "platform/serial/com_port.h"

// Raised by cIO_OVERLAPPED::Write when a write cannot be issued or writes fewer bytes than asked.
// It never leaves the transport: the writer thread catches it and ends.
class cIOWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class cIO_OVERLAPPED : public OVERLAPPED {
public:
    cIO_OVERLAPPED();
    ~cIO_OVERLAPPED();
    cIO_OVERLAPPED(const cIO_OVERLAPPED&) = delete;
    cIO_OVERLAPPED& operator=(const cIO_OVERLAPPED&) = delete;

    // Reads up to Count bytes: the byte count, 0 when the read could not be issued, -1 when
    // waiting for it failed (the thread's last error says why).
    int Read(qel::platform::ComPort& hCom, void* buf, DWORD Count);
    // Waits for the pending transfer: its byte count, or -1 when it failed.
    int Wait(qel::platform::ComPort& hCom);
    // Writes Count bytes; throws cIOWriteError when the write cannot be issued or writes fewer.
    void Write(qel::platform::ComPort& hCom, const void* buf, DWORD Count);
};
