// A simulated phone modem on a pseudo-terminal: the far end of a serial port that the dialer
// opens through the real serial code. The phone's answers come from a PhoneAtEngine
// (phone_at_engine.h) set up with a PhoneBehaviour; bytes are written to the terminal's master
// side with the engine's pauses. Given a COM number n, the port "COMn" is made to name the
// terminal: QEL_COM_DIR/COMn becomes a symbolic link to the slave device.
//
// Thread: each PhoneModem owns one thread that reads the master side and answers. stop() (and
// the destructor) asks it to end, cancels a pending read and a pause in the middle of an answer,
// and joins it; after stop() returns no byte is written any more. The COM link is removed by the
// destructor.
// Lock: the implementation's State::mutex guards the engine, the behaviour and the command log;
// every accessor is safe from any thread.
//
// Failures: start() answers nothing, with a readable reason in `error`, when no pseudo-terminal
// can be opened or the COM link cannot be made (QEL_COM_DIR unset included).
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/phone/phone_behaviour.h"

namespace qel::sim {

class PhoneModem {
public:
    // Starts a phone. com_number > 0 also makes QEL_COM_DIR/COM<com_number> name its terminal.
    static std::unique_ptr<PhoneModem> start(const PhoneBehaviour& behaviour, int com_number = 0,
                                             std::string* error = nullptr);
    ~PhoneModem();
    PhoneModem(const PhoneModem&) = delete;
    PhoneModem& operator=(const PhoneModem&) = delete;

    // Ends the thread (see above). Idempotent.
    void stop();

    // The slave device (e.g. "/dev/pts/5"), the port name ("COM7", empty without a COM number)
    // and the link QEL_COM_DIR/COM7 (empty without a COM number).
    const std::filesystem::path& slave_path() const;
    const std::string& port_name() const;
    const std::filesystem::path& link_path() const;

    // Every command line received so far (without its carriage return), e.g. "ATD+4930123;".
    std::vector<std::string> received_commands() const;
    void clear_received_commands();
    // Waits until at least `count` command lines have arrived; false after `timeout_ms` platform
    // milliseconds.
    bool wait_for_commands(std::size_t count, DWORD timeout_ms) const;

    // The behaviour in force; a change applies from the next command line on.
    PhoneBehaviour behaviour() const;
    void set_behaviour(const PhoneBehaviour& behaviour);

    struct State;  // the implementation's shared state

private:
    explicit PhoneModem(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace qel::sim
