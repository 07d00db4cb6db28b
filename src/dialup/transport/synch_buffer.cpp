#include "dialup/transport/synch_buffer.h"

#include <array>
#include <cstring>

#include "platform/sync/event.h"
#include "platform/sync/mutex.h"

namespace pf = qel::platform;

namespace {

bool took(DWORD wait_result) { return wait_result == WAIT_OBJECT_0 || wait_result == WAIT_ABANDONED_0; }

}  // namespace

cSynchBuffer::cSynchBuffer()
    : m_hMutex(pf::create_mutex(false)), m_hDataAvailable(pf::create_event(true, false)) {}

bool cSynchBuffer::put(const void* Data, int DataLen) {
    if (DataLen == 0) return true;
    if (DataLen < 0 || !Data) return false;
    if (!took(pf::wait_for_single_object(m_hMutex, INFINITE))) return false;
    bool queued = false;
    if (DataLen <= kSize - m_pendingLength) {
        if (m_pendingLength == 0) pf::set_event(m_hDataAvailable);
        std::memcpy(m_pending + m_pendingLength, Data, static_cast<std::size_t>(DataLen));
        m_pendingLength += DataLen;
        queued = true;
    }
    pf::release_mutex(m_hMutex);
    return queued;
}

int cSynchBuffer::get() {
    if (m_fAbort.load()) return 0;
    const std::array<pf::WaitHandle, 2> both{m_hMutex, m_hDataAvailable};
    if (!took(pf::wait_for_multiple_objects(both, true, INFINITE))) return 0;
    const int moved = m_pendingLength;
    std::memcpy(m_output, m_pending, static_cast<std::size_t>(moved));
    m_pendingLength = 0;
    pf::reset_event(m_hDataAvailable);
    pf::release_mutex(m_hMutex);
    return m_fAbort.load() ? 0 : moved;
}

void cSynchBuffer::abort() {
    m_fAbort.store(1);
    pf::set_event(m_hDataAvailable);
}

void cSynchBuffer::resume() { m_fAbort.store(0); }

int cSynchBuffer::pending() const {
    if (!took(pf::wait_for_single_object(m_hMutex, INFINITE))) return 0;
    const int length = m_pendingLength;
    pf::release_mutex(m_hMutex);
    return length;
}
