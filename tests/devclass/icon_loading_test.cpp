// Icons loaded from the icon library: a library folder found through the installation record of
// a registry in a temporary folder, with image files written by the tests. Covers the missing
// library (the exact debugger line) and missing image, the choice of image by size, loading
// through an application object, the walk over icon groups in library order, saving a device's
// icon to a file, and the icon set shipped with the project.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "config/install_cfg.h"
#include "devclass/icon_utils.h"
#include "devclass/os_utils.h"
#include "platform/debug_stream.h"
#include "platform/last_error.h"
#include "platform/registry/registry.h"
#include "platform/utf.h"
#include "../config/records/records_test_util.h"
#include "support/test_support.h"

namespace {

using namespace qel::platform;
using qel::test::set_binary;
using qel::test::set_dword;
namespace fs = std::filesystem;

// A PNG header stating a size, followed by `tag` so that files of one size still differ.
std::vector<BYTE> png_bytes(std::uint32_t size, const std::string& tag) {
    std::vector<BYTE> d = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (int shift = 24; shift >= 0; shift -= 8) d.push_back(BYTE(size >> shift));
    for (int shift = 24; shift >= 0; shift -= 8) d.push_back(BYTE(size >> shift));
    d.insert(d.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});
    d.insert(d.end(), tag.begin(), tag.end());
    return d;
}

