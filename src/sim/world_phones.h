// The phone modems of a simulated world: a phone's AT behaviour from the device's settings, and
// one running PhoneModem per present device with a dial-up networking service, on that service's
// COM port (QEL_COM_DIR/COM<port>).
//
// Promises: phones are started only when QEL_COM_DIR is set (without it a COM port name cannot
// reach a pseudo-terminal, so nothing is started and nothing is reported). A port whose name in
// QEL_COM_DIR already leads to a device (a real port, or a phone another process serves) is left
// alone and reported; a stale link is replaced. Failures are reported as text, never thrown.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "facade/stackapi/qbt_types.h"
#include "sim/phone/phone_modem.h"
#include "sim/world.h"

namespace qel::sim {

// The AT behaviour of a device's phone: its settings (or the defaults), the model defaulting to
// the device's name.
PhoneBehaviour phone_behaviour_of(const Device& device);

struct WorldPhone {
    BD_ADDR address{};
    std::unique_ptr<PhoneModem> modem;
};

// Starts the world's phones (see above); `problems` receives one line per phone not started.
std::vector<WorldPhone> start_world_phones(const World& world, std::vector<std::string>* problems = nullptr);

}  // namespace qel::sim
