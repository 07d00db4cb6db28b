// The seam for the facade's event receivers whose behaviour belongs to parts of the facade not
// built yet (audio and serial connections, service state, discovery, dial-up, file transfer,
// backup and synchronisation). Until its part is built, such a receiver does nothing with the
// event but trace that it arrived ("QelConfig::<receiver> not handled yet") and report it here,
// so that the routing from the entry points to the right facade can be checked. A part that
// builds a receiver replaces its definition in pending_receivers.cpp.
//
// The probe is process-wide and meant for tests; it is called on the thread that delivered the
// event. Lock: the probe slot has its own mutex; the probe runs without it held.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "facade/stackapi/qbt_types.h"

namespace qbtapiM {

class QelConfig;

namespace detail {

// One event as a pending receiver got it: every argument kept as given (text also copied, since
// the stack's text is valid only during the call).
struct PendingEvent {
    const QelConfig* facade = nullptr;
    std::uint32_t instance_index = 0;
    std::string receiver;                    // "HSPStateChangeCallback", ...
    std::optional<BD_ADDR> address;
    std::optional<DEV_CLASS> dev_class;
    const char* name = nullptr;              // the 8-bit name pointer as given
    std::optional<std::string> name_text;    // its text
    const char16_t* wide_name = nullptr;     // the UTF-16 name pointer as given
    std::optional<std::u16string> wide_name_text;
    std::optional<GUID> guid;
    const void* record = nullptr;            // a record pointer as given (service info, versit object)
    std::vector<std::int64_t> numbers;       // the numeric arguments, in order
};

using PendingProbe = std::function<void(const PendingEvent&)>;

// Installs `probe` for the life of the object (the previous one is put back afterwards).
class ScopedPendingProbe {
public:
    explicit ScopedPendingProbe(PendingProbe probe);
    ~ScopedPendingProbe();
    ScopedPendingProbe(const ScopedPendingProbe&) = delete;
    ScopedPendingProbe& operator=(const ScopedPendingProbe&) = delete;

private:
    std::shared_ptr<const PendingProbe> previous_;
};

// Traces that the event arrived and is not handled yet, and hands it to the probe.
void note_pending(const PendingEvent& event);

}  // namespace detail
}  // namespace qbtapiM
