// cSynchBuffer: the 2048-byte queue between the callers that write to a started port and its
// writer thread. put appends a whole block or refuses it; get hands everything queued to the
// writer at once, waiting without limit until there is something (or the queue is aborted).
//
// Lock: the platform mutex m_hMutex guards the pending block and its length; the output block
// belongs to the one thread that calls get (the writer thread).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/sync/wait.h"
#include "platform/win32.h"

class cSynchBuffer {
public:
    static constexpr int kSize = 2048;

    cSynchBuffer();
    cSynchBuffer(const cSynchBuffer&) = delete;
    cSynchBuffer& operator=(const cSynchBuffer&) = delete;

    // Appends DataLen bytes; false (nothing queued) when they do not fit beside what is pending.
    // A length of 0 succeeds and queues nothing.
    bool put(const void* Data, int DataLen);
    // Moves the pending bytes to the output block and returns their count; 0 when aborted.
    int get();
    // Makes get return 0 from now on (a waiting get returns at once).
    void abort();
    // Clears the abort flag (a port being started again).
    void resume();

    // The output block filled by the last get.
    const char* data() const { return m_output; }
    // Bytes waiting for the writer (tests and diagnostics).
    int pending() const;

private:
    char m_output[kSize] = {};
    std::atomic<std::uint8_t> m_fAbort{0};
    qel::platform::WaitHandle m_hMutex;
    qel::platform::WaitHandle m_hDataAvailable;
    char m_pending[kSize] = {};
    std::int32_t m_pendingLength = 0;  // guarded by m_hMutex
};
