#include "dialup/transport/message_wait.h"

#include "platform/sync/clock.h"
#include "platform/windows/message_queue.h"

namespace pf = qel::platform;

DWORD WaitWithMessageLoop(const pf::WaitHandle& hEvent, DWORD timeout) {
    DWORD remaining = timeout;
    for (;;) {
        const DWORD start = pf::tick_count();
        const DWORD result = pf::msg_wait_for_multiple_objects({&hEvent, 1}, false, remaining, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) return 0;
        if (result != WAIT_OBJECT_0 + 1) return result;

        pf::Msg msg;
        while (pf::peek_message(&msg, nullptr, 0, 0, PM_REMOVE)) {
            pf::translate_message(msg);
            pf::dispatch_message(msg);
            if (pf::wait_for_single_object(hEvent, 0) == WAIT_OBJECT_0) return 0;
        }
        // An unlimited wait stays unlimited; a limited one loses the time spent.
        if (remaining != 0 && remaining != INFINITE) {
            const DWORD elapsed = pf::tick_count() - start;
            remaining = elapsed >= remaining ? 0 : remaining - elapsed;
            if (remaining == 0) return WAIT_TIMEOUT;
        }
    }
}
