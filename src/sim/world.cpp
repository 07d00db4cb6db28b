// The world's lookups, text forms of addresses and classes, and the built-in demo world.
#include "sim/world.h"

#include <cstdio>

namespace qel::sim {

const Device* World::find(const BD_ADDR& address) const {
    for (const auto& d : devices) {
        if (d.address == address) return &d;
    }
    return nullptr;
}

Device* World::find(const BD_ADDR& address) {
    return const_cast<Device*>(static_cast<const World*>(this)->find(address));
}

const Service* Device::dialup_service() const {
    for (const auto& s : services) {
        if (s.uuid == QBT_UUID_DIALUP_NETWORKING && s.com_port > 0) return &s;
    }
    return nullptr;
}

std::string address_text(const BD_ADDR& a) {
    char buf[18];
    std::snprintf(buf, sizeof buf, "%02x:%02x:%02x:%02x:%02x:%02x", a[0], a[1], a[2], a[3], a[4], a[5]);
    return buf;
}

std::optional<BD_ADDR> parse_address(std::string_view text) {
    if (text.size() != 17) return std::nullopt;
    BD_ADDR out{};
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < 6; ++i) {
        const int hi = hex(text[i * 3]), lo = hex(text[i * 3 + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        if (i < 5 && text[i * 3 + 2] != ':') return std::nullopt;
        out[i] = BYTE(hi * 16 + lo);
    }
    return out;
}

std::string class_text(const DEV_CLASS& c) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "0x%02x%02x%02x", c[0], c[1], c[2]);
    return buf;
}

namespace {

Service svc(std::uint16_t uuid, std::string name, std::int16_t com_port = 0, BYTE channel = 0) {
    Service s;
    s.uuid = uuid;
    s.name = std::move(name);
    s.com_port = com_port;
    s.channel = channel;
    return s;
}

}  // namespace