void write_file(const fs::path& path, const std::vector<BYTE>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<BYTE> file_bytes(const fs::path& path) {
    std::string s = qel::test::read_file(path);
    return std::vector<BYTE>(s.begin(), s.end());
}

class IconLoading : public testing::Test {
protected:
    IconLoading() : env_("QEL_REGISTRY_DIR", (dir_.path() / "registry").string()) { reg_reset_for_tests(); }
    ~IconLoading() override { reg_reset_for_tests(); }

    // Points the installation record at <temp>/install and creates its icons folder.
    fs::path install_library() {
        const fs::path install = dir_.path() / "install";
        fs::create_directories(install / "icons");
        set_install_dir(install.string());
        return install / "icons";
    }

    void set_install_dir(const std::string& dir) {
        CBTInstallCfg cfg;
        cfg.m_szInstallDir = *utf8_to_utf16(dir);
        ASSERT_EQ(cfg.Save(), ERROR_SUCCESS);
    }

    qel::test::TempDir dir_;
    qel::test::ScopedEnv env_;
};

TEST_F(IconLoading, MissingLibraryGivesNoIconAndTheDebuggerLine) {
    CBTIconUtils utils(7);
    for (int setup = 0; setup < 2; ++setup) {
        if (setup == 1) set_install_dir((dir_.path() / "no-such-install").string());  // record present, folder not
        DebugStreamCapture capture;
        EXPECT_EQ(utils.GetServiceIconFromUUID(0x1101, 0, nullptr), nullptr);
        EXPECT_EQ(utils.GetServiceIconForBipCamera(0, nullptr), nullptr);
        EXPECT_EQ(utils.GetDeviceIconFromDeviceClass({0, 2, 0x0C}, 0, nullptr), nullptr);
        EXPECT_EQ(utils.GetDeviceIconFromDeviceClassEx({0, 2, 0x0C}, 0, nullptr, 16, 16), nullptr);
        EXPECT_EQ(utils.GetDeviceIconFromDeviceImage(0, 0, nullptr), nullptr);
        EXPECT_EQ(capture.lines(), std::vector<std::string>(5, "Failed  AfxLoadLibrary qelicons")) << setup;
    }
}

TEST_F(IconLoading, MissingImageOrUnknownStateGivesNoIconAndNoLine) {
    const fs::path icons = install_library();
    write_file(icons / "20776.png", png_bytes(32, "phone"));
    CBTIconUtils utils(7);
    DebugStreamCapture capture;
    EXPECT_EQ(utils.GetServiceIconFromUUID(0x1101, 0, nullptr), nullptr);  // 20815 not in the library
    EXPECT_EQ(last_error(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(utils.GetDeviceIconFromDeviceClass({0, 2, 0x0C}, 3, nullptr), nullptr);  // state 3: identifier 0
    EXPECT_TRUE(capture.lines().empty());
    EXPECT_NE(utils.GetDeviceIconFromDeviceClass({0, 2, 0x0C}, 0, nullptr), nullptr);
}

TEST_F(IconLoading, LoadsTheImageOfTheChosenIdentifier) {
    const fs::path icons = install_library();
    write_file(icons / "20776.png", png_bytes(32, "phone"));
    write_file(icons / "20550.png", png_bytes(32, "xp phone"));
    write_file(icons / "20811.svg", {'<', 's', 'v', 'g', '/', '>'});
    write_file(icons / "20771.png", png_bytes(32, "camera"));

    HICON vista = CBTIconUtils(7).GetDeviceIconFromDeviceClass({0x5A, 0x02, 0x0C}, 0, nullptr);
    ASSERT_NE(vista, nullptr);
    EXPECT_EQ(vista->id, 20776u);
    EXPECT_EQ(vista->format, "png");
    EXPECT_EQ(vista->width, 32u);
    EXPECT_EQ(vista->data, file_bytes(icons / "20776.png"));

    HICON xp = CBTIconUtils(6).GetDeviceIconFromDeviceImage(0, 0, nullptr);  // picture 0: phone
    ASSERT_NE(xp, nullptr);
    EXPECT_EQ(xp->data, file_bytes(icons / "20550.png"));

    HICON nap = CBTIconUtils(7).GetServiceIconFromUUID(0x1116, 0, nullptr);
    ASSERT_NE(nap, nullptr);
    EXPECT_EQ(nap->format, "svg");
    EXPECT_EQ(nap->width, 0u);

    HICON camera = CBTIconUtils(7).GetServiceIconForBipCamera(0, nullptr);
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->id, 20771u);
}

TEST_F(IconLoading, SizeChoosesTheImageOfTheGroup) {
    const fs::path icons = install_library();
    write_file(icons / "20776.png", png_bytes(32, "base"));
    write_file(icons / "20776-16.png", png_bytes(16, "small"));
    write_file(icons / "20776-48.png", png_bytes(48, "large"));
    write_file(icons / "20776.svg", {'<', 's', 'v', 'g', '/', '>'});
    write_file(icons / "20773-16.png", png_bytes(16, "small"));
    write_file(icons / "20773-48.png", png_bytes(48, "large"));
    write_file(icons / "20774.svg", {'<', 's', 'v', 'g', '/', '>'});
    write_file(icons / "20774-16.png", png_bytes(16, "small"));

    CBTIconUtils utils(7);
    const DEV_CLASS phone{0, 2, 0x04}, audio{0, 4, 0x04}, keyboard{0, 5, 0x40};
    EXPECT_EQ(utils.GetDeviceIconFromDeviceClassEx(phone, 0, nullptr, 16, 16)->width, 16u);
    EXPECT_EQ(utils.GetDeviceIconFromDeviceClassEx(phone, 0, nullptr, 48, 48)->width, 48u);
    EXPECT_EQ(utils.GetDeviceIconFromDeviceClassEx(phone, 0, nullptr, 24, 24)->data, file_bytes(icons / "20776.png"));
    EXPECT_EQ(utils.GetDeviceIconFromDeviceClass(phone, 0, nullptr)->data, file_bytes(icons / "20776.png"));
    // Only sized images: the nearest one.
    EXPECT_EQ(utils.GetDeviceIconFromDeviceClassEx(audio, 0, nullptr, 40, 40)->width, 48u);
    EXPECT_EQ(utils.GetDeviceIconFromDeviceClassEx(audio, 0, nullptr, 20, 20)->width, 16u);
    // The default size takes the unsized image (here SVG) before a sized one of another size.
    EXPECT_EQ(utils.GetDeviceIconFromDeviceClass(keyboard, 0, nullptr)->format, "svg");
}

TEST_F(IconLoading, DamagedImageGivesNoIcon) {
    const fs::path icons = install_library();
    write_file(icons / "20776.png", {'n', 'o', 't', ' ', 'p', 'n', 'g'});
    EXPECT_EQ(CBTIconUtils(7).GetDeviceIconFromDeviceClass({0, 2, 0x04}, 0, nullptr), nullptr);
    EXPECT_EQ(last_error(), ERROR_INVALID_DATA);
}

// An application object that loads its own image for one identifier and records what it was asked.
class RecordingApp : public CQelIconApp {
public:
    HICON LoadIcon(const IconLibrary& library, UINT id) const override {
        asked.push_back(id);
        return CQelIconApp::LoadIcon(library, id);
    }
    const IconLibrary* IconModule() const override { return module.get(); }

    mutable std::vector<UINT> asked;
    std::unique_ptr<IconLibrary> module;
};

TEST_F(IconLoading, ApplicationLoaderServesLoadsWithoutSize) {
    const fs::path icons = install_library();
    write_file(icons / "20776.png", png_bytes(32, "base"));
    RecordingApp app;
    CBTIconUtils utils(7);
    EXPECT_NE(utils.GetDeviceIconFromDeviceClass({0, 2, 0x04}, 0, &app), nullptr);
    EXPECT_NE(utils.GetDeviceIconFromDeviceClassEx({0, 2, 0x04}, 0, &app, 16, 16), nullptr);
    EXPECT_EQ(app.asked, std::vector<UINT>{20776});
}

TEST_F(IconLoading, OwnedLibraryReplacesTheInstalledOne) {
    const fs::path other = dir_.path() / "other";
    fs::create_directories(other);
    write_file(other / "20776.png", png_bytes(32, "owned"));
    CBTIconUtils utils(7);
    utils.SetIconLibrary(IconLibrary::open(other));
    DebugStreamCapture capture;  // no installation record: only the owned library can serve
    HICON icon = utils.GetDeviceIconFromDeviceClass({0, 2, 0x04}, 0, nullptr);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->data, file_bytes(other / "20776.png"));
    EXPECT_TRUE(capture.lines().empty());
}

TEST_F(IconLoading, IndexWalksGroupsInLibraryOrder) {
    const fs::path icons = install_library();
    for (const char* name : {"Banner.svg", "20550.png", "20776.png", "20776-16.png", "100.png", "7.svg", "apple.png"}) {
        write_file(icons / name, png_bytes(32, name));
    }
    write_file(icons / "readme.txt", {'x'});  // not an image: not a group
    auto library = IconLibrary::open(icons);
    ASSERT_NE(library, nullptr);
    std::vector<std::string> order;
    for (const auto& g : library->groups()) order.push_back(g.is_number ? std::to_string(g.number) : g.text);
    EXPECT_EQ(order, (std::vector<std::string>{"apple", "Banner", "7", "100", "20550", "20776"}));

    CBTIconUtils utils(7);
    EXPECT_EQ(utils.GetDeviceIconIndexFromDeviceClass({0, 2, 0x04}, 0, nullptr), 5u);  // 20776
    EXPECT_EQ(CBTIconUtils::m_nIndex, 5u);
    EXPECT_EQ(CBTIconUtils(6).GetDeviceIconIndexFromDeviceClass({0, 2, 0x04}, 0, nullptr), 4u);  // 20550
    // No group of that identifier: the identifier itself, after counting every group.
    EXPECT_EQ(utils.GetDeviceIconIndexFromDeviceClass({0, 1, 0x04}, 0, nullptr), 20772u);
    EXPECT_EQ(CBTIconUtils::m_nIndex, 6u);
}

TEST_F(IconLoading, IndexMatchesATextNameByItsDecimalValue) {
    const fs::path icons = install_library();
    write_file(icons / "Icon.png", png_bytes(32, "a"));
    write_file(icons / "20776x.png", png_bytes(32, "b"));  // a text name, read as 20776
    write_file(icons / "20550.png", png_bytes(32, "c"));
    EXPECT_EQ(CBTIconUtils(7).GetDeviceIconIndexFromDeviceClass({0, 2, 0x04}, 0, nullptr), 0u);
    EXPECT_EQ(CBTIconUtils(6).GetDeviceIconIndexFromDeviceClass({0, 2, 0x04}, 0, nullptr), 2u);
}

TEST_F(IconLoading, IndexWalksTheApplicationsModuleOrGivesTheIdentifier) {
    CBTIconUtils utils(7);
    DebugStreamCapture capture;
    EXPECT_EQ(utils.GetDeviceIconIndexFromDeviceClass({0, 2, 0x04}, 0, nullptr), 20776u);  // no library at all
    EXPECT_TRUE(capture.lines().empty());

    const fs::path module = dir_.path() / "module";
    fs::create_directories(module);
    write_file(module / "20000.png", png_bytes(32, "a"));
    write_file(module / "20776.png", png_bytes(32, "b"));
    RecordingApp app;
    app.module = IconLibrary::open(module);
    EXPECT_EQ(utils.GetDeviceIconIndexFromDeviceClass({0, 2, 0x04}, 0, &app), 1u);
}

TEST_F(IconLoading, ExtractsTheIconOfADeviceRecord) {
    const fs::path icons = install_library();
    // One image per column, so the process's generation finds its own.
    for (UINT id : {20500u, 20550u, 20776u}) write_file(icons / (std::to_string(id) + ".png"), png_bytes(32, std::to_string(id)));
    set_binary(HKEY_LOCAL_MACHINE, u"Software\\Quorlan\\BTConfig\\Devices\\00:11:22:aa:bb:cc", u"DevClass",
               {0x5A, 0x02, 0x0C});
    const BD_ADDR bda{0x00, 0x11, 0x22, 0xAA, 0xBB, 0xCC};
    const UINT expected = DeviceIconIdFromDeviceClass({0x5A, 0x02, 0x0C}, 0, CBtUtils::GetPlatformType());

    const fs::path target = dir_.path() / "phone.png";
    ASSERT_EQ(qbtOSUtils::ExtractIconForDeviceType(&bda, *utf8_to_utf16(target.string())), TRUE);
    EXPECT_EQ(file_bytes(target), file_bytes(icons / (std::to_string(expected) + ".png")));
    EXPECT_FALSE(fs::exists(dir_.path() / "phone.png.partial"));

    HICON sized = qbtOSUtils::LoadIconFromQELIcons(&bda, 32);
    ASSERT_NE(sized, nullptr);
    EXPECT_EQ(sized->id, expected);
}

TEST_F(IconLoading, ExtractsTheIconOfThisComputerFromItsMinorClass) {
    const fs::path icons = install_library();
    for (UINT id : {20504u, 20554u, 20772u, 20501u, 20551u, 20775u}) {
        write_file(icons / (std::to_string(id) + ".png"), png_bytes(32, std::to_string(id)));
    }
    const PLATFORM_TYPE platform = CBtUtils::GetPlatformType();
    const fs::path target = dir_.path() / "computer.png";

    // No general settings: minor class 4, a desktop.
    ASSERT_EQ(qbtOSUtils::ExtractIconForDeviceType(nullptr, *utf8_to_utf16(target.string())), TRUE);
    EXPECT_EQ(file_bytes(target),
              file_bytes(icons / (std::to_string(DeviceIconIdFromDeviceClass({0, 1, 0x04}, 0, platform)) + ".png")));

    set_dword(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\General", u"MinorClass", 0x0C);  // laptop
    ASSERT_EQ(qbtOSUtils::ExtractIconForDeviceType(nullptr, *utf8_to_utf16(target.string())), TRUE);
    EXPECT_EQ(file_bytes(target),
              file_bytes(icons / (std::to_string(DeviceIconIdFromDeviceClass({0, 1, 0x0C}, 0, platform)) + ".png")));
}

TEST_F(IconLoading, ExtractionFailsWithoutRecordIconOrWritableTarget) {
    const fs::path icons = install_library();
    const BD_ADDR bda{0x00, 0x11, 0x22, 0xAA, 0xBB, 0xCC};
    const fs::path target = dir_.path() / "out.png";
    EXPECT_EQ(qbtOSUtils::ExtractIconForDeviceType(&bda, *utf8_to_utf16(target.string())), FALSE);  // no record

    // A record whose class is missing or short reads as class zero, as the device record does.
    set_binary(HKEY_LOCAL_MACHINE, u"Software\\Quorlan\\BTConfig\\Devices\\00:11:22:aa:bb:cc", u"Name", {'P'});
    EXPECT_EQ(qbtOSUtils::DeviceClassOf(&bda), (DEV_CLASS{0, 0, 0}));
    set_binary(HKEY_LOCAL_MACHINE, u"Software\\Quorlan\\BTConfig\\Devices\\00:11:22:aa:bb:cc", u"DevClass", {0x00, 0x02});
    EXPECT_EQ(qbtOSUtils::DeviceClassOf(&bda), (DEV_CLASS{0, 0, 0}));

    set_binary(HKEY_LOCAL_MACHINE, u"Software\\Quorlan\\BTConfig\\Devices\\00:11:22:aa:bb:cc", u"DevClass",
               {0x00, 0x02, 0x04});
    EXPECT_EQ(qbtOSUtils::ExtractIconForDeviceType(&bda, *utf8_to_utf16(target.string())), FALSE);  // no image
    EXPECT_FALSE(fs::exists(target));

    for (UINT id : {20500u, 20550u, 20776u}) write_file(icons / (std::to_string(id) + ".png"), png_bytes(32, "x"));
    const fs::path unwritable = dir_.path() / "missing-folder" / "out.png";
    EXPECT_EQ(qbtOSUtils::ExtractIconForDeviceType(&bda, *utf8_to_utf16(unwritable.string())), FALSE);
    EXPECT_FALSE(fs::exists(unwritable.parent_path()));
    EXPECT_EQ(qbtOSUtils::ExtractIconForDeviceType(&bda, u""), FALSE);
}

TEST(IconLibraryFolder, MissingFolderIsNoLibrary) {
    qel::test::TempDir dir;
    EXPECT_EQ(IconLibrary::open(dir.path() / "absent"), nullptr);
    EXPECT_EQ(last_error(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(IconLibrary::open(""), nullptr);
    write_file(dir.path() / "file", {'x'});
    EXPECT_EQ(IconLibrary::open(dir.path() / "file"), nullptr);
}

// The images shipped with the project: every Vista+ identifier of state 0 for devices and
// services has its SVG drawing and its PNG images of 32 and 48 pixels.
TEST(ShippedIcons, EveryVistaStateZeroIdentifierHasItsImages) {
    auto library = IconLibrary::open(qel::test::source_dir() / "icons");
    ASSERT_NE(library, nullptr);
    std::vector<UINT> ids;
    for (int major = 0; major < 32; ++major)
        for (int minor = 0; minor < 256; minor += 4) ids.push_back(DeviceIconIdFromDeviceClass({0, BYTE(major), BYTE(minor)}, 0, 7));
    for (DWORD uuid = 0x1100; uuid < 0x1140; ++uuid) ids.push_back(ServiceIconIdFromUUID(uuid, 0, 7));
    ids.push_back(ServiceIconIdForBipCamera(0, 7));
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    EXPECT_EQ(ids.size(), 27u);
    for (UINT id : ids) {
        HICON normal = library->load_icon(id);
        ASSERT_NE(normal, nullptr) << id;
        EXPECT_EQ(normal->width, 32u) << id;
        EXPECT_EQ(normal->height, 32u) << id;
        HICON large = library->load_icon(id, 48);
        ASSERT_NE(large, nullptr) << id;
        EXPECT_EQ(large->width, 48u) << id;
        EXPECT_TRUE(fs::exists(library->directory() / (std::to_string(id) + ".svg"))) << id;
    }
}

}  // namespace
