// Types and result codes exchanged with the stack's API library: QBtRc results and status codes,
// the device address and class of device in the stack's byte order, the pointer-sized callback
// user data, and the service GUIDs built on the Bluetooth base UUID.
//
// Promises: BD_ADDR and DEV_CLASS are plain byte arrays, most significant byte first, exactly as
// the stack sends them; every named code keeps its numeric value (callers and stored data compare
// against the numbers). 0 is success; every other value is a failure or a status of an event.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/win32.h"

// A result of the stack API library: 0 success, anything else a failure (kept by callers as
// their extended error) or, in events, a status.
using QBtRc = DWORD;

// A Bluetooth device address, 6 bytes, most significant byte first.
using BD_ADDR = std::array<BYTE, 6>;
// A class of device, 3 bytes as received from the stack (byte 0 most significant).
using DEV_CLASS = std::array<BYTE, 3>;
// A device name as the stack sends it: 8-bit (UTF-8) text of at most 248 bytes.
inline constexpr std::size_t BD_NAME_LEN = 248;

// The value handed back as the first argument of every callback; callers pass an index widened
// to a pointer-sized number.
using QBtUserData = std::uintptr_t;

// The address FF:FF:FF:FF:FF:FF: "any device" in state queries.
inline constexpr BD_ADDR BD_ADDR_ANY{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// --- Results and statuses -------------------------------------------------------------------
inline constexpr QBtRc QBT_SUCCESS = 0;
// Event statuses: connected, and disconnected as a plain status (DUN state events).
inline constexpr QBtRc QBT_STATUS_CONNECTED = 0;
inline constexpr QBtRc QBT_STATUS_DISCONNECTED = 1;
// ConnectToServer: the stack server cannot be reached.
inline constexpr QBtRc QBT_ERR_SERVER_UNREACHABLE = 75;
// An event could not be created.
inline constexpr QBtRc QBT_ERR_NO_RESOURCES = 0x8100000E;
// DUN, SPP and LAP events: the connection is up and its virtual serial port is ready (LAN access:
// still connecting).
inline constexpr QBtRc QBT_STATUS_PORT_READY = 0x81000013;
// The handle of a session or connection is not valid.
inline constexpr QBtRc QBT_ERR_INVALID_HANDLE = 0x81000162;
// The stack aborted a synchronisation.
inline constexpr QBtRc QBT_ERR_SYNC_ABORTED = 0x81000173;
// The remote device does not answer (turned off, out of range, discovery failed).
inline constexpr QBtRc QBT_ERR_DEVICE_UNREACHABLE = 0x81000181;
// Disconnection statuses of profile events.
inline constexpr QBtRc QBT_STATUS_CONNECTION_CLOSED = 0x810001A1;
inline constexpr QBtRc QBT_STATUS_REMOTE_CLOSED = 0x810001A4;
inline constexpr QBtRc QBT_STATUS_LINK_LOST = 0x810001A5;
// Headset events: audio was demanded for a headset that is not connected.
inline constexpr QBtRc QBT_AUDIO_DEMAND_HEADSET_NOT_CONNECTED = 0x810001D2;
// A backup cannot run while hands-free or dial-up is active on the device.
inline constexpr QBtRc QBT_ERR_HFP_DUN_ACTIVE = 0x820001D0;
// Results of this library's own choosing.
inline constexpr QBtRc QBT_ERR_NOT_CONNECTED = 0x81000200;     // ConnectToServer not called or failed
inline constexpr QBtRc QBT_ERR_INVALID_PARAMETER = 0x81000201; // missing or malformed argument
inline constexpr QBtRc QBT_ERR_UNKNOWN_DEVICE = 0x81000202;    // no such remote device
inline constexpr QBtRc QBT_ERR_UNKNOWN_SERVICE = 0x81000203;   // the device has no such service
inline constexpr QBtRc QBT_ERR_BUSY = 0x81000204;              // a request of this kind is running
inline constexpr QBtRc QBT_ERR_NOT_SUPPORTED = 0x81000205;     // the backend does not offer it (yet)
inline constexpr QBtRc QBT_ERR_NOT_CONNECTED_TO_DEVICE = 0x81000206; // no such connection
inline constexpr QBtRc QBT_ERR_FAILED = 0x81000207;            // a request failed without detail

// A short description of a code, for messages and logs ("0x81000013 port ready"); unknown
// codes are printed in hexadecimal only.
std::string qbt_rc_text(QBtRc rc);

// --- Service GUIDs -------------------------------------------------------------------------
// The Bluetooth base UUID 00000000-0000-1000-8000-00805F9B34FB with `uuid16` in its first field.
constexpr GUID qbt_base_guid(std::uint32_t uuid16) {
    return GUID{uuid16, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};
}
// True when `guid` is a base-UUID GUID; `uuid16` then receives its first field.
bool qbt_is_base_guid(const GUID& guid, std::uint32_t* uuid16 = nullptr);

// Service-class UUIDs the stack's users refer to.
inline constexpr std::uint16_t QBT_UUID_SERIAL_PORT = 0x1101;
inline constexpr std::uint16_t QBT_UUID_LAN_ACCESS_PPP = 0x1102;
inline constexpr std::uint16_t QBT_UUID_DIALUP_NETWORKING = 0x1103;
inline constexpr std::uint16_t QBT_UUID_IRMC_SYNC = 0x1104;
inline constexpr std::uint16_t QBT_UUID_OBEX_OBJECT_PUSH = 0x1105;
inline constexpr std::uint16_t QBT_UUID_OBEX_FILE_TRANSFER = 0x1106;
inline constexpr std::uint16_t QBT_UUID_HEADSET = 0x1108;
inline constexpr std::uint16_t QBT_UUID_AUDIO_SOURCE = 0x110A;
inline constexpr std::uint16_t QBT_UUID_AUDIO_SINK = 0x110B;
inline constexpr std::uint16_t QBT_UUID_AV_REMOTE_TARGET = 0x110C;
inline constexpr std::uint16_t QBT_UUID_AV_REMOTE = 0x110E;
inline constexpr std::uint16_t QBT_UUID_HEADSET_AUDIO_GATEWAY = 0x1112;
inline constexpr std::uint16_t QBT_UUID_PANU = 0x1115;
inline constexpr std::uint16_t QBT_UUID_NAP = 0x1116;
inline constexpr std::uint16_t QBT_UUID_GN = 0x1117;
inline constexpr std::uint16_t QBT_UUID_DIRECT_PRINTING = 0x1118;
inline constexpr std::uint16_t QBT_UUID_IMAGING_RESPONDER = 0x111B;
inline constexpr std::uint16_t QBT_UUID_HANDSFREE = 0x111E;
inline constexpr std::uint16_t QBT_UUID_HANDSFREE_AUDIO_GATEWAY = 0x111F;
inline constexpr std::uint16_t QBT_UUID_HID = 0x1124;
inline constexpr std::uint16_t QBT_UUID_HARDCOPY_CABLE_REPLACEMENT = 0x1125;
inline constexpr std::uint16_t QBT_UUID_PHONEBOOK_ACCESS_SERVER = 0x112F;
inline constexpr std::uint16_t QBT_UUID_PNP_INFORMATION = 0x1200;