World demo_world() {
    World w;
    w.default_delay_ms = 300;

    w.adapter.address = {0x00, 0x1b, 0xdc, 0x0f, 0xa2, 0x10};
    w.adapter.name = "WORKSTATION";
    w.adapter.device_class = {0x3e, 0x01, 0x04};  // desktop computer
    w.adapter.services = {
        svc(QBT_UUID_SERIAL_PORT, "Bluetooth Serial Port", 3, 1),
        svc(QBT_UUID_SERIAL_PORT, "Bluetooth Serial Port (2)", 4, 2),
        svc(QBT_UUID_DIALUP_NETWORKING, "Dial-up Networking", 0, 3),
        svc(QBT_UUID_OBEX_OBJECT_PUSH, "PIM Item Transfer", 0, 4),
        svc(QBT_UUID_OBEX_FILE_TRANSFER, "File Transfer", 0, 5),
        svc(QBT_UUID_IRMC_SYNC, "PIM Synchronization", 0, 6),
        svc(QBT_UUID_HEADSET_AUDIO_GATEWAY, "Headset Audio Gateway", 0, 7),
        svc(QBT_UUID_HANDSFREE_AUDIO_GATEWAY, "Handsfree Audio Gateway", 0, 8),
        svc(QBT_UUID_AUDIO_SOURCE, "Audio Source"),
        svc(QBT_UUID_PANU, "PAN User"),
        svc(QBT_UUID_NAP, "Network Access Point"),
    };

    Device phone;
    phone.address = {0x00, 0x1e, 0x3a, 0x4b, 0x7c, 0x21};
    phone.name = "Corvo 6300i";
    phone.device_class = {0x5a, 0x02, 0x04};  // cellular phone; telephony, object transfer, networking
    phone.paired = true;
    phone.battery = 80;
    phone.rssi = -52;
    phone.discovery_delay_ms = 2500;
    phone.services = {
        svc(QBT_UUID_DIALUP_NETWORKING, "Dial-up networking", 7, 1),
        svc(QBT_UUID_OBEX_OBJECT_PUSH, "OBEX Object Push", 0, 9),
        svc(QBT_UUID_OBEX_FILE_TRANSFER, "OBEX File Transfer", 0, 10),
        svc(QBT_UUID_IRMC_SYNC, "IrMC Synchronization", 0, 11),
        svc(QBT_UUID_HANDSFREE_AUDIO_GATEWAY, "Voice Gateway", 0, 13),
        svc(QBT_UUID_HEADSET_AUDIO_GATEWAY, "Audio Gateway", 0, 12),
        svc(QBT_UUID_AUDIO_SOURCE, "Media Player"),
        svc(QBT_UUID_SERIAL_PORT, "COM 1", 8, 2),
        svc(QBT_UUID_SERIAL_PORT, "GPS Serial Port", 9, 15),
        svc(QBT_UUID_PANU, "PAN User"),
        svc(QBT_UUID_NAP, "Network Access Point"),
    };
    phone.phone = PhoneSettings{};
    phone.phone->operator_number = "262021";
    phone.phone->model = "Corvo 6300i GSM";
    w.devices.push_back(phone);

    Device headset;
    headset.address = {0x00, 0x0d, 0x44, 0x2a, 0x19, 0x8e};
    headset.name = "Soundwave BT-220";
    headset.device_class = {0x24, 0x04, 0x04};  // wearable headset; audio, rendering
    headset.paired = true;
    headset.battery = 60;
    headset.rssi = -48;
    headset.discovery_delay_ms = 1500;
    headset.services = {
        svc(QBT_UUID_AUDIO_SINK, "Stereo Audio"),
        svc(QBT_UUID_HANDSFREE, "Hands-Free unit", 0, 1),
        svc(QBT_UUID_HEADSET, "Headset", 0, 2),
        svc(QBT_UUID_AV_REMOTE_TARGET, "AVRCP Target"),
    };
    w.devices.push_back(headset);

    Device laptop;
    laptop.address = {0x00, 0x21, 0x86, 0x9c, 0x33, 0x5f};
    laptop.name = "ELDRIDGE-LAPTOP";
    laptop.device_class = {0x12, 0x01, 0x0c};  // laptop; object transfer, networking
    laptop.paired = true;
    laptop.rssi = -65;
    laptop.services = {
        svc(QBT_UUID_OBEX_OBJECT_PUSH, "Object Push", 0, 3),
        svc(QBT_UUID_OBEX_FILE_TRANSFER, "File Transfer", 0, 4),
        svc(QBT_UUID_SERIAL_PORT, "Serial Port", 10, 1),
        svc(QBT_UUID_NAP, "Network Access Point"),
        svc(QBT_UUID_PANU, "PAN User"),
    };
    w.devices.push_back(laptop);

    Device keyboard;
    keyboard.address = {0x00, 0x07, 0x61, 0x5e, 0x02, 0xb4};
    keyboard.name = "Keybridge K810";
    keyboard.device_class = {0x00, 0x05, 0x40};  // peripheral, keyboard
    keyboard.paired = true;
    keyboard.battery = 90;
    keyboard.discovery_delay_ms = 1000;
    keyboard.services = {
        svc(QBT_UUID_HID, "Keyboard"),
        svc(QBT_UUID_PNP_INFORMATION, "PnP Information"),
    };
    w.devices.push_back(keyboard);

    Device printer;
    printer.address = {0x00, 0x80, 0x92, 0x41, 0x6d, 0x07};
    printer.name = "InkJet P-450";
    printer.device_class = {0x04, 0x06, 0x80};  // imaging, printer; rendering
    printer.paired = false;
    printer.cached = false;
    printer.rssi = -71;
    printer.services = {
        svc(QBT_UUID_HARDCOPY_CABLE_REPLACEMENT, "Printer"),
        svc(QBT_UUID_DIRECT_PRINTING, "Basic Printing", 0, 2),
        svc(QBT_UUID_SERIAL_PORT, "Serial Printer Port", 11, 1),
    };
    w.devices.push_back(printer);
    return w;
}

}  // namespace qel::sim
