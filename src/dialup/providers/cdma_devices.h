// The list of devices known to be CDMA phones: registry value "DevicesCDMA" (string) under
// HKEY_CURRENT_USER "Software\Quorlan\PhoneIf", each device address as twelve lower-case
// hexadecimal digits (the six address bytes in order), separated by ";".
//
// Promises: the key is never created (a missing key answers false); an existing list is only ever
// extended, never rewritten otherwise. Registry calls are atomic, but two processes adding a
// device at the same moment may lose one of the two additions (read, then write).
#pragma once

#include <span>

#include "platform/win32.h"

inline constexpr char16_t kPhoneIfKeyPath[] = u"Software\\Quorlan\\PhoneIf";
inline constexpr char16_t kDevicesCdmaValue[] = u"DevicesCDMA";

// True when the device is in the list. Otherwise, with bSaveNew, adds it (after a ";" when the
// list is not empty) and answers true when the list could be written; else false.
bool check_CDMA_DEVICES(std::span<const BYTE, 6> bd_addr, bool bSaveNew);
