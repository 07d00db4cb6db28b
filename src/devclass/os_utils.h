// qbtOSUtils: the icon services the rest of the stack asks of the operating-system utilities: a
// service's icon, a device's icon at a given size, and a device's (or this computer's) icon saved
// to a file. A device's class of device is the "DevClass" value of its device record
// ("Software\Quorlan\BTConfig\Devices\<address>", machine root); this computer's is major class 1
// (computer) with the minor byte of the general settings' "MinorClass" (current user, 4 when
// absent).
//
// Promises: no operation throws; a device whose record cannot be read has no icon.
#pragma once

#include <optional>
#include <string_view>

#include "devclass/icon_utils.h"
#include "facade/stackapi/qbt_types.h"

class qbtOSUtils {
public:
    // GetServiceIconFromUUID(nUUID, state 0, no application object).
    static HICON GetServiceIcon(DWORD nUUID);

    // The icon of the device `bda` (this computer when null), state 0, at `size` pixels.
    static HICON LoadIconFromQELIcons(const BD_ADDR* bda, int size);

    // Saves the icon of the device `bda` (this computer when null), state 0, to the file named
    // `strSaveFileName`, as the library's image (its format unchanged). FALSE when there is no
    // class, no icon, or the file cannot be written completely (no partial file is left).
    static BOOL ExtractIconForDeviceType(const BD_ADDR* bda, std::u16string_view strSaveFileName);

    // The class of device of `bda`'s device record, or of this computer when null; nothing when
    // the record's key cannot be opened, all zeros when its "DevClass" is missing or not 3 bytes.
    static std::optional<DEV_CLASS> DeviceClassOf(const BD_ADDR* bda);

    // Writes an icon's image to `path` through a temporary file renamed into place.
    static BOOL SaveIconFile(const HICON& icon, const std::filesystem::path& path);
};
