#include "dialup/transport/modem_manager.h"

#include <climits>
#include <cstring>
#include <exception>
#include <utility>

#include "dialup/transport/com_port_name.h"
#include "dialup/transport/io_overlapped.h"
#include "dialup/transport/message_wait.h"
#include "platform/last_error.h"
#include "platform/sync/event.h"
#include "trace/qel_trace.h"

namespace pf = qel::platform;

cModemManager::cModemManager() : m_shared(std::make_shared<Shared>()) {
    m_hWriterStopped = pf::create_event(true, true);
    m_hReaderStopped = pf::create_event(true, true);
    m_hReaderStarted = pf::create_event(true, false);
    m_hWriterStarted = pf::create_event(true, false);
    if (!EventsCreated()) Clear();
}

cModemManager::~cModemManager() {
    Close();
    Clear();
}

bool cModemManager::EventsCreated() const {
    return m_hWriterStopped && m_hReaderStopped && m_hReaderStarted && m_hWriterStarted;
}

void cModemManager::Clear() {
    m_hWriterStopped.close();
    m_hReaderStopped.close();
    m_hReaderStarted.close();
    m_hWriterStarted.close();
}

bool cModemManager::IsOpen() const { return m_hCom && m_hCom->is_open(); }

bool cModemManager::IsRunning() const { return m_shared->fRunning.load() != 0; }

void cModemManager::PurgeAndClear(pf::ComPort& port) {
    port.purge(PURGE_TXCLEAR | PURGE_RXCLEAR);
    port.clear_error(nullptr, nullptr);
}

HRESULT cModemManager::Open(const char* sczCommName) {
    Stop(1);
    Close();
    if (!EventsCreated()) return E_FAIL;
    if (!sczCommName || !*sczCommName) return E_INVALIDARG;
    try {
        char name[MAX_PATH] = {};
        GetLongComPortName(sczCommName, name);
        auto port = pf::ComPort::open(name);
        if (!port) {
            const DWORD error = pf::last_error();
            Close();
            return HRESULT_FROM_WIN32(error);
        }
        m_hCom = std::make_shared<pf::ComPort>(std::move(*port));
        PurgeAndClear(*m_hCom);
        if (!m_hCom->get_state(&m_dcb)) {
            const DWORD error = pf::last_error();
            Close();
            return HRESULT_FROM_WIN32(error);
        }
        m_savedDcb = m_dcb;
        m_hCom->get_timeouts(&m_savedTimeouts);
        return S_OK;
    } catch (const std::exception&) {
        Close();
        return E_FAIL;
    }
}

bool cModemManager::StartThread(std::optional<pf::Thread>& thread, const ThreadEvents& events,
                                DWORD (*function)(const std::shared_ptr<Shared>&, const PortPtr&,
                                                  const ThreadEvents&)) {
    pf::reset_event(events.hStarted);
    thread = pf::Thread::start([shared = m_shared, port = m_hCom, events, function] {
        return function(shared, port, events);
    });
    if (!thread) return false;
    pf::wait_for_single_object(events.hStarted, INFINITE);
    return true;
}

HRESULT cModemManager::Start(ICommunication* pCommunication) {
    try {
        m_shared->pCommunication.store(pCommunication);
        if (!pCommunication) {
            Close();
            return E_POINTER;
        }
        if (!IsOpen() || !EventsCreated()) {
            Close();
            return E_FAIL;
        }
        Stop(1);
        PurgeAndClear(*m_hCom);

        m_dcb.BaudRate = m_dwBaudRate;
        m_dcb.ByteSize = 8;
        m_dcb.Parity = NOPARITY;
        m_dcb.StopBits = ONESTOPBIT;
        m_dcb.fBinary = 1;
        m_dcb.fDtrControl = DTR_CONTROL_ENABLE;
        m_dcb.fRtsControl = m_fHardwareFlowControl ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
        m_dcb.fOutxCtsFlow = m_fHardwareFlowControl ? 1 : 0;
        m_dcb.fOutxDsrFlow = 0;
        m_dcb.fOutX = 0;
        m_dcb.fInX = 0;
        m_dcb.fNull = 1;
        m_dcb.fAbortOnError = 1;
        if (!m_hCom->set_state(m_dcb)) {
            const DWORD error = pf::last_error();
            Close();
            return HRESULT_FROM_WIN32(error);
        }
        if (!m_hCom->set_timeouts(COMMTIMEOUTS{})) {
            const DWORD error = pf::last_error();
            Close();
            return HRESULT_FROM_WIN32(error);
        }

        m_shared->fRunning.store(1);
        m_shared->buffer.resume();
        if (!StartThread(m_hReaderThread, {m_hReaderStarted, m_hReaderStopped}, &ReadFunction) ||
            !StartThread(m_hWriterThread, {m_hWriterStarted, m_hWriterStopped}, &WriteFunction)) {
            Close();
            return E_FAIL;
        }
        return S_OK;
    } catch (const std::exception&) {
        QelTraceErr("cModemManager::Start");
        Close();
        return E_FAIL;
    }
}

