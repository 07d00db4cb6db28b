#include "devclass/icon_ids.h"

#include <array>

#include "devclass/device_type.h"

namespace {

// Identifiers of one row: [state slot][column], column 0 older, 1 XP, 2 Vista and later.
using Row = std::array<std::array<UINT, 3>, 3>;

// Device rows; state slots are states 0, 1, 2.
constexpr Row kDesktop{{{20504, 20554, 20772}, {20514, 20564, 20759}, {20522, 20572, 20785}}};
constexpr Row kServer{{{20509, 20559, 20559}, {20517, 20567, 20567}, {20525, 20575, 20575}}};
constexpr Row kLaptop{{{20501, 20551, 20775}, {20511, 20561, 20762}, {20519, 20569, 20788}}};
constexpr Row kHandheld{{{20506, 20556, 20556}, {20515, 20565, 20565}, {20523, 20573, 20573}}};
constexpr Row kPhone{{{20500, 20550, 20776}, {20510, 20560, 20763}, {20518, 20568, 20789}}};
constexpr Row kModem{{{20502, 20552, 20777}, {20512, 20562, 20764}, {20520, 20570, 20790}}};
constexpr Row kNetwork{{{20503, 20553, 20779}, {20513, 20563, 20766}, {20521, 20571, 20792}}};
constexpr Row kAudio{{{20612, 20613, 20773}, {20614, 20615, 20760}, {20616, 20617, 20786}}};
constexpr Row kKeyboard{{{20618, 20619, 20774}, {20620, 20621, 20761}, {20622, 20623, 20787}}};
constexpr Row kPointing{{{20624, 20625, 20778}, {20626, 20627, 20765}, {20628, 20629, 20791}}};
constexpr Row kPeripheral{{{20630, 20631, 20631}, {20632, 20633, 20633}, {20634, 20635, 20635}}};
constexpr Row kCamera{{{20606, 20607, 20771}, {20608, 20609, 20758}, {20610, 20611, 20784}}};
constexpr Row kPrinter{{{20600, 20601, 20780}, {20602, 20603, 20767}, {20604, 20605, 20793}}};
constexpr Row kGenericDevice{{{20508, 20558, 20781}, {20516, 20566, 20768}, {20524, 20574, 20794}}};

// Service rows; state slots are states 0, 1, 3.
constexpr Row kSerial{{{20526, 20576, 20815}, {20533, 20583, 20796}, {20545, 20595, 20826}}};
constexpr Row kLan{{{20527, 20577, 20811}, {20534, 20584, 20801}, {20543, 20593, 20822}}};
constexpr Row kDialup{{{20528, 20578, 20807}, {20535, 20585, 20797}, {20540, 20590, 20818}}};
constexpr Row kIrmc{{{20529, 20579, 20812}, {20536, 20586, 20802}, {20546, 20596, 20823}}};
constexpr Row kObjectPush{{{20531, 20581, 20813}, {20538, 20588, 20803}, {20544, 20594, 20824}}};
constexpr Row kFileTransfer{{{20532, 20582, 20810}, {20539, 20589, 20800}, {20542, 20592, 20821}}};
constexpr Row kHeadset{{{20730, 20730, 20836}, {20732, 20732, 20835}, {20731, 20731, 20731}}};
constexpr Row kAudioService{{{20754, 20754, 20836}, {20755, 20755, 20835}, {20754, 20754, 20836}}};
constexpr Row kFax{{{20530, 20580, 20808}, {20537, 20587, 20798}, {20541, 20591, 20819}}};
constexpr Row kAudioGateway{{{20733, 20733, 20839}, {20735, 20735, 20838}, {20734, 20734, 20734}}};
constexpr Row kImaging{{{20751, 20751, 20809}, {20752, 20752, 20799}, {20753, 20753, 20820}}};
constexpr Row kHid{{{20742, 20745, 20830}, {20744, 20747, 20831}, {20743, 20746, 20746}}};
constexpr Row kHcrpPrint{{{20736, 20739, 20834}, {20738, 20741, 20833}, {20737, 20740, 20740}}};
constexpr Row kDefaultService{{{20547, 20547, 20842}, {20548, 20548, 20843}, {20549, 20549, 20549}}};
// The camera service: older and XP share the first value.
constexpr Row kBipCamera{{{20607, 20607, 20771}, {20609, 20609, 20758}, {20750, 20750, 20820}}};

const Row& DeviceRow(const DEV_CLASS& dc) {
    const BYTE minor_byte = DevClassMinorByte(dc);
    const int minor = minor_byte >> 2;
    switch (DevClassMajor(dc)) {
        case 1:
            switch (minor) {
                case 1: return kDesktop;
                case 2: return kServer;
                case 3: return kLaptop;
                case 4:
                case 5: return kHandheld;
                default: return kGenericDevice;
            }
        case 2:
            if (minor >= 1 && minor <= 3) return kPhone;
            return minor == 4 ? kModem : kGenericDevice;
        case 3: return kNetwork;
        case 4: return kAudio;
        case 5:  // only the two upper minor bits count
            switch (minor_byte & 0xC0) {
                case 0x40: return kKeyboard;
                case 0x80: return kPointing;
                default: return kPeripheral;
            }
        case 6:  // only the exact single-bit values count
            if (minor_byte == 0x20) return kCamera;
            if (minor_byte == 0x80) return kPrinter;
            return kGenericDevice;
        default: return kGenericDevice;
    }
}

const Row& ServiceRow(DWORD uuid) {
    switch (uuid) {
        case 0x1101: return kSerial;
        case 0x1102:
        case 0x1115:
        case 0x1116:
        case 0x1117: return kLan;
        case 0x1103: return kDialup;
        case 0x1104: return kIrmc;
        case 0x1105: return kObjectPush;
        case 0x1106: return kFileTransfer;
        case 0x1108:
        case 0x111E: return kHeadset;
        case 0x110A:
        case 0x110B: return kAudioService;
        case 0x1111: return kFax;
        case 0x1112: return kAudioGateway;
        case 0x111B: return kImaging;
        case 0x1124: return kHid;
        case 0x1126: return kHcrpPrint;
        default: return kDefaultService;
    }
}

// The state slot of a service state (0, 1, 3), or -1.
int ServiceSlot(BTICON_STATE state) {
    return state == 0 ? 0 : state == 1 ? 1 : state == 3 ? 2 : -1;
}

}  // namespace

