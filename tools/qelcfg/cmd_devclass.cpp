// "qelcfg device-type CLASS": a class of device (six hexadecimal digits, most significant byte
// first, as the stack stores it) -> its major and minor class, the facade's device type (number
// and name) and the device icon identifier of each platform column (state 0 unless --state).
// "qelcfg icon ID -o FILE": saves the image of icon group ID from the icon library (the one the
// installation record points to, or --library DIR) to FILE; --size chooses the image size.
// Exit codes: 0 done, 1 no such icon or the file cannot be written, 2 bad usage.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "commands.h"
#include "devclass/device_type.h"
#include "devclass/icon_utils.h"
#include "devclass/os_utils.h"

namespace qelcfg {
namespace {

std::optional<DEV_CLASS> parse_class(std::string text) {
    if (text.size() == 8 && (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0)) text = text.substr(2);
    if (text.size() != 6) return std::nullopt;
    DEV_CLASS dc{};
    for (std::size_t i = 0; i < 6; ++i) {
        const char c = text[i];
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (v < 0) return std::nullopt;
        dc[i / 2] = BYTE(dc[i / 2] << 4 | v);
    }
    return dc;
}

int show_device_type(const std::string& text, BTICON_STATE state) {
    auto dc = parse_class(text);
    if (!dc) {
        std::cerr << "qelcfg: class of device must be six hexadecimal digits, for example 5a020c\n";
        return 2;
    }
    const DWORD type = GetDeviceTypeFromDevClass(*dc);
    char line[160];
    std::snprintf(line, sizeof line, "Class of device  %02x%02x%02x (major %d, minor %d, minor byte 0x%02x)\n",
                  (*dc)[0], (*dc)[1], (*dc)[2], DevClassMajor(*dc), DevClassMinorByte(*dc) >> 2,
                  DevClassMinorByte(*dc));
    std::cout << line;
    std::cout << "Device type      " << type << " " << QelDeviceTypeName(type) << "\n";
    const std::pair<const char*, PLATFORM_TYPE> columns[] = {{"older", 5}, {"XP", 6}, {"Vista+", 7}};
    for (const auto& [name, platform] : columns) {
        std::snprintf(line, sizeof line, "Icon %-11s %u\n", (std::string("(") + name + ")").c_str(),
                      CBTIconUtils(platform).GetDeviceIconIdFromDeviceClass(*dc, state));
        std::cout << line;
    }
    return 0;
}

int extract_icon(UINT id, const std::string& file, int size, const std::string& library_dir) {
    std::unique_ptr<qel::platform::IconLibrary> library =
        library_dir.empty() ? LoadQelIconsLibrary() : qel::platform::IconLibrary::open(library_dir);
    if (!library) {
        std::cerr << "qelcfg: no icon library"
                  << (library_dir.empty() ? " (the installation record names no folder with icons)" : ": " + library_dir)
                  << "\n";
        return 1;
    }
    HICON icon = library->load_icon(id, size);
    if (!icon) {
        std::cerr << "qelcfg: icon " << id << " is not in " << library->directory().string() << "\n";
        return 1;
    }
    if (!qbtOSUtils::SaveIconFile(icon, file)) {
        std::cerr << "qelcfg: cannot write " << file << "\n";
        return 1;
    }
    std::cout << file << ": icon " << id << ", " << icon->format;
    if (icon->width) std::cout << " " << icon->width << "x" << icon->height;
    std::cout << "\n";
    return 0;
}

void setup(CLI::App& app) {
    CLI::App* type = app.add_subcommand("device-type", "Show the device type and icons of a class of device");
    auto cls = std::make_shared<std::string>();
    auto state = std::make_shared<BTICON_STATE>(0);
    type->add_option("CLASS", *cls, "Class of device, six hexadecimal digits (byte 0 first)")->required();
    type->add_option("--state", *state, "Icon state (0, 1 or 2)");
    type->callback([cls, state] { set_exit_code(show_device_type(*cls, *state)); });

    CLI::App* icon = app.add_subcommand("icon", "Save an icon of the icon library to a file");
    auto id = std::make_shared<UINT>(0);
    auto file = std::make_shared<std::string>();
    auto size = std::make_shared<int>(0);
    auto library = std::make_shared<std::string>();
    icon->add_option("ID", *id, "Icon identifier")->required();
    icon->add_option("-o,--output", *file, "File to write the image to")->required();
    icon->add_option("--size", *size, "Image size in pixels (default: the default icon size)");
    icon->add_option("--library", *library, "Icon folder to use instead of the installed one");
    icon->callback([id, file, size, library] { set_exit_code(extract_icon(*id, *file, *size, *library)); });
}

CommandRegistrar registrar{65, setup};

}  // namespace
}  // namespace qelcfg
