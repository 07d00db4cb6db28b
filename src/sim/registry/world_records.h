// Writes the configuration records the rest of the stack keeps for a simulated world: the local
// adapter's name in the general settings, one device record per remote device (name, class,
// features, manufacturer), its service cache when the stack holds its services, link keys of
// paired devices (in the LinkKeys tree for the local adapter and in the device record), and the
// local services of this computer. All through the record classes of src/config.
//
// Promises: writing a world into an empty registry gives a complete, consistent tree, and writing
// it again changes nothing (entries are found again, never duplicated); values a user changed in a
// device record (a rename, switches) are kept. A device that is not paired holds no link key
// for the local adapter. The link key of a simulated pairing is derived from the two addresses,
// so the same pairing always gives the same key. Called on one thread at a time (records are
// plain values); no exceptions.
//
// Keeping the records up to date: attach_world_records writes a simulator's world and opens a
// session on it whose event sink rewrites a device's records whenever the simulator reports the
// device found or changed (pairing, unpairing, a device coming into range). That sink runs on the
// simulator's event thread; it belongs to the session and stops when the session is closed
// (detach_world_records) or the simulator is destroyed. It holds the simulator only weakly.
#pragma once

#include <cstdint>
#include <memory>

#include "config/dev_cfg.h"
#include "sim/simulator.h"
#include "sim/world.h"

namespace qel::sim {

// The simulated link key of a remote device and a local adapter.
CfgLinkKey simulated_link_key(const BD_ADDR& remote, const BD_ADDR& local);

// Writes every record of the world (see above), and the installation record when the registry
// has none (stack_machine_records.h).
void write_world_records(const World& world);

// Writes the platform's modem class entry of every phone modem the simulator started, named
// "Bluetooth Modem (<device name>)" (stack_machine_records.h).
void write_phone_modem_records(const Simulator& simulator);

// Writes one device's record, cache and link key as the world holds them now.
void write_device_records(const World& world, const Device& device);

// Pairing changed: saves or deletes the device's link key for the world's adapter.
void write_pairing(const World& world, const BD_ADDR& address, bool paired);

// Writes the simulator's world and its phone modems' entries now and keeps the records following
// it; returns the session (connected to the simulated stack server, which logs that call) to
// close with detach_world_records.
std::uint64_t attach_world_records(const std::shared_ptr<Simulator>& simulator);
void detach_world_records(Simulator& simulator, std::uint64_t session);

}  // namespace qel::sim
