// Resource modules: what the system reads from the stack's and the platform's resource libraries
// when it loads them as data files (menus and strings by number). Here a module is a table in
// memory, registered under the library's file name; the platform layer ships the tables it needs
// built in (resource_tables.cpp) and a table can be replaced or removed at run time, so that a
// test or an embedding program can take a library away or give it other texts.
//
// Promises:
//  - Module names are compared without regard to ASCII case, as file names are on the platform.
//  - A loaded module is an immutable snapshot: it stays valid and unchanged while the caller holds
//    it, even if the table under its name is replaced or removed meanwhile.
//  - Looking up a menu, a sub-menu, an item or a string that is not there gives nothing; no call
//    throws. Every call is safe from any thread.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace qel::platform {

struct Menu;

// One entry of a menu: a command (its identifier and text), a separator (identifier 0, no text),
// or a pop-up whose items are in `sub_menu`.
struct MenuItem {
    UINT id = 0;
    std::u16string text;
    std::shared_ptr<const Menu> sub_menu;
};

struct Menu {
    std::vector<MenuItem> items;

    // The pop-up at `position` (0 is the first item); null when that item is no pop-up.
    const Menu* sub_menu(std::size_t position) const;

    // The text of the command item `command_id`, looked for in this menu and then depth-first in
    // its pop-ups, cut to `buffer_chars` - 1 characters (the buffer keeps room for a terminator).
    // Nothing when no item has that identifier or `buffer_chars` is 0.
    std::optional<std::u16string> item_text(UINT command_id, std::size_t buffer_chars) const;
};

struct ResourceModule {
    std::u16string file_name;
    std::map<UINT, Menu> menus;
    std::map<UINT, std::u16string> strings;

    // Menu `id`, or null.
    const Menu* menu(UINT id) const;
    // String `id`, or nothing.
    std::optional<std::u16string> string(UINT id) const;
};

// The module registered under `file_name`, as a library loaded as a data file; null with the
// thread's last error ERROR_MOD_NOT_FOUND when there is none. The platform's own tables are
// registered before the first call returns.
std::shared_ptr<const ResourceModule> load_resource_module(std::u16string_view file_name);

// Registers `module` under its file name, replacing what was there; returns the previous table.
std::shared_ptr<const ResourceModule> install_resource_module(std::shared_ptr<const ResourceModule> module);

// Unregisters the module of that name; returns the table that was there (null when none).
std::shared_ptr<const ResourceModule> remove_resource_module(std::u16string_view file_name);

// Replaces (with a table) or removes (with null) the module `file_name` for the life of the object
// and puts back what was there before on destruction.
class ScopedResourceModule {
public:
    ScopedResourceModule(std::u16string file_name, std::shared_ptr<const ResourceModule> replacement);
    ~ScopedResourceModule();
    ScopedResourceModule(const ScopedResourceModule&) = delete;
    ScopedResourceModule& operator=(const ScopedResourceModule&) = delete;

private:
    std::u16string file_name_;
    std::shared_ptr<const ResourceModule> previous_;
};

// The platform's Bluetooth control-panel library and the numbers of what the system reads from it.
inline constexpr std::u16string_view kBluetoothControlPanelModule = u"bthprops.cpl";
inline constexpr UINT kBluetoothControlPanelMenu = 2140;

// The tables the platform layer ships (used to register them, and by tests to start from them).
std::shared_ptr<const ResourceModule> builtin_bluetooth_control_panel();

}  // namespace qel::platform
