// The icon identifier tables: every row of the device, service, camera and device-picture tables,
// one case per row and platform column, each checking all states of that column (unknown states
// included), with several classes or UUIDs per row where the row covers more than one.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "devclass/icon_utils.h"

namespace {

// One platform generation standing for each column, and the other generations of that column.
struct Column {
    const char* name;
    int index;
    std::vector<PLATFORM_TYPE> platforms;
};
const std::array<Column, 3> kColumns = {Column{"Older", 0, {0, 1, 2, 3, 4, 5}}, Column{"XP", 1, {6}},
                                        Column{"VistaPlus", 2, {7, 8}}};

using Ids = std::array<std::array<UINT, 3>, 3>;  // [state slot][column]

struct DeviceRow {
    const char* name;
    std::vector<DEV_CLASS> classes;
    Ids ids;  // states 0, 1, 2
};

std::vector<DEV_CLASS> with_major(BYTE major, std::vector<BYTE> minor_bytes) {
    std::vector<DEV_CLASS> out;
    for (BYTE m : minor_bytes) out.push_back(DEV_CLASS{0x00, major, m});
    return out;
}

const std::vector<DeviceRow>& device_rows() {
    static const std::vector<DeviceRow> rows = {
        {"Desktop", with_major(1, {0x04, 0x07}), {{{20504, 20554, 20772}, {20514, 20564, 20759}, {20522, 20572, 20785}}}},
        {"Server", with_major(1, {0x08}), {{{20509, 20559, 20559}, {20517, 20567, 20567}, {20525, 20575, 20575}}}},
        {"Laptop", with_major(1, {0x0C, 0x0D}), {{{20501, 20551, 20775}, {20511, 20561, 20762}, {20519, 20569, 20788}}}},
        {"HandheldAndPalm", with_major(1, {0x10, 0x14}),
         {{{20506, 20556, 20556}, {20515, 20565, 20565}, {20523, 20573, 20573}}}},
        {"Phone", with_major(2, {0x04, 0x08, 0x0C, 0x0F}),
         {{{20500, 20550, 20776}, {20510, 20560, 20763}, {20518, 20568, 20789}}}},
        {"Modem", with_major(2, {0x10}), {{{20502, 20552, 20777}, {20512, 20562, 20764}, {20520, 20570, 20790}}}},
        {"NetworkAccessPoint", with_major(3, {0x00, 0x20, 0xE0, 0xFC}),
         {{{20503, 20553, 20779}, {20513, 20563, 20766}, {20521, 20571, 20792}}}},
        {"AudioVideo", with_major(4, {0x00, 0x04, 0x14, 0x28, 0xFC}),
         {{{20612, 20613, 20773}, {20614, 20615, 20760}, {20616, 20617, 20786}}}},
        {"Keyboard", with_major(5, {0x40, 0x44, 0x7C}),
         {{{20618, 20619, 20774}, {20620, 20621, 20761}, {20622, 20623, 20787}}}},
        {"Pointing", with_major(5, {0x80, 0x84, 0xBC}),
         {{{20624, 20625, 20778}, {20626, 20627, 20765}, {20628, 20629, 20791}}}},
        {"PeripheralOther", with_major(5, {0x00, 0x3C, 0xC0, 0xFC}),
         {{{20630, 20631, 20631}, {20632, 20633, 20633}, {20634, 20635, 20635}}}},
        {"Camera", with_major(6, {0x20, 0x23}), {{{20606, 20607, 20771}, {20608, 20609, 20758}, {20610, 20611, 20784}}}},
        {"Printer", with_major(6, {0x80}), {{{20600, 20601, 20780}, {20602, 20603, 20767}, {20604, 20605, 20793}}}},
        {"Generic",
         {DEV_CLASS{0, 1, 0x00}, DEV_CLASS{0, 1, 0x18}, DEV_CLASS{0, 1, 0xFC}, DEV_CLASS{0, 2, 0x00},
          DEV_CLASS{0, 2, 0x14}, DEV_CLASS{0, 6, 0xA0}, DEV_CLASS{0, 6, 0x10}, DEV_CLASS{0, 6, 0x00},
          DEV_CLASS{0, 0, 0x04}, DEV_CLASS{0, 7, 0x04}, DEV_CLASS{0, 31, 0x04}, DEV_CLASS{0xFF, 0xE0, 0x0C}},
         {{{20508, 20558, 20781}, {20516, 20566, 20768}, {20524, 20574, 20794}}}},
    };
    return rows;
}

struct ServiceRow {
    const char* name;
    std::vector<DWORD> uuids;
    Ids ids;  // states 0, 1, 3
};

const std::vector<ServiceRow>& service_rows() {
    static const std::vector<ServiceRow> rows = {
        {"SerialPort", {0x1101}, {{{20526, 20576, 20815}, {20533, 20583, 20796}, {20545, 20595, 20826}}}},
        {"LanPanNapGn", {0x1102, 0x1115, 0x1116, 0x1117},
         {{{20527, 20577, 20811}, {20534, 20584, 20801}, {20543, 20593, 20822}}}},
        {"DialUp", {0x1103}, {{{20528, 20578, 20807}, {20535, 20585, 20797}, {20540, 20590, 20818}}}},
        {"IrmcSync", {0x1104}, {{{20529, 20579, 20812}, {20536, 20586, 20802}, {20546, 20596, 20823}}}},
        {"ObjectPush", {0x1105}, {{{20531, 20581, 20813}, {20538, 20588, 20803}, {20544, 20594, 20824}}}},
        {"FileTransfer", {0x1106}, {{{20532, 20582, 20810}, {20539, 20589, 20800}, {20542, 20592, 20821}}}},
        {"HeadsetHandsFree", {0x1108, 0x111E}, {{{20730, 20730, 20836}, {20732, 20732, 20835}, {20731, 20731, 20731}}}},
        {"AudioSourceSink", {0x110A, 0x110B}, {{{20754, 20754, 20836}, {20755, 20755, 20835}, {20754, 20754, 20836}}}},
        {"Fax", {0x1111}, {{{20530, 20580, 20808}, {20537, 20587, 20798}, {20541, 20591, 20819}}}},
        {"HeadsetAudioGateway", {0x1112}, {{{20733, 20733, 20839}, {20735, 20735, 20838}, {20734, 20734, 20734}}}},
        {"ImagingResponder", {0x111B}, {{{20751, 20751, 20809}, {20752, 20752, 20799}, {20753, 20753, 20820}}}},
        {"HumanInterface", {0x1124}, {{{20742, 20745, 20830}, {20744, 20747, 20831}, {20743, 20746, 20746}}}},
        {"HcrpPrint", {0x1126}, {{{20736, 20739, 20834}, {20738, 20741, 20833}, {20737, 20740, 20740}}}},
        {"Other", {0x0000, 0x1100, 0x1107, 0x1109, 0x110C, 0x111F, 0x1125, 0x112F, 0x1200, 0x2105, 0x11101},
         {{{20547, 20547, 20842}, {20548, 20548, 20843}, {20549, 20549, 20549}}}},
    };
    return rows;
}

template <typename Row>
std::vector<std::pair<Row, Column>> with_columns(const std::vector<Row>& rows) {
    std::vector<std::pair<Row, Column>> out;
    for (const auto& r : rows)
        for (const auto& c : kColumns) out.push_back({r, c});
    return out;
}

template <typename Param>
std::string case_name(const testing::TestParamInfo<Param>& info) {
    return std::string(info.param.first.name) + "_" + info.param.second.name;
}

using DeviceCase = std::pair<DeviceRow, Column>;
class DeviceIconTable : public testing::TestWithParam<DeviceCase> {};

TEST_P(DeviceIconTable, StatesOfTheColumn) {
    const auto& [row, column] = GetParam();
    for (PLATFORM_TYPE platform : column.platforms) {
        CBTIconUtils utils(platform);
        for (const DEV_CLASS& dc : row.classes) {
            for (BTICON_STATE state = 0; state <= 2; ++state) {
                EXPECT_EQ(utils.GetDeviceIconIdFromDeviceClass(dc, state), row.ids[state][column.index])
                    << "platform " << platform << " state " << state << " class " << std::hex << int(dc[1]) << " "
                    << int(dc[2]);
            }
            for (BTICON_STATE state : {3u, 4u, 0xFFFFFFFFu}) EXPECT_EQ(utils.GetDeviceIconIdFromDeviceClass(dc, state), 0u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, DeviceIconTable, testing::ValuesIn(with_columns(device_rows())),
                         case_name<DeviceCase>);

using ServiceCase = std::pair<ServiceRow, Column>;
class ServiceIconTable : public testing::TestWithParam<ServiceCase> {};

TEST_P(ServiceIconTable, StatesOfTheColumn) {
    const auto& [row, column] = GetParam();
    const BTICON_STATE states[3] = {0, 1, 3};
    for (PLATFORM_TYPE platform : column.platforms) {
        CBTIconUtils utils(platform);
        for (DWORD uuid : row.uuids) {
            for (int slot = 0; slot < 3; ++slot) {
                EXPECT_EQ(utils.GetServiceIconIdFromUUID(uuid, states[slot]), row.ids[slot][column.index])
                    << "platform " << platform << " state " << states[slot] << " uuid " << std::hex << uuid;
            }
            for (BTICON_STATE state : {2u, 4u, 100u}) EXPECT_EQ(utils.GetServiceIconIdFromUUID(uuid, state), 0u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ServiceIconTable, testing::ValuesIn(with_columns(service_rows())),
                         case_name<ServiceCase>);

class CameraServiceIcon : public testing::TestWithParam<Column> {};

TEST_P(CameraServiceIcon, StatesOfTheColumn) {
    const Ids ids{{{20607, 20607, 20771}, {20609, 20609, 20758}, {20750, 20750, 20820}}};
    const Column& column = GetParam();
    for (PLATFORM_TYPE platform : column.platforms) {
        CBTIconUtils utils(platform);
        EXPECT_EQ(utils.GetServiceIconIdForBipCamera(0), ids[0][column.index]);
        EXPECT_EQ(utils.GetServiceIconIdForBipCamera(1), ids[1][column.index]);
        EXPECT_EQ(utils.GetServiceIconIdForBipCamera(3), ids[2][column.index]);
        EXPECT_EQ(utils.GetServiceIconIdForBipCamera(2), 0u);
        EXPECT_EQ(utils.GetServiceIconIdForBipCamera(4), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Columns, CameraServiceIcon, testing::ValuesIn(kColumns),
                         [](const testing::TestParamInfo<Column>& info) { return std::string(info.param.name); });

struct PictureRow {
    const char* name;
    std::vector<int> pictures;
    DEV_CLASS dc;
};

class DevicePictureTable : public testing::TestWithParam<PictureRow> {};

TEST_P(DevicePictureTable, PictureStandsForItsClass) {
    for (int picture : GetParam().pictures) {
        EXPECT_EQ(DevClassFromDeviceImage(picture), GetParam().dc) << picture;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DevicePictureTable,
    testing::Values(PictureRow{"Phone", {0}, {0, 2, 0x04}}, PictureRow{"Laptop", {1}, {0, 1, 0x0C}},
                    PictureRow{"Modem", {2}, {0, 2, 0x10}}, PictureRow{"NetworkAccessPoint", {3}, {0, 3, 0x00}},
                    PictureRow{"Desktop", {4}, {0, 1, 0x04}}, PictureRow{"PalmSize", {5}, {0, 1, 0x14}},
                    PictureRow{"Printer", {6}, {0, 6, 0x80}}, PictureRow{"Camera", {7}, {0, 6, 0x20}},
                    PictureRow{"Headset", {8}, {0, 4, 0x04}}, PictureRow{"Keyboard", {9}, {0, 5, 0x40}},
                    PictureRow{"Mouse", {10}, {0, 5, 0x80}}, PictureRow{"KeyboardAndMouse", {11}, {0, 5, 0xC0}},
                    PictureRow{"Other", {-1, 12, 100}, {0, 0, 0x00}}),
    [](const testing::TestParamInfo<PictureRow>& info) { return std::string(info.param.name); });

TEST(IconIds, DefaultConstructionTakesTheProcessGeneration) {
    EXPECT_EQ(CBTIconUtils().GetPlatform(), CBtUtils::GetPlatformType());
}

}  // namespace
