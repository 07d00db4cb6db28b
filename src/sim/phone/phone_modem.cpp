// The simulated phone modem: a pseudo-terminal, its COM link and the thread that answers.
#include "sim/phone/phone_modem.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/last_error.h"
#include "platform/serial/pseudo_terminal.h"
#include "platform/sync/clock.h"
#include "sim/phone/phone_at_engine.h"

namespace qel::sim {

struct PhoneModem::State {
    // Opens the terminal in place (check `pty` afterwards).
    explicit State(const PhoneBehaviour& behaviour) : pty(platform::PseudoTerminal::open()), engine(behaviour) {}

    std::optional<platform::PseudoTerminal> pty;  // safe from any thread (see its header)
    std::optional<platform::ComLink> link;   // set before the thread starts, removed by ~PhoneModem
    std::filesystem::path link_path;
    std::string port_name;

    mutable std::mutex mutex;                // guards engine and stop
    mutable std::condition_variable changed;  // stop was asked, or a command line arrived
    PhoneAtEngine engine;
    bool stop = false;

    std::thread thread;  // the answering thread; joined by stop()

    void run();
    // Sends `out` with its pauses; false when stop was asked meanwhile or the write failed.
    bool deliver(const std::vector<OutgoingByte>& out);
};

void PhoneModem::State::run() {
    std::byte buffer[256];
    for (;;) {
        const auto r = pty->read(buffer, 60000);
        if (r.error == WAIT_TIMEOUT) continue;
        if (r.error != ERROR_SUCCESS) return;  // cancelled by stop(), or the terminal is gone
        std::vector<OutgoingByte> out;
        {
            std::lock_guard lock(mutex);
            if (stop) return;
            const std::size_t before = engine.commands().size();
            out = engine.receive(std::string_view(reinterpret_cast<const char*>(buffer), r.count));
            if (engine.commands().size() != before) changed.notify_all();
        }
        if (!deliver(out)) return;
    }
}

bool PhoneModem::State::deliver(const std::vector<OutgoingByte>& out) {
    std::size_t i = 0;
    while (i < out.size()) {
        if (out[i].delay_ms > 0) {
            std::unique_lock lock(mutex);
            const auto span = platform::real_duration(out[i].delay_ms);
            if (span) {
                changed.wait_for(lock, *span, [&] { return stop; });
            } else {
                changed.wait(lock, [&] { return stop; });
            }
            if (stop) return false;
        }
        // The bytes up to the next pause go out in one write.
        std::string chunk(1, out[i].byte);
        for (++i; i < out.size() && out[i].delay_ms == 0; ++i) chunk += out[i].byte;
        if (!pty->write(std::as_bytes(std::span(chunk)))) return false;
    }
    return true;
}

std::unique_ptr<PhoneModem> PhoneModem::start(const PhoneBehaviour& behaviour, int com_number, std::string* error) {
    auto fail = [&](std::string why) -> std::unique_ptr<PhoneModem> {
        if (error) *error = std::move(why) + " (error " + std::to_string(platform::last_error()) + ")";
        return nullptr;
    };
    auto state = std::make_unique<State>(behaviour);
    if (!state->pty) return fail("no pseudo-terminal can be opened");
    if (com_number != 0) {
        if (com_number < 0) {
            platform::set_last_error(ERROR_INVALID_PARAMETER);
            return fail("COM" + std::to_string(com_number) + " is no port number");
        }
        state->link = platform::ComLink::create(unsigned(com_number), state->pty->slave_path());
        if (!state->link) {
            return fail("COM" + std::to_string(com_number) + " cannot be made in QEL_COM_DIR" +
                        (platform::com_port_dir() ? "" : " (QEL_COM_DIR is not set)"));
        }
        state->link_path = state->link->path();
        state->port_name = state->link->name();
    }
    State* s = state.get();
    s->thread = std::thread([s] { s->run(); });
    return std::unique_ptr<PhoneModem>(new PhoneModem(std::move(state)));
}

PhoneModem::PhoneModem(std::unique_ptr<State> state) : state_(std::move(state)) {}

PhoneModem::~PhoneModem() {
    stop();
    state_->link.reset();
    state_->pty->close();
}

void PhoneModem::stop() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stop = true;
    }
    state_->changed.notify_all();
    state_->pty->cancel();
    if (state_->thread.joinable()) state_->thread.join();
}

const std::filesystem::path& PhoneModem::slave_path() const { return state_->pty->slave_path(); }
const std::string& PhoneModem::port_name() const { return state_->port_name; }
const std::filesystem::path& PhoneModem::link_path() const { return state_->link_path; }

std::vector<std::string> PhoneModem::received_commands() const {
    std::lock_guard lock(state_->mutex);
    return state_->engine.commands();
}

void PhoneModem::clear_received_commands() {
    std::lock_guard lock(state_->mutex);
    state_->engine.clear_commands();
}

bool PhoneModem::wait_for_commands(std::size_t count, DWORD timeout_ms) const {
    std::unique_lock lock(state_->mutex);
    auto enough = [&] { return state_->engine.commands().size() >= count; };
    const auto span = platform::real_duration(timeout_ms);
    if (!span) {
        state_->changed.wait(lock, enough);
        return true;
    }
    return state_->changed.wait_for(lock, *span, enough);
}

PhoneBehaviour PhoneModem::behaviour() const {
    std::lock_guard lock(state_->mutex);
    return state_->engine.behaviour();
}

void PhoneModem::set_behaviour(const PhoneBehaviour& behaviour) {
    std::lock_guard lock(state_->mutex);
    state_->engine.set_behaviour(behaviour);
}

}  // namespace qel::sim
