// The event callbacks of the stack's API library. Each is a plain function that receives the user
// data given at its registration first, then the event's arguments. Text arguments are valid only
// during the call; 8-bit names are NUL-terminated UTF-8, paths and listings NUL-terminated UTF-16.
// Callbacks run on the library's own threads (see CQBtAPI for when they stop).
#pragma once

#include "facade/stackapi/qbt_records.h"
#include "facade/stackapi/qbt_types.h"

// A device came into range or was seen by an inquiry; `connected` non-zero when linked now.
using QBtDeviceFoundCallback = void (*)(QBtUserData user, const BD_ADDR& address, const DEV_CLASS& devClass,
                                        const char* name, int connected);
// A change of the device list; status 0 means "the devices changed".
using QBtDeviceStatusCallback = void (*)(QBtUserData user, LONG device, LONG status);
// A service discovery of `address` ended with `records` services found and `result`.
using QBtDiscoveryEventCallback = void (*)(QBtUserData user, const BD_ADDR& address, WORD records, LONG result);
// Dial-up, serial-port and LAN-access state: `port` is the COM port number, `state` a status
// (0 connected, QBT_STATUS_PORT_READY port ready, others disconnected or failed).
using QBtPortStateCallback = void (*)(QBtUserData user, const BD_ADDR& address, const DEV_CLASS& devClass,
                                      const char* name, const GUID& service, std::int16_t port, LONG state);
// Audio-gateway (HAG) and headset (HSP) connection status.
using QBtAudioStatusCallback = void (*)(QBtUserData user, const BD_ADDR& address, const DEV_CLASS& devClass,
                                        const char* name, LONG handle, LONG status);
// A local service changed state; the record describes the service and the device it serves.
using QBtLocalServiceStateCallback = void (*)(QBtUserData user, const tBT_SERVICE_INFO* info);
// Synchronisation: progress (data type, current, total, error), end, abort, and one object.
using QBtSyncProgressCallback = void (*)(QBtUserData user, const BD_ADDR& address, LONG dataType, LONG current,
                                         LONG total, LONG error);
using QBtSyncSynchronizeCallback = void (*)(QBtUserData user, const BD_ADDR& address, LONG error);
using QBtSyncAbortCallback = void (*)(QBtUserData user, LONG error);
using QBtSyncObjectCallback = void (*)(QBtUserData user, const BD_ADDR& address, LONG dataType, LONG action,
                                       const char16_t* name);
// Object push and file transfer responses: the connection handle and the request's result.
using QBtResponseCallback = void (*)(QBtUserData user, LONG handle, LONG result);
// File transfer folder listing: the listing text (OBEX folder-listing format) when result is 0.
using QBtFolderListingCallback = void (*)(QBtUserData user, LONG handle, LONG result, const char16_t* listing);
// File transfer progress: bytes done of the whole object.
using QBtProgressCallback = void (*)(QBtUserData user, LONG handle, LONG result, DWORD current, DWORD total);
