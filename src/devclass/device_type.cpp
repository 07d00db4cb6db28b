#include "devclass/device_type.h"

#include <array>

using namespace qbtapiM;

QEL_DEVICE_TYPE GetDeviceTypeFromDevClass(const DEV_CLASS& dc) {
    const BYTE minor = DevClassMinorByte(dc);
    switch (DevClassMajor(dc)) {
        case 1:  // computer
            if (minor == 0x0C) return QEL_DEVICE_LAPTOP;
            if (minor == 0x10 || minor == 0x14) return QEL_DEVICE_PDA;
            return QEL_DEVICE_COMPUTER;
        case 2:  // phone
            return minor == 0x10 ? QEL_DEVICE_MODEM : QEL_DEVICE_PHONE;
        case 4:  // audio/video
            if (minor == 0x04 || minor == 0x08) return QEL_DEVICE_MONO_HEADSET;
            if (minor == 0x18) return QEL_DEVICE_UNIVERSAL_HEADSET;
            if (minor == 0x28) return QEL_DEVICE_HIFIAUDIO;
            return QEL_DEVICE_STEREO_HEADSET;
        case 5:  // peripheral: only a plain keyboard or a plain pointing device
            if (minor == 0x40) return QEL_DEVICE_KEYBOARD;
            if (minor == 0x80) return QEL_DEVICE_MOUSE;
            return QEL_DEVICE_UNKNOWN;
        case 6:  // imaging: only a plain camera or a plain printer
            if (minor == 0x20) return QEL_DEVICE_CAMERA;
            if (minor == 0x80) return QEL_DEVICE_PRINTER;
            return QEL_DEVICE_UNKNOWN;
        default:
            return QEL_DEVICE_UNKNOWN;
    }
}

std::string_view QelDeviceTypeName(DWORD type) {
    static constexpr std::array<std::string_view, 14> names = {
        "QEL_DEVICE_UNKNOWN",       "QEL_DEVICE_PHONE",          "QEL_DEVICE_MODEM",
        "QEL_DEVICE_PDA",           "QEL_DEVICE_COMPUTER",       "QEL_DEVICE_MONO_HEADSET",
        "QEL_DEVICE_STEREO_HEADSET", "QEL_DEVICE_UNIVERSAL_HEADSET", "QEL_DEVICE_KEYBOARD",
        "QEL_DEVICE_MOUSE",         "QEL_DEVICE_PRINTER",        "QEL_DEVICE_HIFIAUDIO",
        "QEL_DEVICE_CAMERA",        "QEL_DEVICE_LAPTOP"};
    return type < names.size() ? names[type] : std::string_view{};
}
