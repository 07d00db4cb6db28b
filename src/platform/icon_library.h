// Icon libraries: what the system loads icons from by number (a library of icon groups, each
// named by a number or a text). Here a library is a directory of image files; a file's name up
// to its extension is the group's name, optionally followed by "-<pixels>" for an image of that
// square size: "20550.png", "20550-16.png" and "20550.svg" all belong to group 20550. PNG and SVG
// images are known; other files are not part of the library.
//
// Promises:
//  - A name of decimal digits only, below 65536, is a numeric group name; any other name is a
//    text name. Groups are listed in the order a resource walk meets them: text names first,
//    sorted by their upper-cased spelling, then numbers in ascending order.
//  - An open library is a snapshot of the directory's listing; images are read when loaded.
//  - Failures are results (null, with the thread's last error), never exceptions. A library is
//    immutable once open and may be shared by threads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace qel::platform {

// The name of an icon group: a number, or a text (number is then 0).
struct IconGroupName {
    bool is_number = false;
    UINT number = 0;
    std::string text;
};

// One loaded icon image: its group, its format ("png" or "svg"), its pixel size when the image
// says it (PNG; 0 for SVG) and the file's bytes.
struct IconImage {
    UINT id = 0;
    std::string format;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<BYTE> data;
};

// The platform's icon handle: null is no icon.
using HICON = std::shared_ptr<const IconImage>;

// The size an icon is loaded at when no size is asked for (the platform's default icon size).
inline constexpr int kDefaultIconSize = 32;

class IconLibrary {
public:
    // Opens the directory as a library; null with last error ERROR_MOD_NOT_FOUND when it is
    // not a readable directory.
    static std::unique_ptr<IconLibrary> open(const std::filesystem::path& directory);

    const std::filesystem::path& directory() const { return directory_; }

    // Every group, in resource-walk order.
    const std::vector<IconGroupName>& groups() const { return groups_; }

    // Loads group `id` at `size` pixels (0: the default size): the image of exactly that size
    // when there is one, else the group's image without a size (PNG before SVG), else the sized
    // image nearest to it. Null with last error ERROR_RESOURCE_NAME_NOT_FOUND when the group is
    // not in the library, or the error of reading the file.
    HICON load_icon(UINT id, int size = 0) const;

private:
    struct ImageFile {
        int size = 0;  // 0: no size in the name
        std::string format;
        std::filesystem::path path;
    };

    std::filesystem::path directory_;
    std::vector<IconGroupName> groups_;
    std::map<UINT, std::vector<ImageFile>> numbered_;
};

// Reads the pixel size a PNG image states in its header; false when the bytes are no PNG image.
bool png_size(const std::vector<BYTE>& data, std::uint32_t& width, std::uint32_t& height);

}  // namespace qel::platform
