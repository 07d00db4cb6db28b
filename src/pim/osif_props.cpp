// Property lists and string lists, and the library's memory functions.
#include "pim/osif_props.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pim/osif_files.h"
#include "pim/osif_log.h"

void* OSIF_Alloc(std::size_t size) noexcept {
    if (size == 0) return nullptr;
    return std::malloc(size);
}

void OSIF_Free(void* p) noexcept { std::free(p); }

namespace {

char* copy_text(const char* text) noexcept {
    if (!text) return nullptr;
    const std::size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(OSIF_Alloc(n));
    if (copy) std::memcpy(copy, text, n);
    return copy;
}

char upper(char c) noexcept { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// Case-insensitive substring test (ASCII upper-casing, character by character).
bool contains_nocase(const char* hay, const char* needle) noexcept {
    const std::size_t n = std::strlen(needle);
    if (n == 0) return true;
    for (const char* h = hay; *h; ++h) {
        std::size_t i = 0;
        while (i < n && h[i] && upper(h[i]) == upper(needle[i])) ++i;
        if (i == n) return true;
        if (!h[i]) return false;
    }
    return false;
}

}  // namespace

tagProp* AppendProp(tagProp** head) noexcept {
    if (!head) return nullptr;
    auto* prop = static_cast<tagProp*>(OSIF_Alloc(sizeof(tagProp)));
    if (!prop) return nullptr;
    std::memset(prop, 0, sizeof(tagProp));
    tagProp** slot = head;
    while (*slot) slot = &(*slot)->next;
    *slot = prop;
    return prop;
}

tagString* NewString(tagString** slot) noexcept {
    auto* node = static_cast<tagString*>(OSIF_Alloc(sizeof(tagString)));
    if (!node) return nullptr;
    node->str = nullptr;
    node->flag = 1;
    node->next = nullptr;
    if (slot) *slot = node;
    return node;
}

void AddPropParam(tagProp* prop, const char* text) noexcept {
    if (!prop || !text) return;
    char* copy = copy_text(text);
    if (!copy) return;
    tagString** slot = &prop->params;
    while (*slot) slot = &(*slot)->next;
    tagString* node = NewString(slot);
    if (!node) {
        OSIF_Free(copy);
        return;
    }
    node->str = copy;
}

void AddPropValue(tagProp* prop, char* value, int index) noexcept {
    if (!prop || index < 0) {
        OSIF_Free(value);
        return;
    }
    tagString** slot = &prop->values;
    for (int i = 0;; ++i) {
        if (!*slot && !NewString(slot)) {
            OSIF_Free(value);
            return;
        }
        if (i == index) break;
        slot = &(*slot)->next;
    }
    SetStringValue(&(*slot)->str, value);
}

void FileToProp(const char16_t* path, tagProp* prop) noexcept {
    if (!path || !prop) return;
    std::size_t n = 0;
    while (path[n]) ++n;
    auto* copy = static_cast<char16_t*>(OSIF_Alloc((n + 1) * sizeof(char16_t)));
    auto* ref = static_cast<tagFileRef*>(OSIF_Alloc(sizeof(tagFileRef)));
    if (!copy || !ref) {
        OSIF_Free(copy);
        OSIF_Free(ref);
        return;
    }
    std::memcpy(copy, path, (n + 1) * sizeof(char16_t));
    ref->path = copy;
    if (prop->file) OSIF_FreeFileRef(prop->file);
    prop->file = ref;
}

void SetStringValue(char** slot, char* text) noexcept {
    if (!slot) {
        OSIF_Free(text);
        return;
    }
    OSIF_Free(*slot);
    *slot = text;
}

void CopyStringValue(char** slot, const char* text) noexcept {
    if (!slot) return;
    char* copy = copy_text(text);
    if (text && !copy) return;  // out of memory: the slot keeps its text
    SetStringValue(slot, copy);
}

tagString* FindString(tagString* list, const char* needle) noexcept {
    if (!needle) return list;
    for (tagString* node = list; node; node = node->next) {
        if (node->str && contains_nocase(node->str, needle)) return node;
    }
    return nullptr;
}

int GetStringValue(const char* param, char* out, int max) noexcept {
    if (!out) return 0;
    out[0] = '\0';
    if (!param || max < 0) return 0;
    const char* eq = std::strchr(param, '=');
    if (!eq) return 0;
    const char* p = eq + 1;
    char end = ' ';
    if (*p == '"') {
        end = '"';
        ++p;
    }
    int n = 0;
    while (n < max && p[n] && p[n] != end) {
        out[n] = p[n];
        ++n;
    }
    out[n] = '\0';
    return n;
}

tagProp* FindProp(tagProp* list, const char* p1, const char* p2) noexcept {
    for (tagProp* prop = list; prop; prop = prop->next) {
        if (!FindString(prop->params, p1)) continue;
        if (p2 && !FindString(prop->params, p2)) continue;
        return prop;
    }
    return nullptr;
}

tagProp* FindOrAddProp(tagProp** head, const char* p1, const char* p2) noexcept {
    if (!head) return nullptr;
    if (tagProp* found = FindProp(*head, p1, p2)) return found;
    tagProp* prop = AppendProp(head);
    if (!prop) return nullptr;
    NewString(&prop->values);
    if (p1) AddPropParam(prop, p1);
    if (p2) AddPropParam(prop, p2);
    return prop;
}

void OSIF_FreeStringList(tagString* list) noexcept {
    while (list) {
        tagString* next = list->next;
        OSIF_Free(list->str);
        OSIF_Free(list);
        list = next;
    }
}

void OSIF_FreeFileRef(tagFileRef* ref) noexcept {
    if (!ref) return;
    if (ref->path) FILE_Remove(ref->path);  // logs its failure and goes on
    OSIF_Free(ref->path);
    OSIF_Free(ref);
}

void OSIF_FreePropList(tagProp* list) noexcept {
    while (list) {
        tagProp* next = list->next;
        OSIF_FreeStringList(list->params);
        OSIF_FreeStringList(list->values);
        OSIF_FreeFileRef(list->file);
        OSIF_Free(list);
        list = next;
    }
}