int cModemManager::Write(const char* sczData, DWORD DataSize) {
    if (!sczData) return 1;
    const std::size_t length = DataSize != 0 ? DataSize : std::strlen(sczData);
    if (length > static_cast<std::size_t>(INT_MAX)) return 1;
    return m_shared->buffer.put(sczData, static_cast<int>(length)) ? 0 : 1;
}

void cModemManager::StopThread(std::optional<pf::Thread>& thread, const pf::WaitHandle& hStopped) {
    // A receiver may stop the port from inside FireChar, on the reader thread itself: that thread
    // cannot be waited for here, it ends once FireChar returns.
    const bool own = thread && thread->id() == pf::current_thread_id();
    const bool ended = !own && WaitWithMessageLoop(hStopped, kThreadStopTimeout) == 0;
    if (thread && !ended) thread->detach();
    thread.reset();
}

HRESULT cModemManager::Stop(BOOL fPurge) {
    if (m_shared->fRunning.load() == 0) return 0;
    m_shared->fRunning.store(0);
    if (fPurge && IsOpen()) {
        m_hCom->clear_error(nullptr, nullptr);
        m_hCom->purge(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
        m_hCom->clear_error(nullptr, nullptr);
    }
    m_shared->buffer.abort();
    StopThread(m_hWriterThread, m_hWriterStopped);
    StopThread(m_hReaderThread, m_hReaderStopped);
    return 0;
}

HRESULT cModemManager::Close() {
    Stop(1);
    if (IsOpen()) {
        m_hCom->set_state(m_savedDcb);
        m_hCom->set_timeouts(m_savedTimeouts);
        m_hCom->close();
    }
    m_hCom.reset();
    m_shared->buffer.abort();
    return 0;
}

void cModemManager::FireNewChar(Shared& shared, char c) {
    if (shared.fRunning.load() == 0) return;
    if (ICommunication* receiver = shared.pCommunication.load()) receiver->FireChar(c);
}

void cModemManager::_fireNewChar(char c) { FireNewChar(*m_shared, c); }

DWORD cModemManager::ReadFunction(const std::shared_ptr<Shared>& shared, const PortPtr& port,
                                  const ThreadEvents& events) {
    pf::reset_event(events.hStopped);
    pf::set_event(events.hStarted);
    cIO_OVERLAPPED io;
    while (shared->fRunning.load() != 0) {
        char c = 0;
        pf::set_last_error(ERROR_SUCCESS);
        const int count = io.Read(*port, &c, 1);
        const DWORD error = pf::last_error();
        if (count > 0) {
            FireNewChar(*shared, c);
            continue;
        }
        // A far end that has gone (or a port closed under us) never delivers again: reading on
        // would only spin. A cancelled read (a purge) is simply issued again.
        if (error == ERROR_BROKEN_PIPE || error == ERROR_INVALID_HANDLE) break;
        if (count == 0) {
            port->clear_error(nullptr, nullptr);
        } else if (error != ERROR_OPERATION_ABORTED) {
            break;
        }
    }
    pf::set_event(events.hStopped);
    return 0;
}

DWORD cModemManager::WriteFunction(const std::shared_ptr<Shared>& shared, const PortPtr& port,
                                   const ThreadEvents& events) {
    pf::reset_event(events.hStopped);
    pf::set_event(events.hStarted);
    try {
        cIO_OVERLAPPED io;
        while (shared->fRunning.load() != 0) {
            const int count = shared->buffer.get();
            if (count > 0) io.Write(*port, shared->buffer.data(), static_cast<DWORD>(count));
        }
    } catch (const std::exception&) {
        // A failed write ends the writer; what is still queued is not sent.
    }
    pf::set_event(events.hStopped);
    return 0;
}
