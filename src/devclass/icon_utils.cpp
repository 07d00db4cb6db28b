#include "devclass/icon_utils.h"

#include <cstdlib>

#include "config/install_cfg.h"
#include "platform/debug_stream.h"
#include "platform/utf.h"

using qel::platform::IconLibrary;

UINT CBTIconUtils::m_nIndex = 0;

HICON CQelIconApp::LoadIcon(const IconLibrary& library, UINT id) const {
    return library.load_icon(id);
}

std::unique_ptr<IconLibrary> LoadQelIconsLibrary() {
    CBTInstallCfg install;
    if (install.Read() != ERROR_SUCCESS || install.m_szInstallDir.empty()) return nullptr;
    const std::filesystem::path dir = qel::platform::utf16_to_utf8(install.m_szInstallDir);
    return IconLibrary::open(dir / "icons");
}

HICON QelLoadIcon(UINT id, const CQelIconApp* pApp, int cx, int cy, UINT fuload, const IconLibrary* library) {
    std::unique_ptr<IconLibrary> opened;
    if (!library) {
        opened = LoadQelIconsLibrary();
        if (!opened) {
            qel::platform::output_debug_string(kQelIconsLoadFailed);
            return nullptr;
        }
        library = opened.get();
    }
    if (id == 0) return nullptr;
    if (cx == 0 && cy == 0 && fuload == 0) {
        return pApp ? pApp->LoadIcon(*library, id) : library->load_icon(id);
    }
    // Icons are square: the larger side asked for chooses the image.
    return library->load_icon(id, cx > cy ? cx : cy);
}

CBTIconUtils::CBTIconUtils() : CBTIconUtils(CBtUtils::GetPlatformType()) {}

CBTIconUtils::CBTIconUtils(PLATFORM_TYPE platform) : m_platformType(platform) {}

CBTIconUtils::~CBTIconUtils() = default;

HICON CBTIconUtils::GetServiceIconFromUUID(DWORD nUUID, BTICON_STATE tIconState, const CQelIconApp* pApp) {
    return QelLoadIcon(GetServiceIconIdFromUUID(nUUID, tIconState), pApp, 0, 0, 0, m_pIconLibrary.get());
}

HICON CBTIconUtils::GetServiceIconForBipCamera(BTICON_STATE tIconState, const CQelIconApp* pApp) {
    return QelLoadIcon(GetServiceIconIdForBipCamera(tIconState), pApp, 0, 0, 0, m_pIconLibrary.get());
}

UINT CBTIconUtils::GetServiceIconIdFromUUID(DWORD nUUID, BTICON_STATE tIconState) {
    return ServiceIconIdFromUUID(nUUID, tIconState, m_platformType);
}

UINT CBTIconUtils::GetServiceIconIdForBipCamera(BTICON_STATE tIconState) {
    return ServiceIconIdForBipCamera(tIconState, m_platformType);
}

HICON CBTIconUtils::GetDeviceIconFromDeviceImage(int eImage, BTICON_STATE tIconState, const CQelIconApp* pApp) {
    return GetDeviceIconFromDeviceClass(DevClassFromDeviceImage(eImage), tIconState, pApp);
}

HICON CBTIconUtils::GetDeviceIconFromDeviceClass(const DEV_CLASS& tDevClass, BTICON_STATE tIconState,
                                                 const CQelIconApp* pApp) {
    return QelLoadIcon(GetDeviceIconIdFromDeviceClass(tDevClass, tIconState), pApp, 0, 0, 0, m_pIconLibrary.get());
}

HICON CBTIconUtils::GetDeviceIconFromDeviceClassEx(const DEV_CLASS& tDevClass, BTICON_STATE tIconState,
                                                   const CQelIconApp* pApp, int cx, int cy) {
    return QelLoadIcon(GetDeviceIconIdFromDeviceClass(tDevClass, tIconState), pApp, cx, cy, 0,
                       m_pIconLibrary.get());
}

UINT CBTIconUtils::GetDeviceIconIdFromDeviceClass(const DEV_CLASS& tDevClass, BTICON_STATE tIconState) {
    return DeviceIconIdFromDeviceClass(tDevClass, tIconState, m_platformType);
}

UINT CBTIconUtils::GetDeviceIconIndexFromDeviceClass(const DEV_CLASS& tDevClass, BTICON_STATE tIconState,
                                                     const CQelIconApp* pApp) {
    const UINT id = GetDeviceIconIdFromDeviceClass(tDevClass, tIconState);
    UINT result = id;
    std::unique_ptr<IconLibrary> opened;
    const IconLibrary* module = pApp ? pApp->IconModule() : nullptr;
    if (!module) module = m_pIconLibrary.get();
    if (!module) {
        opened = LoadQelIconsLibrary();
        module = opened.get();
    }
    if (!module) return result;
    m_nIndex = 0;
    for (const auto& group : module->groups()) {
        // A text name counts by its decimal value, as the platform's conversion reads it.
        const UINT name = group.is_number ? group.number : UINT(std::strtoul(group.text.c_str(), nullptr, 10));
        if (name == id) {
            result = m_nIndex;
            break;
        }
        ++m_nIndex;
    }
    return result;
}
