#include "dialup/transport/io_overlapped.h"

#include <cstddef>

#include "platform/last_error.h"
#include "platform/sync/event.h"

using qel::platform::ComPort;

cIO_OVERLAPPED::cIO_OVERLAPPED() { hEvent = qel::platform::create_event(true, false); }

cIO_OVERLAPPED::~cIO_OVERLAPPED() { hEvent.close(); }

int cIO_OVERLAPPED::Read(ComPort& hCom, void* buf, DWORD Count) {
    DWORD done = 0;
    if (hCom.read_overlapped({static_cast<std::byte*>(buf), Count}, &done, this)) return static_cast<int>(done);
    if (qel::platform::last_error() != ERROR_IO_PENDING) return 0;
    return Wait(hCom);
}

int cIO_OVERLAPPED::Wait(ComPort& hCom) {
    DWORD done = 0;
    if (!hCom.overlapped_result(this, &done, true)) return -1;
    return static_cast<int>(done);
}

void cIO_OVERLAPPED::Write(ComPort& hCom, const void* buf, DWORD Count) {
    DWORD done = 0;
    if (hCom.write_overlapped({static_cast<const std::byte*>(buf), Count}, &done, this)) {
        if (done != Count) throw cIOWriteError("short write");
        return;
    }
    if (qel::platform::last_error() != ERROR_IO_PENDING) throw cIOWriteError("write not issued");
    if (Wait(hCom) != static_cast<int>(Count)) throw cIOWriteError("short write");
}
