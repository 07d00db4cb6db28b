#include "devclass/cod_byte_order.h"

void BthCodToDC(DEV_CLASS& dc, BTH_COD bthc) {
    dc[0] = BYTE(bthc >> 16);
    dc[1] = BYTE(bthc >> 8);
    dc[2] = BYTE(bthc);
}

void DCToBthCod(const DEV_CLASS& dc, BTH_COD& bthc) {
    bthc = (BTH_COD(dc[0]) << 16) | (BTH_COD(dc[1]) << 8) | BTH_COD(dc[2]);
}

void ServClassToDC(DEV_CLASS& dc, const GUID* lpGuid) {
    const auto* bytes = reinterpret_cast<const BYTE*>(lpGuid);
    dc[0] = bytes[2];
    dc[1] = bytes[1];
    dc[2] = bytes[0];
}
