// Class of device between the stack's byte order (DEV_CLASS: 3 bytes, most significant first)
// and the platform Bluetooth functions' (BTH_COD: a 32-bit number whose lowest byte is the
// stack's byte 2 and whose third byte is the stack's byte 0; the top byte is unused).
#pragma once

#include <cstdint>

#include "facade/stackapi/qbt_types.h"
#include "platform/win32.h"

using BTH_COD = std::uint32_t;

// dc[0], dc[1], dc[2] = bytes 2, 1, 0 of bthc.
void BthCodToDC(DEV_CLASS& dc, BTH_COD bthc);
// The inverse of BthCodToDC; the top byte of bthc becomes 0.
void DCToBthCod(const DEV_CLASS& dc, BTH_COD& bthc);
// As BthCodToDC, from the first three bytes (in memory order) of the value lpGuid points to.
void ServClassToDC(DEV_CLASS& dc, const GUID* lpGuid);
