// `qelcfg world show`: the simulated stack's world (QEL_STACK_WORLD, else the built-in demo, or a
// file given with --file): the local adapter and the remote devices with their services, as text
// or as the world's JSON description.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "commands.h"
#include "sim/simulator.h"
#include "sim/world.h"

namespace qelcfg {
namespace {

const char* service_class_name(std::uint16_t uuid) {
    switch (uuid) {
        case 0x1101: return "Serial Port";
        case 0x1102: return "LAN Access (PPP)";
        case 0x1103: return "Dial-up Networking";
        case 0x1104: return "IrMC Synchronisation";
        case 0x1105: return "Object Push";
        case 0x1106: return "File Transfer";
        case 0x1108: return "Headset";
        case 0x110A: return "Audio Source";
        case 0x110B: return "Audio Sink";
        case 0x110C: return "A/V Remote Control Target";
        case 0x110E: return "A/V Remote Control";
        case 0x1112: return "Headset Audio Gateway";
        case 0x1115: return "PAN User";
        case 0x1116: return "Network Access Point";
        case 0x1117: return "Group Network";
        case 0x1118: return "Direct Printing";
        case 0x111B: return "Imaging Responder";
        case 0x111E: return "Hands-Free";
        case 0x111F: return "Hands-Free Audio Gateway";
        case 0x1124: return "Human Interface Device";
        case 0x1125: return "Hardcopy Cable Replacement";
        case 0x112F: return "Phonebook Access";
        case 0x1200: return "PnP Information";
        default: return "";
    }
}

void print_services(std::ostream& out, const std::vector<qel::sim::Service>& services) {
    if (services.empty()) out << "    (no services)\n";
    for (const auto& s : services) {
        char line[200];
        std::snprintf(line, sizeof line, "    0x%04x %-27s \"%s\"", s.uuid, service_class_name(s.uuid), s.name.c_str());
        out << line;
        if (s.com_port) out << "  COM" << s.com_port;
        if (s.channel) out << "  channel " << int(s.channel);
        out << "\n";
    }
}

void print_world(std::ostream& out, const qel::sim::World& w) {
    out << "Adapter " << qel::sim::address_text(w.adapter.address) << " \"" << w.adapter.name << "\" class "
        << qel::sim::class_text(w.adapter.device_class) << "\n";
    print_services(out, w.adapter.services);
    for (const auto& d : w.devices) {
        out << "\nDevice " << qel::sim::address_text(d.address) << " \"" << d.name << "\" class "
            << qel::sim::class_text(d.device_class) << "\n    " << (d.paired ? "paired" : "not paired") << ", "
            << (d.present ? "in range" : "out of range") << ", "
            << (d.cached ? "services cached" : "no service cache");
        if (d.battery >= 0) out << ", battery " << d.battery << "%";
        out << ", signal " << d.rssi << " dBm\n";
        print_services(out, d.services);
        if (d.phone) {
            const auto& p = *d.phone;
            out << "    phone modem: " << (p.cdma ? "CDMA" : "GSM") << ", operator "
                << (p.operator_number.empty() ? "none" : p.operator_number) << ", model \""
                << (p.model.empty() ? d.name : p.model) << "\", contexts "
                << (p.context_range ? *p.context_range : "none") << (p.echo ? ", echo" : ", no echo") << "\n";
        }
        for (const auto& [op, b] : d.behaviours) {
            out << "    scripted " << op << ":";
            if (b.result) out << " result " << qbt_rc_text(*b.result);
            if (b.delay_ms) out << " delay " << *b.delay_ms << " ms";
            if (b.events) {
                out << " events";
                for (LONG s : *b.events) out << " " << qbt_rc_text(QBtRc(s));
            }
            if (b.no_answer) out << " no answer";
            out << "\n";
        }
    }
}

int cmd_show(const std::string& file, bool json) {
    qel::sim::World world;
    if (!file.empty()) {
        auto loaded = qel::sim::load_world(file);
        if (auto* err = std::get_if<qel::sim::WorldError>(&loaded)) {
            std::cerr << "qelcfg: " << err->message << "\n";
            return 1;
        }
        world = std::get<qel::sim::World>(std::move(loaded));
    } else {
        std::string error;
        auto sim = qel::sim::Simulator::shared(&error);
        if (!sim) {
            std::cerr << "qelcfg: " << error << "\n";
            return 1;
        }
        world = sim->world();
    }
    if (json) {
        std::cout << qel::sim::world_to_json(world) << "\n";
    } else {
        print_world(std::cout, world);
    }
    return 0;
}

void setup(CLI::App& app) {
    CLI::App* world = app.add_subcommand("world", "The simulated stack's world");
    world->require_subcommand(1);
    struct Options {
        std::string file;
        bool json = false;
    };
    auto o = std::make_shared<Options>();
    CLI::App* show = world->add_subcommand(
        "show", "Show the adapter, the devices and their services (QEL_STACK_WORLD, else the demo world)");
    show->add_option("--file", o->file, "Show (and check) this world file instead");
    show->add_flag("--json", o->json, "Print the world's JSON description");
    show->callback([o] { set_exit_code(cmd_show(o->file, o->json)); });
}

CommandRegistrar registrar{70, setup};

}  // namespace
}  // namespace qelcfg
