#include "pim/message/multipart.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <string_view>
#include <vector>

#include "pim/osif_objects.h"
#include "pim/osif_props.h"
#include "platform/text/text.h"

namespace {

constexpr int kLastBoundary = 999;

// Each part's content as bytes: its first value text, or its content file read whole.
std::vector<std::string> contents_of(const tagPart* parts) {
    std::vector<std::string> out;
    for (const tagPart* p = parts; p; p = p->next) {
        const tagProp* prop = p->content;
        if (!prop) continue;
        if (prop->file && prop->file->path) {
            const std::string path = qel::platform::from_utf16(prop->file->path);
            std::ifstream in(path, std::ios::binary);
            out.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        } else if (prop->values && prop->values->str) {
            out.emplace_back(prop->values->str);
        }
    }
    return out;
}

constexpr std::array<const char*, 4> kSubtypeNames = {"mixed", "alternative", "digest", "parallel"};

char* heap_copy(std::string_view text) noexcept {
    char* out = static_cast<char*>(OSIF_Alloc(text.size() + 1));
    if (!out) return nullptr;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return out;
}

bool set_single(tagString** slot, std::string_view text) noexcept {
    tagString* node = NewString(slot);
    if (!node) return false;
    node->str = heap_copy(text);
    return node->str != nullptr;
}

}  // namespace

bool OSIF_FindUniqueBoundary(const tagPart* parts, std::span<char> out) noexcept {
    if (out.empty()) return false;
    out[0] = '\0';
    if (out.size() < OSIF_BOUNDARY_SIZE) return false;
    try {
        const std::vector<std::string> contents = contents_of(parts);
        char candidate[OSIF_BOUNDARY_SIZE];
        for (int n = 1; n <= kLastBoundary; ++n) {
            std::snprintf(candidate, sizeof candidate, "----=_NextPart_%03d", n);
            bool used = false;
            for (const std::string& content : contents) {
                if (content.find(candidate) != std::string::npos) {
                    used = true;
                    break;
                }
            }
            if (!used) {
                std::memcpy(out.data(), candidate, sizeof candidate);
                return true;
            }
        }
    } catch (const std::bad_alloc&) {
    }
    return false;
}

bool OSIF_CreateMultipart(tagMultipart** out, const tagPart* parts, std::uint32_t subtype) noexcept {
    if (!out || subtype < OSIF_MULTIPART_MIXED || subtype > OSIF_MULTIPART_PARALLEL) return false;
    std::array<char, OSIF_BOUNDARY_SIZE> boundary{};
    if (!OSIF_FindUniqueBoundary(parts, boundary)) return false;
    auto* m = static_cast<tagMultipart*>(OSIF_Alloc(sizeof(tagMultipart)));
    if (!m) return false;
    std::memset(m, 0, sizeof(tagMultipart));
    m->subtype = subtype;
    char type[64];
    std::snprintf(type, sizeof type, "multipart/%s; boundary=\"%s\"", kSubtypeNames[subtype - 1], boundary.data());
    if (!set_single(&m->boundary, boundary.data()) || !set_single(&m->contentType, type)) {
        OSIF_FreeMultipart(m);
        return false;
    }
    *out = m;
    return true;
}

bool OSIF_GetNameParam(const char* contentType, std::u16string& name) noexcept {
    name.clear();
    if (!contentType) return false;
    const std::string_view text(contentType);
    constexpr std::string_view kName = "name=";
    std::size_t at = std::string_view::npos;
    for (std::size_t i = 0; i + kName.size() <= text.size() && at == std::string_view::npos; ++i) {
        bool same = true;
        for (std::size_t k = 0; k < kName.size() && same; ++k) {
            same = std::tolower(static_cast<unsigned char>(text[i + k])) == kName[k];
        }
        if (same) at = i;
    }
    if (at == std::string_view::npos) return false;
    std::size_t p = at + kName.size();
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
    std::string_view value;
    if (p < text.size() && text[p] == '"') {
        const std::size_t close = text.find('"', p + 1);
        value = text.substr(p + 1, close == std::string_view::npos ? std::string_view::npos : close - p - 1);
    } else {
        std::size_t end = p;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != ';') ++end;
        value = text.substr(p, end - p);
    }
    try {
        name = qel::platform::to_utf16(value, qel::platform::ansi_code_page());
    } catch (const std::bad_alloc&) {
        name.clear();
    }
    return true;
}
