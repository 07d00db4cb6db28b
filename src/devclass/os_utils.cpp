#include "devclass/os_utils.h"

#include <fstream>
#include <string>
#include <system_error>

#include "config/cfg_base.h"
#include "config/reg_key.h"
#include "platform/utf.h"

namespace {

constexpr char16_t kGeneralPath[] = u"Software\\Quorlan\\BTConfig\\General";
constexpr DWORD kDefaultMinorClass = 4;

std::optional<DEV_CLASS> RecordDeviceClass(const BD_ADDR& bda) {
    char16_t name[18];
    qel::config::BdaToKeyName(bda.data(), name);
    BtRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, qel::config::CfgKeyPath(kDevicesPath, name).c_str(), KEY_READ) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    // As the device record reads it: a missing, short or mistyped value leaves the class zero.
    DEV_CLASS dc{};
    DEV_CLASS stored{};
    DWORD type = 0;
    DWORD size = DWORD(stored.size());
    if (qel::platform::reg_query_value(key, u"DevClass", &type, stored.data(), &size) == ERROR_SUCCESS &&
        type == REG_BINARY && size == stored.size()) {
        dc = stored;
    }
    return dc;
}

DEV_CLASS LocalDeviceClass() {
    DWORD minor = kDefaultMinorClass;
    BtRegKey key;
    if (key.Open(HKEY_CURRENT_USER, kGeneralPath, KEY_READ) == ERROR_SUCCESS) {
        DWORD value = 0;
        DWORD type = 0;
        DWORD size = sizeof value;
        if (qel::platform::reg_query_value(key, u"MinorClass", &type, reinterpret_cast<BYTE*>(&value), &size) ==
                ERROR_SUCCESS &&
            type == REG_DWORD && size == sizeof value) {
            minor = value;
        }
    }
    return DEV_CLASS{0, 1, BYTE(minor)};
}

}  // namespace

std::optional<DEV_CLASS> qbtOSUtils::DeviceClassOf(const BD_ADDR* bda) {
    return bda ? RecordDeviceClass(*bda) : std::optional<DEV_CLASS>(LocalDeviceClass());
}

HICON qbtOSUtils::GetServiceIcon(DWORD nUUID) {
    CBTIconUtils utils;
    return utils.GetServiceIconFromUUID(nUUID, 0, nullptr);
}

HICON qbtOSUtils::LoadIconFromQELIcons(const BD_ADDR* bda, int size) {
    auto dc = DeviceClassOf(bda);
    if (!dc) return nullptr;
    CBTIconUtils utils;
    return utils.GetDeviceIconFromDeviceClassEx(*dc, 0, nullptr, size, size);
}

BOOL qbtOSUtils::SaveIconFile(const HICON& icon, const std::filesystem::path& path) {
    if (!icon || path.empty()) return FALSE;
    std::filesystem::path partial = path;
    partial += ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) return FALSE;
        out.write(reinterpret_cast<const char*>(icon->data.data()), std::streamsize(icon->data.size()));
        out.close();
        if (!out) {
            std::error_code ec;
            std::filesystem::remove(partial, ec);
            return FALSE;
        }
    }
    std::error_code ec;
    std::filesystem::rename(partial, path, ec);
    if (ec) {
        std::filesystem::remove(partial, ec);
        return FALSE;
    }
    return TRUE;
}

BOOL qbtOSUtils::ExtractIconForDeviceType(const BD_ADDR* bda, std::u16string_view strSaveFileName) {
    auto dc = DeviceClassOf(bda);
    if (!dc) return FALSE;
    CBTIconUtils utils;
    HICON icon = utils.GetDeviceIconFromDeviceClass(*dc, 0, nullptr);
    return SaveIconFile(icon, std::filesystem::path(qel::platform::utf16_to_utf8(strSaveFileName)));
}
