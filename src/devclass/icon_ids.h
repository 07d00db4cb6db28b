// The icon identifiers of the icon library: which icon group shows a class of device, a service
// UUID, the camera service, or a device picture, in a display state (BTICON_STATE) and for a
// platform generation (platform_type.h). Pure table look-ups, safe from any thread.
//
// Promises:
//  - Device icons know states 0, 1 and 2; service and camera icons know states 0, 1 and 3; any
//    other state gives identifier 0 (no icon).
//  - An unknown class of device gives the generic device icon; an unknown UUID the default
//    service icon.
#pragma once

#include "facade/stackapi/qbt_types.h"
#include "devclass/platform_type.h"
#include "platform/win32.h"

using BTICON_STATE = DWORD;

// The identifier for a class of device (major class, and the minor number where it counts).
UINT DeviceIconIdFromDeviceClass(const DEV_CLASS& dc, BTICON_STATE state, PLATFORM_TYPE platform);

// The identifier for a 16-bit service-class UUID.
UINT ServiceIconIdFromUUID(DWORD uuid, BTICON_STATE state, PLATFORM_TYPE platform);

// The identifier of the camera (basic imaging) service icon.
UINT ServiceIconIdForBipCamera(BTICON_STATE state, PLATFORM_TYPE platform);

// The class of device a device picture number stands for (byte 1 the major class, byte 2 the
// minor byte): 0 phone, 1 laptop, 2 modem, 3 network access point, 4 desktop, 5 palm-size,
// 6 printer, 7 camera, 8 headset, 9 keyboard, 10 mouse, 11 keyboard and mouse; any other number
// a class of all zeros.
DEV_CLASS DevClassFromDeviceImage(int eImage);
