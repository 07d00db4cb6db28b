// cModemManager: one COM port of the dialer. Open opens it (overlapped, exclusive) and saves its
// settings; Start configures the line (19200 baud by default, 8N1, RTS/CTS handshake unless
// hardware flow control is switched off, NUL bytes discarded, reads waiting for a byte) and
// starts a reader thread, which hands every received byte to the receiver's FireChar in order,
// and a writer thread, which sends what Write queued (at most 2048 bytes pending; a block that
// does not fit is refused whole). Stop ends both threads, waiting at most 10000 ms for each
// through WaitWithMessageLoop (so a user-interface caller keeps dispatching its messages);
// Close stops, puts back the settings and time-outs saved by Open and releases the port.
//
// Results: HRESULTs. E_INVALIDARG for a null or empty port name, E_POINTER for a null receiver,
// E_FAIL when the port is not open, the events are missing or a thread cannot be made,
// HRESULT_FROM_WIN32 of the platform error when the port cannot be opened or configured.
//
// Threads: the reader and writer threads belong to this object; Start starts them, Stop (also
// from Open, Close and the destructor) ends them by clearing the running flag, purging the port
// with abort (which ends the reader's pending read) and aborting the write queue. What the
// threads use lives in a shared block (Shared), so a thread that Stop gave up waiting for (a
// receiver that never returns from FireChar) finds it still alive when it finally ends; such a
// thread is detached and ends by itself. The receiver must outlive any FireChar call in progress.
// The reader also ends by itself when the far end has gone (ERROR_BROKEN_PIPE), and the writer
// when a write fails; neither spins on a hung-up port.
//
// Not thread-safe itself: one thread at a time calls Open, Start, Stop, Close; Write may be
// called from any thread while the port runs.
#pragma once

#include <atomic>
#include <memory>
#include <optional>

#include "dialup/transport/communication.h"
#include "dialup/transport/synch_buffer.h"
#include "platform/serial/com_port.h"
#include "platform/sync/thread.h"
#include "platform/sync/wait.h"
#include "platform/win32.h"

class cModemManager {
public:
    // Limit of Stop's wait for each thread, in platform milliseconds.
    static constexpr DWORD kThreadStopTimeout = 10000;

    cModemManager();
    ~cModemManager();
    cModemManager(const cModemManager&) = delete;
    cModemManager& operator=(const cModemManager&) = delete;

    HRESULT Open(const char* sczCommName);
    HRESULT Start(ICommunication* pCommunication);
    // Queues DataSize bytes (0: the text up to its terminating NUL): 0 when queued, 1 when the
    // queue has no room for all of them (nothing is queued then) or sczData is null.
    int Write(const char* sczData, DWORD DataSize = 0);
    HRESULT Stop(BOOL fPurge);
    HRESULT Close();
    // Closes the four events; the object cannot be opened afterwards.
    void Clear();

    // Line settings used by the next Start.
    void SetHardwareFlowControl(BOOL fEnable) { m_fHardwareFlowControl = fEnable ? 1 : 0; }
    void SetBaudRate(DWORD dwBaudRate) { m_dwBaudRate = dwBaudRate; }

    bool IsOpen() const;
    bool IsRunning() const;
    // The device-control block last read from or written to the port.
    const DCB& CurrentDcb() const { return m_dcb; }

private:
    // What the reader and writer threads share with this object. Each thread also holds its own
    // references to the port and to its two events, so closing or clearing them here never races
    // with a thread still using them.
    struct Shared {
        std::atomic<std::int32_t> fRunning{0};
        cSynchBuffer buffer;
        std::atomic<ICommunication*> pCommunication{nullptr};
    };

    using PortPtr = std::shared_ptr<qel::platform::ComPort>;
    struct ThreadEvents {
        qel::platform::WaitHandle hStarted;
        qel::platform::WaitHandle hStopped;
    };

    void _fireNewChar(char c);
    static void FireNewChar(Shared& shared, char c);
    static DWORD ReadFunction(const std::shared_ptr<Shared>& shared, const PortPtr& port, const ThreadEvents& events);
    static DWORD WriteFunction(const std::shared_ptr<Shared>& shared, const PortPtr& port, const ThreadEvents& events);
    bool EventsCreated() const;
    static void PurgeAndClear(qel::platform::ComPort& port);
    // Starts one thread and waits without limit until it reports that it runs.
    bool StartThread(std::optional<qel::platform::Thread>& thread, const ThreadEvents& events,
                     DWORD (*function)(const std::shared_ptr<Shared>&, const PortPtr&, const ThreadEvents&));
    // Waits up to kThreadStopTimeout for `hStopped`, then forgets the thread (detached when it
    // has not ended).
    void StopThread(std::optional<qel::platform::Thread>& thread, const qel::platform::WaitHandle& hStopped);

    DCB m_dcb{};
    DCB m_savedDcb{};
    COMMTIMEOUTS m_savedTimeouts{};
    PortPtr m_hCom;  // null: not open
    qel::platform::WaitHandle m_hWriterStopped;
    qel::platform::WaitHandle m_hReaderStopped;
    qel::platform::WaitHandle m_hReaderStarted;
    qel::platform::WaitHandle m_hWriterStarted;
    std::optional<qel::platform::Thread> m_hWriterThread;
    std::optional<qel::platform::Thread> m_hReaderThread;
    std::shared_ptr<Shared> m_shared;  // running flag, write queue, receiver
    BOOL m_fHardwareFlowControl = 1;
    DWORD m_dwBaudRate = 19200;
};
