// The facade's device type (QEL_DEVICE_TYPE) from a class of device: the major class (byte 1,
// lower five bits) and the masked minor byte (byte 2 & 0xFC) choose one of the fourteen types;
// anything the table does not name is QEL_DEVICE_UNKNOWN. Pure functions, safe from any thread.
#pragma once

#include <string_view>

#include "facade/stackapi/qbt_types.h"
#include "qelcfg/QelDeviceTypes.h"

// The major device class of a class of device (byte 1 & 0x1F).
inline constexpr BYTE DevClassMajor(const DEV_CLASS& dc) { return BYTE(dc[1] & 0x1F); }
// The minor byte with its format bits cleared (byte 2 & 0xFC); minor number = this >> 2.
inline constexpr BYTE DevClassMinorByte(const DEV_CLASS& dc) { return BYTE(dc[2] & 0xFC); }

qbtapiM::QEL_DEVICE_TYPE GetDeviceTypeFromDevClass(const DEV_CLASS& dc);

// The enumeration name of a device type ("QEL_DEVICE_PHONE"); "" for a number outside it.
std::string_view QelDeviceTypeName(DWORD type);