UINT DeviceIconIdFromDeviceClass(const DEV_CLASS& dc, BTICON_STATE state, PLATFORM_TYPE platform) {
    if (state > 2) return 0;
    return DeviceRow(dc)[state][IconColumnOfPlatform(platform)];
}

UINT ServiceIconIdFromUUID(DWORD uuid, BTICON_STATE state, PLATFORM_TYPE platform) {
    const int slot = ServiceSlot(state);
    return slot < 0 ? 0 : ServiceRow(uuid)[slot][IconColumnOfPlatform(platform)];
}

UINT ServiceIconIdForBipCamera(BTICON_STATE state, PLATFORM_TYPE platform) {
    const int slot = ServiceSlot(state);
    return slot < 0 ? 0 : kBipCamera[slot][IconColumnOfPlatform(platform)];
}

DEV_CLASS DevClassFromDeviceImage(int eImage) {
    static constexpr std::array<std::array<BYTE, 2>, 12> pictures{{
        {2, 0x04}, {1, 0x0C}, {2, 0x10}, {3, 0x00}, {1, 0x04}, {1, 0x14},
        {6, 0x80}, {6, 0x20}, {4, 0x04}, {5, 0x40}, {5, 0x80}, {5, 0xC0}}};
    if (eImage < 0 || eImage >= int(pictures.size())) return DEV_CLASS{0, 0, 0};
    return DEV_CLASS{0, pictures[eImage][0], pictures[eImage][1]};
}
