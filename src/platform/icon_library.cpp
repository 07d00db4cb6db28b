#include "platform/icon_library.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>

#include "platform/last_error.h"

namespace qel::platform {
namespace {

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return text;
}

bool all_digits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Splits "<name>-<pixels>" into name and size; a name without a size keeps size 0.
void split_size(const std::string& stem, std::string& name, int& size) {
    name = stem;
    size = 0;
    auto dash = stem.rfind('-');
    if (dash == std::string::npos || dash == 0) return;
    std::string tail = stem.substr(dash + 1);
    if (!all_digits(tail) || tail.size() > 4) return;
    int pixels = std::atoi(tail.c_str());
    if (pixels <= 0) return;
    name = stem.substr(0, dash);
    size = pixels;
}

std::uint32_t be32(const std::vector<BYTE>& d, std::size_t at) {
    return (std::uint32_t(d[at]) << 24) | (std::uint32_t(d[at + 1]) << 16) | (std::uint32_t(d[at + 2]) << 8) |
           std::uint32_t(d[at + 3]);
}

}  // namespace

bool png_size(const std::vector<BYTE>& data, std::uint32_t& width, std::uint32_t& height) {
    static const BYTE signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (data.size() < 24 || !std::equal(std::begin(signature), std::end(signature), data.begin())) return false;
    if (data[12] != 'I' || data[13] != 'H' || data[14] != 'D' || data[15] != 'R') return false;
    width = be32(data, 16);
    height = be32(data, 20);
    return true;
}

std::unique_ptr<IconLibrary> IconLibrary::open(const std::filesystem::path& directory) {
    std::error_code ec;
    std::filesystem::directory_iterator it(directory, ec);
    if (ec || directory.empty()) {
        set_last_error(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::unique_ptr<IconLibrary> lib(new IconLibrary);
    lib->directory_ = directory;
    std::set<std::pair<std::string, std::string>> texts;  // upper-cased, as spelt
    for (const auto& entry : std::filesystem::directory_iterator(directory, ec)) {
        std::error_code type_ec;
        if (!entry.is_regular_file(type_ec)) continue;
        std::string ext = upper(entry.path().extension().string());
        std::string format = ext == ".PNG" ? "png" : ext == ".SVG" ? "svg" : "";
        if (format.empty()) continue;
        std::string name;
        int size = 0;
        split_size(entry.path().stem().string(), name, size);
        if (name.empty()) continue;
        if (all_digits(name) && name.size() <= 5 && std::atol(name.c_str()) < 65536) {
            lib->numbered_[UINT(std::atol(name.c_str()))].push_back({size, format, entry.path()});
        } else {
            texts.insert({upper(name), name});
        }
    }
    for (const auto& [key, spelt] : texts) lib->groups_.push_back({false, 0, spelt});
    for (const auto& [id, files] : lib->numbered_) lib->groups_.push_back({true, id, {}});
    return lib;
}

HICON IconLibrary::load_icon(UINT id, int size) const {
    auto group = numbered_.find(id);
    if (group == numbered_.end()) {
        set_last_error(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const int wanted = size > 0 ? size : kDefaultIconSize;
    // Rank: exact size, then unsized PNG, unsized SVG, then sized images by distance.
    auto rank = [wanted](const ImageFile& f) {
        if (f.size == wanted) return 0;
        if (f.size == 0) return f.format == "png" ? 1 : 2;
        return 3 + std::abs(f.size - wanted);
    };
    const ImageFile* best = nullptr;
    for (const auto& f : group->second) {
        if (!best || rank(f) < rank(*best) || (rank(f) == rank(*best) && f.path < best->path)) best = &f;
    }
    std::ifstream in(best->path, std::ios::binary);
    if (!in) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    auto image = std::make_shared<IconImage>();
    image->id = id;
    image->format = best->format;
    image->data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        set_last_error(ERROR_READ_FAULT);
        return nullptr;
    }
    if (image->format == "png" && !png_size(image->data, image->width, image->height)) {
        set_last_error(ERROR_INVALID_DATA);
        return nullptr;
    }
    return image;
}

}  // namespace qel::platform
