// CBTIconUtils: the icons of devices and services, chosen by identifier (icon_ids.h) for this
// process's platform generation and loaded from the stack's icon library "qelicons.dll".
//
// The icon library is a directory of images (platform/icon_library.h): "<INSTALLDIR>/icons",
// INSTALLDIR being the installation record's folder (CBTInstallCfg). When it cannot be opened an
// icon load writes "Failed  AfxLoadLibrary qelicons" to the debugger output and gives no icon; an
// identifier that is not in the library (or identifier 0) gives no icon and no line.
//
// Promises: no operation throws; failures are null icons. m_nIndex is one static counter, so
// GetDeviceIconIndexFromDeviceClass must not run on two threads at once; everything else may.
#pragma once

#include <memory>

#include "devclass/icon_ids.h"
#include "devclass/platform_type.h"
#include "facade/stackapi/qbt_types.h"
#include "platform/icon_library.h"

using qel::platform::HICON;

// The file name the system knows the icon library by, and the debugger line of a failed load.
inline constexpr char16_t kQelIconsLibrary[] = u"qelicons.dll";
inline constexpr char kQelIconsLoadFailed[] = "Failed  AfxLoadLibrary qelicons";

// The application object an icon may be loaded through (its icon loader), and the module it may
// supply for the icon-group walk. Both default to the library given.
class CQelIconApp {
public:
    virtual ~CQelIconApp() = default;
    virtual HICON LoadIcon(const qel::platform::IconLibrary& library, UINT id) const;
    // The module to walk instead of opening the icon library; null: open it.
    virtual const qel::platform::IconLibrary* IconModule() const { return nullptr; }
};

// Opens the icon library from the installation record; null when it cannot be opened.
std::unique_ptr<qel::platform::IconLibrary> LoadQelIconsLibrary();

// The shared loader: the identifier's icon from `library` (or from the icon library, opened for
// this load, when `library` is null). Without a size and flags, through pApp's loader when
// given; with them, the image of that size. Identifier 0 loads nothing.
HICON QelLoadIcon(UINT id, const CQelIconApp* pApp, int cx, int cy, UINT fuload,
                  const qel::platform::IconLibrary* library = nullptr);

class CBTIconUtils {
public:
    // Takes the platform generation from CBtUtils::GetPlatformType.
    CBTIconUtils();
    // A given generation (the tables' other columns, for callers that show them all).
    explicit CBTIconUtils(PLATFORM_TYPE platform);
    virtual ~CBTIconUtils();
    CBTIconUtils(const CBTIconUtils&) = delete;
    CBTIconUtils& operator=(const CBTIconUtils&) = delete;

    virtual HICON GetServiceIconFromUUID(DWORD nUUID, BTICON_STATE tIconState, const CQelIconApp* pApp);
    virtual HICON GetServiceIconForBipCamera(BTICON_STATE tIconState, const CQelIconApp* pApp);
    virtual UINT GetServiceIconIdFromUUID(DWORD nUUID, BTICON_STATE tIconState);
    virtual UINT GetServiceIconIdForBipCamera(BTICON_STATE tIconState);
    virtual HICON GetDeviceIconFromDeviceImage(int eImage, BTICON_STATE tIconState, const CQelIconApp* pApp);
    virtual HICON GetDeviceIconFromDeviceClass(const DEV_CLASS& tDevClass, BTICON_STATE tIconState,
                                               const CQelIconApp* pApp);
    virtual HICON GetDeviceIconFromDeviceClassEx(const DEV_CLASS& tDevClass, BTICON_STATE tIconState,
                                                 const CQelIconApp* pApp, int cx, int cy);
    virtual UINT GetDeviceIconIdFromDeviceClass(const DEV_CLASS& tDevClass, BTICON_STATE tIconState);
    // The position of the class's icon group among the library's groups (library order), or the
    // identifier itself when no group has it or the library cannot be opened.
    virtual UINT GetDeviceIconIndexFromDeviceClass(const DEV_CLASS& tDevClass, BTICON_STATE tIconState,
                                                   const CQelIconApp* pApp);

    // The owned object: an icon library used instead of opening "qelicons.dll" (null: open it
    // for each load). Deleted with the utilities object.
    void SetIconLibrary(std::unique_ptr<qel::platform::IconLibrary> library) { m_pIconLibrary = std::move(library); }
    PLATFORM_TYPE GetPlatform() const { return m_platformType; }

    // Counts icon groups during a walk (see the header's note on threads).
    static UINT m_nIndex;

private:
    std::unique_ptr<qel::platform::IconLibrary> m_pIconLibrary;
    PLATFORM_TYPE m_platformType;
};
