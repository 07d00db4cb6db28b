// "qelcfg sim phone": one simulated phone modem on a pseudo-terminal, reachable as a COM port, so
// the dialer can be tried by hand from another terminal. The phone's settings come from a device
// of the world (QEL_STACK_WORLD or --world, else the demo world; --device, else the first device
// with a dial-up service), changed by the options. The COM port name lives in QEL_COM_DIR; when
// that is not set, a folder under the runtime directory is made and printed. The platform's
// modem entry for the port is written into the registry, where the dialer looks for it. The
// phone answers until the process is interrupted (Ctrl+C, SIGTERM), standard input ends (unless
// --ignore-input), --max-commands lines have arrived or --seconds have passed; every command line
// received is printed as it arrives ("> ATD+4930123;").
// Exit codes: 0 stopped as asked, 1 the phone could not be started, 2 bad usage.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "commands.h"
#include "platform/environment.h"
#include "platform/interrupt.h"
#include "platform/serial/pseudo_terminal.h"
#include "sim/phone/phone_modem.h"
#include "sim/registry/stack_machine_records.h"
#include "sim/world.h"
#include "sim/world_phones.h"

namespace qelcfg {
namespace {

struct PhoneOptions {
    std::optional<int> com;
    std::string world_file;
    std::string device;
    bool echo = false, no_echo = false;
    std::optional<std::string> operator_number;
    bool cdma = false, gsm = false;
    std::optional<std::string> model;
    std::optional<std::string> contexts;
    bool plain = false;
    std::string dial = "ok";
    unsigned byte_delay_ms = 0;
    unsigned answer_delay_ms = 0;
    std::size_t max_commands = 0;
    double seconds = 0;
    bool ignore_input = false;
    bool no_registry = false;
};

std::optional<qel::sim::DialAnswer> dial_answer(const std::string& text) {
    using qel::sim::DialAnswer;
    if (text == "ok") return DialAnswer::ok;
    if (text == "error") return DialAnswer::error;
    if (text == "busy") return DialAnswer::busy;
    if (text == "no-carrier") return DialAnswer::no_carrier;
    if (text == "silence") return DialAnswer::silence;
    return std::nullopt;
}

// The device whose phone is simulated: the one named, else the first with a dial-up service.
const qel::sim::Device* pick_device(const qel::sim::World& world, const std::string& address, std::string& error) {
    if (!address.empty()) {
        const auto a = qel::sim::parse_address(address);
        if (!a) {
            error = "--device: expected an address xx:xx:xx:xx:xx:xx";
            return nullptr;
        }
        const auto* d = world.find(*a);
        if (!d) error = "no device " + address + " in the world";
        return d;
    }
    for (const auto& d : world.devices) {
        if (d.dialup_service()) return &d;
    }
    return nullptr;  // no phone in the world: the defaults are used
}

// Makes sure QEL_COM_DIR names a folder; returns it.
std::optional<std::filesystem::path> com_dir(std::string& error) {
    if (auto dir = qel::platform::com_port_dir()) return dir;
    const auto dir = qel::platform::runtime_dir() / "com";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        error = "cannot make " + dir.string() + ": " + ec.message();
        return std::nullopt;
    }
    ::setenv("QEL_COM_DIR", dir.c_str(), 1);
    return dir;
}

int run_phone(const PhoneOptions& o) {
    std::string error;
    auto loaded = o.world_file.empty() ? qel::sim::load_default_world() : qel::sim::load_world(o.world_file);
    if (auto* err = std::get_if<qel::sim::WorldError>(&loaded)) {
        std::cerr << "qelcfg: " << err->message << "\n";
        return 1;
    }
    const auto& world = std::get<qel::sim::World>(loaded);
    const qel::sim::Device* device = pick_device(world, o.device, error);
    if (!error.empty()) {
        std::cerr << "qelcfg: " << error << "\n";
        return 2;
    }

    qel::sim::PhoneBehaviour b = device ? qel::sim::phone_behaviour_of(*device) : qel::sim::PhoneBehaviour{};
    if (o.echo || o.no_echo) b.echo = o.echo;
    if (o.operator_number) {
        const auto& n = *o.operator_number;
        const bool digits = n.find_first_not_of("0123456789") == std::string::npos;
        if (!digits || (!n.empty() && (n.size() < 5 || n.size() > 6))) {
            std::cerr << "qelcfg: --operator: expected 5 or 6 digits, or \"\"\n";
            return 2;
        }
        b.operator_number = n;
    }
    if (o.cdma || o.gsm) b.cdma = o.cdma;
    if (o.model) b.model = *o.model;
    if (o.contexts) b.context_range = *o.contexts == "none" ? std::nullopt : o.contexts;
    b.verbose = !o.plain;
    const auto dial = dial_answer(o.dial);
    if (!dial) {
        std::cerr << "qelcfg: --dial: expected ok, error, busy, no-carrier or silence\n";
        return 2;
    }
    b.dial_answer = *dial;
    b.byte_delay_ms = o.byte_delay_ms;
    b.answer_delay_ms = o.answer_delay_ms;

    int com = 7;
    if (o.com) {
        com = *o.com;
    } else if (device) {
        com = device->dialup_service()->com_port;
    }
    const auto dir = com_dir(error);
    if (!dir) {
        std::cerr << "qelcfg: " << error << "\n";
        return 1;
    }
    auto phone = qel::sim::PhoneModem::start(b, com, &error);
    if (!phone) {
        std::cerr << "qelcfg: the phone cannot be started: " << error << "\n";
        return 1;
    }
    if (!o.no_registry) {
        const std::string name = device ? device->name : "simulated phone";
        if (LSTATUS rc = qel::sim::write_modem_class_entry(phone->port_name(), "Bluetooth Modem (" + name + ")")) {
            std::cerr << "qelcfg: the modem entry cannot be written to the registry (error " << rc << ")\n";
        }
    }

    std::cout << "Phone";
    if (device) std::cout << " \"" << device->name << "\" (" << qel::sim::address_text(device->address) << ")";
    std::cout << ", " << (b.cdma ? "CDMA" : "GSM") << ", operator "
              << (b.operator_number.empty() ? "none" : b.operator_number) << "\n"
              << "Port:        " << phone->port_name() << "\n"
              << "Slave:       " << phone->slave_path().string() << "\n"
              << "QEL_COM_DIR: " << dir->string() << "\n"
              << "Use it with: export QEL_COM_DIR=" << dir->string() << "\n"
              << "Ctrl+C" << (o.ignore_input ? "" : " or the end of input") << " stops the phone.\n"
              << std::flush;

    const auto started = std::chrono::steady_clock::now();
    std::size_t shown = 0;
    for (;;) {
        // Short turns, so received commands are shown as they come.
        const auto request = qel::platform::wait_for_stop_request(!o.ignore_input, std::chrono::milliseconds(50));
        const auto commands = phone->received_commands();
        for (; shown < commands.size(); ++shown) std::cout << "> " << commands[shown] << "\n" << std::flush;
        if (request != qel::platform::StopRequest::none) break;
        if (o.max_commands && shown >= o.max_commands) break;
        if (o.seconds > 0 && std::chrono::steady_clock::now() - started >= std::chrono::duration<double>(o.seconds)) {
            break;
        }
    }
    phone->stop();
    std::cout << "Stopped after " << shown << " command line" << (shown == 1 ? "" : "s") << ".\n";
    return 0;
}

void setup(CLI::App& app) {
    CLI::App* sim = app.add_subcommand("sim", "Simulated devices to try the program against");
    sim->require_subcommand(1);
    auto o = std::make_shared<PhoneOptions>();
    CLI::App* phone = sim->add_subcommand(
        "phone", "Run one simulated phone modem on a COM port of QEL_COM_DIR until interrupted");
    phone->add_option("--com", o->com, "COM port number (default: the device's dial-up port, else 7)")
        ->check(CLI::Range(1, 255));
    phone->add_option("--world", o->world_file, "World file to take the phone from (default: QEL_STACK_WORLD, else the demo)");
    phone->add_option("--device", o->device, "Address of the phone in the world (default: the first with dial-up)");
    auto* echo = phone->add_flag("--echo", o->echo, "Echo received bytes");
    phone->add_flag("--no-echo", o->no_echo, "Do not echo received bytes")->excludes(echo);
    phone->add_option("--operator", o->operator_number, "Operator number (5 or 6 digits; \"\" for not registered)");
    auto* cdma = phone->add_flag("--cdma", o->cdma, "A CDMA phone (+CAD, +CDV, +CHV)");
    phone->add_flag("--gsm", o->gsm, "A GSM phone (+CGREG, ATD)")->excludes(cdma);
    phone->add_option("--model", o->model, "Model text of +GMM");
    phone->add_option("--contexts", o->contexts, "Context range of +CGDCONT=? (e.g. 1-3), or none");
    phone->add_flag("--plain", o->plain, "Answers without blank lines around them");
    phone->add_option("--dial", o->dial, "Answer to dial commands: ok, error, busy, no-carrier, silence");
    phone->add_option("--byte-delay", o->byte_delay_ms, "Milliseconds before each answer byte");
    phone->add_option("--answer-delay", o->answer_delay_ms, "Milliseconds before each answer");
    phone->add_option("--max-commands", o->max_commands, "Stop after this many command lines");
    phone->add_option("--seconds", o->seconds, "Stop after this many seconds");
    phone->add_flag("--ignore-input", o->ignore_input, "Keep running when standard input ends");
    phone->add_flag("--no-registry", o->no_registry, "Do not write the modem entry into the registry");
    phone->callback([o] { set_exit_code(run_phone(*o)); });
}

CommandRegistrar registrar{71, setup};

}  // namespace
}  // namespace qelcfg
