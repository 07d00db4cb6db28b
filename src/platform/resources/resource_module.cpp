#include "platform/resources/resource_module.h"

#include <mutex>
#include <utility>

#include "platform/last_error.h"

namespace qel::platform {
namespace {

std::u16string fold(std::u16string_view name) {
    std::u16string key(name);
    for (auto& c : key) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return key;
}

// The process's modules by folded file name. `lock` guards `modules`; the tables themselves are
// immutable once registered, so callers use them without the lock.
struct ModuleTable {
    std::mutex lock;
    std::map<std::u16string, std::shared_ptr<const ResourceModule>> modules;

    ModuleTable() {
        auto control_panel = builtin_bluetooth_control_panel();
        modules.emplace(fold(control_panel->file_name), std::move(control_panel));
    }
};

ModuleTable& table() {
    static ModuleTable t;
    return t;
}

std::shared_ptr<const ResourceModule> put(const std::u16string& file_name,
                                          std::shared_ptr<const ResourceModule> module) {
    auto& t = table();
    std::lock_guard guard(t.lock);
    const std::u16string key = fold(file_name);
    auto it = t.modules.find(key);
    std::shared_ptr<const ResourceModule> previous;
    if (it != t.modules.end()) {
        previous = std::move(it->second);
        t.modules.erase(it);
    }
    if (module) t.modules.emplace(key, std::move(module));
    return previous;
}

const std::u16string* find_text(const Menu& menu, UINT command_id) {
    for (const auto& item : menu.items) {
        if (!item.sub_menu && item.id == command_id && command_id != 0) return &item.text;
    }
    for (const auto& item : menu.items) {
        if (!item.sub_menu) continue;
        if (const auto* text = find_text(*item.sub_menu, command_id)) return text;
    }
    return nullptr;
}

}  // namespace

const Menu* Menu::sub_menu(std::size_t position) const {
    if (position >= items.size()) return nullptr;
    return items[position].sub_menu.get();
}

std::optional<std::u16string> Menu::item_text(UINT command_id, std::size_t buffer_chars) const {
    if (buffer_chars == 0) return std::nullopt;
    const std::u16string* text = find_text(*this, command_id);
    if (text == nullptr) return std::nullopt;
    return text->substr(0, buffer_chars - 1);
}

const Menu* ResourceModule::menu(UINT id) const {
    auto it = menus.find(id);
    return it == menus.end() ? nullptr : &it->second;
}

std::optional<std::u16string> ResourceModule::string(UINT id) const {
    auto it = strings.find(id);
    if (it == strings.end()) return std::nullopt;
    return it->second;
}

std::shared_ptr<const ResourceModule> load_resource_module(std::u16string_view file_name) {
    auto& t = table();
    {
        std::lock_guard guard(t.lock);
        auto it = t.modules.find(fold(file_name));
        if (it != t.modules.end()) return it->second;
    }
    set_last_error(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

std::shared_ptr<const ResourceModule> install_resource_module(std::shared_ptr<const ResourceModule> module) {
    if (!module) return nullptr;
    const std::u16string name = module->file_name;
    return put(name, std::move(module));
}

std::shared_ptr<const ResourceModule> remove_resource_module(std::u16string_view file_name) {
    return put(std::u16string(file_name), nullptr);
}

ScopedResourceModule::ScopedResourceModule(std::u16string file_name,
                                           std::shared_ptr<const ResourceModule> replacement)
    : file_name_(std::move(file_name)), previous_(put(file_name_, std::move(replacement))) {}

ScopedResourceModule::~ScopedResourceModule() { put(file_name_, std::move(previous_)); }

}  // namespace qel::platform
